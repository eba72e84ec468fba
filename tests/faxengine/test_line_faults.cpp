// Class 1 calls over a faulty line: the independent fax peer damages a chosen frame of the
// far end (its modem reports ERROR for it) or puts noise on the line for a while. Each
// row is one call; every fault must be ridden out with the pages intact at the other end
// and both ends reporting success. Real time (the peer's line runs at most twice as fast).
#include <gtest/gtest.h>

#include <filesystem>

#include "call_loop.h"
#include "fax_pages.h"
#include "fax_peer.h"
#include "faxengine/errors.h"
#include "faxengine/response_line.h"

using namespace faxengine;
using namespace faxengine::test;

namespace {

struct LineFault {
  const char* name;
  bool weSend;  // we call and send; otherwise the peer calls and we receive
  int pages;
  const char* garble;  // the peer's --garble list, or ""
  const char* burst;   // the peer's --burst START_MS:LENGTH_MS, or ""
  const char* speed;
};

constexpr const char* kOurId = "+49 30 1234 77";

void PrintTo(const LineFault& c, std::ostream* os) { *os << c.name; }

std::vector<std::string> peerOptions(const LineFault& c, std::vector<std::string> more) {
  more.insert(more.end(), {"--speed", c.speed});
  if (*c.garble) more.insert(more.end(), {"--garble", c.garble});
  if (*c.burst) more.insert(more.end(), {"--burst", c.burst});
  return more;
}

class LineFaults : public ::testing::TestWithParam<LineFault> {
 protected:
  TempDir dir_;
};

TEST_P(LineFaults, TheFaxArrivesWholeAndBothEndsReportSuccess) {
  if (!havePeer()) GTEST_SKIP() << "faxpeer is not built";
  const LineFault& c = GetParam();
  std::string tif = dir_.path(c.weSend ? "in.tif" : "out.tif");
  std::vector<TestPage> sent = pages(c.pages, false, 40);
  std::unique_ptr<FaxPeer> peer;
  SendResult r;
  std::string rx = dir_.path("rx");
  if (c.weSend) {
    std::string file = dir_.path("out.brx");
    writeBrx(file, sent);
    peer = std::make_unique<FaxPeer>(peerOptions(c, {"--rx", tif}));
    ASSERT_TRUE(peer->ready());
    TFxSendFax fax;
    class1Sender(fax, file);
    fax.StationID = kOurId;
    fax.HeaderLine = "FROM $I PAGE $P OF $N";
    ASSERT_TRUE(runSession(fax, peer->pty(), r));
  } else {
    std::vector<Picture> pictures;
    for (const TestPage& p : sent) pictures.push_back(p.rows);
    writeTiff(tif, pictures, dir_);
    peer = std::make_unique<FaxPeer>(
        peerOptions(c, {"--call", "--tx", tif, "--ring-period-ms", "3000"}));
    ASSERT_TRUE(peer->ready());
    std::filesystem::create_directory(rx);
    TFxReceiveFax fax;
    class1Receiver(fax, rx);
    ASSERT_TRUE(runSession(fax, peer->pty(), r));
  }
  ASSERT_TRUE(peer->finish(30)) << "no RESULT line";
  EXPECT_EQ(r.finish, 0) << errorText(r.finish);
  EXPECT_TRUE(peer->result().starts_with("RESULT OK")) << peer->result() << "\n" << peer->log();
  // The peer notes every wait for a frame we stopped to repeat a command: the rules ask
  // for that. Nothing else may be noted.
  EXPECT_TRUE(peer->note().empty() || contains(peer->note(), "dte_overlong_hdlc_frames=0 "))
      << peer->note();
  if (*c.garble) {
    EXPECT_EQ(peer->field("garbled"), "1") << "the fault never happened";
  }
  EXPECT_EQ(peer->field("pages"), std::to_string(c.pages));
  // Each end shows the other's id exactly as it was typed.
  EXPECT_EQ(r.remote, "+1 555 0100");
  EXPECT_EQ(peer->field("remote"), c.weSend ? kOurId : "Brindle RX");
  for (int p = 1; p <= c.pages; ++p) {
    if (c.weSend)  // below the header line
      EXPECT_TRUE(rowsMatch(tiffPage(tif, p, dir_), 16, sent[std::size_t(p - 1)].rows)) << p;
    else
      EXPECT_TRUE(rowsMatch(brxPageRows(rx + "/FAX0001.BRX", p), 0, tiffPage(tif, p, dir_))) << p;
  }
}

INSTANTIATE_TEST_SUITE_P(Class1, LineFaults,
                         ::testing::Values(
                             // Sending: the far end's frames arrive damaged.
                             LineFault{"DamagedDis", true, 1, "DIS:1", "", "2"},
                             LineFault{"DamagedCfr", true, 1, "CFR:1", "", "2"},
                             LineFault{"DamagedMcfAfterMps", true, 2, "MCF:1", "", "2"},
                             LineFault{"DamagedMcfAfterEop", true, 1, "MCF:1", "", "2"},
                             // Receiving: the caller's commands arrive damaged.
                             LineFault{"DamagedDcs", false, 1, "DCS:1", "", "2"},
                             LineFault{"DamagedEop", false, 1, "EOP:1", "", "2"},
                             // Noise from just after page 1 until after its MPS: the caller hears
                             // no response and asks again.
                             LineFault{"BurstOverMps", false, 2, "", "12200:1500", "2"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
