// Whole Class 1 calls with error correction against the independent fax terminal
// (faxpeer with --ecm on), in both directions, MH and MMR pages (the far end chooses the
// coding when it sends, from what we offer), on a clean line and with a noise burst in
// the middle of the page data: the damaged frames are asked for again (PPR) and the pages
// arrive intact, never rejected (RTN). Pages are compared row for row after decoding.
// Real-time: run serially.
#include <gtest/gtest.h>

#include <filesystem>

#include "call_loop.h"
#include "fax_pages.h"
#include "fax_peer.h"
#include "faxengine/errors.h"

using namespace faxengine;
using namespace faxengine::test;

namespace {

struct EcmCall {
  const char* name;
  bool weSend;
  const char* codings;  // what the far end has (--compression)
  const char* chosen;   // how the far end's log names the coding the call uses
  const char* burst;    // line time after the call connects : length, both in ms; "" none
};

void PrintTo(const EcmCall& c, std::ostream* os) { *os << c.name; }

// How often the far end's log shows a frame ("Tx:  PPR": the PPRs it sent).
int frames(const std::string& log, const std::string& what) {
  int n = 0;
  for (std::size_t at = log.find(what); at != std::string::npos; at = log.find(what, at + 1)) ++n;
  return n;
}

class EcmCalls : public ::testing::TestWithParam<EcmCall> {
 protected:
  TempDir dir_;
};

TEST_P(EcmCalls, PagesArriveIntactWithErrorCorrection) {
  if (!havePeer()) GTEST_SKIP() << "faxpeer is not built";
  const EcmCall& c = GetParam();
  std::vector<std::string> options = {"--ecm", "on", "-v", "--compression", c.codings};
  if (*c.burst) options.insert(options.end(), {"--burst", c.burst});
  std::string brx = dir_.path("out.brx"), tif = dir_.path("fax.tif"), rx = dir_.path("rx");
  std::vector<TestPage> sent = pages(2, true, 400);
  Picture a = patternPicture(200, 5), b = patternPicture(100, 6);
  if (c.weSend) {
    writeBrx(brx, sent);
    options.insert(options.end(), {"--rx", tif, "--speed", "2"});
  } else {
    writeTiff(tif, {a, b}, dir_);
    std::filesystem::create_directory(rx);
    options.insert(options.end(),
                   {"--call", "--tx", tif, "--speed", "1", "--ring-period-ms", "3000"});
  }
  FaxPeer peer(options);
  ASSERT_TRUE(peer.ready());
  SendResult r;
  auto call = [&](auto& fax) {
    fax.FaxClass = TFaxClass::fcClass1;
    fax.DesiredBPS = 14400;
    fax.DesiredECM = true;
    ASSERT_TRUE(runSession(fax, peer.pty(), r));
  };
  if (c.weSend) {
    TFxSendFax fax;
    fax.PhoneNumber = "5551234";
    fax.SetFaxFile(brx);
    call(fax);
  } else {
    TFxReceiveFax fax;
    fax.SetDestinationDir(rx);
    fax.OneFax = true;
    call(fax);
  }
  ASSERT_TRUE(peer.finish(30)) << "no RESULT line";
  std::string log = peer.log();
  EXPECT_EQ(r.finish, 0) << errorText(r.finish);
  EXPECT_TRUE(peer.result().starts_with("RESULT OK")) << peer.result() << "\n" << log;
  EXPECT_EQ(peer.field("ecm"), "on");
  EXPECT_EQ(peer.field("pages"), "2");
  EXPECT_GT(frames(log, std::string("Selected compression ") + c.chosen), 0);
  for (int p = 1; p <= 2; ++p) {
    if (c.weSend)  // below the 8 white lines that start every page
      EXPECT_TRUE(rowsMatch(tiffPage(tif, p, dir_), 8, sent[std::size_t(p - 1)].rows)) << p;
    else
      EXPECT_TRUE(rowsMatch(brxPageRows(rx + "/FAX0001.BRX", p), 0, tiffPage(tif, p, dir_))) << p;
  }
  // The receiver's answers: in the far end's log "Tx" when it receives, "Rx" when we do.
  const std::string receiver = c.weSend ? "Tx:  " : "Rx:  ";
  EXPECT_EQ(frames(log, receiver + "RTN"), 0);
  if (*c.burst) {
    EXPECT_GT(frames(log, receiver + "PPR"), 0) << "the burst missed the page data";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Class1, EcmCalls,
    ::testing::Values(EcmCall{"SendMh", true, "mh", "T.4 1-D", ""},
                      EcmCall{"SendMmr", true, "mh,mr,mmr", "T.6", ""},
                      EcmCall{"SendMhThroughNoise", true, "mh", "T.4 1-D", "14000:300"},
                      EcmCall{"ReceiveMh", false, "mh", "T.4 1-D", ""},
                      EcmCall{"ReceiveMmr", false, "mh,mr,mmr", "T.6", ""},
                      EcmCall{"ReceiveMhThroughNoise", false, "mh", "T.4 1-D", "12000:300"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
