// The fax components without a call: refusals at the start, property rules, and the
// entries of the fax history.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "fax_pages.h"
#include "faxengine/errors.h"
#include "faxengine/fax_component.h"
#include "pty.h"

using namespace faxengine;

namespace {

int startCode(TFxSendFax& fax) {
  try {
    fax.BeginTransmit();
  } catch (const EFxException& e) {
    return e.code();
  }
  return 0;
}

TEST(FaxComponents, ASessionIsRefusedWithoutASuitablePort) {
  TFxSendFax fax;
  EXPECT_EQ(startCode(fax), ecNoComPort);
  TFxComPort port;
  fax.ComPort = &port;
  port.OutSize = 4096;  // the page pump needs room for two blocks
  EXPECT_EQ(startCode(fax), ecOutputTooSmall);
  port.OutSize = 8192;
  port.DeviceLayer = TDeviceLayer::dlWinsock;
  EXPECT_EQ(startCode(fax), ecNotNetworkCompatible);
  EXPECT_FALSE(fax.InProgress());
}

TEST(FaxComponents, NoFreeTriggerSlotsEndTheSessionWithItsCode) {
  test::Pty pty;
  TFxComPort port;
  port.DevicePath = pty.path();
  port.OutSize = 8192;
  ASSERT_EQ(port.TryOpen(), 0);
  while (port.NewTimerTrigger() > 0) {
  }
  TFxSendFax fax;
  fax.ComPort = &port;
  int error = 0, finish = 1;
  fax.OnFaxError = [&](TFxCustomAbstractFax&, int code) { error = code; };
  fax.OnFaxFinish = [&](TFxCustomAbstractFax&, int code) { finish = code; };
  fax.BeginTransmit();
  EXPECT_EQ(error, ecNoMoreTriggers);
  EXPECT_EQ(finish, ecNoMoreTriggers);
  EXPECT_FALSE(fax.InProgress());
  EXPECT_TRUE(pty.read(1, std::chrono::milliseconds(100)).empty());  // nothing went to the modem
}

TEST(FaxComponents, PropertyRules) {
  TFxSendFax fax;
  EXPECT_EQ(fax.InitString(), "ATE0Q0V1X4S0=0S2=43");
  fax.SetBlindDial(true);
  EXPECT_EQ(fax.InitString(), "ATE0Q0V1X3S0=0S2=43");
  fax.SetDetectBusy(false);
  EXPECT_EQ(fax.InitString(), "ATE0Q0V1X1S0=0S2=43");
  fax.SetModemInit("s7=30");
  EXPECT_EQ(fax.ModemInit(), "ATS7=30");
  TFxReceiveFax rx;
  rx.SetDestinationDir("/tmp/faxes");
  EXPECT_EQ(rx.DestinationDir(), "/tmp/faxes/");
  EXPECT_EQ(rx.TotalPages(), 0);  // no session
}

std::string readText(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

TEST(FaxHistory, EntriesOfASendAReceiveWithNotesAndARefusedCall) {
  FaxLogFacts sent{true, "/tmp/Letter.brx", "555 1234", "REMOTE FAX", 0, 0, ""};
  EXPECT_EQ(faxLogEntry(1, sent, "D T"), "Transmit /tmp/Letter.brx to 555 1234 started at D T\r\n");
  EXPECT_EQ(faxLogEntry(2, sent, "D T"), "Transmit to REMOTE FAX finished OK at D T 0\r\n\r\n");
  // The page coding of the call, when known, is a line of the entry, before its blank line.
  FaxLogFacts coded = sent;
  coded.lineFacts = "MR, ECM off";
  EXPECT_EQ(faxLogEntry(2, coded, "D T"),
            "Transmit to REMOTE FAX finished OK at D T 0\r\n  Coding MR, ECM off\r\n\r\n");
  sent.errorCode = ecFaxBusy;
  sent.hangupCode = 52;
  EXPECT_EQ(faxLogEntry(3, sent, "D T"),
            "Transmit failed at D T\r\n  (Called fax number was busy) 52\r\n\r\n");
  EXPECT_EQ(faxLogEntry(5, sent, "D T"), "");  // a receiver's code for a sender
  FaxLogFacts received{false, "FAX0001.BRX", "", "555 1234", 0, ecFaxSessionError, ""};
  received.notes = "Page 2 arrived damaged.\nThe call was cut off.";
  EXPECT_EQ(faxLogEntry(5, received, "D T"),
            "Receive finished OK at D T\r\n  Page 2 arrived damaged.\r\n  The call was cut off.\r\n"
            "\r\n");
  EXPECT_EQ(faxLogEntry(6, received, "D T"), "Receive skipped at D T\r\n\r\n");
  EXPECT_EQ(faxLogEntry(7, received, "D T"),
            "Receive failed at D T\r\n  (Fax failed in mid-session)\r\n\r\n");

  // The log appends to its file; without a name it touches nothing.
  test::TempDir dir;
  TFxSendFax fax;
  TFxFaxLog log;
  fax.SetFaxLog(&log);
  log.FaxHistoryName = dir.path("history.his");
  log.UpdateLog(lfaxTransmitStart);
  log.UpdateLog(lfaxTransmitStart);
  std::string text = readText(log.FaxHistoryName);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2);
  log.FaxHistoryName.clear();
  log.UpdateLog(lfaxTransmitStart);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.dir()), {}), 1);
}

}  // namespace
