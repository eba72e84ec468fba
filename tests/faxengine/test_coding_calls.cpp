// Class 1 calls in each page coding the far end offers, against the independent fax peer:
// our MH pages go out recoded for the line, pages that come in MR are stored as MH, and
// the pages compare row for row after decoding at the other end. The call's coding is
// what the fax history records. Real time (the peer's line runs at most twice as fast).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "call_loop.h"
#include "fax_pages.h"
#include "fax_peer.h"
#include "faxengine/errors.h"

using namespace faxengine;
using namespace faxengine::test;

namespace {

struct CodingCall {
  const char* name;
  bool weSend;              // we call and send; otherwise the peer calls and we receive
  const char* compression;  // the peer's codings
  CodingChoice ours;
  Coding line;  // the coding the pages must travel in
  int pages;
  bool fine;
};

void PrintTo(const CodingCall& c, std::ostream* os) { *os << c.name; }

class CodingCalls : public ::testing::TestWithParam<CodingCall> {
 protected:
  TempDir dir_;
};

TEST_P(CodingCalls, PagesArriveRowForRowInTheCodingBothEndsHave) {
  if (!havePeer()) GTEST_SKIP() << "faxpeer is not built";
  const CodingCall& c = GetParam();
  std::vector<TestPage> sent = pages(c.pages, c.fine, 40);
  std::string tif = dir_.path("peer.tif"), rx = dir_.path("rx"), history = dir_.path("history");
  std::unique_ptr<FaxPeer> peer;
  std::unique_ptr<TFxCustomAbstractFax> fax;
  if (c.weSend) {
    std::string file = dir_.path("out.brx");
    writeBrx(file, sent);
    peer = std::make_unique<FaxPeer>(std::vector<std::string>{
        "--rx", tif, "--speed", "2", "--compression", c.compression});
    auto sender = std::make_unique<TFxSendFax>();
    class1Sender(*sender, file);
    sender->HeaderLine = "FROM $I PAGE $P OF $N";  // header rows go in the line's coding too
    fax = std::move(sender);
  } else {
    std::vector<Picture> pictures;
    for (const TestPage& p : sent) pictures.push_back(p.rows);
    writeTiff(tif, pictures, dir_);
    peer = std::make_unique<FaxPeer>(std::vector<std::string>{"--call", "--tx", tif, "--speed",
                                                              "1", "--ring-period-ms", "3000",
                                                              "--compression", c.compression});
    std::filesystem::create_directory(rx);
    auto receiver = std::make_unique<TFxReceiveFax>();
    class1Receiver(*receiver, rx);
    fax = std::move(receiver);
  }
  ASSERT_TRUE(peer->ready());
  fax->DesiredCoding = c.ours;
  TFxFaxLog log;
  log.FaxHistoryName = history;
  fax->SetFaxLog(&log);
  SendResult r;
  if (c.weSend)
    ASSERT_TRUE(runSession(static_cast<TFxSendFax&>(*fax), peer->pty(), r));
  else
    ASSERT_TRUE(runSession(static_cast<TFxReceiveFax&>(*fax), peer->pty(), r));
  ASSERT_TRUE(peer->finish(30)) << "no RESULT line";
  EXPECT_EQ(r.finish, 0) << errorText(r.finish);
  EXPECT_TRUE(peer->result().starts_with("RESULT OK")) << peer->result() << "\n" << peer->log();
  EXPECT_EQ(peer->field("pages"), std::to_string(c.pages));
  EXPECT_EQ(peer->field("bad_rows"), "0");
  EXPECT_EQ(fax->SessionCoding(), c.line);
  std::stringstream logged;
  logged << std::ifstream(history).rdbuf();
  EXPECT_NE(logged.str().find(lineFacts(c.line, false)), std::string::npos) << logged.str();
  for (int p = 1; p <= c.pages; ++p) {
    const Picture& want = sent[std::size_t(p - 1)].rows;
    if (c.weSend)  // below the 8 white lines and the header line
      EXPECT_TRUE(rowsMatch(tiffPage(tif, p, dir_), c.fine ? 24 : 16, want)) << p;
    else  // the TIFF's rows as libtiff reads them
      EXPECT_TRUE(rowsMatch(brxPageRows(rx + "/FAX0001.BRX", p), 0, tiffPage(tif, p, dir_))) << p;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Class1, CodingCalls,
    ::testing::Values(
        CodingCall{"SendsMhToAFarEndWithout2d", true, "mh", CodingChoice::Auto, Coding::Mh, 1,
                   false},
        CodingCall{"SendsMrWithK4AtFineResolution", true, "mh,mr", CodingChoice::Auto, Coding::Mr,
                   2, true},
        CodingCall{"ReceivesMrAndStoresMh", false, "mh,mr", CodingChoice::Auto, Coding::Mr, 2,
                   false},
        CodingCall{"OffersOnlyMhWhenOnlyMhIsAllowed", false, "mh,mr", CodingChoice::Mh,
                   Coding::Mh, 1, false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
