// Page data on its way to the modem: DLE doubling (every 0x10 of coded data is sent
// twice, so the modem does not take it for a command), zero fill up to the minimum bytes
// per scan line, and a queue for what the port's output buffer cannot take yet.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "faxengine/modem_bytes.h"
#include "faxengine/modem_link.h"

namespace faxengine {

// Appends bytes to out with every DLE doubled.
void appendDleDoubled(std::span<const std::uint8_t> bytes, std::vector<std::uint8_t>& out);

class PageOutput {
 public:
  explicit PageOutput(ModemLink& link) : link_(link) {}

  void setMinBytesPerLine(int n) { minBytes_ = n; }
  // Collects instead of writing, and without DLE doubling: the page is kept whole (error
  // correction sends it in frames) and taken with take().
  void setCollect(bool on) { collect_ = on; }
  std::vector<std::uint8_t> take();
  int minBytesPerLine() const { return minBytes_; }

  // One coded scan line: DLE-doubled, zero-filled to the minimum bytes per line.
  void line(std::span<const std::uint8_t> coded);
  // Coded data that is not one line (a block of a continuous page): DLE-doubled.
  void data(std::span<const std::uint8_t> bytes);
  void zeros(std::size_t n);
  // Bytes that go out as they are (DLE ETX and the like).
  void control(std::span<const std::uint8_t> bytes);

  // Writes what is queued as far as the output buffer has room; true when all went out.
  bool flush();
  bool idle() const { return pos_ == queue_.size(); }
  std::size_t queued() const { return queue_.size() - pos_; }
  void clear();
  // Every byte handed to the link so far.
  std::uint64_t written() const { return written_; }

 private:
  ModemLink& link_;
  int minBytes_ = 0;
  bool collect_ = false;
  std::vector<std::uint8_t> queue_;
  std::size_t pos_ = 0;  // queue_ bytes before pos_ are written
  std::uint64_t written_ = 0;
};

}  // namespace faxengine
