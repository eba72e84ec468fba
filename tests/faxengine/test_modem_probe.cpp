// Commands outside a call: SendAndWait's answers, the fax-class probe and the init strings.
#include <gtest/gtest.h>

#include <deque>

#include "faxengine/class1_probe.h"
#include "faxengine/modem_probe.h"

using namespace faxengine;

namespace {

// A modem that answers each command with the next group of lines (none: silence).
class ScriptedChannel : public CommandChannel {
 public:
  std::deque<std::vector<std::string>> answers;
  std::vector<std::string> written;
  std::deque<std::string> waiting;
  int lineDrops = 0;

  bool write(std::string_view bytes) override {
    written.emplace_back(bytes);
    if (!answers.empty()) {
      for (auto& l : answers.front()) waiting.push_back(l);
      answers.pop_front();
    }
    return true;
  }
  std::optional<std::string> readLine(Ticks) override {
    if (waiting.empty()) return std::nullopt;
    std::string l = waiting.front();
    waiting.pop_front();
    return l;
  }
  void flushInput() override { waiting.clear(); }
  void setDtrRts(bool on) override { lineDrops += on ? 0 : 1; }
  void pause(int) override {}
};

TEST(ModemProbe, SendAndWaitReadsTheAnswer) {
  ScriptedChannel ch;
  ch.answers = {{"ATZ", "OK"}, {"ERROR"}, {"0,1,2", "OK"}, {"0,1,2"}, {}};
  EXPECT_TRUE(sendAndWait(ch, "ATZ"));  // the echo is skipped
  EXPECT_FALSE(sendAndWait(ch, "AT+FOO"));
  EXPECT_TRUE(sendAndWait(ch, "AT+FCLASS=?"));
  EXPECT_FALSE(sendAndWait(ch, "AT+FCLASS=?"));  // an answer without its OK
  EXPECT_FALSE(sendAndWait(ch, "AT"));           // silence
  EXPECT_EQ(ch.written.front(), "ATZ\r");
  // Control characters never reach the modem: a CR would end the command early.
  sendAndWait(ch, "ATDT555\r1234");
  EXPECT_EQ(ch.written.back(), "ATDT5551234\r");
}

TEST(ModemProbe, ClassesFromTheModemsAnswer) {
  EXPECT_EQ(parseFaxClasses("0,1,2,2.0"), (TFaxClassSet{true, true, true}));
  EXPECT_EQ(parseFaxClasses("+FCLASS: 0,2.0"), (TFaxClassSet{false, false, true}));
  EXPECT_EQ(parseFaxClasses("0,2"), (TFaxClassSet{false, true, false}));
  EXPECT_EQ(parseFaxClasses("0,1"), (TFaxClassSet{true, false, false}));
  EXPECT_EQ(bestClass({true, true, false}), TFaxClass::fcClass2);
  EXPECT_EQ(bestClass({}), TFaxClass::fcUnknown);

  ScriptedChannel ch;
  ch.answers = {{}, {"OK"}, {"0,1,2,2.0", "OK"}};  // the first init goes unanswered
  EXPECT_EQ(detectFaxClasses(ch, "ATE0Q0V1X4S0=0S2=43"), (TFaxClassSet{true, true, true}));
  EXPECT_EQ(ch.lineDrops, 2);
  EXPECT_EQ(ch.written.back(), "AT+FCLASS=?\r");
}

TEST(ModemProbe, Class1ModulationsGiveTheRatesAndTheHighestIsTaken) {
  ScriptedChannel ch;
  ch.answers = {{"OK"}, {"24,48,72,96", "OK"}, {"ERROR"}};
  ProtocolRecord p;
  p.desiredBps = 4800;
  EXPECT_TRUE(class1::detectModulations(ch, false, p));
  EXPECT_EQ(ch.written.back(), "AT+FRM=?\r");
  EXPECT_FALSE(p.localRates[5]);
  EXPECT_EQ(p.modulation, "96");
  class1::limitReceiveRate(p);  // a receiver offers no more than it was asked to
  EXPECT_EQ(p.modulation, "48");
  EXPECT_FALSE(class1::detectModulations(ch, true, p));  // no Class 1 in this modem
}

TEST(ModemProbe, InitStrings) {
  EXPECT_EQ(builtInInitString(false, true), "ATE0Q0V1X4S0=0S2=43");
  EXPECT_EQ(builtInInitString(true, true), "ATE0Q0V1X3S0=0S2=43");
  EXPECT_EQ(builtInInitString(false, false), "ATE0Q0V1X2S0=0S2=43");
  EXPECT_EQ(builtInInitString(true, false), "ATE0Q0V1X1S0=0S2=43");
  EXPECT_EQ(normalizeModemInit("s7=30"), "ATS7=30");
  EXPECT_EQ(normalizeModemInit("at&f"), "AT&F");
  EXPECT_EQ(normalizeModemInit(""), "");
}

}  // namespace
