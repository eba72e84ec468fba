// Page sources for the converter: each turns one input kind into raster lines (1 black,
// MSB leftmost) page by page. Every source reads from bytes held in memory, so tests and
// fuzzers need no files.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "faximage/convert_options.h"
#include "faximage/convert_state.h"

namespace faximage {

using LineBuffer = std::array<std::uint8_t, kLineBufferBytes>;

// What a source knows of the conversion.
struct SourceContext {
  int pageWidth = kNormalWidth;
  int leftMargin = 0;
  TFaxCvtOptions options = 0;
  bool fine = false;
};

// Where an image of width w goes on the line.
struct Placement {
  bool doubling = false;   // write each pixel twice across
  bool dropLines = false;  // keep only odd lines of the page
  int centerBytes = 0;     // whole bytes of white in front of every line
};
Placement computePlacement(int imageWidth, const SourceContext& ctx);

struct LineRead {
  int length = 0;          // bytes of the line
  bool endOfPage = false;  // no line was read: the page ends here
  bool morePages = true;   // with endOfPage: another page follows
};

class LineSource {
 public:
  virtual ~LineSource() = default;
  // Reads the whole file and opens its bytes.
  virtual int open(const std::string& name);
  // Checks the header and prepares the first page; the bytes are copied.
  virtual int openBytes(std::span<const std::uint8_t> bytes) = 0;
  // Fills `line` (cleared to white by the caller) with the next line, or reports the end
  // of the page. Returns 0 or a negative error code.
  virtual int readLine(LineBuffer& line, LineRead& result) = 0;
  virtual void close() {}

  const Placement& placement() const { return placement_; }
  long bytesConverted() const { return bytesConverted_; }
  long bytesToConvert() const { return bytesToConvert_; }

 protected:
  // Copies one image row into the line, shifted right by the centring offset, and clears
  // the bits past the image width in its last byte. Returns the line length in bytes.
  int placeRow(const std::uint8_t* row, int imageWidth, LineBuffer& line) const;

  Placement placement_;
  long bytesConverted_ = 0;
  long bytesToConvert_ = 0;
};

std::unique_ptr<LineSource> makeBmpSource(const SourceContext& ctx);
std::unique_ptr<LineSource> makeTiffSource(const SourceContext& ctx);
std::unique_ptr<LineSource> makePcxSource(const SourceContext& ctx);
std::unique_ptr<LineSource> makeDcxSource(const SourceContext& ctx);

struct TextSettings {
  unsigned linesPerPage = 60;  // 0: no limit
  unsigned tabStop = 4;        // 0: 4
};
// `font` must have its glyph set loaded and outlive the source.
std::unique_ptr<LineSource> makeTextSource(const SourceContext& ctx, const ConvertState& font,
                                           const TextSettings& settings);

// Lines supplied by the caller's events.
struct UserLineEvents {
  std::function<void(const std::string& name)> open;
  std::function<void(std::uint8_t* data, int& len, bool& endOfPage, bool& morePages)> read;
  std::function<void()> close;
};
std::unique_ptr<LineSource> makeUserSource(UserLineEvents events);

}  // namespace faximage
