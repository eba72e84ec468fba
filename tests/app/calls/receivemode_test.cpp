// Receive mode through calls from simulated fax machines, reached through the settings
// file's [Ports] section: faxes are filed as rows and files, printed when asked, failed
// and stopped calls leave nothing behind, and receive mode carries on. Real-time.
#include "app/mainwindow/smallforms.h"
#include "fax_pages.h"
#include "faxcodes/error_codes.h"
#include "faxcodes/texts.h"
#include "faxengine/fax_component.h"
#include "mainwindow_fixture.h"
#include "modem_sim.h"
#include "ui/sound.h"
#include "windows/modemoffers.h"

#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QToolButton>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

namespace {

namespace fs = std::filesystem;
using faxengine::test::ModemSim;
using faxengine::test::Picture;
using testutil::waitFor;

class ReceiveCalls : public testutil::MainWindowTest {
 protected:
  // Settings that lead Com1 to the modem, receiving in the class given as a list index.
  void settingsFor(const std::string& modem, int faxClass, const std::string& more = "",
                   const std::string& com2 = "") {
    dir.write("BDL.INI", "[Modem]\r\nComPort=0\r\nFaxClassReceive=" + std::to_string(faxClass) +
                             "\r\n" + more + "[Ports]\r\nCom1=" + modem + "\r\n" +
                             (com2.empty() ? "" : "Com2=" + com2 + "\r\n"));
  }
  QString receiveCaption() { return find<QToolButton>("ReceiveButton")->text().remove('&'); }
  std::string field(const char* name) { return window->Store.RecTable.table().getString(name); }
  std::vector<std::string> receivedFiles() {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(app::ReceiveDir()))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  // True once the simulator's event log holds the text.
  static bool logged(const ModemSim& sim, const std::string& text) {
    std::ifstream in(sim.outPath("events.jsonl"));
    const std::string events((std::istreambuf_iterator<char>(in)), {});
    return events.find(text) != std::string::npos;
  }
  // Pictures the remote machine sends, as PBM files; returns the --pages option value.
  std::string pagesOf(const std::vector<Picture>& pictures) {
    std::string list;
    for (std::size_t i = 0; i < pictures.size(); ++i) {
      const std::string path = dir.path("page" + std::to_string(i) + ".pbm");
      faxengine::test::writePbm(path, pictures[i]);
      list += (i ? "," : "") + path;
    }
    return list;
  }
};

// The received file holds the pages as sent (a far end may add blank rows at the end).
void expectPages(const std::string& file, const std::vector<Picture>& sent) {
  for (std::size_t p = 0; p < sent.size(); ++p) {
    Picture got = faxengine::test::brxPageRows(file, int(p + 1));
    while (!got.empty() && got.back().empty()) got.pop_back();
    EXPECT_TRUE(faxengine::test::rowsMatch(got, 0, sent[p])) << "page " << p + 1;
  }
}

std::string run(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  p.waitForFinished(20000);
  return p.readAllStandardOutput().toStdString();
}

// A fax received in Class 1 (how each class receives is the engine's, tested there), with
// receive mode started at program start, print on receipt and an init string typed without
// "AT" (the forms an init string may take are a test of the send rules).
class ReceiveEachClass : public ReceiveCalls, public ::testing::WithParamInterface<int> {};

TEST_P(ReceiveEachClass, AThreePageFaxIsListedStoredAndPrinted) {
  const std::vector<Picture> sent = {faxengine::test::patternPicture(60, 1),
                                     faxengine::test::patternPicture(50, 2),
                                     faxengine::test::patternPicture(40, 3)};
  ModemSim sim({"--speed", "20", "--remote-call", "--remote-id", "555 1234", "--pages",
                pagesOf(sent), "--exit-after-calls", "1"});
  ASSERT_TRUE(sim.ready());
  settingsFor(sim.modem1(), GetParam(),
              "InitStringReceive=S7=40\r\n[Receive]\r\nAtStartup=1\r\nPrintOnReceipt=1\r\nWav="
              "arrived.wav\r\n");
  dir.write("arrived.wav", "RIFF");
  QStringList sounds;
  ui::SoundRequests().Install([&sounds](const QString& file) { sounds << file; });
  app::TMainScreen& w = *new app::TMainScreen;
  window.reset(&w);
  const std::string pdf = dir.path("printed.pdf");
  w.fxFaxPrinter1.Printer().setOutputFormat(QPrinter::PdfFormat);
  w.fxFaxPrinter1.Printer().setOutputFileName(QString::fromStdString(pdf));
  w.show();

  ASSERT_TRUE(
      waitFor([&w] { return w.ReceiveMode && w.StartingFaxForm->ReadyPanel->isVisible(); }));
  EXPECT_EQ(receiveCaption(), "STOP");
  EXPECT_TRUE(w.StartingFaxForm->okbutton->isVisible());
  EXPECT_FALSE(w.StartingFaxForm->StartingPanel->isVisible());
  ASSERT_TRUE(waitFor([this] { return rows("RecFaxGrid") == 1; }, 60000)) << sim.summary("s");
  const QTime now = QTime::currentTime();

  EXPECT_EQ(field("FROM"), "555 1234");
  EXPECT_EQ(w.Store.RecTable.table().getNumber("PAGES"), 3);
  EXPECT_EQ(field("FAXFILE"), "FAX0001.BRX");
  EXPECT_EQ(field("DATEREC"), QDate::currentDate().toString("yyyyMMdd").toStdString());
  const QTime listed = QTime::fromString(QString::fromStdString(field("TIMEREC")), "hh:mm");
  EXPECT_LE(std::abs(listed.secsTo(now)), 120) << field("TIMEREC");
  expectPages(app::ReceiveDir() + "/FAX0001.BRX", sent);
  EXPECT_EQ(sim.query("any(e['kind'] == 'cmd' and e['text'] == 'ATS7=40' for e in ev)"), "True");
  EXPECT_TRUE(messages.empty());
  ASSERT_TRUE(waitFor([&sounds] { return !sounds.empty(); }));
  ui::SoundRequests().Install({});
  EXPECT_EQ(sounds, QStringList{QString::fromStdString(dir.path("arrived.wav"))});

  // One sheet a page, and nothing printed around the pages.
  ASSERT_TRUE(waitFor([&] { return !w.fxFaxPrinter1.Printing() && fs::exists(pdf); }));
  EXPECT_NE(run("pdfinfo", {QString::fromStdString(pdf)}).find("Pages:           3"),
            std::string::npos);
  EXPECT_EQ(QString::fromStdString(run("pdftotext", {QString::fromStdString(pdf), "-"}))
                .trimmed()
                .remove('\f'),
            "");

  find<QToolButton>("ReceiveButton")->click();
  EXPECT_FALSE(w.ReceiveMode);
  EXPECT_EQ(receiveCaption(), "Receive");
  EXPECT_FALSE(w.FxComPort1.Open());
  EXPECT_FALSE(w.StartingFaxForm->isVisible());
}

std::string className(const ::testing::TestParamInfo<int>& info) {
  const char* const names[] = {"", "Class1", "Class2", "Class20"};
  return names[info.param];
}
INSTANTIATE_TEST_SUITE_P(Class, ReceiveEachClass, ::testing::Values(1), className);

TEST_F(ReceiveCalls, StopDuringACallEndsItAndLeavesNoFaxBehind) {
  ModemSim sim({"--speed", "10", "--remote-call", "--pages",
                pagesOf({faxengine::test::patternPicture(300, 1),
                         faxengine::test::patternPicture(300, 2)})});
  ASSERT_TRUE(sim.ready());
  settingsFor(sim.modem1(), 3);
  app::TMainScreen& w = open();
  find<QToolButton>("ReceiveButton")->click();
  ASSERT_TRUE(w.ReceiveMode);
  ASSERT_TRUE(waitFor([&] { return w.FaxInProgress && !receivedFiles().empty(); }, 60000));

  // Asked whether to exit while the fax arrives, No keeps the program receiving.
  answer = ui::mb::IdNo;
  w.close();
  EXPECT_EQ(messages.size(), 1u);
  EXPECT_TRUE(w.isVisible() && w.ReceiveMode && w.FxComPort1.Open());

  find<QToolButton>("ReceiveButton")->click();
  EXPECT_FALSE(w.ReceiveMode);
  EXPECT_FALSE(w.FaxInProgress);
  EXPECT_EQ(receiveCaption(), "Receive");
  waitFor([] { return false; }, 500);
  EXPECT_EQ(rows("RecFaxGrid"), 0);
  EXPECT_TRUE(receivedFiles().empty());
  EXPECT_EQ(messages.size(), 1u) << "the fax the user stopped is not reported";
}

TEST_F(ReceiveCalls, WithoutAModemReceiveModeStaysOffAndThePortIsFreeAgain) {
  ModemSim sim({"--scenario", "silent"});
  ASSERT_TRUE(sim.ready());
  settingsFor(sim.modem1(), 2);
  app::TMainScreen& w = open();
  for (int attempt = 0; attempt < 2; ++attempt) {
    messages.clear();
    find<QToolButton>("ReceiveButton")->click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].first, "No modem found on COM1");
    EXPECT_FALSE(w.ReceiveMode);
    EXPECT_EQ(receiveCaption(), "Receive");
    EXPECT_FALSE(w.StartingFaxForm->isVisible());
    EXPECT_FALSE(w.FxComPort1.Open());
  }
}

// A modem that goes away while receive mode waits (a USB modem pulled out) ends receive
// mode with a box that says why, and the port is closed: the button must not read STOP
// with nothing listening.
TEST_F(ReceiveCalls, AModemThatGoesAwayEndsReceiveModeAndSaysWhy) {
  auto sim = std::make_unique<ModemSim>(std::vector<std::string>{"--speed", "20"});
  ASSERT_TRUE(sim->ready());
  settingsFor(sim->modem1(), 2);
  app::TMainScreen& w = open();
  find<QToolButton>("ReceiveButton")->click();
  ASSERT_TRUE(w.ReceiveMode);
  sim.reset();
  ASSERT_TRUE(waitFor([&] { return !w.ReceiveMode; }, 15000));
  EXPECT_EQ(receiveCaption(), "Receive");
  EXPECT_FALSE(w.FxComPort1.Open());
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(
      messages[0].first.contains(QString::fromUtf8(faxcodes::errorText(faxcodes::ecDeviceLost))))
      << messages[0].first.toStdString();
}

// A data call is not a fax: nothing is filed and no box comes up, but the status line
// says that a call came in and could not be received; the receiver waits for the next
// call once the modem has given up on it.
TEST_F(ReceiveCalls, ADataCallLeavesReceiveModeWaitingAndSaysSo) {
  ModemSim sim({"--speed", "20", "--remote-call", "--scenario", "datacall"});
  ASSERT_TRUE(sim.ready());
  settingsFor(sim.modem1(), 2);
  app::TMainScreen& w = open();
  find<QToolButton>("ReceiveButton")->click();
  ASSERT_TRUE(w.ReceiveMode);
  ASSERT_TRUE(waitFor([&sim] { return logged(sim, "session ended"); }, 90000));
  waitFor([] { return false; }, 2000);
  EXPECT_TRUE(w.ReceiveMode);
  EXPECT_TRUE(w.FxReceiveFax1.InProgress());
  EXPECT_FALSE(w.FaxInProgress);
  EXPECT_TRUE(messages.empty());
  EXPECT_TRUE(receivedFiles().empty());
  EXPECT_EQ(rows("RecFaxGrid"), 0);
  const QString waiting =
      QString::fromUtf8(faxcodes::statusText(faxengine::progress::kWaitingForCall)).trimmed();
  ASSERT_TRUE(waitFor([&w, &waiting] { return w.status->text().startsWith(waiting); }));
  EXPECT_TRUE(w.status->text().contains(QRegularExpression(" [0-2][0-9]:[0-5][0-9]\\b")))
      << w.status->text().toStdString();
  // Closing the program leaves receive mode.
  w.close();
  EXPECT_FALSE(w.FxComPort1.Open());
}

// The window's thread is held up (as by printing a fax) while a call comes in, for longer
// than the engine's questions once waited for it: the call is still taken, stored and
// listed.
TEST_F(ReceiveCalls, ACallThatArrivesWhileTheWindowIsBusyIsTakenAndListed) {
  const std::vector<Picture> sent = {faxengine::test::patternPicture(30, 1)};
  ModemSim sim(
      {"--speed", "20", "--remote-call", "--pages", pagesOf(sent), "--exit-after-calls", "1"});
  ASSERT_TRUE(sim.ready());
  settingsFor(sim.modem1(), 2);
  app::TMainScreen& w = open();
  find<QToolButton>("ReceiveButton")->click();
  ASSERT_TRUE(waitFor(
      [&w] { return w.FxReceiveFax1.ProgressCode() == faxengine::progress::kWaitingForCall; }));
  // Busy from now until the caller's identifier has reached the receiver (which then asks
  // whether to take the call), and 1.5 s more, letting no message run.
  auto callerKnown = [&sim] { return logged(sim, "\"+FTSI:"); };
  bool wasBusy = false;
  QTimer::singleShot(0, &w, [&] {
    for (int i = 0; i < 6000 && !callerKnown(); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    wasBusy = callerKnown();
  });
  ASSERT_TRUE(waitFor([this] { return rows("RecFaxGrid") == 1; }, 60000)) << sim.summary("s");
  EXPECT_TRUE(wasBusy);
  EXPECT_EQ(receivedFiles(), std::vector<std::string>{"FAX0001.BRX"});
  expectPages(app::ReceiveDir() + "/FAX0001.BRX", sent);
  EXPECT_TRUE(messages.empty());
}

// The far end of a pair of modems: a sender of the engine's own, on Com2.
class FarEnd {
 public:
  FarEnd() {
    windows::SetUpModemPort(port_);
    port_.ComNumber = 2;
    fax_.ComPort = &port_;
    fax_.FaxClass = faxengine::TFaxClass::fcClass2;
    fax_.PhoneNumber = "1";
    fax_.OnFaxFinish = [this](faxengine::TFxCustomAbstractFax&, int) { sending_ = false; };
  }
  void send(const std::string& faxFile) {
    fax_.SetFaxFile(faxFile);
    sending_ = true;
    fax_.BeginTransmit();
  }
  bool sending() const { return sending_; }

 private:
  faxengine::TFxComPort port_;
  faxengine::TFxSendFax fax_;
  bool sending_ = false;
};

TEST_F(ReceiveCalls, ACallCutOffMidPageIsReportedAndTheNextCallsAreListed) {
  // The line drops during any first page longer than the short pages of the later calls.
  ModemSim sim({"--mode", "pair", "--modem1", "class2", "--modem2", "class2", "--speed", "20",
                "--scenario", "carrierloss:page=1,after=4000"});
  ASSERT_TRUE(sim.ready());
  settingsFor(sim.modem1(), 2, "", sim.modem2());
  const std::string longFax = dir.path("long.brx"), shortFax = dir.path("short.brx");
  faxengine::test::writeBrx(longFax, {{faxengine::test::patternPicture(300, 1)}});
  faxengine::test::writeBrx(shortFax, {{faxengine::test::patternPicture(20, 2)}});
  app::TMainScreen& w = open();
  find<QToolButton>("ReceiveButton")->click();
  ASSERT_TRUE(w.ReceiveMode);
  FarEnd farEnd;

  farEnd.send(longFax);
  ASSERT_TRUE(waitFor([&] { return !farEnd.sending() && !messages.empty(); }, 90000));
  EXPECT_EQ(messages.size(), 1u);
  EXPECT_FALSE(messages[0].first.contains("Unknown")) << messages[0].first.toStdString();
  EXPECT_TRUE(receivedFiles().empty());
  EXPECT_EQ(rows("RecFaxGrid"), 0);
  EXPECT_TRUE(w.ReceiveMode);

  for (int call = 1; call <= 2; ++call) {
    farEnd.send(shortFax);
    ASSERT_TRUE(waitFor([&] { return !farEnd.sending() && rows("RecFaxGrid") == call; }, 60000))
        << "call " << call + 1;
  }
  EXPECT_EQ(receivedFiles(), (std::vector<std::string>{"FAX0001.BRX", "FAX0002.BRX"}));
  EXPECT_EQ(messages.size(), 1u);
}

}  // namespace
