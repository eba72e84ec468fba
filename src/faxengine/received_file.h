// A BRX file being received: created exclusively with its file header, one page header
// per page, page data stored as it comes from the modem, and the headers rewritten in
// place when a page ends. Page data stays a continuous coded stream (no line records),
// always MH: a page that came in MR or MMR is kept in memory and stored transcoded when
// it ends, so that everything that reads BRX files reads it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include <vector>

#include "faximage/brx_format.h"
#include "faximage/t4_2d.h"

namespace faxengine {

// Each byte with its bit order reversed (bit 7 becomes bit 0).
std::uint8_t reverseBits(std::uint8_t b);

class ReceivedFile {
 public:
  ReceivedFile() = default;
  ReceivedFile(const ReceivedFile&) = delete;
  ReceivedFile& operator=(const ReceivedFile&) = delete;
  ~ReceivedFile();

  // Creates the file (never over an existing one: that gives -5) and writes the header.
  int create(const std::string& path, std::string_view senderId);
  // Starts a page coded `coding` on the line: writes its header with ImageLength 0.
  int beginPage(bool fine, bool wide, faximage::t4::Coding coding = faximage::t4::Coding::Mh);

  // Stores page data from the modem: DLE DLE stores one 0x10, DLE ETX ends the page, a
  // DLE before any other byte is dropped and the byte stored. With `reverse` each stored
  // byte is bit-reversed first. `used` is the count of bytes taken (up to the DLE ETX).
  int feed(std::span<const std::uint8_t> data, bool reverse, std::size_t& used, bool& ended);

  // Counts the page and rewrites the file header (sender, date) and the page header; a
  // page in MR or MMR is stored in MH now (rows that do not decode are left out).
  int endPage(std::string_view senderId);
  // Drops the current page: the file is cut back to where its header began.
  int cutPage();
  // Puts `data` (MH) in place of what was fed into the current page.
  int storePage(std::span<const std::uint8_t> data);
  // A whole page in the page's line coding, stored as MH.
  int storeCodedPage(std::span<const std::uint8_t> data);
  // Out of a page: drops the last page counted (a copy that another copy replaces).
  int dropLastPage();
  // Told of the page data as it is stored (after DLE removal and bit reversal).
  void setPageTap(std::function<void(std::span<const std::uint8_t>)> tap) { tap_ = std::move(tap); }
  int close();

  bool isOpen() const { return fd_ >= 0; }
  bool inPage() const { return inPage_; }
  int pageCount() const { return header_.pageCount; }
  long pageBytes() const { return long(pageLength_ + buffered_); }
  const std::string& path() const { return path_; }

 private:
  int flushBuffer();
  int storeAsMh();
  int writeAt(long offset, const void* data, std::size_t size);

  int fd_ = -1;
  std::string path_;
  faximage::FaxFileHeader header_;
  bool inPage_ = false;
  bool dle_ = false;  // the last byte fed was a lone DLE
  long pageStart_ = 0;
  long lastPageStart_ = -1;  // where the last page counted begins
  long end_ = 0;
  std::uint32_t pageLength_ = 0;
  std::uint16_t pageFlags_ = 0;
  faximage::t4::Coding coding_ = faximage::t4::Coding::Mh;
  std::vector<std::uint8_t> lineCoded_;  // the page as it came, when not MH
  std::array<std::uint8_t, 4096> buffer_{};
  std::size_t buffered_ = 0;
  std::function<void(std::span<const std::uint8_t>)> tap_;
};

}  // namespace faxengine
