// Decoding BRX pages into lines with the display adjustments (double height or half width
// for standard pages, blank-line compression), and assembling them into page images.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "faximage/brx_file.h"
#include "faximage/mono_bitmap.h"

namespace faximage {

enum class TAutoScaleMode { asNone, asDoubleHeight, asHalfWidth };
enum class ExportFormat { Bmp, Pcx, Dcx };

struct UnpackSettings {
  bool yield = false;
  TAutoScaleMode autoScale = TAutoScaleMode::asDoubleHeight;
  unsigned whitespaceFrom = 0;  // compression only when both are non-zero
  unsigned whitespaceTo = 0;
  unsigned horizMult = 1, horizDiv = 1, vertMult = 1, vertDiv = 1;
  bool invert = false;  // deliver 1 = white
};

// Callbacks of one page decode. Any of them may be empty.
struct UnpackCallbacks {
  // A delivered line (len 0 for a blank line written by whitespace compression).
  std::function<void(const std::uint8_t* data, int len)> line;
  // Progress: bytes of page data consumed so far and ImageLength.
  std::function<void(long consumed, long total)> status;
  // Polled between lines; true stops decoding (not an error).
  std::function<bool()> aborted;
  // Called every 16 lines when settings.yield; false means quit (-1003).
  std::function<bool()> yield;
};

struct PageDecodeInfo {
  FaxPageHeader header;
  unsigned decodedLines = 0;  // lines of valid width
  unsigned invalidCodes = 0;
};

// Decodes page n of an open reader through the adjustments into cb.line. Returns 0,
// -8001 when the page is missing or its data ends before the end of the page, or -1003.
int decodePageLines(const BrxReader& reader, unsigned page, const UnpackSettings& settings,
                    const UnpackCallbacks& cb, PageDecodeInfo* info = nullptr);

// Assembles page n of `fileName` into `out` (1 = black unless settings.invert), scaled by the
// settings' factors. An empty page image (no lines accepted) has width and height 0.
int assemblePageImage(const std::string& fileName, unsigned page, const UnpackSettings& settings,
                      MonoBitmap& out, const UnpackCallbacks& cb = {});
int assemblePageImage(const BrxReader& reader, unsigned page, const UnpackSettings& settings,
                      MonoBitmap& out, const UnpackCallbacks& cb = {});

// Scales a 1 = black bitmap to the given size. When shrinking, a target pixel is black if
// any source pixel it covers is black, so thin strokes survive. Returns -8005 for sizes
// beyond what can be allocated.
int scaleBitmap(const MonoBitmap& in, int width, int height, MonoBitmap& out);

}  // namespace faximage
