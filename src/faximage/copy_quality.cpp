// The copy quality check of a received page.
#include "faximage/copy_quality.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

namespace faximage {

namespace {

// Bytes a row takes on the line when the page gave no good row to measure: the least a
// row takes at 9600 bit/s with the common 20 ms scan time.
constexpr double kNominalRowBytes = 24;
// Rows lost in data without rows never make a page longer than this (a page of B4 at fine
// resolution has about 2800).
constexpr int kMaxRows = 4096;

// A row's print (FNV-1a).
std::uint64_t rowPrint(const std::uint8_t* row, int bytes) {
  std::uint64_t h = 0xcbf29ce484222325ull;
  for (int i = 0; i < bytes; ++i) h = (h ^ row[i]) * 0x100000001b3ull;
  return h;
}

// A decoded or dropped row, or the data after the last row, and the bytes it took.
struct Piece {
  static constexpr int kBad = -1, kTail = -2;
  int row;  // index of the good row, or kBad, or kTail
  std::size_t bytes;
};

// What a row takes on the line near pieces [i, j), fill included: the average of up to
// eight good rows on each side (rows near each other are alike in what they hold).
double rowBytesNear(const std::vector<Piece>& pieces, std::size_t i, std::size_t j) {
  constexpr int kEachSide = 8;
  std::size_t bytes = 0;
  int before = 0, after = 0;
  for (std::size_t k = i; k-- > 0 && before < kEachSide;)
    if (pieces[k].row >= 0) bytes += pieces[k].bytes, ++before;
  for (std::size_t k = j; k < pieces.size() && after < kEachSide; ++k)
    if (pieces[k].row >= 0) bytes += pieces[k].bytes, ++after;
  const int n = before + after;
  return n ? std::max(1.0, double(bytes) / n) : kNominalRowBytes;
}

}  // namespace

bool PageQuality::poor(int maxBadPercent, int maxBadRun) const {
  return rows == 0 || badRows * 100 > maxBadPercent * rows || longestBadRun > maxBadRun;
}

CopyQualityCheck::CopyQualityCheck(t4::Coding coding, int width)
    : coding_(coding), width_(std::clamp(width, 1, t4::kMaxCodedWidth)) {}

void CopyQualityCheck::add(std::span<const std::uint8_t> bytes) {
  data_.insert(data_.end(), bytes.begin(), bytes.end());
}

PageQuality CopyQualityCheck::finish() {
  const int rowBytes = (width_ + 7) / 8;
  std::vector<std::uint8_t> good;  // the good rows, one after the other
  std::vector<Piece> pieces;
  std::size_t from = 0;
  t4::PageDecoder dec(coding_, width_);
  auto piece = [&](int row) {
    const std::size_t end = std::max(from, dec.rowEnd());
    pieces.push_back({row, end - from});
    from = end;
  };
  dec.setDamageSink([&] { piece(Piece::kBad); });
  const auto end = dec.decodePage(data_, [&](const std::uint8_t* row, int bytes) {
    piece(int(good.size()) / rowBytes);
    good.insert(good.end(), row, row + bytes);
    return true;
  });
  PageQuality q;
  q.endSeen = end == t4::PageDecoder::Result::EndOfPage;
  // Without an end-of-page, what followed the last row is data without rows.
  if (!q.endSeen && data_.size() > from) pieces.push_back({Piece::kTail, data_.size() - from});

  t4::PageEncoder out(t4::Coding::Mh, width_);
  std::vector<std::uint8_t> above(std::size_t(rowBytes), 0);  // the top row repairs as white
  int run = 0;
  prints_.clear();
  for (std::size_t i = 0; i < pieces.size();) {
    if (pieces[i].row >= 0) {
      const std::uint8_t* row = good.data() + std::size_t(pieces[i].row) * std::size_t(rowBytes);
      std::copy(row, row + rowBytes, above.begin());
      out.addRow(above);
      run = 0;
      if (std::any_of(row, row + rowBytes, [](std::uint8_t b) { return b != 0; }))
        prints_.push_back(rowPrint(row, rowBytes));
      ++i;
      continue;
    }
    // A stretch of bad rows stands for as many rows as its data would have held; data
    // after the last row counts only for whole rows.
    std::size_t j = i, bytes = 0;
    int bad = 0;
    for (; j < pieces.size() && pieces[j].row < 0; ++j) {
      bad += pieces[j].row == Piece::kBad;
      bytes += pieces[j].bytes;
    }
    const double rows = double(bytes) / rowBytesNear(pieces, i, j);
    int n = std::max(bad, int(bad ? std::lround(rows) : std::floor(rows)));
    n = std::max(0, std::min(n, kMaxRows - int(out.rows())));
    for (int k = 0; k < n; ++k) out.addRow(above);
    q.badRows += n;
    run += n;
    q.longestBadRun = std::max(q.longestBadRun, run);
    i = j;
  }
  out.finish();
  q.rows = int(out.rows());
  repaired_.assign(out.bytes().begin(), out.bytes().end());
  return q;
}

bool samePage(const std::vector<std::uint64_t>& before, const std::vector<std::uint64_t>& again) {
  const std::unordered_set<std::uint64_t> a(before.begin(), before.end());
  const std::unordered_set<std::uint64_t> b(again.begin(), again.end());
  if (a.empty() || b.empty()) return true;
  std::size_t shared = 0;
  for (std::uint64_t p : b) shared += a.count(p);
  return 2 * shared >= std::min(a.size(), b.size());
}

}  // namespace faximage
