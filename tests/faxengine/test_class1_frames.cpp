// Class 1 frames: the T.30 rate codes a standard fax machine reads and writes, the scan
// time, station identifiers, the training check and the collector that tells frames
// from response lines.
#include <gtest/gtest.h>

#include "faxengine/class1_channel.h"
#include "faxengine/class1_probe.h"
#include "faxengine/scan_time.h"

using namespace faxengine::class1;

namespace {

// A frame as received: the address, the control byte and FCF, the information bytes.
Frame received(std::uint8_t fcf, std::vector<std::uint8_t> info, bool final = true) {
  info.insert(info.begin(), {0xFF, std::uint8_t(final ? 0x13 : 0x03), fcf});
  info.insert(info.end(), {0xA5, 0x5A});  // check bytes
  return Frame{std::move(info)};
}

RateSet rates(std::initializer_list<int> indexes) {
  RateSet r{};
  for (int i : indexes) r[std::size_t(i)] = true;
  return r;
}

TEST(Class1Rates, OurDisOffersTheT30ModulationGroupsUpToTheCurrentRate) {
  const std::uint8_t expected[] = {0, 0x42, 0x4A, 0x4E, 0x4E, 0x6E, 0x6E};
  for (int index = 1; index <= 6; ++index) {
    std::vector<std::uint8_t> f = disFrame(index);
    ASSERT_EQ(f.size(), 7u);
    EXPECT_EQ(f[1], 0x13);
    EXPECT_EQ(f[2], 0x80);
    EXPECT_EQ(f[4], expected[index]) << "index " << index;
  }
}

TEST(Class1Rates, OurDcsNamesEachRateByItsT30Code) {
  const std::uint8_t bits[] = {0, 0x00, 0x08, 0x0C, 0x04, 0x28, 0x20};
  for (int index = 1; index <= 6; ++index) {
    std::vector<std::uint8_t> f = dcsFrame(index, true, false, 0);
    EXPECT_EQ(f[2], 0x83);
    EXPECT_EQ(f[4], 0x02 | 0x40 | bits[index]) << "index " << index;
    // Each DCS we send decodes to the same rate on a receiving Brindle.
    DcsChoice back = decodeDcs(received(f[2], {f.begin() + 3, f.end()}));
    EXPECT_EQ(back.index, index);
    EXPECT_TRUE(back.fine);
  }
}

TEST(Class1Rates, AStandardDcsIsReadAsTheRateAndModulationItNames) {
  struct Case {
    std::uint8_t rate;
    int bps;
    const char* modulation;
  };
  const Case cases[] = {{0x00, 2400, "24"}, {0x08, 4800, "48"},   {0x0C, 7200, "72"},
                        {0x04, 9600, "96"}, {0x20, 14400, "145"}, {0x28, 12000, "121"},
                        {0x24, 9600, "97"}, {0x2C, 7200, "73"},   {0x10, 12000, "121"}};
  for (const Case& c : cases) {
    DcsChoice d = decodeDcs(received(0x83, {0x00, std::uint8_t(0x02 | c.rate), 0x88, 0x00}));
    EXPECT_EQ(indexBps(d.index), c.bps) << int(c.rate);
    EXPECT_EQ(d.modulation, c.modulation) << int(c.rate);
  }
}

TEST(Class1Rates, AV17DisOffersEveryRateSoAFallBackFrom14400Reaches12000) {
  RateSet all = rates({1, 2, 3, 4, 5, 6});
  DisCaps v17 = decodeDis(received(0x80, {0x00, 0x6E, 0xF9, 0x00}));
  EXPECT_EQ(v17.rates, all);
  EXPECT_EQ(chooseIndex(all, v17.rates, 14400), 6);
  EXPECT_EQ(lowerIndex(all, v17.rates, 6), 5);
  EXPECT_EQ(lowerIndex(all, v17.rates, 1), 0);

  EXPECT_EQ(decodeDis(received(0x80, {0x00, 0x4E, 0xF9})).rates, rates({1, 2, 3, 4}));
  EXPECT_EQ(decodeDis(received(0x80, {0x00, 0x4A, 0xF9})).rates, rates({1, 2}));
}

TEST(Class1Rates, A9600DisLimitsAFastModemAndAskedRate) {
  DisCaps v29 = decodeDis(received(0x80, {0x00, 0x4E, 0xF9, 0x00}));
  int index =
      chooseIndex(parseModulations("24,48,72,73,74,96,97,98,121,122,145,146"), v29.rates, 14400);
  EXPECT_STREQ(indexModulation(index), "96");
  // The asked rate limits too; a modem without V.29 stays at 4800.
  EXPECT_EQ(chooseIndex(rates({1, 2, 3, 4, 5, 6}), v29.rates, 7200), 3);
  EXPECT_EQ(chooseIndex(parseModulations("24,48"), v29.rates, 14400), 2);
}

TEST(Class1Rates, ResolutionWidthAndScanTimeTravelInDisAndDcs) {
  DisCaps caps = decodeDis(received(0x80, {0x00, 0x0E, 0x20 | 0x80, 0x00}));
  EXPECT_FALSE(caps.fine);
  EXPECT_FALSE(caps.wide);
  EXPECT_EQ(caps.scanIndex, 3);  // 10 ms
  caps = decodeDis(received(0x80, {0x00, 0x4E, 0xF9, 0x00}));
  EXPECT_TRUE(caps.fine);
  EXPECT_TRUE(caps.wide);
  EXPECT_EQ(caps.scanIndex, 0);
  // Index 6 asks 40 ms at normal, 20 ms at fine resolution; both go out in the DCS.
  EXPECT_EQ(dcsScanByte(6, false, true), 0x40 | 0x88 | 0x01);
  EXPECT_EQ(dcsScanByte(6, true, false), 0x00 | 0x88);
  for (int i = 0; i < 8; ++i) {
    DcsChoice d = decodeDcs(received(0x83, {0x00, 0x06, dcsScanByte(i, false, false)}));
    EXPECT_EQ(faxengine::kScanMs[d.scanIndex][0], faxengine::kScanMs[i][0]) << i;
  }
}

// The 2-D bit of the rate byte, and the T.6 bit of the coding byte, which counts only with
// the ECM bit beside it and where the scan byte announces the coding byte.
TEST(Class1Codings, DisAndDcsCarryTheCodingBitsAFaxMachineReads) {
  using faxengine::Coding;
  struct Case {
    std::uint8_t rate, scan, coding;
    bool mr, mmr;
    Coding dcs;
  } cases[] = {{0x4E, 0xF9, 0x00, false, false, Coding::Mh},
               {0xCE, 0xF9, 0x00, true, false, Coding::Mr},
               {0xCE, 0xF9, 0x44, true, true, Coding::Mmr},
               {0xCE, 0xF9, 0x40, true, false, Coding::Mr},
               {0x4E, 0x79, 0x44, false, false, Coding::Mh}};
  for (const Case& c : cases) {
    DisCaps dis = decodeDis(received(0x80, {0x00, c.rate, c.scan, c.coding}));
    EXPECT_EQ(dis.codings, (faxengine::LineCodings{c.mr, c.mmr})) << int(c.rate) << int(c.coding);
    DcsChoice dcs = decodeDcs(received(0x83, {0x00, c.rate, c.scan, c.coding}));
    EXPECT_EQ(dcs.coding, c.dcs) << int(c.rate) << " " << int(c.coding);
  }
  // What we send reads back the same.
  std::vector<std::uint8_t> dis = disFrame(6, {.mr = true});
  EXPECT_TRUE(decodeDis(received(dis[2], {dis.begin() + 3, dis.end()})).codings.mr);
  for (Coding c : {Coding::Mh, Coding::Mr}) {
    std::vector<std::uint8_t> f = dcsFrame(6, true, false, 0, c);
    EXPECT_EQ(decodeDcs(received(f[2], {f.begin() + 3, f.end()})).coding, c);
  }
}

// MMR needs error correction and the far end's T.6; MR the far end's 2-D; the user's
// choice caps both, and what our DIS offers.
TEST(Class1Codings, TheLineCarriesTheRichestCodingBothEndsAndTheUserAllow) {
  using faxengine::CodingChoice;
  using faxengine::Coding;
  using faxengine::LineCodings;
  struct Case {
    CodingChoice allowed;
    LineCodings remote;
    bool ecm;
    Coding line;
  } cases[] = {{CodingChoice::Auto, {}, false, Coding::Mh},
               {CodingChoice::Auto, {true, false}, false, Coding::Mr},
               {CodingChoice::Auto, {true, true}, false, Coding::Mr},
               {CodingChoice::Auto, {true, true}, true, Coding::Mmr},
               {CodingChoice::Mmr, {false, true}, false, Coding::Mh},
               {CodingChoice::Mr, {true, true}, true, Coding::Mr},
               {CodingChoice::Mh, {true, true}, true, Coding::Mh}};
  for (const Case& c : cases)
    EXPECT_EQ(chooseLineCoding(c.allowed, c.remote, c.ecm), c.line)
        << int(c.allowed) << c.remote.mr << c.remote.mmr << c.ecm;
  EXPECT_EQ(offeredCodings(CodingChoice::Auto, false), (LineCodings{true, false}));
  EXPECT_EQ(offeredCodings(CodingChoice::Auto, true), (LineCodings{true, true}));
  EXPECT_EQ(offeredCodings(CodingChoice::Mr, true), (LineCodings{true, false}));
  EXPECT_EQ(offeredCodings(CodingChoice::Mh, true), LineCodings{});
  // MMR rows (in error correction frames) get no scan-line fill.
  EXPECT_EQ(faxengine::minBytesPerLine(5, false, 14400, Coding::Mmr), 0);
}

// Terminals send the id last character first and fill the field with blanks after it; the
// field read backwards gives the id as typed, blanks on either side removed.
TEST(Class1Frames, AStationIdGoesOutReversedThenBlankFilledAndComesBackTrimmed) {
  std::vector<std::uint8_t> f = idFrame(Fcf::TSI, true, "BRINDLE 7");
  ASSERT_EQ(f.size(), 23u);
  EXPECT_EQ(f[1], 0x03);
  EXPECT_EQ(f[2], 0x43);
  EXPECT_EQ(std::string(f.begin() + 3, f.end()), "7 ELDNIRB" + std::string(11, ' '));
  EXPECT_EQ(stationIdOf(received(0x42, {f.begin() + 3, f.end()})), "BRINDLE 7");
  for (std::string field : {"  4321 555 1+        ", "        4321 555 1+  "}) {
    field.resize(20);
    EXPECT_EQ(stationIdOf(received(0x40, {field.begin(), field.end()}, false)), "+1 555 1234");
  }
  EXPECT_EQ(idFrame(Fcf::CSI, false, std::string(25, 'X')).size(), 23u);
}

TEST(Class1Frames, TrainingIsGoodBelowTenPercentNonZeroBytes) {
  EXPECT_TRUE(tcfGood(9, 100));
  EXPECT_FALSE(tcfGood(10, 100));
  EXPECT_FALSE(tcfGood(0, 0));  // no training data at all
  EXPECT_EQ(tcfLength(9600), 1728u);
  EXPECT_EQ(tcfLength(14400), 2592u);
}

TEST(Class1Frames, TheCollectorTellsLinesFromFramesWhateverBytesTheFrameHolds) {
  FrameCollector c;
  // CR LF and DLE DLE inside a frame are data; junk before the address is dropped.
  std::string in = "\r\nCONNECT\r\nxy\xFF\x13\x80\r\n\x10\x10\x03\x10\x03\r\nOK\r\n";
  std::vector<std::string> lines;
  std::vector<std::vector<std::uint8_t>> frames;
  for (char ch : in) {
    auto e = c.feed(std::uint8_t(ch));
    if (e == FrameCollector::Event::Line) lines.push_back(c.line());
    if (e == FrameCollector::Event::Frame) frames.push_back(c.frame().bytes);
  }
  EXPECT_EQ(lines, (std::vector<std::string>{"CONNECT", "OK"}));
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0], (std::vector<std::uint8_t>{0xFF, 0x13, 0x80, '\r', '\n', 0x10, 0x03}));

  // An endless frame keeps its head and still ends at DLE ETX.
  c.feed(0xFF);
  for (int i = 0; i < 5000; ++i) c.feed(0x55);
  c.feed(0x10);
  EXPECT_EQ(c.feed(0x03), FrameCollector::Event::Frame);
  EXPECT_EQ(c.frame().bytes.size(), FrameCollector::kMaxFrame);
}

TEST(Class1Frames, TheModulationListSetsTheHigherRates) {
  EXPECT_EQ(parseModulations("24,48,72,73,74,96,97,98,121,122,145,146"), rates({1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(parseModulations("24,48,72,96"), rates({1, 2, 3, 4}));
  EXPECT_EQ(parseModulations(""), rates({1, 2}));
}

}  // namespace
