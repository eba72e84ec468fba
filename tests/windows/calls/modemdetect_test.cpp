// The modem search and the fax-class probe, opened from the send dialog, against
// simulated modems on some of the six ports.
#include "calls_fixture.h"
#include "ui/radiogroup.h"
#include "windows/checkfaxclass.h"
#include "windows/findmodem.h"
#include "windows/sendfax.h"

#include <QLabel>
#include <QPushButton>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

using testutil::whenModal;
using windows::TCheckFaxClassForm;
using windows::TFindModemForm;
using windows::TSendFaxForm;

// Holds a device open and locked, as another program would.
class HeldPort {
 public:
  explicit HeldPort(const std::string& path) : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY)) {
    if (fd_ >= 0) ::flock(fd_, LOCK_EX | LOCK_NB);
  }
  ~HeldPort() {
    if (fd_ >= 0) ::close(fd_);
  }

 private:
  int fd_;
};

struct SearchSeen {
  QStringList lines;
  QString summary, caption;
  bool okShown = false;
};

class ModemSearch : public testutil::CallsTest {
 protected:
  // Runs Find Modem from a send dialog set to Com1 and records what the window showed.
  SearchSeen search(TSendFaxForm& dialog) {
    SearchSeen seen;
    whenModal<TFindModemForm>([](TFindModemForm& w) { return w.OkButton->isVisible(); },
                              [&seen](TFindModemForm& w) {
                                for (QLabel* l : w.Lines) seen.lines << l->text();
                                seen.summary = w.Label7->text();
                                seen.caption = w.windowTitle();
                                seen.okShown = w.OkButton->isVisible();
                                w.OkButton->click();
                              });
    dialog.FindModemButtonClick();
    return seen;
  }
};

TEST_F(ModemSearch, TheFirstAnsweringPortIsSuggestedAndEveryPortReported) {
  faxengine::test::ModemSim sim({"--mode", "pair", "--speed", "10"});
  ASSERT_TRUE(sim.ready());
  mapCom(2, sim.modem1());
  mapCom(4, sim.modem2());
  TSendFaxForm dialog;
  dialog.ComPort->SetItemIndex(0);
  const SearchSeen seen = search(dialog);
  EXPECT_EQ(seen.lines, (QStringList{"Com 1: Port does not exist", "Com 2: MODEM",
                                     "Com 3: Port does not exist", "Com 4: MODEM",
                                     "Com 5: Port does not exist", "Com 6: Port does not exist"}));
  EXPECT_EQ(seen.summary, "A modem was found on Com Port 2. We suggest setting the Port as Com 2.");
  EXPECT_EQ(seen.caption, "Find Modem");
  EXPECT_TRUE(seen.okShown);
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages.back(), std::make_pair(QString("Set Com Port to Com 2"), QString("Com Port")));
  EXPECT_EQ(dialog.ComPort->ItemIndex(), 1);
  EXPECT_FALSE(dialog.FxComPort1.Open());
}

TEST_F(ModemSearch, APortHeldByAnotherProgramGivesTheLongerAdvice) {
  faxengine::test::ModemSim sim({"--speed", "10"});
  ASSERT_TRUE(sim.ready());
  mapCom(3, sim.modem1());
  HeldPort held(sim.modem1());
  TSendFaxForm dialog;
  const SearchSeen seen = search(dialog);
  EXPECT_EQ(seen.lines[2], "Com 3: Port is already open (could be modem)");
  EXPECT_EQ(seen.summary,
            "No modem found. Please make sure that all communication programs (internet, AOL, "
            "etc) are closed, and then try again. If you know which Com port your modem uses, "
            "you can also just set the Port to that setting");
  EXPECT_TRUE(messages.empty());  // nothing to suggest
  EXPECT_EQ(dialog.ComPort->ItemIndex(), 0);
}

struct ProbeSeen {
  QStringList lines;
  QString status;
  bool class20Bold = false;
  int index = -2;
};

class ClassProbe : public testutil::CallsTest,
                   public ::testing::WithParamInterface<std::pair<const char*, int>> {
 protected:
  ProbeSeen probe(TSendFaxForm& dialog) {
    ProbeSeen seen;
    whenModal<TCheckFaxClassForm>([](TCheckFaxClassForm& w) { return w.OkButton->isVisible(); },
                                  [&seen](TCheckFaxClassForm& w) {
                                    seen.lines << w.Label1->text() << w.Label2->text()
                                               << w.Label3->text();
                                    seen.status = w.Status->text();
                                    seen.class20Bold = w.Label3->font().bold();
                                    seen.index = w.ClassIndex();
                                    w.OkButton->click();
                                  });
    dialog.CheckFaxClassButtonClick();
    return seen;
  }
};

TEST_P(ClassProbe, RecommendsTheFirstSupportedClass) {
  const auto [kind, want] = GetParam();
  faxengine::test::ModemSim sim({"--speed", "10", "--modem1", kind});
  ASSERT_TRUE(sim.ready());
  mapCom(5, sim.modem1());
  TSendFaxForm dialog;
  dialog.ComPort->SetItemIndex(4);
  dialog.sfFaxClass->SetItemIndex(0);
  const ProbeSeen seen = probe(dialog);
  EXPECT_EQ(seen.index, want);
  EXPECT_FALSE(dialog.FxComPort1.Open());
  const QStringList lines[] = {
      {"Class 1   : Supported (recommended)", "Class 2   : Supported", "Class 2.0 : Supported"},
      {"Class 1   : Not Supported", "Class 2   : Supported (recommended)", "Class 2.0 : Supported"},
      {"Class 1   : Not Supported", "Class 2   : Not Supported", "Class 2.0 : Supported"},
      {"Class 1   : unknown", "Class 2   : unknown", "Class 2.0 : unknown"}};
  EXPECT_EQ(seen.lines, lines[want >= 0 ? want : 3]);
  EXPECT_EQ(seen.class20Bold, want == 2);  // class 2.0 is marked in bold, not by a suffix
  if (want == 0)
    EXPECT_EQ(seen.status,
              "Try using the recommended Fax Class (Class 1) or auto detect. If you experience "
              "problems, try another supported class.\n\n(note: US Robotics users should read "
              "the help section on troubleshooting)");
  if (want < 0) EXPECT_EQ(seen.status, "Unable to determine Fax Class support from modem on Com 5");
  // Found a class other than "auto detect": the user is asked and says yes.
  if (want >= 0) {
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back().second, "Fax Class");
    EXPECT_EQ(dialog.sfFaxClass->ItemIndex(), want + 1);
  } else {
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(dialog.sfFaxClass->ItemIndex(), 0);
  }
}

std::string modemName(const ::testing::TestParamInfo<std::pair<const char*, int>>& info) {
  const char* const names[] = {"NoClass", "AllClasses", "Class2And20", "Class20Only"};
  return names[info.param.second + 1];
}
INSTANTIATE_TEST_SUITE_P(Kinds, ClassProbe,
                         ::testing::Values(std::make_pair("multi", 0),
                                           std::make_pair("class2-v29", 1),
                                           std::make_pair("class20", 2),
                                           std::make_pair("multi:classes=0", -1)),
                         modemName);

TEST_F(ClassProbe, APortThatDoesNotOpenLeavesEveryClassUnknown) {
  TSendFaxForm dialog;
  dialog.ComPort->SetItemIndex(1);
  const ProbeSeen seen = probe(dialog);
  EXPECT_EQ(seen.index, -1);
  EXPECT_TRUE(seen.status.startsWith("Unable to open the specified communications port ( Com2 )\n"))
      << seen.status.toStdString();
  EXPECT_TRUE(seen.status.contains("Com2 stands for ")) << seen.status.toStdString();
  EXPECT_EQ(seen.lines[0], "Class 1   : unknown");
}

}  // namespace
