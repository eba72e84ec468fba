// Storing received fax pages.
#include "faxengine/received_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "faxengine/errors.h"
#include "faxengine/modem_bytes.h"

namespace faxengine {

namespace {

constexpr std::array<std::uint8_t, 256> makeReversed() {
  std::array<std::uint8_t, 256> t{};
  for (int i = 0; i < 256; ++i) {
    int r = 0;
    for (int b = 0; b < 8; ++b)
      if (i & (1 << b)) r |= 0x80 >> b;
    t[std::size_t(i)] = std::uint8_t(r);
  }
  return t;
}
constexpr auto kReversed = makeReversed();

}  // namespace

std::uint8_t reverseBits(std::uint8_t b) { return kReversed[b]; }

ReceivedFile::~ReceivedFile() { close(); }

int ReceivedFile::create(const std::string& path, std::string_view senderId) {
  close();
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return errno == EEXIST ? ecAccessDenied : ioErrorFromErrno(errno, true);
  fd_ = fd;
  path_ = path;
  header_ = faximage::FaxFileHeader();
  header_.setSenderId(senderId);
  header_.fileDate = faximage::fileDateNow();
  auto bytes = faximage::packFileHeader(header_);
  end_ = 0;
  lastPageStart_ = -1;
  int rc = writeAt(0, bytes.data(), bytes.size());
  if (rc == ecOK) end_ = long(bytes.size());
  return rc;
}

int ReceivedFile::beginPage(bool fine, bool wide, faximage::t4::Coding coding) {
  if (fd_ < 0) return ecFileNotOpen;
  coding_ = coding;
  lineCoded_.clear();
  pageFlags_ = std::uint16_t((fine ? faximage::pfFine : 0) | (wide ? faximage::pfWide : 0));
  pageStart_ = end_;
  pageLength_ = 0;
  buffered_ = 0;
  dle_ = false;
  auto bytes = faximage::packPageHeader({0, pageFlags_});
  int rc = writeAt(pageStart_, bytes.data(), bytes.size());
  if (rc != ecOK) return rc;
  end_ = pageStart_ + long(bytes.size());
  inPage_ = true;
  return ecOK;
}

int ReceivedFile::feed(std::span<const std::uint8_t> data, bool reverse, std::size_t& used,
                       bool& ended) {
  ended = false;
  used = 0;
  while (used < data.size()) {
    std::uint8_t b = data[used++];
    if (dle_) {
      dle_ = false;
      if (b == kEtx) {
        ended = true;
        return flushBuffer();
      }
    } else if (b == kDle) {
      dle_ = true;
      continue;
    }
    buffer_[buffered_++] = reverse ? kReversed[b] : b;
    if (buffered_ == buffer_.size()) {
      int rc = flushBuffer();
      if (rc != ecOK) return rc;
    }
  }
  return ecOK;
}

int ReceivedFile::flushBuffer() {
  if (buffered_ == 0) return ecOK;
  if (tap_) tap_({buffer_.data(), buffered_});
  if (coding_ != faximage::t4::Coding::Mh) {
    lineCoded_.insert(lineCoded_.end(), buffer_.begin(), buffer_.begin() + long(buffered_));
    pageLength_ += std::uint32_t(buffered_);
    buffered_ = 0;
    return ecOK;
  }
  int rc = writeAt(end_, buffer_.data(), buffered_);
  if (rc != ecOK) return rc;
  end_ += long(buffered_);
  pageLength_ += std::uint32_t(buffered_);
  buffered_ = 0;
  return ecOK;
}

int ReceivedFile::endPage(std::string_view senderId) {
  if (!inPage_) return ecOK;
  int rc = flushBuffer();
  if (rc == ecOK) rc = storeAsMh();
  if (rc != ecOK) return rc;
  inPage_ = false;
  header_.pageCount++;
  header_.setSenderId(senderId);
  header_.fileDate = faximage::fileDateNow();
  auto fh = faximage::packFileHeader(header_);
  rc = writeAt(0, fh.data(), fh.size());
  if (rc != ecOK) return rc;
  auto ph = faximage::packPageHeader({pageLength_, pageFlags_});
  rc = writeAt(pageStart_, ph.data(), ph.size());
  if (rc == ecOK) lastPageStart_ = pageStart_;
  return rc;
}

int ReceivedFile::storePage(std::span<const std::uint8_t> data) {
  if (!inPage_) return ecOK;
  // What the page held so far, in any coding, is replaced.
  coding_ = faximage::t4::Coding::Mh;
  lineCoded_.clear();
  buffered_ = 0;
  pageLength_ = 0;
  end_ = pageStart_ + long(faximage::kPageHeaderSize);
  if (::ftruncate(fd_, end_) != 0) return ioErrorFromErrno(errno, true);
  int rc = writeAt(end_, data.data(), data.size());
  if (rc != ecOK) return rc;
  end_ += long(data.size());
  pageLength_ = std::uint32_t(data.size());
  return ecOK;
}

int ReceivedFile::dropLastPage() {
  if (inPage_ || lastPageStart_ < 0 || header_.pageCount == 0) return ecOK;
  end_ = lastPageStart_;
  lastPageStart_ = -1;
  if (::ftruncate(fd_, end_) != 0) return ioErrorFromErrno(errno, true);
  header_.pageCount--;
  auto fh = faximage::packFileHeader(header_);
  return writeAt(0, fh.data(), fh.size());
}

int ReceivedFile::storeCodedPage(std::span<const std::uint8_t> data) {
  if (coding_ == faximage::t4::Coding::Mh) return storePage(data);
  lineCoded_.assign(data.begin(), data.end());
  return storeAsMh();
}

int ReceivedFile::storeAsMh() {
  if (coding_ == faximage::t4::Coding::Mh) return ecOK;
  const int width = (pageFlags_ & faximage::pfWide) ? faximage::kWideWidth : faximage::kNormalWidth;
  std::vector<std::uint8_t> mh;
  faximage::t4::transcodePage(lineCoded_, coding_, faximage::t4::Coding::Mh, width, 0, mh);
  return storePage(mh);
}

int ReceivedFile::cutPage() {
  if (!inPage_) return ecOK;
  inPage_ = false;
  buffered_ = 0;
  lineCoded_.clear();
  dle_ = false;
  end_ = pageStart_;
  if (::ftruncate(fd_, pageStart_) != 0) return ioErrorFromErrno(errno, true);
  return ecOK;
}

int ReceivedFile::close() {
  if (fd_ < 0) return ecOK;
  int rc = ecOK;
  if (::close(fd_) != 0) rc = ioErrorFromErrno(errno, true);
  fd_ = -1;
  inPage_ = false;
  return rc;
}

int ReceivedFile::writeAt(long offset, const void* data, std::size_t size) {
  ssize_t n = ::pwrite(fd_, data, size, offset);
  if (n < 0) return ioErrorFromErrno(errno, true);
  if (std::size_t(n) != size) return ecDeviceWrite;
  return ecOK;
}

}  // namespace faxengine
