// The copy quality check of received pages: damage of the kinds a noisy line does (rows cut
// short, a garbled stretch, a stretch without line ends, a page cut off) found in each
// coding, the page judged, and the repaired page as long as the one sent.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "faximage/copy_quality.h"

using namespace faximage;
using faximage::t4::Coding;

namespace {

constexpr int kWidth = 1728, kRowBytes = kWidth / 8, kRows = 100;
using Row = std::vector<std::uint8_t>;

// Row i: a black bar whose place and length differ from row to row.
Row sentRow(int i) {
  Row r(kRowBytes, 0);
  const int at = (i * 53) % 1500, length = 9 + i % 40;
  for (int x = at; x < at + length; ++x) r[std::size_t(x / 8)] |= std::uint8_t(0x80 >> (x % 8));
  return r;
}

// The coded page, and where each row's bytes begin (MH and MR rows end on a byte boundary).
struct Coded {
  std::vector<std::uint8_t> bytes;
  std::vector<std::size_t> rowAt;
};

Coded codePage(Coding coding) {
  t4::PageEncoder enc(coding, kWidth);
  Coded c;
  for (int i = 0; i < kRows; ++i) {
    c.rowAt.push_back(c.bytes.size());
    enc.addRow(sentRow(i));
    c.bytes.insert(c.bytes.end(), enc.bytes().begin(), enc.bytes().end());
    enc.takeBytes();
  }
  c.rowAt.push_back(c.bytes.size());
  enc.finish();
  c.bytes.insert(c.bytes.end(), enc.bytes().begin(), enc.bytes().end());
  return c;
}

std::vector<Row> decodeMh(const std::vector<std::uint8_t>& data) {
  std::vector<Row> rows;
  t4::PageDecoder(Coding::Mh, kWidth).decodePage(data, [&](const std::uint8_t* r, int n) {
    rows.emplace_back(r, r + n);
    return true;
  });
  return rows;
}

enum class Damage { None, CutRows, Garble, NoLineEnds, CutOff };

struct Case {
  const char* name;
  Coding coding;
  Damage damage;
  int from, count;       // the rows damaged
  int minBad, maxBad;    // rows counted bad
  int minRows, maxRows;  // rows of the repaired page
  bool poor, endSeen;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

// The bytes of rows [from, from + count) replaced by `fill` (i gives the i-th byte).
template <typename Fill>
void overwrite(Coded& c, int from, int count, Fill fill) {
  for (std::size_t i = c.rowAt[std::size_t(from)]; i < c.rowAt[std::size_t(from + count)]; ++i)
    c.bytes[i] = fill(i);
}

std::vector<std::uint8_t> damaged(const Case& k) {
  Coded c = codePage(k.coding);
  switch (k.damage) {
    case Damage::None: break;
    case Damage::CutRows:  // every tenth row from `from` loses two bytes of its runs
      for (int n = k.count - 1; n >= 0; --n) {
        const std::size_t end = c.rowAt[std::size_t(k.from + 10 * n + 1)] - 1;  // before its 0x00
        c.bytes.erase(c.bytes.begin() + long(end) - 2, c.bytes.begin() + long(end));
      }
      break;
    case Damage::Garble: {
      std::uint32_t x = 12345;
      overwrite(c, k.from, k.count,
                [&](std::size_t) { return std::uint8_t((x = x * 1103515245 + 12345) >> 16); });
      break;
    }
    case Damage::NoLineEnds:
      overwrite(c, k.from, k.count, [](std::size_t) { return std::uint8_t(0x55); });
      break;
    case Damage::CutOff: c.bytes.resize(c.rowAt[std::size_t(k.from)] + 3); break;
  }
  return c.bytes;
}

class CopyQuality : public ::testing::TestWithParam<Case> {};

TEST_P(CopyQuality, DamageIsFoundAndThePageRepairedToItsLength) {
  const Case& k = GetParam();
  const std::vector<std::uint8_t> data = damaged(k);
  CopyQualityCheck check(k.coding, kWidth);
  for (std::size_t at = 0; at < data.size(); at += 97)  // as the modem passes it, in pieces
    check.add({data.data() + at, std::min<std::size_t>(97, data.size() - at)});
  const PageQuality q = check.finish();

  EXPECT_GE(q.badRows, k.minBad);
  EXPECT_LE(q.badRows, k.maxBad);
  EXPECT_GE(q.rows, k.minRows);
  EXPECT_LE(q.rows, k.maxRows);
  EXPECT_EQ(q.poor(5, 16), k.poor) << q.badRows << " bad, run " << q.longestBadRun;
  EXPECT_EQ(q.endSeen, k.endSeen);

  const std::vector<Row> rows = decodeMh(check.repairedMh());
  ASSERT_EQ(int(rows.size()), q.rows);
  // The rows before the damage come out as sent (the row before a lost line end is part of
  // the damage).
  for (int i = 0; i < std::min(k.from - 1, q.rows); ++i) {
    EXPECT_EQ(rows[std::size_t(i)], sentRow(i)) << i;
  }
  if (k.damage == Damage::CutRows) {  // each row cut short prints as the row above
    for (int n = 0; n < k.count; ++n) {
      const std::size_t at = std::size_t(k.from + 10 * n);
      EXPECT_EQ(rows[at], sentRow(int(at) - 1)) << at;
    }
  }
  if (k.endSeen && q.rows == kRows) {
    EXPECT_EQ(rows.back(), sentRow(kRows - 1));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Pages, CopyQuality,
    ::testing::Values(
        Case{"CleanMh", Coding::Mh, Damage::None, kRows, 0, 0, 0, kRows, kRows, false, true},
        Case{"CleanMmr", Coding::Mmr, Damage::None, kRows, 0, 0, 0, kRows, kRows, false, true},
        Case{"ThreeRowsCutShort", Coding::Mh, Damage::CutRows, 20, 3, 3, 3, kRows, kRows, false,
             true},
        Case{"SixRowsCutShort", Coding::Mh, Damage::CutRows, 20, 6, 6, 6, kRows, kRows, true, true},
        Case{"GarbledRunMh", Coding::Mh, Damage::Garble, 40, 20, 18, 23, kRows - 3, kRows + 3, true,
             true},
        Case{"GarbledRunMr", Coding::Mr, Damage::Garble, 40, 20, 18, 24, kRows - 3, kRows + 3, true,
             true},
        Case{"NoLineEnds", Coding::Mh, Damage::NoLineEnds, 40, 30, 29, 33, kRows - 3, kRows + 3,
             true, true},
        Case{"CutOffPage", Coding::Mh, Damage::CutOff, 50, 0, 0, 1, 50, 51, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

// A page sent again after RTN is told from the next page of the fax.
TEST(CopyQualityPrints, ACopySentAgainIsTheSamePageAndTheNextPageIsNot) {
  auto printsOf = [](int first, int count) {
    t4::PageEncoder enc(Coding::Mh, kWidth);
    for (int i = first; i < first + count; ++i) enc.addRow(sentRow(i));
    enc.finish();
    CopyQualityCheck check(Coding::Mh, kWidth);
    check.add(enc.bytes());
    check.finish();
    return check.prints();
  };
  const auto page = printsOf(0, 100);
  EXPECT_TRUE(samePage(printsOf(0, 40), page));  // a poor copy: its first rows only
  EXPECT_TRUE(samePage(page, printsOf(0, 40)));
  EXPECT_FALSE(samePage(page, printsOf(100, 100)));  // the rows of another page
}

}  // namespace
