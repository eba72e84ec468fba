// PageRenderer: lays a copy of a pane's text out in pages and paints one page at a time
// at any resolution. The copy is laid out at the pane's own (unzoomed) resolution and
// scaled while painting, so pages break exactly where the pane's layout breaks them.
#pragma once

#include "richtext/document/richtypes.h"

#include <QRectF>
#include <QSizeF>

#include <memory>
#include <vector>

class QPainter;
class QRect;
class QTextDocument;

namespace richtext {

class PictureObject;

class PageRenderer {
 public:
  PageRenderer();
  ~PageRenderer();

  void Invalidate() { stale_ = true; }
  // Lays source out on pages of pageSize (layout pixels) unless that is done already.
  // scale is the source's zoom / 100.
  void Prepare(const QTextDocument& source, double scale, QSizeF pageSize);
  int LineCount() const { return int(linePages_.size()); }
  int PageOfLine(int line) const { return linePages_[size_t(line)]; }
  int NextPageLine(int line) const;  // first line on a later page, 0 when none
  int PageCount() const;
  // Paints page `page` with its top-left corner at origin, scaled by `scale`.
  void PaintPage(QPainter& painter, QPointF origin, double scale, int page) const;

  // What a pane or a window-less document paints: source laid out on the pages of its
  // layout (kPaintLayoutPages in options) or on pages as tall as target, the page whose
  // first line is firstLine painted into target at pixelsPerInch. Returns the first line
  // of the next page, 0 after the last. scale is the source's zoom / 100.
  int PaintPageOf(const QTextDocument& source, double scale, const PageLayout& layout, int options,
                  QPainter& painter, const QRect& target, int pixelsPerInch, int firstLine);
  int PageCountOf(const QTextDocument& source, double scale, const PageLayout& layout, int options,
                  const QRect& target, int pixelsPerInch);

 private:
  std::unique_ptr<QTextDocument> copy_;
  PictureObject* pictures_ = nullptr;  // owned by copy_
  bool blackAndWhite_ = false;
  std::vector<int> linePages_;
  QSizeF pageSize_;
  bool stale_ = true;
};

}  // namespace richtext
