// BRX reader (page chain over the file's bytes) and writer (page by page, into place at the end).
#include "faximage/brx_file.h"

#include <algorithm>

#include "faximage/errors.h"
#include "faximage/file_io.h"

namespace faximage {

int BrxReader::openFile(const std::string& name) {
  bytes_ = {};
  int rc = readWholeFile(name, owned_);
  if (rc != ecOK) return rc;
  bytes_ = owned_;
  return check();
}

int BrxReader::openBytes(std::span<const std::uint8_t> bytes) {
  owned_.clear();
  bytes_ = bytes;
  return check();
}

int BrxReader::check() {
  header_ = FaxFileHeader{};
  if (bytes_.size() < kFileHeaderSize) {
    header_.pageCount = 0;
    return ecFaxBadFormat;
  }
  header_ = unpackFileHeader(bytes_.first<kFileHeaderSize>());
  if (!header_.hasSignature()) {
    header_.pageCount = 0;
    return ecFaxBadFormat;
  }
  return ecOK;
}

int BrxReader::page(unsigned n, BrxPage& out) const {
  out = BrxPage{};
  if (n == 0 || n > header_.pageCount || bytes_.size() < kFileHeaderSize) return ecFaxBadFormat;
  auto readAt = [this](std::uint64_t pos, std::span<std::uint8_t, kPageHeaderSize> raw) {
    std::copy_n(bytes_.begin() + std::ptrdiff_t(pos), raw.size(), raw.begin());
    return ecOK;
  };
  auto visit = [&](unsigned k, std::uint64_t pos, const FaxPageHeader& h) {
    if (k != n) return ecOK;
    const std::uint64_t data = pos + kPageHeaderSize;
    const std::uint64_t avail = bytes_.size() - data;
    out.header = h;
    out.headerOffset = std::size_t(pos);
    out.truncated = avail < h.imageLength;
    out.data =
        bytes_.subspan(std::size_t(data), std::size_t(out.truncated ? avail : h.imageLength));
    return kStopWalk;
  };
  return walkPageChain(header_, bytes_.size(), readAt, visit);
}

BrxWriter::~BrxWriter() { abandon(); }

void BrxWriter::abandon() {
  file_.Abandon();
  inPage_ = false;
}

int BrxWriter::create(const std::string& path) {
  abandon();
  if (path.empty()) return ecFileNotFound;
  if (const int err = file_.Open(path)) return ioErrorFromErrno(err, true);
  header_ = FaxFileHeader{};
  header_.setSenderId("");
  // A fresh header carries only the signature and the first page offset.
  FaxFileHeader blank;
  blank.senderId.fill(0);
  auto bytes = packFileHeader(blank);
  return write(bytes.data(), bytes.size());
}

int BrxWriter::write(const void* data, std::size_t size) {
  if (!file_.IsOpen()) return -103;
  const int err = file_.Append(data, size);
  return err == 0 ? ecOK : ioErrorFromErrno(err, true);
}

int BrxWriter::writeAt(std::uint64_t offset, const void* data, std::size_t size) {
  if (!file_.IsOpen()) return -103;
  const int err = file_.WriteAt(offset, data, size);
  return err == 0 ? ecOK : ioErrorFromErrno(err, true);
}

int BrxWriter::beginPage(std::uint16_t flags) {
  if (inPage_) return ecBadArgument;
  page_ = FaxPageHeader{};
  page_.pageFlags = flags;
  pageOffset_ = file_.Size();
  inPage_ = true;
  auto bytes = packPageHeader(page_);
  return write(bytes.data(), bytes.size());
}

int BrxWriter::addLineRecord(std::span<const std::uint8_t> coded) {
  if (!inPage_ || coded.size() > 0xFFFF) return ecBadArgument;
  if (page_.imageLength > 0xFFFFFFFFu - 2 - coded.size()) return ecDiskWrite;
  std::uint8_t len[2] = {std::uint8_t(coded.size()), std::uint8_t(coded.size() >> 8)};
  int rc = write(len, 2);
  if (rc == ecOK) rc = write(coded.data(), coded.size());
  page_.imageLength += std::uint32_t(2 + coded.size());
  return rc;
}

int BrxWriter::addRaw(std::span<const std::uint8_t> bytes) {
  if (!inPage_) return ecBadArgument;
  if (page_.imageLength > 0xFFFFFFFFu - bytes.size()) return ecDiskWrite;
  page_.imageLength += std::uint32_t(bytes.size());
  return write(bytes.data(), bytes.size());
}

int BrxWriter::endPage() {
  if (!inPage_) return ecBadArgument;
  int rc = ecOK;
  if (page_.lineLengths()) rc = addLineRecord(kEndOfPageRecord);
  if (rc != ecOK) return rc;
  if (header_.pageCount == 0xFFFF) return ecBadArgument;
  ++header_.pageCount;
  inPage_ = false;
  auto bytes = packPageHeader(page_);
  return writeAt(pageOffset_, bytes.data(), bytes.size());
}

int BrxWriter::finish(std::string_view senderId, std::uint32_t fileDate) {
  if (!file_.IsOpen()) return -103;
  if (inPage_) return ecBadArgument;
  header_.setSenderId(senderId);
  header_.fileDate = fileDate;
  auto bytes = packFileHeader(header_);
  int rc = writeAt(0, bytes.data(), bytes.size());
  if (rc != ecOK) return rc;
  const int err = file_.Commit();
  return err == 0 ? ecOK : ioErrorFromErrno(err, true);
}

}  // namespace faximage
