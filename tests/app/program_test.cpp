// The brindle program as a user starts it: settings written when it closes, by window
// close or by a termination signal.
#include "app/appsettings.h"
#include "tempdir.h"

#include <QProcess>
#include <gtest/gtest.h>

#include <csignal>

namespace {

std::string runAndStop(const QString& dataDir, int sig)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    p.start(BRINDLE_EXE, {"--data-dir", dataDir});
    EXPECT_TRUE(p.waitForStarted(30000));
    // The program is ready once its window exists; give it a moment and then signal it.
    p.waitForFinished(1500);
    ::kill(pid_t(p.processId()), sig);
    EXPECT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    return {};
}

}  // namespace

TEST(Program, TerminationSignalsCloseTheWindowAndSaveTheSettings)
{
    for (int sig : {SIGTERM, SIGINT}) {
        testutil::ProgramDirFixture dir;
        const QString data = dir.dir.path() + "/data";  // not there yet: the program makes it
        runAndStop(data, sig);
        const app::AppSettingsRecord s = app::LoadSettingsFrom((data + "/BDL.INI").toStdString());
        EXPECT_EQ(s.ComPort, -1) << "signal " << sig;
        EXPECT_EQ(s.PrintOnReceiptPrinter, "Default Windows Printer");
        app::SetProgramDir(data.toStdString());
        std::ifstream in(app::SettingsFilePath());
        std::string text((std::istreambuf_iterator<char>(in)), {});
        EXPECT_NE(text.find("[Version]\r\nVersion=2.8d\r\n"), std::string::npos);
        EXPECT_EQ(text.rfind("[Receive]\r\nWav=\r\n", 0), 0u);
    }
}

namespace {

QProcess* startBrindle(const QString& dataDir)
{
    auto* p = new QProcess;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p->setProcessEnvironment(env);
    p->start(BRINDLE_EXE, {"--data-dir", dataDir});
    p->waitForStarted(30000);
    return p;
}

void stop(QProcess* p)
{
    ::kill(pid_t(p->processId()), SIGTERM);
    p->waitForFinished(30000);
    delete p;
}

}  // namespace

TEST(Program, ASecondCopyOnTheSameFolderEndsAndOnAnotherFolderRuns)
{
    testutil::ProgramDirFixture one, two;
    QProcess* first = startBrindle(one.dir.path());
    first->waitForFinished(1500);  // let it come up
    ASSERT_EQ(first->state(), QProcess::Running);

    QProcess* second = startBrindle(one.dir.path());
    EXPECT_TRUE(second->waitForFinished(20000));
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_EQ(first->state(), QProcess::Running);

    QProcess* other = startBrindle(two.dir.path());
    EXPECT_FALSE(other->waitForFinished(1500));
    EXPECT_EQ(other->state(), QProcess::Running);

    stop(other);
    stop(first);
    delete second;
}
