// Whole-page T.4 coding in the three codings a fax line carries: one-dimensional (MH),
// two-dimensional (MR, a 1-D row every K rows) and T.6 (MMR, 2-D throughout, no EOLs).
// Rows in (1 black, MSB leftmost), coded bytes out, and back through a row callback. Bits run
// least significant first within each byte, as on the line. No I/O here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "faximage/t4_decoder.h"

namespace faximage::t4 {

enum class Coding { Mh, Mr, Mmr };

// K of MR coding: rows per one-dimensionally coded row.
inline constexpr int kMrStandardK = 2;
inline constexpr int kMrFineK = 4;
inline constexpr int kMaxCodedWidth = LineDecoder::kLineBytes * 8;

class PageEncoder {
 public:
  // width is clamped to 1..kMaxCodedWidth, k to at least 1 (used by MR only).
  PageEncoder(Coding coding, int width, int k = kMrStandardK);

  // Codes one row; raster bytes beyond the span count as white. MH and MR rows each start
  // with fill and an EOL (MR: and the tag bit) and end on a byte boundary, so that fill bytes
  // may go between them; MMR rows follow each other bit by bit.
  void addRow(std::span<const std::uint8_t> raster);
  // Ends the page: six EOLs (MR: each tagged one-dimensional) or the EOFB of MMR, padded
  // with 0 bits to the byte.
  void finish();

  // Whole coded bytes not yet taken; takeBytes() forgets them.
  std::span<const std::uint8_t> bytes() const { return {buf_.data(), used_}; }
  void takeBytes() { used_ = 0; }
  unsigned rows() const { return rows_; }

 private:
  std::uint8_t* room(std::size_t bytes);

  Coding coding_;
  int width_;
  int k_;
  int untilOneD_ = 0;  // MR: rows before the next one-dimensional row
  unsigned rows_ = 0;
  std::vector<int> ref_, cur_;  // changing elements of the rows, then sentinels at width
  std::vector<std::uint8_t> buf_;
  std::size_t used_ = 0;
  std::uint64_t pendingBits_ = 0;  // MMR: bits after the last whole byte
  std::uint32_t pendingCount_ = 0;
};

class PageDecoder {
 public:
  using LineSink = LineDecoder::LineSink;
  // Told of each row dropped as damaged, in its place among the delivered rows (optional).
  using DamageSink = std::function<void()>;

  // Lines must be exactly `width` pixels (clamped to 1..kMaxCodedWidth).
  PageDecoder(Coding coding, int width);

  // DataEnd: the data ended without an end of page. EndOfPage: RTC or EOFB seen. Stopped: the
  // sink returned false. Damaged: MMR data that cannot be decoded further (the rows before the
  // damage were delivered).
  enum class Result { DataEnd, EndOfPage, Stopped, Damaged };

  // Delivers each good row of `width` pixels ((width + 7) / 8 bytes). MH and MR: bits before
  // the first EOL are ignored; a damaged row is dropped and counted, and decoding resumes at
  // the next EOL; in MR the 2-D rows after a damaged row are dropped as well until a 1-D row
  // gives a sound reference again. Three EOLs with no row between them end the page.
  Result decodePage(std::span<const std::uint8_t> data, const LineSink& sink);

  unsigned lines() const { return lines_; }
  unsigned badLines() const { return bad_; }

  void setDamageSink(DamageSink s) { damage_ = std::move(s); }
  // While a sink runs: the bytes of the data up to the end of that row.
  std::size_t rowEnd() const { return rowEnd_; }

 private:
  Result decodeMr(std::span<const std::uint8_t> data, const LineSink& sink);
  Result decodeMmr(std::span<const std::uint8_t> data, const LineSink& sink);
  bool deliver(const LineSink& sink);

  void damaged(std::size_t end);

  Coding coding_;
  int width_;
  DamageSink damage_;
  std::size_t rowEnd_ = 0;
  unsigned lines_ = 0;
  unsigned bad_ = 0;
  std::vector<int> ref_, cur_;
  int curCount_ = 0;
  int refCount_ = 0;
  std::vector<std::uint8_t> line_;
};

struct TranscodeResult {
  unsigned lines = 0;     // rows written
  unsigned badLines = 0;  // rows of the input dropped as damaged
  PageDecoder::Result end = PageDecoder::Result::DataEnd;
};

// Decodes one page coded `from` and codes its good rows `to` (the sender turns a stored MH
// page into MR or MMR for the line; the receiver turns what came in back into MH). `out`
// receives the coded page including its end (RTC or EOFB). k is MR's K.
TranscodeResult transcodePage(std::span<const std::uint8_t> in, Coding from, Coding to, int width,
                              int k, std::vector<std::uint8_t>& out);

}  // namespace faximage::t4
