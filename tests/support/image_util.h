// Helpers of the fax image tests: readable pictures (rows of 'X' and blanks), scratch
// folders, small file builders.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "faximage/mono_bitmap.h"

namespace faximage::test {

// A picture is rows of 'X' (black) and anything else (white), all as wide as the widest.
MonoBitmap fromPicture(const std::vector<std::string>& rows);
std::vector<std::string> toPicture(const MonoBitmap& b, int maxWidth = -1);
// The picture of one raster line of `pixels` pixels.
std::string lineToPicture(const std::uint8_t* line, int pixels);

// A fresh folder under the build's temporary folder, removed with the object.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  const std::filesystem::path& dir() const { return dir_; }

 private:
  std::filesystem::path dir_;
};

std::vector<std::uint8_t> readFile(const std::string& name);
// A P4 portable bitmap (1 = black); empty when the file is not one.
MonoBitmap readPbm(const std::string& file);
void writeFile(const std::string& name, const std::vector<std::uint8_t>& bytes);

// A 1-bit BMP (palette black, white; index 0 black) of a 1 = black bitmap.
std::vector<std::uint8_t> makeMonoBmp(const MonoBitmap& b, bool topDown = false);
// An uncompressed 24-bit BMP where black pixels of `b` get colour `ink` and others `paper`.
std::vector<std::uint8_t> makeColourBmp(const MonoBitmap& b, std::uint32_t ink, std::uint32_t paper,
                                        int bits = 24);
// A bilevel TIFF (photometric 0, one strip); compression 1 or 32773 (PackBits).
std::vector<std::uint8_t> makeTiff(const MonoBitmap& b, int compression = 1,
                                   bool bigEndian = false);

// A letter in the fax font: lines with ragged ends, a blank line between paragraphs;
// `first` varies the text from page to page.
MonoBitmap textPage(int width, int rows, int first = 0);

// Pseudo-random bits that repeat from run to run.
std::uint32_t nextRandom(std::uint32_t& state);

}  // namespace faximage::test
