// Reading and writing BRX fax files: a reader over the bytes of a whole file that walks
// the page chain, and a writer that builds a file page by page.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "faximage/brx_format.h"

namespace faximage {

// One page as found in a file: its header and the data bytes present in the file.
struct BrxPage {
  FaxPageHeader header;
  std::size_t headerOffset = 0;
  std::span<const std::uint8_t> data;  // at most ImageLength bytes
  bool truncated = false;              // the file ends before ImageLength bytes
};

class BrxReader {
 public:
  // Reads the whole file. "" gives -2; a missing or unreadable file its file error;
  // a file shorter than 64 bytes or without the signature -8001.
  int openFile(const std::string& name);
  // Same checks on bytes held by the caller, which must outlive the reader.
  int openBytes(std::span<const std::uint8_t> bytes);

  const FaxFileHeader& header() const { return header_; }
  int pageCount() const { return header_.pageCount; }
  std::span<const std::uint8_t> bytes() const { return bytes_; }

  // Locates page n (from 1) by the page chain. n of 0 or above PageCount, or a page
  // header outside the file, gives -8001.
  int page(unsigned n, BrxPage& out) const;

 private:
  int check();
  std::vector<std::uint8_t> owned_;
  std::span<const std::uint8_t> bytes_;
  FaxFileHeader header_;
};

// Calls fn(record) for each line record of a pfLineLengths page (at most 4096 bytes of
// each record are passed). Returns false when a record runs past the data; stops early
// when fn returns false.
template <class Fn>
bool forEachLineRecord(std::span<const std::uint8_t> data, Fn&& fn) {
  std::size_t pos = 0;
  while (pos < data.size()) {
    if (data.size() - pos < 2) return false;
    std::size_t len = data[pos] | (std::size_t(data[pos + 1]) << 8);
    pos += 2;
    if (data.size() - pos < len) return false;
    std::size_t used = len < kMaxRecordBytes ? len : kMaxRecordBytes;
    if (!fn(data.subspan(pos, used))) return true;
    pos += len;
  }
  return true;
}

// Writes a BRX file. The data goes to a temporary file beside the target, which replaces
// the target only when finish() succeeds; a writer destroyed or abandoned before that
// removes its temporary file, so a failed run leaves neither a partial file nor a damaged
// older file of the same name.
class BrxWriter {
 public:
  BrxWriter() = default;
  BrxWriter(const BrxWriter&) = delete;
  BrxWriter& operator=(const BrxWriter&) = delete;
  ~BrxWriter();

  int create(const std::string& path);
  // Starts a page: its header (ImageLength 0 for now) is written at once, so a page
  // without image lines still gets a header.
  int beginPage(std::uint16_t flags);
  int addLineRecord(std::span<const std::uint8_t> coded);
  // Appends pre-coded data as it is (pages without pfLineLengths).
  int addRaw(std::span<const std::uint8_t> bytes);
  // Writes the end-of-page record (line-record pages), counts the page and rewrites its header.
  int endPage();
  // Completes the file header and moves the file into place.
  int finish(std::string_view senderId, std::uint32_t fileDate);
  void abandon();

  std::uint16_t pageCount() const { return header_.pageCount; }
  bool inPage() const { return inPage_; }

 private:
  int write(const void* data, std::size_t size);
  int writeAt(long offset, const void* data, std::size_t size);

  std::FILE* file_ = nullptr;
  std::string target_;
  std::string temp_;
  FaxFileHeader header_;
  FaxPageHeader page_;
  long pageOffset_ = 0;
  long end_ = 0;
  bool inPage_ = false;
};

}  // namespace faximage
