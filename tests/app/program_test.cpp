// The brindle program as a user starts it: settings written when it closes, by window
// close or by a termination signal.
#include "settings/appsettings.h"
#include "support/programdir.h"

#include <gtest/gtest.h>
#include <QDeadlineTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <csignal>
#include <fstream>

namespace {

std::string readFile(const QString& path) {
  std::ifstream in(path.toStdString(), std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

// The program has shown its window once the first activation stored the placement;
// from then on its signal handling is in place.
bool waitUntilShown(const QString& dataDir) {
  QDeadlineTimer deadline(30000);
  while (!deadline.hasExpired()) {
    if (readFile(dataDir + "/BDL.INI").find("[TMainScreen_Placement]") != std::string::npos)
      return true;
    QThread::msleep(50);
  }
  return false;
}

void runAndStop(const QString& dataDir, int sig) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  p.setProcessEnvironment(env);
  p.start(BRINDLE_EXE, {"--data-dir", dataDir});
  EXPECT_TRUE(p.waitForStarted(30000));
  EXPECT_TRUE(waitUntilShown(dataDir));
  ::kill(pid_t(p.processId()), sig);
  EXPECT_TRUE(p.waitForFinished(30000));
  EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
}

}  // namespace

TEST(Program, AnEmptyFolderGetsEverySettingInOrderThenTheVersion) {
  testutil::ProgramDirFixture dir;
  const QString data =
      QString::fromStdString(dir.dir.path()) + "/data";  // not there yet: the program makes it
  runAndStop(data, SIGTERM);
  const settings::AppSettingsRecord s =
      settings::LoadSettingsFrom((data + "/BDL.INI").toStdString());
  EXPECT_EQ(s.ComPort, -1);
  EXPECT_EQ(s.PrintOnReceiptPrinter, "Default Windows Printer");
  const std::string text = readFile(data + "/BDL.INI");
  EXPECT_EQ(text.rfind("[Receive]\r\nWav=\r\n", 0), 0u);
  EXPECT_LT(text.find("[Ports]"), text.find("[Version]\r\nVersion=2.8d\r\n"));
}

TEST(Program, TerminationSignalsCloseTheWindowAndSaveTheSettings) {
  for (int sig : {SIGTERM, SIGINT}) {
    testutil::ProgramDirFixture dir;
    // A file from an earlier version: only the close writes the keys it lacks.
    dir.write("BDL.INI", "[Modem]\r\nComPort=2\r\nMaximumBPS=14400\r\n");
    runAndStop(QString::fromStdString(dir.dir.path()), sig);
    const std::string text = readFile(QString::fromStdString(dir.dir.path()) + "/BDL.INI");
    EXPECT_NE(text.find("[Version]\r\nVersion=2.8d\r\n"), std::string::npos) << "signal " << sig;
    EXPECT_NE(text.find("MaximumBPSReceive=14400"), std::string::npos) << "signal " << sig;
    EXPECT_NE(text.find("ComPort=2"), std::string::npos) << "signal " << sig;
  }
}

namespace {

QProcess* startBrindle(const QString& dataDir, const QString& display = {}) {
  auto* p = new QProcess;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", display.isEmpty() ? "offscreen" : "xcb");
  if (!display.isEmpty()) env.insert("DISPLAY", display);
  p->setProcessEnvironment(env);
  p->start(BRINDLE_EXE, {"--data-dir", dataDir});
  p->waitForStarted(30000);
  return p;
}

void stop(QProcess* p) {
  ::kill(pid_t(p->processId()), SIGTERM);
  p->waitForFinished(30000);
  delete p;
}

}  // namespace

TEST(Program, ASecondCopyOnTheSameFolderEndsAndOnAnotherFolderRuns) {
  testutil::ProgramDirFixture one, two;
  QProcess* first = startBrindle(QString::fromStdString(one.dir.path()));
  ASSERT_TRUE(waitUntilShown(QString::fromStdString(one.dir.path())));
  ASSERT_EQ(first->state(), QProcess::Running);

  QProcess* second = startBrindle(QString::fromStdString(one.dir.path()));
  EXPECT_TRUE(second->waitForFinished(20000));
  EXPECT_EQ(second->exitCode(), 0);
  EXPECT_EQ(first->state(), QProcess::Running);

  QProcess* other = startBrindle(QString::fromStdString(two.dir.path()));
  EXPECT_TRUE(waitUntilShown(QString::fromStdString(two.dir.path())));
  EXPECT_EQ(other->state(), QProcess::Running);

  stop(other);
  stop(first);
  delete second;
}

// The title bar as a window manager would show it: the X server holds the title the
// program gave its window, so an application name added to it would show there.
TEST(Program, TheTitleBarNamesTheProgramOnce) {
  if (QStandardPaths::findExecutable("Xvfb").isEmpty() ||
      QStandardPaths::findExecutable("xwininfo").isEmpty())
    GTEST_SKIP() << "needs Xvfb and xwininfo (scripts/setup.sh installs them)";
  QProcess server;
  server.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
  ASSERT_TRUE(server.waitForReadyRead(20000));
  const QString display = ":" + QString::fromLatin1(server.readAllStandardOutput()).trimmed();

  testutil::ProgramDirFixture dir;
  QProcess* program = startBrindle(QString::fromStdString(dir.dir.path()), display);
  EXPECT_TRUE(waitUntilShown(QString::fromStdString(dir.dir.path())));
  QProcess info;
  info.start("xwininfo", {"-display", display, "-root", "-tree"});
  info.waitForFinished(20000);
  const QString windows = QString::fromUtf8(info.readAllStandardOutput());
  stop(program);
  server.terminate();
  server.waitForFinished(20000);

  EXPECT_TRUE(windows.contains("\"Brindle \": (")) << windows.toStdString();
  EXPECT_FALSE(windows.contains(QChar(0x2014))) << windows.toStdString();
}
