// Reading and writing BRX fax files: a reader over the bytes of a whole file that walks
// the page chain, and a writer that builds a file page by page.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/atomicfile.h"
#include "base/bytes.h"
#include "faximage/brx_format.h"
#include "faximage/errors.h"

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

// Walks the page chain of a file of fileSize bytes: for each of the header's pages it
// reads the page header through readAt(offset, header bytes), which returns ecOK or an
// error code, and calls visit(page number from 1, header offset, page header), which
// returns ecOK to go on, kStopWalk to stop, or an error code. A page header that does not
// lie wholly inside the file gives ecFaxBadFormat.
inline constexpr int kStopWalk = 1;
template <class ReadAt, class Visit>
int walkPageChain(const FaxFileHeader& file, std::uint64_t fileSize, ReadAt&& readAt,
                  Visit&& visit) {
  std::uint64_t pos = file.firstPageOffset;
  for (unsigned k = 1; k <= file.pageCount; ++k) {
    if (pos > fileSize || fileSize - pos < kPageHeaderSize) return ecFaxBadFormat;
    std::array<std::uint8_t, kPageHeaderSize> raw{};
    int rc = readAt(pos, std::span<std::uint8_t, kPageHeaderSize>(raw));
    if (rc != ecOK) return rc;
    const FaxPageHeader h = unpackPageHeader(raw);
    rc = visit(k, pos, h);
    if (rc != ecOK) return rc == kStopWalk ? ecOK : rc;
    pos += kPageHeaderSize + std::uint64_t(h.imageLength);
  }
  return ecOK;
}

// Calls fn(record) for each line record of a pfLineLengths page (at most 4096 bytes of
// each record are passed). Returns false when a record runs past the data; stops early
// when fn returns false.
template <class Fn>
bool forEachLineRecord(std::span<const std::uint8_t> data, Fn&& fn) {
  std::size_t pos = 0;
  while (pos < data.size()) {
    if (data.size() - pos < 2) return false;
    std::size_t len = base::le16(&data[pos]);
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
  int writeAt(std::uint64_t offset, const void* data, std::size_t size);

  base::AtomicFile file_;
  FaxFileHeader header_;
  FaxPageHeader page_;
  std::uint64_t pageOffset_ = 0;
  bool inPage_ = false;
};

}  // namespace faximage
