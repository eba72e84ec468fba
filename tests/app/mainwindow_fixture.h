// Drives the real main window on the offscreen platform: a fresh program folder, message
// boxes answered by the test, and records put into the tables before the window opens.
#pragma once

#include "app/mainwindow/mainscreen.h"
#include "app/store/faxstore.h"
#include "settings/inifile.h"
#include "support/programdir.h"
#include "support/qtprint.h"
#include "support/qtwait.h"
#include "ui/messages.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QDate>
#include <QDeadlineTimer>
#include <QTime>
#include <QTimer>

#include <memory>
#include <string>
#include <vector>

namespace testutil {

struct OutgoingFax {
  std::string subject, recipient, phone, dateSent, timeSent;
  bool sent = false;
};

struct ReceivedFax {
  std::string date, time, from, faxFile, notes;
  int pages = 1;
};

// Answers the next modal dialog of type T by running `act` on it. Another modal window
// in its place is a failure, and is closed so that the test does not hang.
template <class T, class Act>
void whenModal(Act act) {
  QTimer::singleShot(0, [act] {
    waitFor([] { return qobject_cast<T*>(QApplication::activeModalWidget()) != nullptr; });
    if (auto* d = qobject_cast<T*>(QApplication::activeModalWidget())) {
      act(*d);
    } else if (QWidget* other = QApplication::activeModalWidget()) {
      ADD_FAILURE() << "unexpected modal window " << other->objectName().toStdString();
      other->close();
    }
  });
}

class MainWindowTest : public ::testing::Test {
 protected:
  ProgramDirFixture dir;
  std::vector<std::pair<QString, QString>> messages;  // text, caption
  int answer = ui::mb::IdYes;
  std::unique_ptr<app::TMainScreen> window;

  void SetUp() override {
    ui::MessageBoxAnswers().Install([this](const QString& text, const QString& caption, int) {
      messages.emplace_back(text, caption);
      return answer;
    });
  }
  void TearDown() override {
    if (window) window->close();
    window.reset();
    ui::MessageBoxAnswers().Install({});
  }

  // Appends records to a store table (made first when missing) through the engine.
  template <class Fill>
  void appendTo(const app::StoreTable& definition, Fill fill) {
    if (!std::filesystem::exists(dir.path(definition.fileName))) {
      ASSERT_TRUE(app::MakeStoreTable(definition));
    }
    tables::Table t;
    t.open(settings::ProgramDir(), definition.fileName);
    fill(t);
  }

  void addOutgoing(const std::vector<OutgoingFax>& faxes) {
    appendTo(app::OutgoingTable(), [&faxes](tables::Table& t) {
      for (const OutgoingFax& f : faxes) {
        t.append();
        t.putString("SUBJECT", f.subject);
        t.putString("RECIPIENT", f.recipient);
        t.putString("PHONE", f.phone);
        t.putDtos("DATESENT", f.dateSent.empty() ? std::string(8, ' ') : f.dateSent);
        t.putString("TIMESENT", f.timeSent);
        t.putLogical("SENT", f.sent);
        t.post();
      }
    });
  }

  void addReceived(const std::vector<ReceivedFax>& faxes) {
    appendTo(app::ReceivedTable(), [&faxes](tables::Table& t) {
      for (const ReceivedFax& f : faxes) {
        t.append();
        t.putDtos("DATEREC", f.date);
        t.putString("TIMEREC", f.time);
        t.putString("FROM", f.from);
        t.putNumber("PAGES", f.pages);
        t.putString("FAXFILE", f.faxFile);
        t.putString("NOTES", f.notes);
        t.post();
      }
    });
  }

  // Unless a test is about the first run, the port counts as configured before, so that
  // the Preferences wizard does not open by itself.
  bool firstRun = false;

  app::TMainScreen& open() {
    if (!firstRun) {
      settings::IniFile ini(settings::SettingsFilePath());
      ini.load();
      if (!ini.hasKey("Modem", "ComPort")) {
        ini.writeInteger("Modem", "ComPort", 0);
        ini.save();
      }
    }
    window = std::make_unique<app::TMainScreen>();
    window->show();
    waitFor([this] { return !window->FirstActivation || !window->isVisible(); });
    return *window;
  }

  template <class T>
  T* find(const char* name) {
    return window->findChild<T*>(QString::fromLatin1(name));
  }

  // Column texts of one grid row.
  QStringList row(const char* gridName, int r);
  int rows(const char* gridName);
  void selectTab(int index);
  void selectRow(const char* gridName, int r);
};

}  // namespace testutil
