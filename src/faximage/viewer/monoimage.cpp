#include "faximage/viewer/monoimage.h"

#include <algorithm>

namespace faximage {

QImage ToQImage(const MonoBitmap& b, QColor black, QColor white) {
  QImage img(b.width, b.height, QImage::Format_Mono);
  img.setColorTable({white.rgb(), black.rgb()});
  for (int y = 0; y < b.height; ++y) std::copy(b.row(y), b.row(y) + b.stride, img.scanLine(y));
  return img;
}

}  // namespace faximage
