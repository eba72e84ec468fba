// Byte layout of BRX fax files: the file header, the page header and the fixed line records.
// All multi-byte integers are little-endian. This is the one place the layout is written down.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace faximage {

// FaxFileHeader, 64 bytes at offset 0:
//
// | offset | size | field            | contents                                                  |
// |--------|------|------------------|-----------------------------------------------------------|
// | 0      | 6    | Signature        | "BRX10" then 0x1A                                         |
// | 6      | 4    | FileDate         | packed local date/time (see packFileDate), 0 if unknown   |
// | 10     | 1    | SenderID length  | 0..20 significant characters                              |
// | 11     | 20   | SenderID chars   | station identifier, space-filled after the length         |
// | 31     | 1    | reserved         | 0                                                         |
// | 32     | 2    | PageCount        | pages in the file                                         |
// | 34     | 4    | FirstPageOffset  | offset of the first page header; writers store 64         |
// | 38     | 26   | reserved         | 0                                                         |
//
// FaxPageHeader, 16 bytes ahead of each page:
//
// clang-format off
// | offset | size | field       | contents                                                      |
// |--------|------|-------------|---------------------------------------------------------------|
// | 0      | 4    | ImageLength | bytes of page data that follow (length words included)        |
// | 4      | 2    | PageFlags   | bit 0 pfFine, bit 1 pfWide (2048 pixels), bit 2 pfLineLengths |
// | 6      | 10   | reserved    | 0                                                             |
// clang-format on
//
// Page data with pfLineLengths: line records, each a 2-byte length L then L bytes of
// T.4 one-dimensional code; the last record is the end-of-page record. Without it: one
// continuous coded stream of ImageLength bytes. Code bits run least significant first.
// Page k+1's header lies at page k's header offset + 16 + ImageLength(k).

inline constexpr std::size_t kFileHeaderSize = 64;
inline constexpr std::size_t kPageHeaderSize = 16;
inline constexpr std::size_t kSenderIdMax = 20;
inline constexpr std::size_t kMaxRecordBytes = 4096;  // bytes of one line record that are used
inline constexpr std::array<std::uint8_t, 6> kBrxSignature{'B', 'R', 'X', '1', '0', 0x1A};

inline constexpr std::uint16_t pfFine = 1;
inline constexpr std::uint16_t pfWide = 2;
inline constexpr std::uint16_t pfLineLengths = 4;

inline constexpr int kNormalWidth = 1728;  // pixels per line; 216 bytes
inline constexpr int kWideWidth = 2048;    // 256 bytes

// End-of-page record body: the 16-bit EOL word, six further EOL codes, eight 0 bits.
inline constexpr std::array<std::uint8_t, 12> kEndOfPageRecord{0x00, 0x80, 0x00, 0x08, 0x80, 0x00,
                                                               0x08, 0x80, 0x00, 0x08, 0x80, 0x00};

struct FaxFileHeader {
  std::array<std::uint8_t, 6> signature = kBrxSignature;
  std::uint32_t fileDate = 0;
  std::uint8_t senderIdLength = 0;
  std::array<char, kSenderIdMax> senderId{' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
                                          ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
  std::uint16_t pageCount = 0;
  std::uint32_t firstPageOffset = kFileHeaderSize;

  bool hasSignature() const { return signature == kBrxSignature; }
  // The significant characters (the length byte is capped at 20).
  std::string senderIdText() const;
  // Stores the identifier cut to 20 characters, space-filled.
  void setSenderId(std::string_view id);
};

struct FaxPageHeader {
  std::uint32_t imageLength = 0;
  std::uint16_t pageFlags = 0;

  bool fine() const { return pageFlags & pfFine; }
  bool wide() const { return pageFlags & pfWide; }
  bool lineLengths() const { return pageFlags & pfLineLengths; }
  int lineWidth() const { return wide() ? kWideWidth : kNormalWidth; }
};

std::array<std::uint8_t, kFileHeaderSize> packFileHeader(const FaxFileHeader& h);
FaxFileHeader unpackFileHeader(std::span<const std::uint8_t, kFileHeaderSize> bytes);
std::array<std::uint8_t, kPageHeaderSize> packPageHeader(const FaxPageHeader& h);
FaxPageHeader unpackPageHeader(std::span<const std::uint8_t, kPageHeaderSize> bytes);

// Packed file date: bits 0-4 seconds/2, 5-10 minutes, 11-15 hours, 16-20 day, 21-24 month,
// 25-31 year - 1980. The whole value is 0 when the year lies outside 1980..2099.
struct FileDateParts {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
std::uint32_t packFileDate(const FileDateParts& d);
FileDateParts unpackFileDate(std::uint32_t packed);
std::uint32_t fileDateNow();  // local time now

}  // namespace faximage
