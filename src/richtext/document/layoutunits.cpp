// Conversions between paragraph twips and Qt block formats.
#include "richtext/document/layoutunits.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

// Qt's layout resolution when no paint device is given; exported by QtGui.
Q_GUI_EXPORT int qt_defaultDpiY();

namespace richtext {
namespace {

enum : int {
  kPropTwips = QTextFormat::UserProperty + 0x4200,  // marks a block that carries twips
  kPropFirst,
  kPropLeft,
  kPropRight,
  kPropBefore,
  kPropAfter,
  kPropLine,
  kPropLineMultiple,
};

int Twips(double px, double scale) { return LayoutToTwips(px / (scale > 0 ? scale : 1.0)); }

RtfAlign AlignOf(Qt::Alignment a) {
  if (a & Qt::AlignJustify) return RtfAlign::Justify;
  if (a & Qt::AlignHCenter) return RtfAlign::Center;
  if (a & (Qt::AlignRight | Qt::AlignTrailing)) return RtfAlign::Right;
  return RtfAlign::Left;
}

Qt::Alignment QtAlign(RtfAlign a) {
  switch (a) {
    case RtfAlign::Right: return Qt::AlignRight | Qt::AlignAbsolute;
    case RtfAlign::Center: return Qt::AlignHCenter;
    case RtfAlign::Justify: return Qt::AlignJustify;
    case RtfAlign::Left: break;
  }
  return Qt::AlignLeft | Qt::AlignAbsolute;
}

void ReadLineSpacing(const QTextBlockFormat& f, RtfParaFormat& p) {
  switch (f.lineHeightType()) {
    case QTextBlockFormat::ProportionalHeight:
      p.lineSpacing = qRound(f.lineHeight() * 240 / 100);
      p.lineMultiple = true;
      break;
    case QTextBlockFormat::MinimumHeight: p.lineSpacing = LayoutToTwips(f.lineHeight()); break;
    case QTextBlockFormat::FixedHeight: p.lineSpacing = -LayoutToTwips(f.lineHeight()); break;
    default: break;
  }
}

void WriteLineSpacing(QTextBlockFormat& f, const RtfParaFormat& p) {
  if (p.lineSpacing == 0 || (p.lineMultiple && p.lineSpacing == 240))
    f.setLineHeight(0, QTextBlockFormat::SingleHeight);
  else if (p.lineSpacing < 0)
    f.setLineHeight(TwipsToLayout(-p.lineSpacing), QTextBlockFormat::FixedHeight);
  else if (p.lineMultiple)
    f.setLineHeight(p.lineSpacing * 100.0 / 240, QTextBlockFormat::ProportionalHeight);
  else
    f.setLineHeight(TwipsToLayout(p.lineSpacing), QTextBlockFormat::MinimumHeight);
}

}  // namespace

double LayoutDpi() { return qt_defaultDpiY(); }

RtfParaFormat ParaFormatOf(const QTextBlockFormat& f, double scale) {
  RtfParaFormat p;
  p.align = AlignOf(f.alignment());
  if (f.hasProperty(kPropTwips)) {
    p.firstIndent = f.intProperty(kPropFirst);
    p.leftIndent = f.intProperty(kPropLeft);
    p.rightIndent = f.intProperty(kPropRight);
    p.spaceBefore = f.intProperty(kPropBefore);
    p.spaceAfter = f.intProperty(kPropAfter);
    p.lineSpacing = f.intProperty(kPropLine);
    p.lineMultiple = f.boolProperty(kPropLineMultiple);
  } else {
    p.firstIndent = Twips(f.textIndent(), scale);
    p.leftIndent = Twips(f.leftMargin(), scale);
    p.rightIndent = Twips(f.rightMargin(), scale);
    p.spaceBefore = Twips(f.topMargin(), scale);
    p.spaceAfter = Twips(f.bottomMargin(), scale);
    ReadLineSpacing(f, p);
  }
  p.pageBreakBefore = f.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore;
  for (const QTextOption::Tab& t : f.tabPositions()) {
    RtfTab tab;
    tab.position = LayoutToTwips(t.position);
    tab.kind = t.type == QTextOption::RightTab       ? RtfTabKind::Right
               : t.type == QTextOption::CenterTab    ? RtfTabKind::Center
               : t.type == QTextOption::DelimiterTab ? RtfTabKind::Decimal
                                                     : RtfTabKind::Left;
    p.tabs.push_back(tab);
  }
  return p;
}

void SetParaFormat(QTextBlockFormat& f, const RtfParaFormat& p, double scale) {
  f.setAlignment(QtAlign(p.align));
  f.setProperty(kPropTwips, true);
  f.setProperty(kPropFirst, p.firstIndent);
  f.setProperty(kPropLeft, p.leftIndent);
  f.setProperty(kPropRight, p.rightIndent);
  f.setProperty(kPropBefore, p.spaceBefore);
  f.setProperty(kPropAfter, p.spaceAfter);
  f.setProperty(kPropLine, p.lineSpacing);
  f.setProperty(kPropLineMultiple, p.lineMultiple);
  f.setTextIndent(TwipsToLayout(p.firstIndent) * scale);
  f.setLeftMargin(TwipsToLayout(p.leftIndent) * scale);
  f.setRightMargin(TwipsToLayout(p.rightIndent) * scale);
  f.setTopMargin(TwipsToLayout(p.spaceBefore) * scale);
  f.setBottomMargin(TwipsToLayout(p.spaceAfter) * scale);
  WriteLineSpacing(f, p);
  f.setPageBreakPolicy(p.pageBreakBefore ? QTextFormat::PageBreak_AlwaysBefore
                                         : QTextFormat::PageBreak_Auto);
  QList<QTextOption::Tab> tabs;
  for (const RtfTab& t : p.tabs) {
    QTextOption::Tab tab(TwipsToLayout(t.position), QTextOption::LeftTab);
    if (t.kind == RtfTabKind::Right) tab.type = QTextOption::RightTab;
    if (t.kind == RtfTabKind::Center) tab.type = QTextOption::CenterTab;
    if (t.kind == RtfTabKind::Decimal)
      tab = QTextOption::Tab(tab.position, QTextOption::DelimiterTab, QChar('.'));
    tabs.append(tab);
  }
  f.setTabPositions(tabs);
}

void RescaleParagraphs(QTextDocument& doc, double from, double to) {
  bool undo = doc.isUndoRedoEnabled();
  bool modified = doc.isModified();
  doc.setUndoRedoEnabled(false);
  QTextCursor cursor(&doc);
  for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
    QTextBlockFormat f = b.blockFormat();
    SetParaFormat(f, ParaFormatOf(f, from), to);
    cursor.setPosition(b.position());
    cursor.setBlockFormat(f);
  }
  doc.setUndoRedoEnabled(undo);
  doc.setModified(modified);
}

}  // namespace richtext
