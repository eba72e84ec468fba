// A window-less rich text: the document set up as the pane sets up its own.
#include "richtext/document/richdocument.h"

#include "faxcodes/error_codes.h"
#include "richtext/document/mergeobject.h"
#include "richtext/document/pagerenderer.h"
#include "richtext/document/pictureobject.h"
#include "richtext/document/plaintext.h"
#include "richtext/document/rtfqt.h"

#include <QFont>
#include <QTextDocument>
#include <QTextOption>

namespace richtext {

namespace {
// The pane's text is laid out at its own zoom and scaled back for pages; a document
// without a window has no zoom.
constexpr double kScale = 1.0;
}  // namespace

TRichDocument::TRichDocument()
    : doc_(std::make_unique<QTextDocument>()), renderer_(std::make_unique<PageRenderer>()) {
  QFont font(QStringLiteral("Arial"));
  font.setPointSizeF(10);
  doc_->setDefaultFont(font);
  doc_->setUseDesignMetrics(true);
  // The pane's wrapping, so that a word longer than a line breaks where the pane breaks it.
  QTextOption option = doc_->defaultTextOption();
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  doc_->setDefaultTextOption(option);
  RegisterMergeFields(doc_.get(), false);
  RegisterPictures(doc_.get());
}

TRichDocument::~TRichDocument() = default;

void TRichDocument::Clear() {
  doc_->clear();
  renderer_->Invalidate();
}

int TRichDocument::LoadFromFile(const QString& path) {
  QByteArray bytes;
  const int rc = ReadRtfFile(path, bytes);
  if (rc == faxcodes::ecOK) LoadRtf(bytes);
  return rc;
}

void TRichDocument::LoadRtf(const QByteArray& rtf) {
  if (const std::optional<PageLayout> page = LoadRtfInto(*doc_, rtf, kScale)) SetLayout(*page);
  renderer_->Invalidate();
}

bool TRichDocument::IsEmpty() const { return doc_->isEmpty(); }

int TRichDocument::CharacterCount() const { return int(PlainText(*doc_).size()); }

QStringList TRichDocument::PlainTextLines() const { return richtext::PlainTextLines(*doc_); }

void TRichDocument::SetLayout(const PageLayout& layout) {
  layout_ = SanitizedLayout(layout);
  renderer_->Invalidate();
}

void TRichDocument::SetPaintOptions(int flags) {
  paintOptions_ = flags;
  renderer_->Invalidate();
}

int TRichDocument::PaintPage(QPainter& painter, const QRect& target, int pixelsPerInch,
                             int firstLine) {
  return renderer_->PaintPageOf(*doc_, kScale, layout_, paintOptions_, painter, target,
                                pixelsPerInch, firstLine);
}

int TRichDocument::PageCount(const QRect& target, int pixelsPerInch) {
  return renderer_->PageCountOf(*doc_, kScale, layout_, paintOptions_, target, pixelsPerInch);
}

}  // namespace richtext
