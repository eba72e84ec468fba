// The settings record against its file: defaults, receive keys that follow send keys,
// the written order, and files from earlier versions or damaged by hand.
#include "settings/appsettings.h"
#include "support/programdir.h"

#include <gtest/gtest.h>

using settings::AppSettings;
using settings::AppSettingsRecord;

namespace {

// Every key with its default, in the order the program writes a fresh file.
const char* const kFreshFile =
    "[Receive]\r\nWav=\r\nAtStartup=0\r\nAnswerOnRing=1\r\nECMReceive=0\r\nPrintOnReceipt=0\r\n"
    "PrintOnReceiptPrinter=Default Windows Printer\r\nSavePdf=0\r\nSavePdfFolder=\r\n"
    "[User]\r\nFax=\r\nName=\r\nPrefixDisable=0\r\n"
    "[Dialing]\r\nDialPrefix=\r\nDialAttempts=3\r\nRetryWait=60\r\nBlindDial=0\r\nIgnoreBusy=0\r\n"
    "ToneOrPulse=0\r\nTimeout=60\r\nECM=0\r\n"
    "[Modem]\r\nInitString=\r\nComPort=-1\r\nFaxClass=0\r\nInitStringReceive=\r\nFaxClassReceive="
    "0\r\n"
    "MaximumBPSReceive=9600\r\nMaximumBPS=9600\r\n"
    "[Default Font]\r\nName=Arial\r\nSize=10\r\nBold=0\r\nItalic=0\r\nUnderline=0\r\n"
    "[Resetting]\r\nString=\r\nAfterString=\r\n"
    "[Hints]\r\nOn=1\r\n"
    "[Ports]\r\nCom1=/dev/ttyS0\r\nCom2=/dev/ttyS1\r\nCom3=/dev/ttyACM0\r\nCom4=/dev/ttyACM1\r\n"
    "Com5=/dev/ttyUSB0\r\nCom6=/dev/ttyUSB1\r\n"
    "[Version]\r\nVersion=2.8d\r\n";

class SettingsTest : public ::testing::Test {
 protected:
  testutil::ProgramDirFixture dir;
  AppSettingsRecord load(const std::string& text) {
    dir.write("BDL.INI", text);
    settings::LoadSettings();
    return AppSettings;
  }
};

}  // namespace

TEST_F(SettingsTest, MissingFileGivesTheDefaults) {
  settings::LoadSettings();
  EXPECT_EQ(AppSettings.ComPort, -1);
  EXPECT_EQ(AppSettings.PrintOnReceiptPrinter, "Default Windows Printer");
  EXPECT_EQ(AppSettings.FontName, "Arial");
  EXPECT_EQ(AppSettings.FontSize, 10);
  EXPECT_EQ(AppSettings.DialAttempts, 3);
  EXPECT_EQ(AppSettings.MaximumBPSReceive, 9600);
  EXPECT_TRUE(AppSettings.HintsOn);
  EXPECT_EQ(AppSettings.ComDevices[4], "/dev/ttyUSB0");
}

TEST_F(SettingsTest, SavingDefaultsWritesEveryKeyInOrderThenTheVersion) {
  settings::LoadSettings();
  settings::SaveSettings();
  EXPECT_EQ(dir.read("BDL.INI"), kFreshFile);
}

TEST_F(SettingsTest, ReceiveKeysDefaultToTheirSendKeys) {
  const auto s = load("[Modem]\nFaxClass=2\nInitString=ATX3\nMaximumBPS=14400\n[Dialing]\nECM=1\n");
  EXPECT_EQ(s.FaxClassReceive, 2);
  EXPECT_EQ(s.InitStringReceive, "ATX3");
  EXPECT_TRUE(s.ECMReceive);
  // The send rate is stored after the receive rate, yet it is still the receive default.
  EXPECT_EQ(s.MaximumBPSReceive, 14400);
}

TEST_F(SettingsTest, StoredReceiveKeysWinOverTheirSendKeys) {
  const auto s =
      load("[Modem]\nFaxClass=2\nFaxClassReceive=1\nMaximumBPS=14400\nMaximumBPSReceive=4800\n");
  EXPECT_EQ(s.FaxClassReceive, 1);
  EXPECT_EQ(s.MaximumBPSReceive, 4800);
}

TEST_F(SettingsTest, HandWrittenValuesFollowTheReadingRules) {
  const auto s = load("[Dialing]\nDialAttempts=0x10\nRetryWait=abc\n[Receive]\nAtStartup=5\n");
  EXPECT_EQ(s.DialAttempts, 16);
  EXPECT_EQ(s.RetryWait, 60);
  EXPECT_TRUE(s.ReceiveAtStartup);
}

TEST_F(SettingsTest, EveryValueRoundTrips) {
  AppSettingsRecord s;
  s.ReceiveWav = "/tmp/ding.wav";
  s.ReceiveAtStartup = true;
  s.AnswerOnRing = 4;
  s.UserFax = "+1 555 0100";
  s.UserName = "Ann O'Neil";
  s.DialPrefix = "9,";
  s.ComPort = 5;
  s.FaxClass = 3;
  s.FaxClassReceive = 1;
  s.ECM = true;
  s.ECMReceive = false;
  s.MaximumBPS = 14400;
  s.MaximumBPSReceive = 2400;
  s.FontName = "Liberation Serif";
  s.FontBold = true;
  s.HintsOn = false;
  s.ComDevices[0] = "/dev/pts/7";
  settings::SaveSettingsTo(dir.path("BDL.INI"), s);
  const AppSettingsRecord back = settings::LoadSettingsFrom(dir.path("BDL.INI"));
  EXPECT_EQ(back.ReceiveWav, s.ReceiveWav);
  EXPECT_EQ(back.ReceiveAtStartup, true);
  EXPECT_EQ(back.AnswerOnRing, 4);
  EXPECT_EQ(back.UserName, s.UserName);
  EXPECT_EQ(back.DialPrefix, "9,");
  EXPECT_EQ(back.ComPort, 5);
  EXPECT_EQ(back.FaxClass, 3);
  EXPECT_EQ(back.FaxClassReceive, 1);
  EXPECT_TRUE(back.ECM);
  EXPECT_FALSE(back.ECMReceive);
  EXPECT_EQ(back.MaximumBPS, 14400);
  EXPECT_EQ(back.MaximumBPSReceive, 2400);
  EXPECT_EQ(back.FontName, "Liberation Serif");
  EXPECT_TRUE(back.FontBold);
  EXPECT_FALSE(back.HintsOn);
  EXPECT_EQ(back.ComDevices[0], "/dev/pts/7");
}

TEST_F(SettingsTest, SavingKeepsForeignSectionsAndUpdatesInPlace) {
  dir.write("BDL.INI", "[Printing]\r\nMultiPage=1\r\n[Modem]\r\nComPort=2\r\n");
  settings::LoadSettings();
  AppSettings.ComPort = 3;
  settings::SaveSettings();
  const std::string text = dir.read("BDL.INI");
  EXPECT_EQ(text.rfind("[Printing]\r\nMultiPage=1\r\n[Modem]\r\nComPort=3\r\n", 0), 0u) << text;
  EXPECT_EQ(text.find("ComPort=2"), std::string::npos);
}

TEST_F(SettingsTest, DamagedFileLoadsWithDefaultsForWhatCannotBeRead) {
  std::string text =
      std::string("\xff\xfe\x00\x01", 4) + "\n[Modem\nComPort=1\n[Modem]\nComPort=2\r\n";
  text += "[Modem]\nComPort=4\n" + std::string(200000, 'z') +
          "\n[User]\nName=" + std::string(3000, 'n');
  const auto s = load(text);
  EXPECT_EQ(s.ComPort, 2);
  EXPECT_EQ(s.UserName.size(), 1023u);
  EXPECT_EQ(s.DialAttempts, 3);
}

TEST_F(SettingsTest, ProgramDirAlwaysEndsInASlash) {
  settings::SetProgramDir("/some/where");
  EXPECT_EQ(settings::ProgramDir(), "/some/where/");
  EXPECT_EQ(settings::SettingsFilePath(), "/some/where/BDL.INI");
  settings::SetProgramDir("/some/where/");
  EXPECT_EQ(settings::ProgramDir(), "/some/where/");
}
