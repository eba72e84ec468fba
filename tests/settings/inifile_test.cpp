// Profile-file rules: lookup, number parsing, damaged input and safe writing.
#include "settings/inifile.h"
#include "support/failat.h"
#include "support/programdir.h"

#include <gtest/gtest.h>
#include <filesystem>

using settings::IniFile;

namespace {

IniFile parsed(const std::string& text) {
  IniFile ini;
  ini.parse(text);
  return ini;
}

}  // namespace

TEST(IniFileRead, NamesMatchWithoutCaseAndTheFirstDuplicateWins) {
  const IniFile ini =
      parsed("[Modem]\nComPort=2\ncomport=5\n[MODEM]\nComPort=4\n[dialing]\n RetryWait = 30 \n");
  EXPECT_EQ(ini.readInteger("modem", "COMPORT", -1), 2);
  EXPECT_EQ(ini.readInteger("Dialing", "RetryWait", 60), 30);
}

TEST(IniFileRead, KeysOfOneSectionAreNotFoundInAnother) {
  const IniFile ini = parsed("[A]\nX=1\n[B]\nY=2\n");
  EXPECT_EQ(ini.readInteger("B", "X", 7), 7);
  EXPECT_FALSE(ini.hasKey("A", "Y"));
  EXPECT_EQ(ini.readString("C", "X", "d"), "d");
}

TEST(IniFileRead, IntegersAreDecimalOrLongerHexAndOtherwiseTheDefault) {
  const IniFile ini = parsed(
      "[S]\nhex=0x10\nHEX=0XfF\nshort=0x\nbad=abc\nmixed=12abc\nneg=-7\n"
      "empty=\nbig=99999999999\nbadhex=0x1g\n");
  EXPECT_EQ(ini.readInteger("S", "hex", 3), 16);
  EXPECT_EQ(ini.readInteger("S", "short", 3), 3);
  EXPECT_EQ(ini.readInteger("S", "bad", 3), 3);
  EXPECT_EQ(ini.readInteger("S", "mixed", 3), 3);
  EXPECT_EQ(ini.readInteger("S", "neg", 3), -7);
  EXPECT_EQ(ini.readInteger("S", "empty", 3), 3);
  EXPECT_EQ(ini.readInteger("S", "big", 3), 3);
  EXPECT_EQ(ini.readInteger("S", "badhex", 3), 3);
  EXPECT_EQ(parsed("[S]\nv=0XfF\n").readInteger("S", "v", 0), 255);
}

TEST(IniFileRead, BooleansAreAnyNonZeroInteger) {
  const IniFile ini = parsed("[S]\nfive=5\nzero=0\nword=yes\n");
  EXPECT_TRUE(ini.readBool("S", "five", false));
  EXPECT_FALSE(ini.readBool("S", "zero", true));
  EXPECT_TRUE(ini.readBool("S", "word", true));
  EXPECT_FALSE(ini.readBool("S", "word", false));
}

TEST(IniFileRead, TextComesBackTrimmedUnquotedAndAtMost1023Characters) {
  const std::string longValue(5000, 'x');
  const IniFile ini = parsed("[S]\nq=\"  spaced  \"\nlong=" + longValue + "\n");
  EXPECT_EQ(ini.readString("S", "q", ""), "  spaced  ");
  EXPECT_EQ(ini.readString("S", "long", "").size(), 1023u);
}

TEST(IniFileRead, DamagedTextLoadsWhatCanBeRead) {
  std::string junk = "garbage line\r\n=novalue\r\n[unterminated\r\n";
  junk += std::string("\x00\xff\x01[S]\x02", 7) + "\r\n";
  junk += "[S]\r\nA=1\r\n" + std::string(100000, '[') + "\r\n";
  junk += "B=2";  // no final line end
  const IniFile ini = parsed(junk);
  EXPECT_EQ(ini.readInteger("S", "A", 0), 1);
  EXPECT_EQ(ini.readInteger("S", "B", 0), 2);
}

TEST(IniFileWrite, ChangesKeepOtherLinesAndAppendToTheRightSection) {
  IniFile ini = parsed("; comment\n[A]\nx=1\n\n[B]\ny=2\n");
  ini.writeInteger("A", "z", 3);
  ini.writeString("a", "X", "9");
  ini.writeBool("C", "on", true);
  EXPECT_EQ(ini.text(), "; comment\r\n[A]\r\nx=9\r\nz=3\r\n\r\n[B]\r\ny=2\r\n[C]\r\non=1\r\n");
}

TEST(IniFileWrite, ValuesWithLineBreaksStayOnOneLine) {
  IniFile ini;
  ini.writeString("S", "v", "AT\r\n[Evil]\r\nk=1");
  IniFile back = parsed(ini.text());
  EXPECT_FALSE(back.hasKey("Evil", "k"));
  EXPECT_EQ(back.readString("S", "v", ""), "AT  [Evil]  k=1");
}

TEST(IniFileWrite, AFailedWriteReportsTheFileAndKeepsTheOldOne) {
  testutil::ProgramDirFixture dir;
  dir.write("BDL.INI", "[S]\nv=old\n");
  IniFile ini(dir.path("BDL.INI"));
  ini.load();
  ini.writeString("S", "v", "new");
  testutil::FailAt diskFull(1, base::FaultInjector::Action::DiskFull);
  try {
    ini.save();
    FAIL() << "save succeeded";
  } catch (const settings::IniWriteError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + dir.path("BDL.INI"));
  }
  EXPECT_EQ(dir.read("BDL.INI"), "[S]\nv=old\n");
}

TEST(IniFileWrite, SaveThenLoadRoundTrips) {
  testutil::ProgramDirFixture dir;
  IniFile ini(dir.path("x.ini"));
  ini.writeString("S", "text", "a=b;c");
  ini.writeInteger("S", "n", -42);
  ini.save();
  IniFile back(dir.path("x.ini"));
  back.load();
  EXPECT_EQ(back.readString("S", "text", ""), "a=b;c");
  EXPECT_EQ(back.readInteger("S", "n", 0), -42);
  for (const auto& entry : std::filesystem::directory_iterator(dir.dir.path()))
    EXPECT_EQ(entry.path().filename(), "x.ini");  // no temporary file is left
}
