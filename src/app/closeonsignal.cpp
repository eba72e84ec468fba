// A self-pipe carries the signal from the handler to the event loop, where it is safe
// to close the window.
#include "app/closeonsignal.h"

#include <QApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <QWidget>

#include <fcntl.h>
#include <unistd.h>
#include <csignal>

namespace app {

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int sig) {
  const char c = char(sig);
  [[maybe_unused]] const ssize_t n = write(signalPipe[1], &c, 1);
}

}  // namespace

void CloseOnTerminationSignals(QWidget* window) {
  if (signalPipe[0] < 0) {
    if (pipe(signalPipe) != 0) return;
    for (int fd : signalPipe) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  }
  auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, window);
  QPointer<QWidget> target(window);
  QObject::connect(notifier, &QSocketNotifier::activated, window, [target] {
    char buf[16];
    while (read(signalPipe[0], buf, sizeof buf) > 0) {
    }
    // A modal window (the first-run wizard, an editor) would keep the program running
    // after its main window closed: each is asked to close first. One that refuses while
    // it is busy (a call in progress) ends the program when it closes itself later.
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->isVisible() && w->isModal() && w != target) w->close();
    if (target) target->close();
  });
  struct sigaction sa = {};
  sa.sa_handler = onSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
}

}  // namespace app
