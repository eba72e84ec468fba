// Page exports: BMP, PCX, DCX and PBM byte images of 1 = black page bitmaps.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "faximage/mono_bitmap.h"

namespace faximage {

// BMP: 14-byte file header ("BM", size = stride * height + 62, data at 62), 40-byte
// information header (width, height, 1 plane, 1 bit, the rest 0), palette black then white,
// rows bottom-up, inverted, padded with 0xFF to a multiple of 4 bytes. Pages of 32768 or more
// rows give -8054.
int encodeBmp(const MonoBitmap& page, std::vector<std::uint8_t>& out);

// PCX: 128-byte header (manufacturer 10, version 2, encoding 1, 1 bit, x/y min 0, x max =
// width - 1, y max = height - 1, 1 plane, bytes per line = width / 8, the rest 0), then each
// row inverted and run-length coded within the row.
void encodePcx(const MonoBitmap& page, std::vector<std::uint8_t>& out);

// DCX: 987654321, a table of 1024 page offsets (0 after the last), then the PCX pages.
// At most 1023 pages are stored, so the table always ends with 0.
void encodeDcx(std::span<const MonoBitmap> pages, std::vector<std::uint8_t>& out);

// Portable bitmap (P4): 1 = black rows at ceiling(width / 8) bytes.
void encodePbm(const MonoBitmap& page, std::vector<std::uint8_t>& out);

}  // namespace faximage
