// Shared pieces of the composition tests: a fresh program directory per test, recorded
// message boxes with scripted answers, and a bounded wait for queued effects.
#pragma once

#include "app/appsettings.h"
#include "app/messages.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <fstream>
#include <functional>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

// Readable failure messages for Qt strings.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QStringList& l, std::ostream* os) {
  *os << '{' << l.join(QStringLiteral(", ")).toStdString() << '}';
}

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
    app::SetProgramDir(dir.path().toStdString());
    app::AppSettings = app::AppSettingsRecord{};
    app::SetMessageBoxHandler([this](const QString& text, const QString& caption, int flags) {
      boxes.push_back({text, caption, flags});
      return answer;
    });
  }
  ~ComposeFixture() { app::SetMessageBoxHandler({}); }

  std::string settingsText() const {
    std::ifstream in(app::SettingsFilePath(), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }

  QTemporaryDir dir;
  std::vector<ShownBox> boxes;
  int answer = app::mb::IdOk;
};

}  // namespace composetest
