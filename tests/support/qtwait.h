// Waiting in widget tests without sleeping: a bounded wait that lets events run, and
// acting on a window (or any condition) from a timer, so that nothing waits inside a
// queued call while the windows' own queued work is still to run.
#pragma once

#include <QApplication>
#include <QDeadlineTimer>
#include <QTimer>

namespace testutil {

// Lets events run until the condition holds or `ms` pass; false on time-out.
template <class Cond>
bool waitFor(Cond cond, int ms = 5000) {
  QDeadlineTimer deadline(ms);
  while (!cond()) {
    if (deadline.hasExpired()) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

// Runs `act` once, as soon as `cond` holds, from a timer that looks every 20 ms.
template <class Cond, class Act>
void when(Cond cond, Act act) {
  auto* poll = new QTimer(qApp);
  QObject::connect(poll, &QTimer::timeout, [poll, cond, act] {
    if (!cond()) return;
    poll->stop();
    poll->deleteLater();
    act();
  });
  poll->start(20);
}

// Runs `act` on the modal window of type T once `ready` holds for it.
template <class T, class Ready, class Act>
void whenModal(Ready ready, Act act) {
  auto modal = [] { return qobject_cast<T*>(QApplication::activeModalWidget()); };
  when([modal, ready] { return modal() && ready(*modal()); }, [modal, act] { act(*modal()); });
}

}  // namespace testutil
