// A picture file as grey pixels at the fax resolution, transparent parts as paper.
#include "picture_input.h"

#include "faximage/errors.h"

#include <QImage>
#include <QImageReader>
#include <QPainter>

#include <cstring>

namespace brindlefax {

int readPictureWithQt(const std::string& path, double xDpi, double yDpi, int maxWidth,
                      int maxHeight, faximage::GreyPage& out, std::string& why) {
  constexpr qint64 kMaxPixels = 100'000'000;
  QImageReader reader(QString::fromStdString(path));
  const QSize size = reader.size();
  if (!size.isValid() || qint64(size.width()) * size.height() > kMaxPixels) {
    why = path + ": not a picture that can be read, or too large";
    return faximage::ecBadGraphicsFormat;
  }
  QImage image;
  if (!reader.read(&image)) {
    why = path + ": " + reader.errorString().toStdString();
    return faximage::ecBadGraphicsFormat;
  }
  const auto dpi = [](int dotsPerMeter) { return dotsPerMeter > 0 ? dotsPerMeter * 0.0254 : 96.0; };
  const faximage::PageBox box{image.width() * 72.0 / dpi(image.dotsPerMeterX()),
                              image.height() * 72.0 / dpi(image.dotsPerMeterY())};
  int width = 0, height = 0;
  faximage::fitPage(box, xDpi, yDpi, maxWidth, maxHeight, width, height);
  QImage page(width, height, QImage::Format_RGB32);
  page.fill(Qt::white);
  QPainter painter(&page);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(page.rect(), image);
  painter.end();
  const QImage grey = page.convertToFormat(QImage::Format_Grayscale8);
  out.width = width;
  out.height = height;
  out.pixels.resize(std::size_t(width) * std::size_t(height));
  for (int y = 0; y < height; ++y)
    std::memcpy(out.pixels.data() + std::size_t(y) * std::size_t(width), grey.constScanLine(y),
                std::size_t(width));
  return faximage::ecOK;
}

}  // namespace brindlefax
