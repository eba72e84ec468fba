// Pictures inside a QTextDocument: one object character whose character format carries
// the picture's bytes as stored (written back unchanged), its kind and sizes, and the
// decoded image, drawn by PictureObject. Qt decodes PNG and JPEG here; the RTF codec only
// keeps the bytes.
#pragma once

#include "richtext/codec/rtfdocument.h"
#include "richtext/document/richtypes.h"

#include <QHash>
#include <QImage>
#include <QObject>
#include <QTextCharFormat>
#include <QTextObjectInterface>

class QTextDocument;

namespace richtext {

constexpr int kPictureObjectType = QTextFormat::UserObject + 43;
enum : int {
  kPropPictureData = QTextFormat::UserProperty + 0x4310,  // QByteArray, as stored
  kPropPictureFormat,                                     // int, RtfPicture::Format
  kPropPictureTwips,                                      // QSize, the size shown
  kPropPicturePixels,                                     // QSize, the picture's own
  kPropPictureImage,                                      // QImage, null when undecodable
};

// Decoding bounds: larger pictures are not decoded (they show as empty frames).
constexpr qint64 kMaxPicturePixels = 40'000'000;
constexpr int kMaxPictureSide = 20'000;

// Decodes PNG or JPEG bytes within the bounds; a null image when they do not decode.
QImage DecodePicture(const QByteArray& bytes);

// The format of a picture object; decoded tells whether its image could be decoded.
QTextCharFormat PictureFormat(QTextCharFormat base, const RtfPicture& picture, bool* decoded);
inline bool IsPicture(const QTextCharFormat& f) { return f.objectType() == kPictureObjectType; }
RtfPicture PictureOf(const QTextCharFormat& format);

// The image's own size in twips at its resolution (96 pixels an inch when it has none).
QSize OwnTwips(const QImage& image);
// A picture of an image, stored as PNG (JPEG when asked), shown at twips (its own size
// at its resolution, or 96 pixels an inch, when twips is empty).
RtfPicture PictureOfImage(const QImage& image, QSize twips = {}, bool jpeg = false);
// The room a picture has on a page of layout: its text area less a line's room for the
// paragraph's descent.
QSize PictureRoom(const PageLayout& layout);
// The size shrunk, proportions kept, to fit the text area of layout (less a line's room
// for the paragraph's descent); a size that fits stays as it is.
QSize FitToPage(QSize twips, const PageLayout& layout);

// Draws pictures: on screen in colour, scaled smoothly; on fax pages (black and white)
// at the device's own pixels, photographs dithered and line art thresholded, so that
// the 1-bit page keeps greys as patterns and edges sharp. A picture that could not be
// decoded is an empty frame.
class PictureObject : public QObject, public QTextObjectInterface {
  Q_OBJECT
  Q_INTERFACES(QTextObjectInterface)

 public:
  explicit PictureObject(QObject* parent) : QObject(parent) {}
  void SetBlackAndWhite(bool on) { blackAndWhite_ = on; }
  QSizeF intrinsicSize(QTextDocument* doc, int pos, const QTextFormat& format) override;
  void drawObject(QPainter* painter, const QRectF& rect, QTextDocument* doc, int pos,
                  const QTextFormat& format) override;

 private:
  QImage screenImage(const QImage& image, QSize size);

  bool blackAndWhite_ = false;
  QHash<qint64, QImage> screen_;  // pictures scaled for the screen, by image
};

// Installs the picture drawer on doc's layout and returns it.
PictureObject* RegisterPictures(QTextDocument* doc);

}  // namespace richtext
