// The settings of a conversion that the page sources read as well as the converter: the
// option bits, the resolution, the page width and the text font.
#pragma once

namespace faximage {

// Option bits of the set TFaxCvtOptions.
enum TFaxCvtOption : unsigned {
  coDoubleWidth = 1,  // write narrow images at twice their width on standard pages
  coHalfHeight = 2,   // keep only odd lines on standard pages when not doubling
  coCenterImage = 4,  // centre narrow images on the line
  coYield = 8,        // let the caller's message loop run after each page
  coYieldOften = 16,  // ... and every 16 lines (only together with coYield)
};
using TFaxCvtOptions = unsigned;

enum class TFaxResolution { frNormal, frHigh };
enum class TFaxWidth { fwNormal, fwWide };
enum class TFaxFont { ffStandard, ffSmall };

}  // namespace faximage
