// Fax pages for the session tests: BRX files made from readable pictures (rows of 'X'),
// and coded page data decoded back into such pictures.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace faxengine::test {

using Picture = std::vector<std::string>;

struct TestPage {
  Picture rows;
  bool fine = false;
};

// Writes a BRX file of line-record pages (the form the converter writes).
void writeBrx(const std::string& path, const std::vector<TestPage>& pages);
// Codes a picture as a continuous stream the way a fax machine sends a page, RTC included.
std::vector<std::uint8_t> codedPage(const Picture& rows);
// A raster line (1 black, most significant bit leftmost) as a picture row.
std::string pictureRow(const std::uint8_t* bits, int pixels);
// Decodes a coded stream into rows, trailing blanks dropped; blank lines are "".
Picture decodeRows(std::span<const std::uint8_t> data);
// The rows of page n (from 1) of a BRX file.
Picture brxPageRows(const std::string& path, int page);
// Compares the rows of `got` from row `skip` on with `want`, saying where they differ.
::testing::AssertionResult rowsMatch(const Picture& got, std::size_t skip, const Picture& want);
// A picture with some pattern in every row, rows rows tall.
Picture patternPicture(int rows, int seed);

// A fresh folder removed with the object.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  std::string path(const std::string& name) const { return dir_ + "/" + name; }
  const std::string& dir() const { return dir_; }

 private:
  std::string dir_;
};

}  // namespace faxengine::test
