// TRichText: the rich-text pane of the fax and cover-sheet editors. It loads and saves
// RTF, keeps a page layout in twips, holds merge fields, walks words for the spell
// checker and paints its text one page at a time at any resolution.
#pragma once

#include "faxcodes/error_codes.h"
#include "richtext/document/richtypes.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTextEdit>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QImage;
class QMimeData;
class QPainter;
class QRect;

namespace richtext {

class PageRenderer;
class WordWalker;
struct RtfParaFormat;
struct RtfPicture;

class TRichText : public QTextEdit {
  Q_OBJECT

 public:
  // Answers a merge request for one field with the text to show, or nothing to leave
  // the field as it is.
  using TextToInsertHandler =
      std::function<std::optional<QString>(int id, const QString& currentText)>;

  explicit TRichText(QWidget* parent = nullptr);
  ~TRichText() override;

  // --- content
  void Clear();                               // empty text, caret attributes kept
  int LoadFromFile(const QString& path);      // replaces the text; 0 or an error code
  int SaveToFile(const QString& path) const;  // 0 or an error code
  void LoadRtf(const QByteArray& rtf);        // malformed input loads what is readable
  QByteArray SaveRtf() const;
  void Reformat();  // lay the whole text out again, repaint
  void CaretToStart();
  bool IsEmpty() const;                // one empty paragraph and nothing else
  int CharacterCount() const;          // plain-text length, breaks count one each
  QStringList PlainTextLines() const;  // split at paragraph and line breaks

  // --- attributes at the caret
  CharAttributes CurrentCharAttributes() const;
  void SetCurrentCharAttributes(const CharAttributes& attrs);
  ParagraphAttributes CurrentParagraphAttributes() const;
  // Both apply to the paragraphs of the selection; false (and nothing changes) when
  // the pane is read-only.
  bool SetParagraphSpacing(int spaceBefore, int spaceAfter, int lineHeight);
  bool SetParagraphIndents(int firstIndent, int leftIndent, int rightIndent);
  // Inserts an empty paragraph that starts a new page, carrying the caret's
  // character attributes; the caret ends up in it.
  void InsertPageBreak();

  // --- pictures
  // Inserts the pictures at the caret in one step; with pageBreaks each starts a page of
  // its own (a page break before each, none before the first when the caret's paragraph
  // is empty). Returns how many could not be decoded (they show as empty frames).
  int InsertPictures(const std::vector<RtfPicture>& pictures, bool pageBreaks);
  // Inserts the picture file at the caret, fitted to the page; an empty text, or why not.
  QString InsertPictureFile(const QString& path);
  void InsertImage(const QImage& image);
  // Asked first for each file dropped or pasted: true when it took care of the file.
  void SetFileInsertHandler(std::function<bool(const QString& path)> handler);
  // Actions added to the pane's context menu after its own.
  void AddContextAction(QAction* action);

  // --- view
  PageLayout Layout() const;
  void SetLayout(const PageLayout& layout);
  int Zooming() const;           // percent
  void SetZooming(int percent);  // clamped to 10..500
  bool WordWrap() const;         // on: wrap at the window; off: at the page
  void SetWordWrap(bool on);

  // --- merge fields
  void InsertMergeField(int id, const QString& displayName);
  void SetTextToInsertHandler(TextToInsertHandler handler);
  bool HasTextToInsertHandler() const;
  int MergeFields();  // fields changed; 0 without a handler
  QList<MergeFieldInfo> MergeFieldList() const;

  // --- spell checking
  void RequestSpellCheck();               // raises StartSpellCheck (tool bar's Spell)
  void StartWordWalk();                   // from the start of the text
  QString NextWord();                     // empty at the end
  void SelectWord();                      // selects the current word, scrolls to it
  void ReplaceWord(const QString& text);  // replaces the current word
  void EndWordWalk();                     // drops the selection

  // --- page painting
  int PaintOptions() const;
  void SetPaintOptions(int flags);
  // Paints the page whose first laid-out line is firstLine (0 for the first page) into
  // target at pixelsPerInch and returns the first line of the next page, 0 after the
  // last. Lines are counted over the whole text as laid out for that resolution.
  int PaintPage(QPainter& painter, const QRect& target, int pixelsPerInch, int firstLine);
  int PageCount(const QRect& target, int pixelsPerInch);

 signals:
  void StartSpellCheck();
  // A text loaded or inserted holds pictures that could not be decoded.
  void PicturesNotShown(int count);
  // Files dropped or pasted that could not be inserted, one reason a line.
  void InsertProblem(const QString& text);

 protected:
  void paintEvent(QPaintEvent* event) override;  // adds page-break marks
  void contextMenuEvent(QContextMenuEvent* event) override;
  // A paragraph started with Enter never inherits the page break of the one it splits.
  void keyPressEvent(QKeyEvent* event) override;
  // The clipboard carries RTF ("text/rtf") besides Qt's own formats, so merge fields
  // survive copy and paste and text copied from other word processors keeps its looks.
  QMimeData* createMimeDataFromSelection() const override;
  bool canInsertFromMimeData(const QMimeData* source) const override;
  void insertFromMimeData(const QMimeData* source) override;

 private:
  double scale() const { return zoom_ / 100.0; }
  void applyZoomAndWrap();
  bool updateParagraphs(const std::function<void(RtfParaFormat&)>& change);
  bool insertFilesOrImage(const QMimeData* source);

  PageLayout layout_;
  int zoom_ = 100;
  bool wordWrap_ = false;
  int paintOptions_ = 0;
  TextToInsertHandler textToInsert_;
  std::function<bool(const QString&)> fileInsert_;
  QList<QAction*> contextActions_;
  std::unique_ptr<QImage> zoomDevice_;
  std::unique_ptr<PageRenderer> renderer_;
  std::unique_ptr<WordWalker> walker_;
};

// Results of the file operations: the run-time file codes of the one code table, whose
// texts faxcodes::errorText gives; 0 is success.
constexpr int kErrNone = faxcodes::ecOK;
constexpr int kErrFileNotFound = faxcodes::ecFileNotFound;
constexpr int kErrFileRead = faxcodes::ecDiskRead;
constexpr int kErrFileWrite = faxcodes::ecDiskWrite;

}  // namespace richtext
