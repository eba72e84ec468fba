// Merge-field objects: size and drawing at the resolution the layout uses.
#include "richtext/document/mergeobject.h"

#include "richtext/document/layoutunits.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QTextDocument>

namespace richtext {
namespace {

double DeviceDpi(const QPaintDevice* device) {
  return device ? device->logicalDpiY() : LayoutDpi();
}

// The field's font sized for drawing on target while the layout runs at layoutDpi.
QFont FieldFont(const QTextDocument* doc, const QTextFormat& format, const QPaintDevice* target) {
  QFont font = format.toCharFormat().font().resolve(doc->defaultFont());
  double layoutDpi = DeviceDpi(doc->documentLayout()->paintDevice());
  font.setPointSizeF(font.pointSizeF() * layoutDpi / DeviceDpi(target));
  return font;
}

}  // namespace

QTextCharFormat MergeFieldFormat(QTextCharFormat base, int id, const QString& name,
                                 const QString& text) {
  base.setObjectType(kMergeFieldObjectType);
  base.setProperty(kPropFieldId, id);
  base.setProperty(kPropFieldName, name);
  base.setProperty(kPropFieldText, text);
  base.setVerticalAlignment(QTextCharFormat::AlignBaseline);
  return base;
}

QSizeF MergeFieldObject::intrinsicSize(QTextDocument* doc, int, const QTextFormat& format) {
  const QPaintDevice* device = doc->documentLayout()->paintDevice();
  QFontMetricsF fm(FieldFont(doc, format, device));
  QString text = format.stringProperty(kPropFieldText);
  return QSizeF(fm.horizontalAdvance(text) + (marked_ ? 2 : 0), fm.height());
}

void MergeFieldObject::drawObject(QPainter* painter, const QRectF& rect, QTextDocument* doc, int,
                                  const QTextFormat& format) {
  QTextCharFormat cf = format.toCharFormat();
  QFont font = FieldFont(doc, format, painter->device());
  painter->save();
  // The layout stands an inline object on the line's base line and counts all of its
  // height as ascent, so the base line is the rectangle's bottom: the text is written
  // there, its descent below it as in the text around it.
  QFontMetricsF fm(font, painter->device());
  const double baseline = rect.bottom();
  if (marked_)
    painter->fillRect(QRectF(rect.left(), baseline - fm.ascent(), rect.width(), fm.height()),
                      QColor(220, 228, 244));
  QColor color =
      cf.hasProperty(QTextFormat::ForegroundBrush) ? cf.foreground().color() : QColor(Qt::black);
  painter->setPen(color);
  painter->setFont(font);
  double x = rect.left() + (marked_ ? 1 : 0);
  painter->drawText(QPointF(x, baseline), format.stringProperty(kPropFieldText));
  painter->restore();
}

void RegisterMergeFields(QTextDocument* doc, bool marked) {
  auto* handler = new MergeFieldObject(marked, doc);
  doc->documentLayout()->registerHandler(kMergeFieldObjectType, handler);
}

}  // namespace richtext
