// TRichDocument: a rich text without a window. It loads RTF, tells whether it holds
// anything, and paints its pages exactly as the rich-text pane paints the same text, so
// that building a fax file needs no widgets (the command-line tool links no Qt Widgets).
#pragma once

#include "richtext/document/richtypes.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

class QPainter;
class QRect;
class QTextDocument;

namespace richtext {

class PageRenderer;

class TRichDocument {
 public:
  TRichDocument();
  ~TRichDocument();
  TRichDocument(const TRichDocument&) = delete;
  TRichDocument& operator=(const TRichDocument&) = delete;

  void Clear();
  int LoadFromFile(const QString& path);  // replaces the text; 0 or a file error code
  void LoadRtf(const QByteArray& rtf);    // malformed input loads what is readable

  bool IsEmpty() const;                // one empty paragraph and nothing else
  int CharacterCount() const;          // plain-text length, breaks count one each
  QStringList PlainTextLines() const;  // split at paragraph and line breaks

  PageLayout Layout() const { return layout_; }
  void SetLayout(const PageLayout& layout);
  int PaintOptions() const { return paintOptions_; }
  void SetPaintOptions(int flags);

  // As TRichText::PaintPage and PageCount.
  int PaintPage(QPainter& painter, const QRect& target, int pixelsPerInch, int firstLine);
  int PageCount(const QRect& target, int pixelsPerInch);

  const QTextDocument& Document() const { return *doc_; }

 private:
  std::unique_ptr<QTextDocument> doc_;
  std::unique_ptr<PageRenderer> renderer_;
  PageLayout layout_;
  int paintOptions_ = 0;
};

}  // namespace richtext
