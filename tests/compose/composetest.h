// Shared pieces of the composition tests: a fresh program directory per test, recorded
// message boxes with scripted answers, and a bounded wait for queued effects.
#pragma once

#include "settings/appsettings.h"
#include "support/programdir.h"
#include "support/qtprint.h"
#include "ui/messages.h"
#include "ui/refusedtyping.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace composetest {

// Lets queued events run until pred holds, at most rounds times.
inline bool WaitUntil(const std::function<bool()>& pred, int rounds = 200) {
  for (int i = 0; i < rounds; ++i) {
    if (pred()) return true;
    QApplication::processEvents(QEventLoop::AllEvents);
    QApplication::sendPostedEvents();
  }
  return pred();
}

// Types text as a keyboard sends it, one character at a time, whatever the keyboard layout.
inline void TypeAsKeys(QWidget* w, const QString& text) {
  for (QChar c : text) {
    QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QApplication::sendEvent(w, &key);
  }
}

// What the tip of the last refused character says; empty when none is on show.
inline QString RefusalTipText() {
  auto* tip = qobject_cast<QLabel*>(ui::RefusalTip());
  return tip ? tip->text() : QString();
}

// Once a modal window is open (tried on the next rounds of the event loop, a bounded
// number of times), hands it to act, which is expected to close it.
inline void WhenModalOpens(std::function<void(QWidget*)> act, int rounds = 200) {
  QTimer::singleShot(0, [act = std::move(act), rounds]() mutable {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      act(modal);
    } else if (rounds > 0) {
      WhenModalOpens(std::move(act), rounds - 1);
    }
  });
}

struct ShownBox {
  QString text;
  QString caption;
  int flags = 0;
};

// Points the program directory at a temporary folder, starts from default settings,
// and answers every message box with `answer`, recording what was asked.
class ComposeFixture {
 public:
  ComposeFixture() {
    settings::AppSettings = settings::AppSettingsRecord{};
    ui::MessageBoxAnswers().Install([this](const QString& text, const QString& caption, int flags) {
      boxes.push_back({text, caption, flags});
      return answer;
    });
  }
  ~ComposeFixture() { ui::MessageBoxAnswers().Install({}); }

  std::string settingsText() const { return dir.read(settings::kSettingsFileName); }

  testutil::ProgramDirFixture dir;
  std::vector<ShownBox> boxes;
  int answer = ui::mb::IdOk;
};

}  // namespace composetest
