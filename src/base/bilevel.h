// Grey pixels made black and white for fax pages: photographs by error diffusion, so a
// grey area becomes a pattern of its density instead of a black blob, and line art, text
// and clean scans by a plain threshold, so their edges stay sharp.
#pragma once

#include <cstddef>
#include <cstdint>

namespace base {

// 8-bit grey pixels, 0 black to 255 white, rows stride bytes apart.
struct GreyPlane {
  std::uint8_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  std::ptrdiff_t stride = 0;
};

// True when few pixels are mid-grey: such a picture (a logo, a drawing, a text scan)
// keeps its edges best with a threshold.
bool LooksLikeLineArt(const GreyPlane& plane);

// Every pixel becomes 0 or 255 by error diffusion in alternating directions. Pixels next to
// black or white are set outright and pass no error on, so paper stays clean and solid
// black stays solid; a pixel that is already 0 or 255 never changes.
void DiffuseToBlackAndWhite(const GreyPlane& plane);

// Every pixel becomes 0 (below 128) or 255.
void ThresholdToBlackAndWhite(const GreyPlane& plane);

// Line art by threshold, anything else by error diffusion.
void MakeBlackAndWhite(const GreyPlane& plane);

}  // namespace base
