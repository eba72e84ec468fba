// BRX headers, the page chain and the writer's all-or-nothing output.
#include <gtest/gtest.h>

#include <filesystem>

#include "faximage/brx_file.h"
#include "faximage/errors.h"
#include "image_util.h"

namespace faximage {
namespace {

TEST(BrxFormat, HeadersPackToTheirByteLayout) {
  FaxFileHeader h;
  h.setSenderId("+49 30 1234567890 EXTRA");  // cut to 20
  h.pageCount = 3;
  h.fileDate = 0x11223344;
  auto b = packFileHeader(h);
  EXPECT_EQ(std::string(b.begin(), b.begin() + 5), "BRX10");
  EXPECT_EQ(b[5], 0x1A);
  EXPECT_EQ(b[6], 0x44);
  EXPECT_EQ(b[9], 0x11);
  EXPECT_EQ(b[10], 20);
  EXPECT_EQ(std::string(b.begin() + 11, b.begin() + 31), "+49 30 1234567890 EX");
  EXPECT_EQ(b[32], 3);
  EXPECT_EQ(b[34], 64);
  auto back = unpackFileHeader(b);
  EXPECT_EQ(back.senderIdText(), "+49 30 1234567890 EX");
  EXPECT_EQ(back.pageCount, 3);

  FaxFileHeader empty;
  empty.setSenderId("");
  auto e = packFileHeader(empty);
  EXPECT_EQ(e[10], 0);
  EXPECT_EQ(std::string(e.begin() + 11, e.begin() + 31), std::string(20, ' '));

  FaxPageHeader p{0x01020304, pfFine | pfWide | pfLineLengths};
  auto pb = packPageHeader(p);
  EXPECT_EQ(pb[0], 0x04);
  EXPECT_EQ(pb[3], 0x01);
  EXPECT_EQ(pb[4], 7);
  EXPECT_EQ(unpackPageHeader(pb).imageLength, 0x01020304u);
}

TEST(BrxFormat, FileDatePacksAndRejectsYearsOutOfRange) {
  FileDateParts d{2024, 2, 29, 23, 59, 58};
  auto v = packFileDate(d);
  auto back = unpackFileDate(v);
  EXPECT_EQ(back.year, 2024);
  EXPECT_EQ(back.month, 2);
  EXPECT_EQ(back.day, 29);
  EXPECT_EQ(back.hour, 23);
  EXPECT_EQ(back.minute, 59);
  EXPECT_EQ(back.second, 58);
  EXPECT_EQ(packFileDate({1979, 12, 31, 0, 0, 0}), 0u);
  EXPECT_EQ(packFileDate({2100, 1, 1, 0, 0, 0}), 0u);
  EXPECT_NE(fileDateNow(), 0u);
}

std::vector<std::uint8_t> twoPageFile(test::ScratchDir& dir) {
  BrxWriter w;
  EXPECT_EQ(w.create(dir.path("two.brx")), 0);
  EXPECT_EQ(w.beginPage(pfLineLengths), 0);
  std::uint8_t rec[] = {0x00, 0x80, 0xB2, 0x59, 0x01, 0x00};
  EXPECT_EQ(w.addLineRecord(rec), 0);
  EXPECT_EQ(w.endPage(), 0);
  EXPECT_EQ(w.beginPage(pfLineLengths | pfFine | pfWide), 0);
  EXPECT_EQ(w.endPage(), 0);
  EXPECT_EQ(w.finish("STATION", 0), 0);
  return test::readFile(dir.path("two.brx"));
}

TEST(BrxFile, WriterBuildsThePageChainAndReaderWalksIt) {
  test::ScratchDir dir;
  auto bytes = twoPageFile(dir);
  ASSERT_EQ(bytes.size(), 64u + 16 + 8 + 14 + 16 + 14);
  BrxReader r;
  ASSERT_EQ(r.openBytes(bytes), 0);
  EXPECT_EQ(r.pageCount(), 2);
  EXPECT_EQ(r.header().senderIdText(), "STATION");
  BrxPage p1, p2, none;
  ASSERT_EQ(r.page(1, p1), 0);
  EXPECT_EQ(p1.header.imageLength, 8u + 14u);
  EXPECT_EQ(p1.header.pageFlags, pfLineLengths);
  ASSERT_EQ(r.page(2, p2), 0);
  EXPECT_EQ(p2.headerOffset, 64u + 16 + 22);
  EXPECT_TRUE(p2.header.fine() && p2.header.wide());
  EXPECT_EQ(r.page(0, none), ecFaxBadFormat);
  EXPECT_EQ(r.page(3, none), ecFaxBadFormat);
  int records = 0;
  EXPECT_TRUE(
      forEachLineRecord(p1.data, [&](std::span<const std::uint8_t>) { return ++records, true; }));
  EXPECT_EQ(records, 2);
}

TEST(BrxFile, ReaderRejectsWhatIsNoBrxFile) {
  BrxReader r;
  EXPECT_EQ(r.openFile(""), ecFileNotFound);
  EXPECT_EQ(r.openFile("/nonexistent-brindle.brx"), ecFileNotFound);
  std::vector<std::uint8_t> bytes(64, 0);
  EXPECT_EQ(r.openBytes(bytes), ecFaxBadFormat);
  EXPECT_EQ(r.openBytes(std::span(bytes).first(10)), ecFaxBadFormat);
  // A valid header with PageCount 0: page 1 does not exist.
  auto h = packFileHeader(FaxFileHeader{});
  bytes.assign(h.begin(), h.end());
  ASSERT_EQ(r.openBytes(bytes), 0);
  BrxPage p;
  EXPECT_EQ(r.page(1, p), ecFaxBadFormat);
}

TEST(BrxFile, PagesThatRunPastTheFileAreFlagged) {
  test::ScratchDir dir;
  auto bytes = twoPageFile(dir);
  BrxReader r;
  auto cut = std::vector<std::uint8_t>(bytes.begin(), bytes.end() - 5);
  ASSERT_EQ(r.openBytes(cut), 0);
  BrxPage p;
  ASSERT_EQ(r.page(2, p), 0);
  EXPECT_TRUE(p.truncated);
  EXPECT_EQ(p.data.size(), 9u);
  // A chain that points outside the file.
  cut.resize(64 + 16 + 22 + 4);
  ASSERT_EQ(r.openBytes(cut), 0);
  EXPECT_EQ(r.page(2, p), ecFaxBadFormat);
  // A huge ImageLength does not wrap the chain.
  auto big = bytes;
  big[64] = big[65] = big[66] = big[67] = 0xFF;
  ASSERT_EQ(r.openBytes(big), 0);
  EXPECT_EQ(r.page(2, p), ecFaxBadFormat);
  ASSERT_EQ(r.page(1, p), 0);
  EXPECT_TRUE(p.truncated);
}

TEST(BrxFile, AbandonedWriterLeavesTheOlderFileAlone) {
  test::ScratchDir dir;
  std::string name = dir.path("keep.brx");
  test::writeFile(name, {1, 2, 3});
  {
    BrxWriter w;
    ASSERT_EQ(w.create(name), 0);
    ASSERT_EQ(w.beginPage(pfLineLengths), 0);
  }  // destroyed without finish()
  EXPECT_EQ(test::readFile(name), (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.dir()), {}), 1);
  BrxWriter w;
  EXPECT_NE(w.create(dir.path("no/such/dir.brx")), 0);
}

TEST(Errors, TextsStringIdsAndExceptions) {
  EXPECT_STREQ(errorText(ecFaxBadFormat), "File is not a BRX file");
  EXPECT_STREQ(errorText(ecBadGraphicsFormat), "Unsupported graphics file format");
  EXPECT_EQ(errorStringId(-8001), 11801);
  EXPECT_EQ(errorStringId(-2), 11002);
  EXPECT_EQ(errorStringId(-100), 11900);
  EXPECT_THROW(raiseFxError(ecFaxBadFormat), EFaxBadFormat);
  EXPECT_THROW(raiseFxError(ecConvertAbort), EConvertAbort);
  EXPECT_THROW(raiseFxError(ecDiskRead), EInOutError);
  EXPECT_THROW(raiseFxError(ecFontNotFound), EFxException);
  EXPECT_NO_THROW(raiseFxError(0));
  try {
    raiseFxError(ecFileNotFound);
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.errorCode(), 2);
  }
}

}  // namespace
}  // namespace faximage
