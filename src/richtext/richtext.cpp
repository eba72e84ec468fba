// TRichText: content, attributes, view, merge fields, word walk and page painting.
#include "richtext/richtext.h"

#include "base/atomicfile.h"

#include "richtext/codec/rtfreader.h"
#include "richtext/codec/rtfwriter.h"
#include "richtext/document/layoutunits.h"
#include "richtext/document/mergeobject.h"
#include "richtext/document/pictureobject.h"
#include "richtext/document/pagerenderer.h"
#include "richtext/document/plaintext.h"
#include "richtext/document/rtfqt.h"
#include "richtext/wordwalker.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QContextMenuEvent>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QMenu>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocumentFragment>

#include <algorithm>

namespace richtext {
namespace {

const QString kRtfMime = QStringLiteral("text/rtf");

int ClampTwips(int v) { return std::clamp(v, -kMaxTwips, kMaxTwips); }

QTextCharFormat WithoutField(QTextCharFormat f) {
  f.clearProperty(QTextFormat::ObjectType);
  f.clearProperty(kPropFieldId);
  f.clearProperty(kPropFieldName);
  f.clearProperty(kPropFieldText);
  f.clearProperty(QTextFormat::TextVerticalAlignment);
  return f;
}

// Calls visit(position, format) for every merge field of doc.
template <typename Visit>
void ForEachField(const QTextDocument& doc, Visit visit) {
  for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
    for (auto it = b.begin(); !it.atEnd(); ++it) {
      QTextFragment f = it.fragment();
      if (!IsMergeField(f.charFormat())) continue;
      QString text = f.text();
      for (int i = 0; i < text.size(); ++i)
        if (text[i] == QChar::ObjectReplacementCharacter) visit(f.position() + i, f.charFormat());
    }
}

int LineHeightOf(const RtfParaFormat& p) { return p.lineMultiple ? 0 : p.lineSpacing; }

}  // namespace

TRichText::TRichText(QWidget* parent)
    : QTextEdit(parent),
      renderer_(std::make_unique<PageRenderer>()),
      walker_(std::make_unique<WordWalker>()) {
  QFont font(QStringLiteral("Arial"));
  font.setPointSizeF(10);
  setFont(font);
  document()->setDefaultFont(font);
  document()->setUseDesignMetrics(true);
  RegisterMergeFields(document(), true);
  RegisterPictures(document());
  connect(document(), &QTextDocument::contentsChanged, this, [this] { renderer_->Invalidate(); });
  // Typing next to a field must not type into the field's format.
  connect(this, &QTextEdit::currentCharFormatChanged, this, [this](const QTextCharFormat& f) {
    if (IsMergeField(f)) setCurrentCharFormat(WithoutField(f));
  });
  applyZoomAndWrap();
}

TRichText::~TRichText() { document()->documentLayout()->setPaintDevice(nullptr); }

// --- content

void TRichText::Clear() {
  QTextCharFormat keep = WithoutField(currentCharFormat());
  walker_->End();
  QTextEdit::clear();
  QTextCursor cursor = textCursor();
  cursor.setBlockCharFormat(keep);
  setCurrentCharFormat(keep);
  document()->clearUndoRedoStacks();
  document()->setModified(false);
}

int TRichText::LoadFromFile(const QString& path) {
  QByteArray bytes;
  const int rc = ReadRtfFile(path, bytes);
  if (rc == kErrNone) LoadRtf(bytes);
  return rc;
}

int TRichText::SaveToFile(const QString& path) const {
  const QByteArray rtf = SaveRtf();
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(rtf.constData());
  if (base::ReplaceFile(QFile::encodeName(path).toStdString(), {bytes, std::size_t(rtf.size())}))
    return kErrFileWrite;
  return kErrNone;
}

void TRichText::LoadRtf(const QByteArray& rtf) {
  walker_->End();
  int notShown = 0;
  if (const std::optional<PageLayout> page = LoadRtfInto(*document(), rtf, scale(), &notShown))
    SetLayout(*page);
  document()->clearUndoRedoStacks();
  document()->setModified(false);
  CaretToStart();
  if (notShown > 0) emit PicturesNotShown(notShown);
}

QByteArray TRichText::SaveRtf() const {
  RtfDocument model = DocumentToModel(*document(), scale());
  model.page = RtfPageLayout{layout_.width,     layout_.height,      layout_.marginLeft,
                             layout_.marginTop, layout_.marginRight, layout_.marginBottom};
  std::string rtf = WriteRtf(model);
  return QByteArray(rtf.data(), qsizetype(rtf.size()));
}

void TRichText::Reformat() {
  document()->markContentsDirty(0, document()->characterCount());
  renderer_->Invalidate();
  viewport()->update();
}

void TRichText::CaretToStart() {
  QTextCursor cursor = textCursor();
  cursor.movePosition(QTextCursor::Start);
  setTextCursor(cursor);
}

bool TRichText::IsEmpty() const { return document()->isEmpty(); }

int TRichText::CharacterCount() const { return int(PlainText(*document()).size()); }

QStringList TRichText::PlainTextLines() const { return richtext::PlainTextLines(*document()); }

// --- attributes

CharAttributes TRichText::CurrentCharAttributes() const {
  QTextCharFormat f = currentCharFormat();
  QFont defaultFont = document()->defaultFont();
  RtfCharProps p = CharPropsOf(f, defaultFont);
  CharAttributes a;
  a.fontName = QString::fromStdString(p.fontName);
  a.pointSize = f.fontPointSize() > 0 ? f.fontPointSize() : defaultFont.pointSizeF();
  a.bold = p.bold;
  a.italic = p.italic;
  a.underline = p.underline;
  return a;
}

void TRichText::SetCurrentCharAttributes(const CharAttributes& a) {
  QTextCharFormat f;
  f.setFontFamilies(QStringList{a.fontName});
  f.setFontPointSize(std::clamp(a.pointSize, 1.0, 1638.0));
  f.setFontWeight(a.bold ? QFont::Bold : QFont::Normal);
  f.setFontItalic(a.italic);
  f.setFontUnderline(a.underline);
  mergeCurrentCharFormat(f);
  if (IsEmpty()) {  // an empty line takes its height from the paragraph mark
    QTextCursor cursor = textCursor();
    cursor.mergeBlockCharFormat(f);
  }
}

ParagraphAttributes TRichText::CurrentParagraphAttributes() const {
  RtfParaFormat p = ParaFormatOf(textCursor().blockFormat(), scale());
  return {p.leftIndent + p.firstIndent,
          p.leftIndent,
          p.rightIndent,
          p.spaceBefore,
          p.spaceAfter,
          LineHeightOf(p)};
}

bool TRichText::updateParagraphs(const std::function<void(RtfParaFormat&)>& change) {
  if (isReadOnly()) return false;
  QTextCursor sel = textCursor();
  QTextBlock last = document()->findBlock(sel.selectionEnd());
  QTextCursor edit(document());
  edit.beginEditBlock();
  for (QTextBlock b = document()->findBlock(sel.selectionStart()); b.isValid(); b = b.next()) {
    QTextBlockFormat f = b.blockFormat();
    RtfParaFormat p = ParaFormatOf(f, scale());
    change(p);
    SetParaFormat(f, p, scale());
    edit.setPosition(b.position());
    edit.setBlockFormat(f);
    if (b == last) break;
  }
  edit.endEditBlock();
  return true;
}

bool TRichText::SetParagraphSpacing(int spaceBefore, int spaceAfter, int lineHeight) {
  return updateParagraphs([&](RtfParaFormat& p) {
    p.spaceBefore = std::clamp(spaceBefore, 0, kMaxTwips);
    p.spaceAfter = std::clamp(spaceAfter, 0, kMaxTwips);
    if (lineHeight != LineHeightOf(p)) {  // an unchanged value keeps multiple spacing
      p.lineSpacing = ClampTwips(lineHeight);
      p.lineMultiple = false;
    }
  });
}

bool TRichText::SetParagraphIndents(int firstIndent, int leftIndent, int rightIndent) {
  return updateParagraphs([&](RtfParaFormat& p) {
    p.leftIndent = ClampTwips(leftIndent);
    p.firstIndent = ClampTwips(ClampTwips(firstIndent) - p.leftIndent);
    p.rightIndent = ClampTwips(rightIndent);
  });
}

void TRichText::InsertPageBreak() {
  QTextCharFormat chars = WithoutField(currentCharFormat());
  RtfParaFormat props;
  props.pageBreakBefore = true;
  QTextBlockFormat block;
  SetParaFormat(block, props, scale());
  QTextCursor cursor = textCursor();
  cursor.insertBlock(block, chars);
  setTextCursor(cursor);
  setCurrentCharFormat(chars);
}

// --- view

PageLayout TRichText::Layout() const { return layout_; }

void TRichText::SetLayout(const PageLayout& layout) {
  layout_ = SanitizedLayout(layout);
  renderer_->Invalidate();
  applyZoomAndWrap();
}

int TRichText::Zooming() const { return zoom_; }

void TRichText::SetZooming(int percent) {
  percent = std::clamp(percent, 10, 500);
  if (percent == zoom_) return;
  double before = scale();
  zoom_ = percent;
  RescaleParagraphs(*document(), before, scale());
  applyZoomAndWrap();
}

bool TRichText::WordWrap() const { return wordWrap_; }

void TRichText::SetWordWrap(bool on) {
  wordWrap_ = on;
  applyZoomAndWrap();
}

void TRichText::applyZoomAndWrap() {
  QAbstractTextDocumentLayout* layout = document()->documentLayout();
  if (zoom_ == 100) {
    layout->setPaintDevice(nullptr);
    zoomDevice_.reset();
  } else {
    auto device = std::make_unique<QImage>(1, 1, QImage::Format_RGB32);
    int dotsPerMeter = qRound(LayoutDpi() * scale() / 0.0254);
    device->setDotsPerMeterX(dotsPerMeter);
    device->setDotsPerMeterY(dotsPerMeter);
    layout->setPaintDevice(device.get());
    zoomDevice_ = std::move(device);
  }
  if (wordWrap_) {
    setLineWrapMode(QTextEdit::WidgetWidth);
  } else {
    int text = layout_.width - layout_.marginLeft - layout_.marginRight;
    setLineWrapMode(QTextEdit::FixedPixelWidth);
    setLineWrapColumnOrWidth(qRound(TwipsToLayout(text) * scale()));
  }
  Reformat();
}

void TRichText::paintEvent(QPaintEvent* event) {
  QTextEdit::paintEvent(event);
  QPainter painter(viewport());
  painter.setPen(QPen(Qt::gray, 1, Qt::DashLine));
  QPointF offset(horizontalScrollBar()->value(), verticalScrollBar()->value());
  for (QTextBlock b = document()->begin(); b.isValid(); b = b.next()) {
    if (!(b.blockFormat().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore)) continue;
    QRectF r = document()->documentLayout()->blockBoundingRect(b).translated(-offset);
    if (r.bottom() < 0 || r.top() > viewport()->height()) continue;
    painter.drawLine(QPointF(0, r.top()), QPointF(viewport()->width(), r.top()));
  }
}

void TRichText::keyPressEvent(QKeyEvent* event) {
  if (!event->matches(QKeySequence::InsertParagraphSeparator) || isReadOnly()) {
    QTextEdit::keyPressEvent(event);
    return;
  }
  // Qt's own Enter resets the character and paragraph formats when it is pressed on an
  // empty line; here a new paragraph always goes on in the caret's font and with the
  // paragraph's properties. Only the page break stays with the paragraph it was inserted
  // at (the first half of the split).
  QTextCursor cursor = textCursor();
  QTextBlockFormat format = cursor.blockFormat();
  if (format.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore)
    format.setPageBreakPolicy(QTextFormat::PageBreak_Auto);
  const QTextCharFormat chars = WithoutField(currentCharFormat());
  cursor.insertBlock(format, chars);
  setTextCursor(cursor);
  setCurrentCharFormat(chars);
  ensureCursorVisible();
  event->accept();
}

QMimeData* TRichText::createMimeDataFromSelection() const {
  // Qt's own mime data lists a fixed set of formats, so its formats are copied over.
  std::unique_ptr<QMimeData> own(QTextEdit::createMimeDataFromSelection());
  auto* data = new QMimeData;
  for (const QString& format : own->formats()) data->setData(format, own->data(format));
  QTextDocument selection;
  selection.setDefaultFont(document()->defaultFont());
  QTextCursor(&selection).insertFragment(textCursor().selection());
  std::string rtf = WriteRtf(DocumentToModel(selection, scale()));
  data->setData(kRtfMime, QByteArray(rtf.data(), qsizetype(rtf.size())));
  data->setText(PlainText(selection));  // fields as their text, not as objects
  return data;
}

bool TRichText::canInsertFromMimeData(const QMimeData* source) const {
  return source->hasFormat(kRtfMime) || source->hasImage() || source->hasUrls() ||
         QTextEdit::canInsertFromMimeData(source);
}

void TRichText::insertFromMimeData(const QMimeData* source) {
  if (isReadOnly()) return;
  if (!source->hasFormat(kRtfMime)) {
    if (!insertFilesOrImage(source)) QTextEdit::insertFromMimeData(source);
    return;
  }
  QByteArray rtf = source->data(kRtfMime);
  QTextDocument pasted;
  pasted.setDefaultFont(document()->defaultFont());
  int notShown = 0;
  LoadRtfInto(pasted, rtf, scale(), &notShown);  // a pasted text keeps the pane's page layout
  QTextCursor cursor = textCursor();
  cursor.insertFragment(QTextDocumentFragment(&pasted));
  setTextCursor(cursor);
  ensureCursorVisible();
  if (notShown > 0) emit PicturesNotShown(notShown);
}

// Files (dropped or copied in a file manager) go to the file handler first, then in as
// pictures; a picture on the clipboard goes in as a picture.
bool TRichText::insertFilesOrImage(const QMimeData* source) {
  QStringList files;
  for (const QUrl& url : source->urls())
    if (url.isLocalFile()) files << url.toLocalFile();
  if (!files.isEmpty()) {
    QStringList problems;
    for (const QString& file : files) {
      if (fileInsert_ && fileInsert_(file)) continue;
      const QString problem = InsertPictureFile(file);
      if (!problem.isEmpty()) problems << problem;
    }
    if (!problems.isEmpty()) emit InsertProblem(problems.join(QLatin1Char('\n')));
    return true;
  }
  if (source->hasImage()) {
    InsertImage(qvariant_cast<QImage>(source->imageData()));
    return true;
  }
  return false;
}

// --- pictures

int TRichText::InsertPictures(const std::vector<RtfPicture>& pictures, bool pageBreaks) {
  if (isReadOnly() || pictures.empty()) return 0;
  QTextCharFormat chars = WithoutField(currentCharFormat());
  if (IsPicture(chars)) chars = QTextCharFormat();
  QTextCursor cursor = textCursor();
  cursor.beginEditBlock();
  int notShown = 0;
  bool first = true;
  for (const RtfPicture& picture : pictures) {
    if (pageBreaks && (!first || !cursor.block().text().isEmpty())) {
      RtfParaFormat props;
      props.pageBreakBefore = true;
      QTextBlockFormat block;
      SetParaFormat(block, props, scale());
      cursor.insertBlock(block, chars);
    }
    first = false;
    bool decoded = false;
    cursor.insertText(QString(QChar::ObjectReplacementCharacter),
                      PictureFormat(chars, picture, &decoded));
    notShown += decoded ? 0 : 1;
  }
  cursor.endEditBlock();
  setTextCursor(cursor);
  setCurrentCharFormat(chars);
  ensureCursorVisible();
  if (notShown > 0) emit PicturesNotShown(notShown);
  return notShown;
}

QString TRichText::InsertPictureFile(const QString& path) {
  constexpr qint64 kMaxFileBytes = qint64(kMaxRtfPictureBytes);
  constexpr int kLargestSide = 3000;  // more than a fax page needs at its finest
  const QString name = QFileInfo(path).fileName();
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    return QStringLiteral("%1 cannot be opened: %2").arg(name, file.errorString());
  if (file.size() > kMaxFileBytes)
    return QStringLiteral("%1 is too large for a picture of a fax").arg(name);
  const QByteArray bytes = file.readAll();
  QImage image = DecodePicture(bytes);
  const bool asStored = !image.isNull() && image.width() <= kLargestSide &&
                        image.height() <= kLargestSide;
  if (image.isNull()) {  // another kind of picture, or too large to keep as it is
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (!size.isValid() || qint64(size.width()) * size.height() > kMaxPicturePixels * 4)
      return QStringLiteral("%1 is not a picture that can be read, or is too large").arg(name);
    if (size.width() > kLargestSide || size.height() > kLargestSide)
      reader.setScaledSize(size.scaled(kLargestSide, kLargestSide, Qt::KeepAspectRatio));
    if (!reader.read(&image))
      return QStringLiteral("%1 is not a picture that can be read: %2").arg(name, reader.errorString());
  }
  RtfPicture picture;
  if (asStored) {
    picture.format = bytes.startsWith("\x89PNG") ? RtfPicture::Format::Png : RtfPicture::Format::Jpeg;
    picture.bytes.assign(bytes.constData(), size_t(bytes.size()));
    picture.pixelWidth = image.width();
    picture.pixelHeight = image.height();
    const QSize twips = OwnTwips(image);
    picture.goalWidth = twips.width();
    picture.goalHeight = twips.height();
  } else {
    if (image.width() > kLargestSide || image.height() > kLargestSide)
      image = image.scaled(kLargestSide, kLargestSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    picture = PictureOfImage(image, {}, !image.hasAlphaChannel() && !image.allGray());
  }
  const QSize fitted = FitToPage(QSize(picture.goalWidth, picture.goalHeight), layout_);
  picture.goalWidth = fitted.width();
  picture.goalHeight = fitted.height();
  InsertPictures({picture}, false);
  return {};
}

void TRichText::InsertImage(const QImage& image) {
  if (image.isNull()) return;
  RtfPicture picture = PictureOfImage(image);
  const QSize fitted = FitToPage(QSize(picture.goalWidth, picture.goalHeight), layout_);
  picture.goalWidth = fitted.width();
  picture.goalHeight = fitted.height();
  InsertPictures({picture}, false);
}

void TRichText::SetFileInsertHandler(std::function<bool(const QString&)> handler) {
  fileInsert_ = std::move(handler);
}

void TRichText::AddContextAction(QAction* action) { contextActions_.append(action); }

void TRichText::contextMenuEvent(QContextMenuEvent* event) {
  std::unique_ptr<QMenu> menu(createStandardContextMenu(event->pos()));
  if (!contextActions_.isEmpty()) {
    menu->addSeparator();
    menu->addActions(contextActions_);
  }
  menu->exec(event->globalPos());
}

// --- merge fields

void TRichText::InsertMergeField(int id, const QString& displayName) {
  QTextCharFormat base = WithoutField(currentCharFormat());
  QTextCursor cursor = textCursor();
  cursor.insertText(QString(QChar::ObjectReplacementCharacter),
                    MergeFieldFormat(base, id, displayName, displayName));
  setTextCursor(cursor);
  setCurrentCharFormat(base);
}

void TRichText::SetTextToInsertHandler(TextToInsertHandler handler) {
  textToInsert_ = std::move(handler);
}

bool TRichText::HasTextToInsertHandler() const { return bool(textToInsert_); }

int TRichText::MergeFields() {
  if (!textToInsert_) return 0;
  QList<QPair<int, QTextCharFormat>> fields;
  ForEachField(*document(), [&](int pos, const QTextCharFormat& f) { fields.append({pos, f}); });
  int changed = 0;
  QTextCursor cursor(document());
  cursor.beginEditBlock();
  for (auto& [pos, format] : fields) {
    std::optional<QString> text =
        textToInsert_(format.intProperty(kPropFieldId), format.stringProperty(kPropFieldText));
    if (!text) continue;
    format.setProperty(kPropFieldText, *text);
    cursor.setPosition(pos);
    cursor.setPosition(pos + 1, QTextCursor::KeepAnchor);
    cursor.setCharFormat(format);
    ++changed;
  }
  cursor.endEditBlock();
  return changed;
}

QList<MergeFieldInfo> TRichText::MergeFieldList() const {
  QList<MergeFieldInfo> list;
  ForEachField(*document(), [&](int, const QTextCharFormat& f) {
    list.append({f.intProperty(kPropFieldId), f.stringProperty(kPropFieldName),
                 f.stringProperty(kPropFieldText)});
  });
  return list;
}

// --- spell checking

void TRichText::RequestSpellCheck() { emit StartSpellCheck(); }

void TRichText::StartWordWalk() { walker_->Start(document()); }

QString TRichText::NextWord() { return walker_->Next(); }

void TRichText::SelectWord() {
  if (walker_->Word().isNull()) return;
  setTextCursor(walker_->Word());
  ensureCursorVisible();
}

void TRichText::ReplaceWord(const QString& text) {
  if (!isReadOnly()) walker_->Replace(text);
}

void TRichText::EndWordWalk() {
  walker_->End();
  QTextCursor cursor = textCursor();
  cursor.clearSelection();
  setTextCursor(cursor);
}

// --- page painting

int TRichText::PaintOptions() const { return paintOptions_; }

void TRichText::SetPaintOptions(int flags) {
  paintOptions_ = flags;
  renderer_->Invalidate();
}

int TRichText::PaintPage(QPainter& painter, const QRect& target, int pixelsPerInch, int firstLine) {
  return renderer_->PaintPageOf(*document(), scale(), layout_, paintOptions_, painter, target,
                                pixelsPerInch, firstLine);
}

int TRichText::PageCount(const QRect& target, int pixelsPerInch) {
  return renderer_->PageCountOf(*document(), scale(), layout_, paintOptions_, target,
                                pixelsPerInch);
}

}  // namespace richtext
