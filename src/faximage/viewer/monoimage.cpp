#include "faximage/viewer/monoimage.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace faximage {

QImage ToQImage(const MonoBitmap& b, QColor black, QColor white) {
  QImage img(b.width, b.height, QImage::Format_Mono);
  SetInkColours(img, black, white);
  for (int y = 0; y < b.height; ++y) std::copy(b.row(y), b.row(y) + b.stride, img.scanLine(y));
  return img;
}

QImage ShadedQImage(const MonoBitmap& b, int width, int height, QColor black, QColor white) {
  if (b.empty() || width <= 0 || height <= 0) return {};
  QImage img(width, height, QImage::Format_Indexed8);
  if (img.isNull()) return img;
  SetInkColours(img, black, white);
  // Source columns [x0[tx], x0[tx + 1]) and rows of each target pixel, at least one each.
  std::vector<int> x0(std::size_t(width) + 1);
  for (int tx = 0; tx <= width; ++tx) x0[std::size_t(tx)] = int(std::int64_t(tx) * b.width / width);
  std::vector<int> blackInColumn(std::size_t(b.width));
  for (int ty = 0; ty < height; ++ty) {
    const int sy0 = int(std::int64_t(ty) * b.height / height);
    const int sy1 = std::max(sy0 + 1, int(std::int64_t(ty + 1) * b.height / height));
    std::fill(blackInColumn.begin(), blackInColumn.end(), 0);
    for (int sy = sy0; sy < sy1; ++sy)
      for (int sx = 0; sx < b.width; ++sx) blackInColumn[std::size_t(sx)] += b.pixel(sx, sy);
    uchar* out = img.scanLine(ty);
    for (int tx = 0; tx < width; ++tx) {
      const int a = x0[std::size_t(tx)], e = std::max(a + 1, x0[std::size_t(tx) + 1]);
      int sum = 0;
      for (int sx = a; sx < e; ++sx) sum += blackInColumn[std::size_t(sx)];
      const double share = double(sum) / (double(e - a) * (sy1 - sy0));
      out[tx] = uchar(std::lround(255 * std::sqrt(share)));
    }
  }
  return img;
}

void SetInkColours(QImage& image, QColor black, QColor white) {
  if (image.isNull()) return;
  if (image.format() == QImage::Format_Mono) return image.setColorTable({white.rgb(), black.rgb()});
  QList<QRgb> ramp(256);
  for (int i = 0; i < 256; ++i)
    ramp[i] = qRgb((white.red() * (255 - i) + black.red() * i) / 255,
                   (white.green() * (255 - i) + black.green() * i) / 255,
                   (white.blue() * (255 - i) + black.blue() * i) / 255);
  image.setColorTable(ramp);
}

}  // namespace faximage
