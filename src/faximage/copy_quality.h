// The copy quality of a received page: its coded data is kept as it arrives and decoded in
// the line's coding at the page end. Rows that do not decode to the page width are bad;
// data that holds no row where rows were due (a noise burst that wiped out the line ends,
// or the tail of a page whose carrier was lost) counts as the rows it took the place of.
// The page comes out repaired as a fax machine prints it: each bad row replaced by the row
// above, so that the page keeps its length, coded MH whatever the line's coding was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "faximage/t4_2d.h"

namespace faximage {

struct PageQuality {
  int rows = 0;           // rows of the page as repaired
  int badRows = 0;        // rows repaired: bad ones and those lost in data without rows
  int longestBadRun = 0;  // consecutive rows repaired
  bool endSeen = false;   // the page ended with its end-of-page code

  // Poor: more than `maxBadPercent` of the rows bad, a run of bad rows longer than
  // `maxBadRun`, or data that gave no row at all.
  bool poor(int maxBadPercent, int maxBadRun) const;
};

class CopyQualityCheck {
 public:
  // width: the page's pixels across (1728, 2048 ...).
  CopyQualityCheck(t4::Coding coding, int width);

  // Page data as it arrives (DLE stuffing removed, bits in line order).
  void add(std::span<const std::uint8_t> bytes);
  // Decodes the page; the repaired page and its prints are ready afterwards.
  PageQuality finish();

  // The repaired page coded MH, with its end-of-page code.
  const std::vector<std::uint8_t>& repairedMh() const { return repaired_; }
  // A print of each good row that is not white, to tell a page sent again from another one.
  const std::vector<std::uint64_t>& prints() const { return prints_; }

 private:
  t4::Coding coding_;
  int width_;
  std::vector<std::uint8_t> data_;
  std::vector<std::uint8_t> repaired_;
  std::vector<std::uint64_t> prints_;
};

// Whether `again` looks like a copy of the page `before`: of the distinct printed rows of the
// page with fewer, half or more are found in the other. Pages without printed rows count as
// copies.
bool samePage(const std::vector<std::uint64_t>& before, const std::vector<std::uint64_t>& again);

}  // namespace faximage
