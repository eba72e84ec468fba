// Model to QTextDocument and back. Tabs and line breaks become '\t' and U+2028 in the
// text; merge fields become object characters (see mergeobject.h).
#include "richtext/document/rtfqt.h"

#include "faxcodes/error_codes.h"
#include "richtext/codec/rtfreader.h"
#include "richtext/document/layoutunits.h"
#include "richtext/document/mergeobject.h"
#include "richtext/document/pictureobject.h"

#include <QFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <cmath>

namespace richtext {
namespace {

constexpr QChar kLineBreak = QChar::LineSeparator;
constexpr QChar kObject = QChar::ObjectReplacementCharacter;

// Text of a run without characters that would split blocks or fake objects.
QString RunText(const std::u16string& s) {
  QString text = QString::fromStdU16String(s);
  for (QChar& c : text) {
    ushort u = c.unicode();
    if (u == QChar::ParagraphSeparator || u == kObject.unicode() || (u < 0x20 && u != '\t'))
      c = QChar(' ');
  }
  return text;
}

// Returns false for a picture that could not be decoded.
bool AppendItem(QTextCursor& cursor, const RtfInline& item) {
  QTextCharFormat cf = CharFormatOf(item.props);
  switch (item.kind) {
    case RtfInline::Kind::Text: cursor.insertText(RunText(item.text), cf); break;
    case RtfInline::Kind::Tab: cursor.insertText(QStringLiteral("\t"), cf); break;
    case RtfInline::Kind::LineBreak: cursor.insertText(QString(kLineBreak), cf); break;
    case RtfInline::Kind::Field:
      cursor.insertText(
          QString(kObject),
          MergeFieldFormat(cf, item.fieldId, QString::fromStdU16String(item.fieldName),
                           RunText(item.text)));
      break;
    case RtfInline::Kind::Picture: {
      bool decoded = false;
      cursor.insertText(QString(kObject), PictureFormat(cf, item.picture, &decoded));
      return decoded;
    }
  }
  return true;
}

void AppendRun(RtfParagraph& para, RtfInline::Kind kind, const QString& text,
               const RtfCharProps& props) {
  RtfInline item;
  item.kind = kind;
  item.text = text.toStdU16String();
  item.props = props;
  para.items.push_back(std::move(item));
}

void AppendField(RtfParagraph& para, const QTextCharFormat& cf, const RtfCharProps& props) {
  RtfInline item;
  item.kind = RtfInline::Kind::Field;
  item.fieldId = cf.intProperty(kPropFieldId);
  item.fieldName = cf.stringProperty(kPropFieldName).toStdU16String();
  item.text = cf.stringProperty(kPropFieldText).toStdU16String();
  item.props = props;
  para.items.push_back(std::move(item));
}

void AppendFragment(RtfParagraph& para, const QTextFragment& fragment, const QFont& defaultFont) {
  QTextCharFormat cf = fragment.charFormat();
  RtfCharProps props = CharPropsOf(cf, defaultFont);
  QString run;
  auto flush = [&] {
    if (!run.isEmpty()) AppendRun(para, RtfInline::Kind::Text, run, props);
    run.clear();
  };
  for (QChar c : fragment.text()) {
    if (c == kObject) {  // an object that is no merge field or picture has nothing to keep
      flush();
      if (IsMergeField(cf)) AppendField(para, cf, props);
      if (IsPicture(cf)) {
        RtfInline item;
        item.kind = RtfInline::Kind::Picture;
        item.props = props;
        item.picture = PictureOf(cf);
        para.items.push_back(std::move(item));
      }
    } else if (c == '\t' || c == kLineBreak) {
      flush();
      AppendRun(para, c == '\t' ? RtfInline::Kind::Tab : RtfInline::Kind::LineBreak, {}, props);
    } else {
      run += c;
    }
  }
  flush();
}

}  // namespace

QTextCharFormat CharFormatOf(const RtfCharProps& p) {
  QTextCharFormat f;
  if (!p.fontName.empty()) f.setFontFamilies(QStringList{QString::fromStdString(p.fontName)});
  f.setFontPointSize(p.halfPoints / 2.0);
  f.setFontWeight(p.bold ? QFont::Bold : QFont::Normal);
  f.setFontItalic(p.italic);
  f.setFontUnderline(p.underline);
  if (p.color) f.setForeground(QColor(QRgb(*p.color)));
  return f;
}

RtfCharProps CharPropsOf(const QTextCharFormat& f, const QFont& defaultFont) {
  RtfCharProps p;
  QStringList families = f.fontFamilies().toStringList();
  p.fontName = (families.isEmpty() ? defaultFont.family() : families.first()).toStdString();
  double size = f.fontPointSize() > 0 ? f.fontPointSize() : defaultFont.pointSizeF();
  p.halfPoints = std::max(2, int(std::lround(size * 2)));
  p.bold = f.hasProperty(QTextFormat::FontWeight) ? f.fontWeight() >= QFont::DemiBold
                                                  : defaultFont.bold();
  p.italic = f.hasProperty(QTextFormat::FontItalic) ? f.fontItalic() : defaultFont.italic();
  p.underline = f.fontUnderline() ||
                (!f.hasProperty(QTextFormat::TextUnderlineStyle) && defaultFont.underline());
  if (f.hasProperty(QTextFormat::ForegroundBrush) && f.foreground().style() != Qt::NoBrush)
    p.color = f.foreground().color().rgb() & 0xFFFFFF;
  return p;
}

int ModelToDocument(const RtfDocument& model, QTextDocument& doc, double scale) {
  int notShown = 0;
  doc.clear();
  QTextCursor cursor(&doc);
  cursor.beginEditBlock();
  bool first = true;
  for (const RtfParagraph& para : model.paragraphs) {
    QTextBlockFormat bf;
    SetParaFormat(bf, para.props, scale);
    QTextCharFormat mark = CharFormatOf(para.markProps);
    if (first) {
      cursor.setBlockFormat(bf);
      cursor.setBlockCharFormat(mark);
      first = false;
    } else {
      cursor.insertBlock(bf, mark);
    }
    for (const RtfInline& item : para.items) notShown += AppendItem(cursor, item) ? 0 : 1;
  }
  cursor.endEditBlock();
  return notShown;
}

RtfDocument DocumentToModel(const QTextDocument& doc, double scale) {
  RtfDocument model;
  QFont defaultFont = doc.defaultFont();
  model.defaultFont = defaultFont.family().toStdString();
  for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
    RtfParagraph para;
    para.props = ParaFormatOf(b.blockFormat(), scale);
    para.markProps = CharPropsOf(b.charFormat(), defaultFont);
    for (auto it = b.begin(); !it.atEnd(); ++it) AppendFragment(para, it.fragment(), defaultFont);
    model.paragraphs.push_back(std::move(para));
  }
  return model;
}

std::optional<PageLayout> LoadRtfInto(QTextDocument& doc, const QByteArray& rtf, double scale,
                                      int* picturesNotShown) {
  const RtfDocument model = ReadRtf(std::string_view(rtf.constData(), size_t(rtf.size())));
  const int notShown = ModelToDocument(model, doc, scale);
  if (picturesNotShown) *picturesNotShown = notShown;
  if (!model.page) return std::nullopt;
  const RtfPageLayout& p = *model.page;
  return PageLayout{p.width, p.height, p.marginLeft, p.marginTop, p.marginRight, p.marginBottom};
}

int ReadRtfFile(const QString& path, QByteArray& out) {
  QFile file(path);
  if (!file.exists()) return faxcodes::ecFileNotFound;
  if (!file.open(QIODevice::ReadOnly)) return faxcodes::ecDiskRead;
  out = file.readAll();
  if (file.error() != QFileDevice::NoError) return faxcodes::ecDiskRead;
  return faxcodes::ecOK;
}

}  // namespace richtext
