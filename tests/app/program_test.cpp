// The brindle program as a user starts it: settings written when it closes, by window
// close or by a termination signal.
#include "brx_builder.h"
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

QProcess* startBrindle(const QString& dataDir, const QString& display = {},
                       const QStringList& more = {}) {
  auto* p = new QProcess;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", display.isEmpty() ? "offscreen" : "xcb");
  if (!display.isEmpty()) env.insert("DISPLAY", display);
  p->setProcessEnvironment(env);
  p->start(BRINDLE_EXE, QStringList{"--data-dir", dataDir} + more);
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

// A virtual X display, so that the test sees the program's windows as a desktop does.
class XDisplay {
 public:
  XDisplay() {
    server_.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
    if (server_.waitForReadyRead(20000))
      name_ = ":" + QString::fromLatin1(server_.readAllStandardOutput()).trimmed();
  }
  ~XDisplay() {
    server_.terminate();
    server_.waitForFinished(20000);
  }
  static bool Available() {
    return !QStandardPaths::findExecutable("Xvfb").isEmpty() &&
           !QStandardPaths::findExecutable("xwininfo").isEmpty();
  }
  const QString& name() const { return name_; }
  // Every window's line of xwininfo's tree: its id and title.
  QString Windows() const {
    QProcess info;
    info.start("xwininfo", {"-display", name_, "-root", "-tree"});
    info.waitForFinished(20000);
    return QString::fromUtf8(info.readAllStandardOutput());
  }

 private:
  QProcess server_;
  QString name_;
};

// A fax file double-clicked in the file manager while Brindle runs: the new start hands
// it to the running copy, which shows it in a viewer window (one: no error box with it).
TEST(Program, AFaxFileNamedAtStartOpensInTheRunningCopy) {
  if (!XDisplay::Available()) GTEST_SKIP() << "needs Xvfb and xwininfo (scripts/setup.sh installs them)";
  XDisplay x;
  ASSERT_FALSE(x.name().isEmpty());
  testutil::ProgramDirFixture dir;
  dir.write("BDL.INI", "[Modem]\r\nComPort=1\r\n");  // no first-run wizard
  const QString data = QString::fromStdString(dir.dir.path());
  faximage::MonoBitmap page(1728, 40);
  ASSERT_EQ(faximage::test::writeBrx(dir.path("letter.brx"), {{page}}), 0);

  QProcess* running = startBrindle(data, x.name());
  ASSERT_TRUE(waitUntilShown(data));
  // Named relative to the second start's folder, as a shell passes it.
  QProcess second;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  second.setProcessEnvironment(env);
  second.setWorkingDirectory(data);
  second.start(BRINDLE_EXE, {"--data-dir", data, "letter.brx"});
  EXPECT_TRUE(second.waitForFinished(30000));
  EXPECT_EQ(second.exitCode(), 0);

  int viewers = 0;
  QDeadlineTimer deadline(30000);
  while (!deadline.hasExpired()) {
    QThread::msleep(200);
    viewers = x.Windows().count("\"Fax Viewer \": (");
    if (viewers > 0) break;
  }
  QThread::msleep(500);  // an error box would follow the viewer at once
  viewers = x.Windows().count("\"Fax Viewer \": (");
  stop(running);
  EXPECT_EQ(viewers, 1);
}

// The title bar as a window manager would show it: the X server holds the title the
// program gave its window, so an application name added to it would show there.
TEST(Program, TheTitleBarNamesTheProgramOnce) {
  if (!XDisplay::Available()) GTEST_SKIP() << "needs Xvfb and xwininfo (scripts/setup.sh installs them)";
  XDisplay x;
  testutil::ProgramDirFixture dir;
  QProcess* program = startBrindle(QString::fromStdString(dir.dir.path()), x.name());
  EXPECT_TRUE(waitUntilShown(QString::fromStdString(dir.dir.path())));
  const QString windows = x.Windows();
  stop(program);

  EXPECT_TRUE(windows.contains("\"Brindle \": (")) << windows.toStdString();
  EXPECT_FALSE(windows.contains(QChar(0x2014))) << windows.toStdString();
}
