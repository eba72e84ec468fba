// Builds small BRX files from 1 = black bitmaps, one page per bitmap, for viewer and
// printing tests.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "faximage/mono_bitmap.h"

namespace faximage::test {

struct BitmapPage {
  MonoBitmap image;  // placed at pixel 0 of 1728-pixel lines
  bool fine = true;
};

// Writes the pages to `path` under the sender's identifier and packed file date; returns
// the engine's code (0 on success).
int writeBrx(const std::string& path, const std::vector<BitmapPage>& pages,
             std::string_view senderId = "", std::uint32_t fileDate = 0);

}  // namespace faximage::test
