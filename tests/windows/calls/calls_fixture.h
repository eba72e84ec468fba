// Windows driven against the modem simulator: Com n mapped to simulated modems, message
// boxes and questions answered by the test, and a bounded wait that lets events run.
#pragma once

#include "faxengine/device_paths.h"
#include "modem_sim.h"
#include "settings/appsettings.h"
#include "support/programdir.h"
#include "support/qtwait.h"
#include "ui/messages.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QString>

#include <string>
#include <utility>
#include <vector>

namespace testutil {

class CallsTest : public ::testing::Test {
 protected:
  ProgramDirFixture dir;
  std::vector<std::pair<QString, QString>> messages;  // text, caption
  int answer = ui::mb::IdYes;

  void SetUp() override {
    ui::MessageBoxAnswers().Install([this](const QString& text, const QString& caption, int) {
      messages.emplace_back(text, caption);
      return answer;
    });
    // Every Com n leads nowhere until a test maps it.
    for (int n = 1; n <= 6; ++n) mapCom(n, dir.path("no-such-device-" + std::to_string(n)));
  }
  void TearDown() override {
    for (int n = 1; n <= 6; ++n) faxengine::setComDevicePath(n, "");
    settings::AppSettings = {};
    ui::MessageBoxAnswers().Install({});
  }
  void mapCom(int n, const std::string& device) { faxengine::setComDevicePath(n, device); }
  QString lastMessage() const { return messages.empty() ? QString() : messages.back().first; }
};

}  // namespace testutil
