// Picture objects: decoding within bounds, sizes in twips, drawing on screen and on pages.
#include "richtext/document/pictureobject.h"

#include "base/bilevel.h"
#include "richtext/document/layoutunits.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QImageReader>
#include <QPaintDevice>
#include <QPainter>
#include <QTextDocument>

#include <algorithm>
#include <cmath>

namespace richtext {
namespace {

constexpr double kTwipsPerInch = 1440.0;
constexpr int kScreenDpi = 96;      // a picture without a resolution of its own
constexpr int kDescentRoom = 360;   // twips left below a page-high picture for its line

double DeviceDpi(const QPaintDevice* device) {
  return device ? device->logicalDpiY() : LayoutDpi();
}

QByteArray BytesOf(const std::string& s) { return QByteArray(s.data(), qsizetype(s.size())); }

// The size shown: the goal size times the scale, or the image's own size at its
// resolution.
QSize ShownTwips(const RtfPicture& p, const QImage& image) {
  QSize goal(p.goalWidth, p.goalHeight);
  if (goal.width() <= 0 || goal.height() <= 0) {
    QSize pixels = image.isNull() ? QSize(p.pixelWidth, p.pixelHeight) : image.size();
    const auto dpi = [](int dotsPerMeter) {
      return dotsPerMeter > 0 ? dotsPerMeter * 0.0254 : double(kScreenDpi);
    };
    const double dx = image.isNull() ? kScreenDpi : dpi(image.dotsPerMeterX());
    const double dy = image.isNull() ? kScreenDpi : dpi(image.dotsPerMeterY());
    if (pixels.isEmpty()) pixels = QSize(kScreenDpi, kScreenDpi);  // an inch for a frame
    goal = QSize(int(std::lround(pixels.width() * kTwipsPerInch / dx)),
                 int(std::lround(pixels.height() * kTwipsPerInch / dy)));
  }
  return QSize(std::max(1, int(std::lround(goal.width() * p.scaleX / 100.0))),
               std::max(1, int(std::lround(goal.height() * p.scaleY / 100.0))));
}

// The image on white, as grey pixels: transparent parts are paper.
QImage GreyOnWhite(const QImage& image) {
  QImage flat(image.size(), QImage::Format_RGB32);
  flat.fill(Qt::white);
  QPainter(&flat).drawImage(0, 0, image);
  return flat.convertToFormat(QImage::Format_Grayscale8);
}

base::GreyPlane PlaneOf(QImage& grey) {
  return {grey.bits(), grey.width(), grey.height(), grey.bytesPerLine()};
}

// The device pixels a rectangle of the layout covers.
QRect DevicePixels(const QPainter& painter, const QRectF& rect) {
  const QRectF device = painter.transform().mapRect(rect);
  return QRect(int(std::lround(device.x())), int(std::lround(device.y())),
               std::max(1, int(std::lround(device.width()))),
               std::max(1, int(std::lround(device.height()))));
}

}  // namespace

QImage DecodePicture(const QByteArray& bytes) {
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  const QByteArray format = reader.format();
  if (format != "png" && format != "jpeg") return {};
  const QSize size = reader.size();
  if (size.width() <= 0 || size.height() <= 0 || size.width() > kMaxPictureSide ||
      size.height() > kMaxPictureSide || qint64(size.width()) * size.height() > kMaxPicturePixels)
    return {};
  QImage image;
  if (!reader.read(&image)) return {};
  return image;
}

QTextCharFormat PictureFormat(QTextCharFormat base, const RtfPicture& p, bool* decoded) {
  const QByteArray bytes = BytesOf(p.bytes);
  const QImage image = DecodePicture(bytes);
  if (decoded) *decoded = !image.isNull();
  base.setObjectType(kPictureObjectType);
  base.setProperty(kPropPictureData, bytes);
  base.setProperty(kPropPictureFormat, int(p.format));
  base.setProperty(kPropPictureTwips, ShownTwips(p, image));
  base.setProperty(kPropPicturePixels,
                   image.isNull() ? QSize(p.pixelWidth, p.pixelHeight) : image.size());
  base.setProperty(kPropPictureImage, image);
  return base;
}

RtfPicture PictureOf(const QTextCharFormat& f) {
  RtfPicture p;
  const QByteArray bytes = f.property(kPropPictureData).toByteArray();
  p.bytes.assign(bytes.constData(), size_t(bytes.size()));
  p.format = f.intProperty(kPropPictureFormat) == int(RtfPicture::Format::Jpeg)
                 ? RtfPicture::Format::Jpeg
                 : RtfPicture::Format::Png;
  const QSize twips = f.property(kPropPictureTwips).toSize();
  const QSize pixels = f.property(kPropPicturePixels).toSize();
  p.goalWidth = twips.width();
  p.goalHeight = twips.height();
  p.pixelWidth = pixels.width();
  p.pixelHeight = pixels.height();
  return p;
}

QSize OwnTwips(const QImage& image) {
  RtfPicture p;
  p.pixelWidth = image.width();
  p.pixelHeight = image.height();
  return ShownTwips(p, image);
}

RtfPicture PictureOfImage(const QImage& image, QSize twips, bool jpeg) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, jpeg ? "JPEG" : "PNG", jpeg ? 90 : -1);
  RtfPicture p;
  p.format = jpeg ? RtfPicture::Format::Jpeg : RtfPicture::Format::Png;
  p.bytes.assign(bytes.constData(), size_t(bytes.size()));
  p.pixelWidth = image.width();
  p.pixelHeight = image.height();
  const QSize shown = twips.isEmpty() ? ShownTwips(p, image) : twips;
  p.goalWidth = shown.width();
  p.goalHeight = shown.height();
  return p;
}

QSize PictureRoom(const PageLayout& layout) {
  const PageLayout l = SanitizedLayout(layout);
  return QSize(l.width - l.marginLeft - l.marginRight,
               l.height - l.marginTop - l.marginBottom - kDescentRoom);
}

QSize FitToPage(QSize twips, const PageLayout& layout) {
  const QSize room = PictureRoom(layout);
  const double width = room.width();
  const double height = room.height();
  if (twips.width() <= 0 || twips.height() <= 0) return twips;
  const double factor = std::min({1.0, width / twips.width(), height / twips.height()});
  if (factor >= 1.0) return twips;
  return QSize(std::max(1, int(twips.width() * factor)), std::max(1, int(twips.height() * factor)));
}

QSizeF PictureObject::intrinsicSize(QTextDocument* doc, int, const QTextFormat& format) {
  const double dpi = DeviceDpi(doc->documentLayout()->paintDevice());
  const QSize twips = format.property(kPropPictureTwips).toSize();
  QSizeF size(twips.width() * dpi / kTwipsPerInch, twips.height() * dpi / kTwipsPerInch);
  // Never wider than a line, nor (on pages) higher than a page less a line's descent.
  double factor = 1.0;
  if (doc->textWidth() > 0 && size.width() > doc->textWidth())
    factor = doc->textWidth() / size.width();
  const double pageHeight = doc->pageSize().height() - kDescentRoom * dpi / kTwipsPerInch;
  if (doc->pageSize().height() > 0 && pageHeight > 0 && size.height() * factor > pageHeight)
    factor = pageHeight / size.height();
  return size * factor;
}

void PictureObject::drawObject(QPainter* painter, const QRectF& rect, QTextDocument*, int,
                               const QTextFormat& format) {
  const QImage image = format.property(kPropPictureImage).value<QImage>();
  painter->save();
  if (image.isNull()) {
    painter->setPen(QPen(blackAndWhite_ ? Qt::black : Qt::gray, 0));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(rect);
  } else if (!blackAndWhite_) {
    const QRect pixels = DevicePixels(*painter, rect);
    const QImage shown = screenImage(image, pixels.size());
    painter->resetTransform();
    painter->drawImage(pixels.topLeft(), shown);
  } else {
    // At the page's own pixels: scaled there, then made black and white, so the 1-bit page
    // made of the canvas afterwards keeps every pixel of it.
    const QRect pixels = DevicePixels(*painter, rect);
    QImage grey = GreyOnWhite(image);
    const bool lineArt = base::LooksLikeLineArt(PlaneOf(grey));
    if (grey.size() != pixels.size())
      grey = grey.scaled(pixels.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                 .convertToFormat(QImage::Format_Grayscale8);
    if (lineArt)
      base::ThresholdToBlackAndWhite(PlaneOf(grey));
    else
      base::DiffuseToBlackAndWhite(PlaneOf(grey));
    painter->resetTransform();
    painter->drawImage(pixels.topLeft(), grey);
  }
  painter->restore();
}

// Scaled once for the size shown, averaging the pixels (a dithered page picture shrunk by
// sampling would shimmer), and kept until the size changes.
QImage PictureObject::screenImage(const QImage& image, QSize size) {
  constexpr int kMaxKept = 64;
  QImage& kept = screen_[image.cacheKey()];
  if (kept.size() != size) {
    const QImage::Format format =
        image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    kept = image.convertToFormat(format).scaled(size, Qt::IgnoreAspectRatio,
                                                Qt::SmoothTransformation);
  }
  const QImage shown = kept;
  if (screen_.size() > kMaxKept) screen_.clear();
  return shown;
}

PictureObject* RegisterPictures(QTextDocument* doc) {
  auto* handler = new PictureObject(doc);
  doc->documentLayout()->registerHandler(kPictureObjectType, handler);
  return handler;
}

}  // namespace richtext
