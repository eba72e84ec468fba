// Packing and unpacking of the BRX file and page headers, and the packed file date.
#include "faximage/brx_format.h"

#include "base/bytes.h"

#include <algorithm>
#include <ctime>

namespace faximage {

std::string FaxFileHeader::senderIdText() const {
  std::size_t n = std::min<std::size_t>(senderIdLength, kSenderIdMax);
  return std::string(senderId.data(), n);
}

void FaxFileHeader::setSenderId(std::string_view id) {
  std::size_t n = std::min(id.size(), kSenderIdMax);
  senderId.fill(' ');
  std::copy_n(id.data(), n, senderId.data());
  senderIdLength = std::uint8_t(n);
}

std::array<std::uint8_t, kFileHeaderSize> packFileHeader(const FaxFileHeader& h) {
  std::array<std::uint8_t, kFileHeaderSize> b{};
  std::copy(h.signature.begin(), h.signature.end(), b.begin());
  base::putLe32(&b[6], h.fileDate);
  b[10] = h.senderIdLength;
  std::copy(h.senderId.begin(), h.senderId.end(), b.begin() + 11);
  base::putLe16(&b[32], h.pageCount);
  base::putLe32(&b[34], h.firstPageOffset);
  return b;
}

FaxFileHeader unpackFileHeader(std::span<const std::uint8_t, kFileHeaderSize> b) {
  FaxFileHeader h;
  std::copy_n(b.begin(), 6, h.signature.begin());
  h.fileDate = base::le32(&b[6]);
  h.senderIdLength = b[10];
  std::copy_n(b.begin() + 11, kSenderIdMax, h.senderId.begin());
  h.pageCount = std::uint16_t(base::le16(&b[32]));
  h.firstPageOffset = base::le32(&b[34]);
  return h;
}

std::array<std::uint8_t, kPageHeaderSize> packPageHeader(const FaxPageHeader& h) {
  std::array<std::uint8_t, kPageHeaderSize> b{};
  base::putLe32(&b[0], h.imageLength);
  base::putLe16(&b[4], h.pageFlags);
  return b;
}

FaxPageHeader unpackPageHeader(std::span<const std::uint8_t, kPageHeaderSize> b) {
  FaxPageHeader h;
  h.imageLength = base::le32(&b[0]);
  h.pageFlags = std::uint16_t(base::le16(&b[4]));
  return h;
}

std::uint32_t packFileDate(const FileDateParts& d) {
  if (d.year < 1980 || d.year > 2099) return 0;
  return std::uint32_t(d.second / 2) | (std::uint32_t(d.minute) << 5) |
         (std::uint32_t(d.hour) << 11) | (std::uint32_t(d.day) << 16) |
         (std::uint32_t(d.month) << 21) | (std::uint32_t(d.year - 1980) << 25);
}

FileDateParts unpackFileDate(std::uint32_t v) {
  FileDateParts d;
  if (v == 0) return d;
  d.second = int(v & 31) * 2;
  d.minute = int((v >> 5) & 63);
  d.hour = int((v >> 11) & 31);
  d.day = int((v >> 16) & 31);
  d.month = int((v >> 21) & 15);
  d.year = int(v >> 25) + 1980;
  return d;
}

std::uint32_t fileDateNow() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  if (!localtime_r(&t, &tm)) return 0;
  return packFileDate(
      {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec});
}

}  // namespace faximage
