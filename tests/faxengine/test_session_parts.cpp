// The parts of a fax session that stand alone: response lines, Class 2 report values,
// header line expansion, the page data sent to the modem and its coding for the line.
#include <gtest/gtest.h>

#include "fax_pages.h"
#include "faxengine/class2_params.h"
#include "faxengine/header_line.h"
#include "faxengine/page_output.h"
#include "faxengine/response_line.h"
#include "faxengine/send_file.h"
#include "faxengine/text_file.h"
#include "session_rig.h"

using namespace faxengine;

TEST(ResponseLines, LinesEndAtCrLfAndAreTrimmed) {
  ResponseCollector c;
  std::vector<std::string> lines;
  for (char ch : std::string("\r\n  OK \r\n\x01+FCON\x02\r\npartial\rstill\r\n"))
    if (c.feed(std::uint8_t(ch))) lines.push_back(c.line());
  EXPECT_EQ(lines, (std::vector<std::string>{"OK", "+FCON", "partial\rstill"}));
  // A line longer than 128 characters keeps its last 128.
  std::string longLine(200, 'A');
  longLine += "OK";
  for (char ch : longLine + "\r\n") c.feed(std::uint8_t(ch));
  EXPECT_EQ(c.line().size(), 127u);  // 128 collected, the CR trimmed
  EXPECT_TRUE(c.line().ends_with("OK"));
}

TEST(ResponseLines, ResultCodesAreReadByTheirWords) {
  EXPECT_EQ(parseReply("OK"), AtReply::Ok);
  EXPECT_EQ(parseReply("CONNECT 9600"), AtReply::Connect);
  EXPECT_EQ(parseReply("NO CARRIER"), AtReply::NoCarrier);
  EXPECT_EQ(parseReply("NO DIALTONE"), AtReply::NoDialTone);
  EXPECT_EQ(parseReply("NO ANSWER"), AtReply::NoAnswer);
  EXPECT_EQ(parseReply("BUSY"), AtReply::Busy);
  // A station identifier that holds "OK" is a report, not a result.
  EXPECT_EQ(parseReply("+FCSI:\"BOOK SHOP\""), AtReply::Report);
  EXPECT_EQ(parseReply("#%&*"), AtReply::Other);
}

TEST(Class2Reports, ValuesIdentifiersAndHangupCodes) {
  EXPECT_EQ(class2::reportValue("+FDCS: 1,3,0,2,0,0,0,0 "), "1,3,0,2,0,0,0,0");
  EXPECT_EQ(class2::reportValue("+FDCS=1,5"), "1,5");
  EXPECT_EQ(class2::stationId("+FCSI:\"  REMOTE FAX\"  "), "REMOTE FAX");
  EXPECT_EQ(class2::stationId("+FTSI: 555 1234.\""), "555 1234");
  EXPECT_EQ(class2::stationId("+FTI:\"ABCDEFGHIJKLMNOPQRSTUVWXYZ\""), "ABCDEFGHIJKLMNOPQRST");
  EXPECT_EQ(class2::hangupCode("+FHNG:0"), 0);
  EXPECT_EQ(class2::hangupCode("+FHNG: 52"), 52);
  EXPECT_EQ(class2::hangupCode("+FHS:A0"), 0);
  EXPECT_EQ(class2::hangupCode("+FHNG"), 0);

  class2::SessionParams p = class2::parseParams("1,5,1,2,0,2,0,6");
  EXPECT_TRUE(p.fine);
  EXPECT_EQ(p.bps, 14400);
  EXPECT_TRUE(p.wide);
  EXPECT_TRUE(p.ecm);
  EXPECT_EQ(p.scanIndex, 6);
  EXPECT_EQ(class2::parseParams("0,7").bps, 9600);
  EXPECT_EQ(class2::parseParams("").bps, 9600);  // a short report reads as defaults

  EXPECT_EQ(class2::senderParams(true, false, 14400, '1'), "1,5,0,2,0,1,0,0");
  EXPECT_EQ(class2::senderParams(false, true, 5000, '0'), "0,3,1,2,0,0,0,0");
  EXPECT_EQ(class2::receiverParams(4800, '0'), "1,1,0,2,0,0,0,0");
}

TEST(HeaderLine, TokensExpandByTheirFirstLetter) {
  HeaderValues v;
  v.stationId = "STATION";
  v.sender = "Ann";
  v.pages = 3;
  v.page = 2;
  // A token runs to the next blank, so what follows the letter goes with it.
  EXPECT_EQ(expandHeader("Page $P of $N, from $f ($I)", v), "Page 2 of 3 from Ann (STATION");
  EXPECT_EQ(expandHeader("$p $Q| $", v), "2  ");
  EXPECT_EQ(expandHeader("no tokens", v), "no tokens");
}

TEST(PageOutput, DataIsDleDoubledAndLinesFilledToTheMinimumLength) {
  test::ScriptedModem modem;
  std::vector<std::uint8_t> written;
  struct Capture : test::FakeLink {
    using FakeLink::FakeLink;
    std::vector<std::uint8_t>* out;
    bool write(std::span<const std::uint8_t> b) override {
      out->insert(out->end(), b.begin(), b.end());
      return true;
    }
  } link(modem);
  link.out = &written;
  PageOutput out(link);
  out.setMinBytesPerLine(6);
  const std::uint8_t line[] = {0x00, 0x80, 0x10, 0x01};
  out.line(line);
  out.data(line);
  EXPECT_EQ(written, (std::vector<std::uint8_t>{0x00, 0x80, 0x10, 0x10, 0x01, 0, 0, 0x00, 0x80,
                                                0x10, 0x10, 0x01}));
}

// A page of line records (as the converter writes them) and a continuous page (as a
// received fax is stored) both go out in MR and MMR holding the same rows.
TEST(SendFileRecoding, LineRecordAndContinuousPagesKeepTheirRowsInEveryCoding) {
  using faximage::t4::Coding;
  using faximage::t4::PageDecoder;
  test::TempDir dir;
  test::Picture picture = test::patternPicture(30, 4);
  test::writeBrx(dir.path("records.brx"), {{picture}});
  {
    faximage::BrxWriter w;
    std::vector<std::uint8_t> stream = test::codedPage(picture);
    ASSERT_EQ(w.create(dir.path("stream.brx")), 0);
    w.beginPage(0);
    w.addRaw(stream);
    w.endPage();
    ASSERT_EQ(w.finish("", 0), 0);
  }
  for (const char* name : {"records.brx", "stream.brx"}) {
    for (Coding coding : {Coding::Mr, Coding::Mmr}) {
      SendFile file;
      ASSERT_EQ(file.open(dir.path(name)), 0);
      ASSERT_EQ(file.seekPage(1), 0);
      LineRecoder coder;
      coder.begin(coding, faximage::kNormalWidth, false);
      ASSERT_EQ(file.recode(coder), 0);
      std::vector<std::uint8_t> line;
      while (!file.done()) {
        std::span<const std::uint8_t> block;
        bool record = false;
        ASSERT_EQ(file.next(block, record), 0);
        line.insert(line.end(), block.begin(), block.end());
      }
      test::Picture rows;
      PageDecoder decoder(coding, faximage::kNormalWidth);
      EXPECT_EQ(decoder.decodePage(line,
                                   [&](const std::uint8_t* raster, int bytes) {
                                     rows.push_back(test::pictureRow(raster, bytes * 8));
                                     return true;
                                   }),
                PageDecoder::Result::EndOfPage)
          << name << " " << int(coding);
      EXPECT_TRUE(test::rowsMatch(rows, 0, picture)) << name << " " << int(coding);
    }
  }
}

TEST(ReceivedFileNames, CounterNamesRunToTheFirstFreeOneThenNoname) {
  test::TempDir dir;
  std::string d = dir.dir() + "/";
  EXPECT_EQ(receivedFileName(d, 1, "BRX"), d + "FAX0001.BRX");
  for (int n = 1; n <= 9999; ++n) {
    char name[32];
    std::snprintf(name, sizeof name, "FAX%04d.BRX", n);
    if (n != 17) std::fclose(std::fopen((d + name).c_str(), "w"));
  }
  EXPECT_EQ(receivedFileName(d, 1, "BRX"), d + "FAX0017.BRX");
  std::fclose(std::fopen((d + "FAX0017.BRX").c_str(), "w"));
  EXPECT_EQ(receivedFileName(d, 1, "BRX"), d + "NONAME.BRX");
  EXPECT_EQ(receivedFileName(d, 0, "BRX"), d + "noname.brx");
}
