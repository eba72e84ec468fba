// TRichText: content tests, attributes in twips, page breaks, merge fields, word walk,
// zoom, word wrap and the tool bar, all on a real pane under the offscreen platform.
#include "richtext/richtext.h"
#include "faxcodes/texts.h"
#include "richtext/codec/mergefield.h"
#include "richtext/richtoolbar.h"
#include "testutil.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QFontComboBox>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <memory>

namespace richtext::test {
namespace {

RtfDocument Saved(const TRichText& pane) { return Read(pane.SaveRtf().toStdString()); }

TEST(RichText, EmptinessCharacterCountAndLines) {
  TRichText pane;
  EXPECT_TRUE(pane.IsEmpty());
  EXPECT_EQ(pane.CharacterCount(), 0);
  EXPECT_EQ(pane.PlainTextLines(), QStringList{""});

  pane.insertPlainText("ab\ncd");
  pane.textCursor().insertText(QString(QChar::LineSeparator) + "ef");
  EXPECT_FALSE(pane.IsEmpty());
  EXPECT_EQ(pane.CharacterCount(), 8);
  EXPECT_EQ(pane.PlainTextLines(), (QStringList{"ab", "cd", "ef"}));

  pane.Clear();
  EXPECT_TRUE(pane.IsEmpty());
  pane.insertPlainText("\n");  // two empty paragraphs are not "empty"
  EXPECT_FALSE(pane.IsEmpty());

  pane.Clear();
  pane.InsertMergeField(kFieldRecipient, "[RECIPIENT]");  // a field alone is content
  EXPECT_FALSE(pane.IsEmpty());
  EXPECT_EQ(pane.CharacterCount(), 11);
  EXPECT_EQ(pane.PlainTextLines(), QStringList{"[RECIPIENT]"});
}

TEST(RichText, CurrentAttributesAreUsedForTypingAndSurviveClear) {
  TRichText pane;
  CharAttributes attrs{"Courier New", 14, true, false, true};
  pane.SetCurrentCharAttributes(attrs);
  EXPECT_EQ(pane.CurrentCharAttributes(), attrs);
  pane.insertPlainText("typed");
  RtfDocument saved = Saved(pane);
  const RtfInline* run = FindRun(saved, "typed");
  ASSERT_NE(run, nullptr);
  EXPECT_EQ(run->props.fontName, "Courier New");
  EXPECT_EQ(run->props.halfPoints, 28);
  EXPECT_TRUE(run->props.bold && run->props.underline && !run->props.italic);
  EXPECT_EQ(saved.paragraphs[0].markProps.halfPoints, 28);

  pane.Clear();
  EXPECT_EQ(pane.CurrentCharAttributes(), attrs);
}

TEST(RichText, ParagraphAttributesInTwipsAtAnyZoom) {
  TRichText pane;
  pane.insertPlainText("one\ntwo");
  EXPECT_EQ(pane.CurrentParagraphAttributes(), ParagraphAttributes{});
  ASSERT_TRUE(pane.SetParagraphIndents(1800, 1440, 720));
  ASSERT_TRUE(pane.SetParagraphSpacing(240, 120, -300));
  ParagraphAttributes want{1800, 1440, 720, 240, 120, -300};
  EXPECT_EQ(pane.CurrentParagraphAttributes(), want);

  RtfDocument saved = Saved(pane);
  EXPECT_EQ(saved.paragraphs[0].props, RtfParaFormat{});  // only the caret's paragraph
  const RtfParaFormat& two = saved.paragraphs[1].props;
  EXPECT_EQ(two.firstIndent, 360);  // RTF keeps the first line relative to the left indent
  EXPECT_EQ(two.leftIndent, 1440);
  EXPECT_EQ(two.lineSpacing, -300);

  double margin100 = pane.textCursor().blockFormat().leftMargin();
  pane.SetZooming(200);
  EXPECT_EQ(pane.CurrentParagraphAttributes(), want);
  EXPECT_NEAR(pane.textCursor().blockFormat().leftMargin(), 2 * margin100, 0.01);
  pane.SetZooming(80);
  EXPECT_EQ(Saved(pane).paragraphs, saved.paragraphs);

  pane.setReadOnly(true);
  EXPECT_FALSE(pane.SetParagraphIndents(0, 0, 0));
  EXPECT_FALSE(pane.SetParagraphSpacing(0, 0, 0));
  EXPECT_EQ(pane.CurrentParagraphAttributes(), want);
}

TEST(RichText, SelectionSetsEveryParagraphAndMultipleSpacingIsKept) {
  TRichText pane;
  pane.LoadRtf("{\\rtf1 \\pard\\sl360\\slmult1 a\\par b\\par c}");
  QTextCursor all = pane.textCursor();
  all.movePosition(QTextCursor::Start);
  all.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor);
  pane.setTextCursor(all);
  ParagraphAttributes now = pane.CurrentParagraphAttributes();
  ASSERT_TRUE(pane.SetParagraphSpacing(100, 50, now.lineHeight));
  RtfDocument saved = Saved(pane);
  for (int i : {0, 1}) {
    EXPECT_EQ(saved.paragraphs[size_t(i)].props.spaceBefore, 100);
    EXPECT_TRUE(saved.paragraphs[size_t(i)].props.lineMultiple);  // unchanged height kept
  }
  EXPECT_EQ(saved.paragraphs[2].props.spaceBefore, 0);
}

TEST(RichText, PageBreakParagraphCarriesCaretAttributes) {
  TRichText pane;
  pane.SetCurrentCharAttributes({"Arial", 12, true, false, false});
  pane.insertPlainText("Hello");
  pane.InsertPageBreak();
  pane.insertPlainText("Next");
  RtfDocument saved = Saved(pane);
  ASSERT_EQ(saved.paragraphs.size(), 2u);
  EXPECT_FALSE(saved.paragraphs[0].props.pageBreakBefore);
  EXPECT_TRUE(saved.paragraphs[1].props.pageBreakBefore);
  EXPECT_TRUE(FindRun(saved, "Next")->props.bold);
  EXPECT_EQ(FindRun(saved, "Next")->props.halfPoints, 24);
}

TEST(RichText, ParagraphsStartedWithEnterAfterAPageBreakDoNotBreakAgain) {
  TRichText pane;
  pane.insertPlainText("one");
  pane.InsertPageBreak();
  QTest::keyClicks(&pane, "two");
  QTest::keyClick(&pane, Qt::Key_Return);
  QTest::keyClicks(&pane, "three");
  QTest::keyClick(&pane, Qt::Key_Enter, Qt::KeypadModifier);
  QTest::keyClicks(&pane, "four");
  RtfDocument saved = Saved(pane);
  ASSERT_EQ(Flat(saved), "one\ntwo\nthree\nfour");
  std::vector<bool> breaks;
  for (const RtfParagraph& p : saved.paragraphs) breaks.push_back(p.props.pageBreakBefore);
  EXPECT_EQ(breaks, (std::vector<bool>{false, true, false, false}));

  // The stored text pages the same way: two pages, not one per paragraph after the break.
  TRichText reloaded;
  reloaded.LoadRtf(pane.SaveRtf());
  reloaded.SetPaintOptions(kPaintLayoutPages);
  EXPECT_EQ(reloaded.PageCount(QRect(49, 49, 1566, 2058), 200), 2);
}

TEST(RichText, EnterOnAnEmptyLineKeepsTheFontAndTheParagraph) {
  TRichText pane;
  pane.SetCurrentCharAttributes({"Arial", 12, false, false, false});
  ASSERT_TRUE(pane.SetParagraphIndents(720, 720, 0));
  QTest::keyClicks(&pane, "abc");
  QTest::keyClick(&pane, Qt::Key_Return);
  QTest::keyClick(&pane, Qt::Key_Return);
  EXPECT_EQ(pane.CurrentCharAttributes().pointSize, 12);
  QTest::keyClicks(&pane, "def");
  RtfDocument saved = Saved(pane);
  ASSERT_EQ(Flat(saved), "abc\n\ndef");
  EXPECT_EQ(FindRun(saved, "def")->props.halfPoints, 24);
  EXPECT_EQ(saved.paragraphs[1].markProps.halfPoints, 24);
  EXPECT_EQ(saved.paragraphs[2].props.leftIndent, 720);
}

TEST(RichText, MergeFieldsInsertMergeAndSurviveSaveAndLoad) {
  TRichText pane;
  pane.insertPlainText("Dear ");
  pane.InsertMergeField(kFieldRecipient, "[RECIPIENT]");
  pane.insertPlainText(", fax ");
  pane.InsertMergeField(kFieldFaxNumber, "[FAX#]");
  pane.InsertMergeField(9, "[OTHER]");
  EXPECT_EQ(pane.PlainTextLines(), QStringList{"Dear [RECIPIENT], fax [FAX#][OTHER]"});

  EXPECT_EQ(pane.MergeFields(), 0);  // no handler: nothing merges
  QList<int> asked;
  pane.SetTextToInsertHandler([&](int id, const QString& current) -> std::optional<QString> {
    asked.append(id);
    if (id == kFieldRecipient) return QString("Ann Lee");
    if (id == kFieldFaxNumber) return current + " 555";
    return std::nullopt;
  });
  EXPECT_TRUE(pane.HasTextToInsertHandler());
  EXPECT_EQ(pane.MergeFields(), 2);
  EXPECT_EQ(asked, (QList<int>{1, 2, 9}));
  QList<MergeFieldInfo> want{
      {1, "[RECIPIENT]", "Ann Lee"}, {2, "[FAX#]", "[FAX#] 555"}, {9, "[OTHER]", "[OTHER]"}};
  EXPECT_EQ(pane.MergeFieldList(), want);
  EXPECT_EQ(pane.PlainTextLines(), QStringList{"Dear Ann Lee, fax [FAX#] 555[OTHER]"});

  QTemporaryDir dir;
  QString path = dir.filePath("Eraseme.rtf");
  ASSERT_EQ(pane.SaveToFile(path), kErrNone);
  TRichText other;
  ASSERT_EQ(other.LoadFromFile(path), kErrNone);
  EXPECT_EQ(other.MergeFieldList(), want);
  EXPECT_EQ(other.PlainTextLines(), pane.PlainTextLines());
}

TEST(RichText, TypingAfterAFieldIsPlainText) {
  TRichText pane;
  pane.InsertMergeField(kFieldSubject, "[SUBJECT]");
  QTextCursor end = pane.textCursor();
  end.movePosition(QTextCursor::End);
  pane.setTextCursor(end);
  pane.insertPlainText("tail");
  EXPECT_EQ(pane.MergeFieldList().size(), 1);
  EXPECT_EQ(Flat(Saved(pane)), "<[SUBJECT]>tail");
}

// The clipboard hooks, reached without the platform's clipboard.
class ClipboardPane : public TRichText {
 public:
  using TRichText::canInsertFromMimeData;
  using TRichText::createMimeDataFromSelection;
  using TRichText::insertFromMimeData;
};

TEST(RichText, CopyAndPasteKeepFieldsAndFormatting) {
  ClipboardPane pane;
  pane.SetCurrentCharAttributes({"Arial", 12, true, false, false});
  pane.insertPlainText("To ");
  pane.InsertMergeField(kFieldRecipient, "[RECIPIENT]");
  pane.selectAll();
  std::unique_ptr<QMimeData> copied(pane.createMimeDataFromSelection());
  ASSERT_TRUE(copied->hasFormat("text/rtf"));
  EXPECT_EQ(copied->text(), "To [RECIPIENT]");

  ClipboardPane other;
  other.insertPlainText("Note: ");
  ASSERT_TRUE(other.canInsertFromMimeData(copied.get()));
  other.insertFromMimeData(copied.get());
  EXPECT_EQ(other.PlainTextLines(), QStringList{"Note: To [RECIPIENT]"});
  EXPECT_EQ(other.MergeFieldList().size(), 1);
  RtfDocument pasted = Saved(other);
  EXPECT_TRUE(FindRun(pasted, "To")->props.bold);

  QMimeData foreign;  // RTF from another program
  foreign.setData("text/rtf", "{\\rtf1{\\fonttbl{\\f0 Arial;}}\\f0 plain {\\i slanted}}");
  other.insertFromMimeData(&foreign);
  RtfDocument saved = Saved(other);
  ASSERT_NE(FindRun(saved, "slanted"), nullptr);
  EXPECT_TRUE(FindRun(saved, "slanted")->props.italic);
}

TEST(RichText, FileErrors) {
  TRichText pane;
  pane.insertPlainText("kept");
  QTemporaryDir dir;
  EXPECT_EQ(pane.LoadFromFile(dir.filePath("missing.rtf")), kErrFileNotFound);
  EXPECT_EQ(pane.PlainTextLines(), QStringList{"kept"});
  EXPECT_EQ(pane.SaveToFile(dir.filePath("no/such/dir/x.rtf")), kErrFileWrite);
  EXPECT_STREQ(faxcodes::errorText(kErrFileNotFound), "File not found");
}

TEST(RichText, LoadTakesThePageLayoutOfTheFile) {
  TRichText pane;
  EXPECT_EQ(pane.Layout(), PageLayout{});
  pane.LoadRtf("{\\rtf1\\paperw11906\\paperh16838\\margl1134\\margr1134\\margt567\\margb567 x}");
  EXPECT_EQ(pane.Layout(), (PageLayout{11906, 16838, 1134, 567, 1134, 567}));
  pane.LoadRtf("{\\rtf1 y}");  // a file without one keeps the current layout
  EXPECT_EQ(pane.Layout().width, 11906);
  pane.SetLayout({1000, 1000, 5000, 0, 5000, 0});  // nonsense is pulled into range
  EXPECT_GE(pane.Layout().width - pane.Layout().marginLeft - pane.Layout().marginRight, 720);
}

TEST(RichText, WordWalkSkipsNumbersAndFieldsAndReplaces) {
  TRichText pane;
  pane.insertPlainText("Helo, wor1d it's ");
  pane.InsertMergeField(kFieldDate, "[DATE]");
  pane.insertPlainText(" teh  end.");
  pane.StartWordWalk();
  EXPECT_EQ(pane.NextWord(), "Helo");
  pane.SelectWord();
  EXPECT_EQ(pane.textCursor().selectedText(), "Helo");
  pane.ReplaceWord("Hello");
  EXPECT_EQ(pane.NextWord(), "it's");
  EXPECT_EQ(pane.NextWord(), "teh");
  pane.ReplaceWord("the");
  EXPECT_EQ(pane.NextWord(), "end");
  EXPECT_EQ(pane.NextWord(), "");
  EXPECT_EQ(pane.NextWord(), "");
  pane.EndWordWalk();
  EXPECT_FALSE(pane.textCursor().hasSelection());
  EXPECT_EQ(pane.PlainTextLines(), QStringList{"Hello, wor1d it's [DATE] the  end."});
}

TEST(RichText, ZoomAndWordWrap) {
  TRichText pane;
  pane.resize(300, 200);
  pane.insertPlainText(QString("word ").repeated(200));
  EXPECT_EQ(pane.Zooming(), 100);
  EXPECT_FALSE(pane.WordWrap());
  EXPECT_EQ(pane.lineWrapMode(), QTextEdit::FixedPixelWidth);  // wraps at the page's text width
  double height100 = pane.document()->documentLayout()->documentSize().height();
  pane.SetZooming(200);
  EXPECT_EQ(pane.Zooming(), 200);
  double height200 = pane.document()->documentLayout()->documentSize().height();
  EXPECT_NEAR(height200 / height100, 2.0, 0.2);
  pane.SetWordWrap(true);
  EXPECT_TRUE(pane.WordWrap());
  EXPECT_EQ(pane.lineWrapMode(), QTextEdit::WidgetWidth);
  pane.SetZooming(1);
  EXPECT_EQ(pane.Zooming(), 10);
  pane.SetZooming(9000);
  EXPECT_EQ(pane.Zooming(), 500);
}

TEST(RichToolBar, ItemsActOnTheAttachedPane) {
  TRichText pane;
  TRichToolBar bar;
  EXPECT_FALSE(bar.isEnabled());
  bar.SetEditor(&pane);
  EXPECT_TRUE(bar.isEnabled());
  for (const char* name : {"FontName", "FontSize", "NormalAction", "BoldAction", "ItalicAction",
                           "UnderlineAction", "LeftAction", "RightAction", "JustifyAction",
                           "CenterAction", "CopyAction", "CutAction", "PasteAction", "SpellAction"})
    EXPECT_NE(bar.findChild<QObject*>(name), nullptr) << name;
  EXPECT_EQ(bar.FontSize()->itemText(0), "8");

  bar.BoldAction()->trigger();
  bar.CenterAction()->trigger();
  pane.insertPlainText("x");
  EXPECT_TRUE(pane.CurrentCharAttributes().bold);
  EXPECT_TRUE(bar.BoldAction()->isChecked());
  EXPECT_EQ(Saved(pane).paragraphs[0].props.align, RtfAlign::Center);
  bar.NormalAction()->trigger();
  EXPECT_FALSE(pane.CurrentCharAttributes().bold);

  int spell = 0;
  QObject::connect(&pane, &TRichText::StartSpellCheck, [&] { ++spell; });
  bar.SpellAction()->trigger();
  EXPECT_EQ(spell, 1);
  {
    TRichText* gone = new TRichText;
    bar.SetEditor(gone);
    delete gone;  // the bar lets go of a pane that is destroyed
  }
  EXPECT_EQ(bar.Editor(), nullptr);
  bar.SpellAction()->trigger();
}

// A window with a default button around a pane and its bar, as the editors have them.
struct BarInWindow {
  BarInWindow() {
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(&bar);
    layout->addWidget(&pane);
    ok.setDefault(true);
    layout->addWidget(&ok);
    QObject::connect(&ok, &QPushButton::clicked, &window, &QDialog::accept);
    bar.SetEditor(&pane);
    window.show();
  }
  void typeInto(QComboBox* box, const QString& text, Qt::Key key) {
    box->setFocus();
    box->lineEdit()->selectAll();
    QTest::keyClicks(box->lineEdit(), text);
    QTest::keyClick(box->lineEdit(), key);
  }
  QDialog window;
  TRichToolBar bar{&window};
  TRichText pane{&window};
  QPushButton ok{QStringLiteral("OK"), &window};
};

TEST(RichToolBar, EnterAndEscapeInTheListsActThereAndNeverCloseTheWindow) {
  BarInWindow w;
  w.pane.SetCurrentCharAttributes({"Arial", 10, false, false, false});
  QComboBox* size = w.bar.FontSize();
  EXPECT_EQ(size->currentText(), "10");
  EXPECT_EQ(size->itemText(size->currentIndex()), "10");  // the list opens on the size in use

  w.typeInto(size, "14", Qt::Key_Return);
  EXPECT_EQ(w.pane.CurrentCharAttributes().pointSize, 14);
  w.typeInto(size, "big", Qt::Key_Enter);
  EXPECT_EQ(w.pane.CurrentCharAttributes().pointSize, 14);
  EXPECT_EQ(size->currentText(), "14");

  QFontComboBox* name = w.bar.FontName();
  const QString family = name->itemText(name->count() - 1);
  w.typeInto(name, family.toLower(), Qt::Key_Return);
  EXPECT_EQ(w.pane.CurrentCharAttributes().fontName, family);
  w.typeInto(name, "No such family", Qt::Key_Return);
  EXPECT_EQ(w.pane.CurrentCharAttributes().fontName, family);
  const QString shown = name->currentText();
  w.typeInto(name, "Half typed", Qt::Key_Escape);
  EXPECT_EQ(name->currentText(), shown);
  w.typeInto(size, "9", Qt::Key_Escape);
  EXPECT_EQ(size->currentText(), "14");

  EXPECT_TRUE(w.window.isVisible());
  EXPECT_EQ(w.window.result(), 0);
}

}  // namespace
}  // namespace richtext::test
