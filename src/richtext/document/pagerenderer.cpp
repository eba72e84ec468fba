// Page layout and painting of a copy of the pane's document.
#include "richtext/document/pagerenderer.h"

#include "richtext/document/layoutunits.h"
#include "richtext/document/mergeobject.h"
#include "richtext/document/pictureobject.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace richtext {

PageRenderer::PageRenderer() = default;
PageRenderer::~PageRenderer() = default;

void PageRenderer::Prepare(const QTextDocument& source, double scale, QSizeF pageSize) {
  pageSize.setHeight(std::floor(pageSize.height() * 64) / 64);  // the layout's own precision
  if (!stale_ && copy_ && pageSize == pageSize_) return;
  copy_.reset();  // free the old copy first, so two never live at once
  copy_.reset(source.clone());
  // Pages end up as 1-bit images: text is painted without antialiasing, so a glyph has
  // the same pixels on any canvas.
  QFont font = source.defaultFont();
  font.setStyleStrategy(QFont::NoAntialias);
  copy_->setDefaultFont(font);
  QTextCursor all(copy_.get());
  all.select(QTextCursor::Document);
  QTextCharFormat aliased;
  aliased.setFontStyleStrategy(QFont::NoAntialias);
  all.mergeCharFormat(aliased);
  copy_->setDefaultTextOption(source.defaultTextOption());
  copy_->setUseDesignMetrics(true);
  copy_->setDocumentMargin(0);
  RescaleParagraphs(*copy_, scale, 1.0);
  RegisterMergeFields(copy_.get(), false);
  pictures_ = RegisterPictures(copy_.get());
  pictures_->SetBlackAndWhite(blackAndWhite_);
  copy_->setPageSize(pageSize);
  pageSize_ = pageSize;

  linePages_.clear();
  QAbstractTextDocumentLayout* layout = copy_->documentLayout();
  const double pageHeight = pageSize.height();
  // The layout keeps page heights in 1/64 pixel, so a page may start a hair early; no
  // line starts within half a pixel of a page's end (it would not fit there).
  auto pageOf = [pageHeight](double y) { return int(std::floor((y + 0.5) / pageHeight)); };
  for (QTextBlock b = copy_->begin(); b.isValid(); b = b.next()) {
    double top = layout->blockBoundingRect(b).top();
    const QTextLayout* lines = b.layout();
    for (int i = 0; i < lines->lineCount(); ++i) {
      double y = top + lines->lineAt(i).y();
      linePages_.push_back(pageOf(y));
    }
    if (lines->lineCount() == 0) linePages_.push_back(pageOf(top));
  }
  stale_ = false;
}

int PageRenderer::NextPageLine(int line) const {
  int page = linePages_[size_t(line)];
  for (size_t i = size_t(line) + 1; i < linePages_.size(); ++i)
    if (linePages_[i] > page) return int(i);
  return 0;
}

int PageRenderer::PageCount() const {
  int count = 0;
  for (int line = 0;;) {
    ++count;
    line = NextPageLine(line);
    if (line == 0) return count;
  }
}

void PageRenderer::PaintPage(QPainter& painter, QPointF origin, double scale, int page) const {
  const QRectF pageRect(0, page * pageSize_.height(), pageSize_.width(), pageSize_.height());
  painter.save();
  painter.translate(origin);
  painter.scale(scale, scale);
  painter.translate(0, -pageRect.top());
  painter.setClipRect(pageRect, Qt::IntersectClip);
  QAbstractTextDocumentLayout::PaintContext context;
  context.clip = pageRect;
  context.palette.setColor(QPalette::Text, Qt::black);
  copy_->documentLayout()->draw(&painter, context);
  painter.restore();
}

namespace {
QSizeF PageSizeFor(const PageLayout& l, int options, const QRect& target, int ppi) {
  double width = TwipsToLayout(l.width - l.marginLeft - l.marginRight);
  double height = (options & kPaintLayoutPages)
                      ? TwipsToLayout(l.height - l.marginTop - l.marginBottom)
                      : target.height() * LayoutDpi() / ppi;
  return QSizeF(width, std::max(height, 1.0));
}
}  // namespace

int PageRenderer::PaintPageOf(const QTextDocument& source, double scale, const PageLayout& layout,
                              int options, QPainter& painter, const QRect& target,
                              int pixelsPerInch, int firstLine) {
  pixelsPerInch = std::max(pixelsPerInch, 1);
  blackAndWhite_ = (options & kPaintBlackAndWhite) != 0;
  Prepare(source, scale, PageSizeFor(layout, options, target, pixelsPerInch));
  pictures_->SetBlackAndWhite(blackAndWhite_);
  if (firstLine < 0 || firstLine >= LineCount()) return 0;
  painter.save();
  painter.setClipRect(target, Qt::IntersectClip);
  PaintPage(painter, target.topLeft(), pixelsPerInch / LayoutDpi(), PageOfLine(firstLine));
  painter.restore();
  return NextPageLine(firstLine);
}

int PageRenderer::PageCountOf(const QTextDocument& source, double scale, const PageLayout& layout,
                              int options, const QRect& target, int pixelsPerInch) {
  pixelsPerInch = std::max(pixelsPerInch, 1);
  Prepare(source, scale, PageSizeFor(layout, options, target, pixelsPerInch));
  return PageCount();
}

}  // namespace richtext
