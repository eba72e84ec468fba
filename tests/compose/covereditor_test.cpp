// The cover-sheet template editor driven through its controls.
#include "compose/covereditor.h"
#include "compose/phonebookeditor.h"

#include "composetest.h"
#include "richtext/richtext.h"
#include "richtext/richtoolbar.h"
#include "support/accessiblenames.h"
#include "ui/helpwindow.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using compose::TCoverEditor;
using composetest::WaitUntil;

namespace {

class CoverEditor : public ::testing::Test {
 protected:
  void show() {
    editor.show();
    ASSERT_TRUE(WaitUntil([&] { return editor.isVisible(); }));
  }
  QStringList fieldNames() const {
    QStringList names;
    for (const richtext::MergeFieldInfo& f : editor.RichCover->MergeFieldList())
      names << QStringLiteral("%1%2").arg(f.id).arg(f.displayName);
    return names;
  }

  composetest::ComposeFixture fixture;
  TCoverEditor editor;
};

}  // namespace

TEST_F(CoverEditor, InsertItemsPutTheirFieldAtTheCaretWhateverTheirCaption) {
  show();
  editor.RichCover->insertPlainText(QStringLiteral("Dear "));
  // Captions may be translated or reworded: each item is known by the id it carries.
  for (QAction* item : editor.InsertMenu->actions()) item->setText(item->text().toUpper() + "!");
  for (QAction* item : {editor.mnuTime, editor.mnuDate, editor.mnuSubject, editor.mnuFaxNumber1,
                        editor.mnuRecipient1})
    item->trigger();
  EXPECT_EQ(fieldNames(),
            (QStringList{"5[TIME]", "4[DATE]", "3[SUBJECT]", "2[FAX#]", "1[RECIPIENT]"}));
  EXPECT_TRUE(editor.RichCover->PlainTextLines().first().startsWith("Dear [TIME]"));
  // Typing after a field is plain text again.
  editor.RichCover->insertPlainText(QStringLiteral("x"));
  EXPECT_EQ(editor.RichCover->MergeFieldList().size(), 5);
}

// A character the tables cannot hold would be stored as "?": the description and the
// phone book's name refuse it and say so.
TEST_F(CoverEditor, DescriptionAndPhoneBookNameRefuseWhatTheTablesCannotHold) {
  compose::TPhoneBookEditor entry;
  for (QLineEdit* edit : {editor.CoverDescription, entry.Name}) {
    composetest::TypeAsKeys(edit, QStringLiteral("Łukasz Zoë"));
    EXPECT_EQ(edit->text(), QStringLiteral("ukasz Zoë")) << edit->objectName().toStdString();
    EXPECT_TRUE(composetest::RefusalTipText().contains(QStringLiteral("Ł")));
  }
}

TEST_F(CoverEditor, NeitherEnterNorEscapeEndsTheWindowButItsButtonsDo) {
  show();
  for (QWidget* target :
       {static_cast<QWidget*>(editor.CoverDescription), static_cast<QWidget*>(editor.RichCover)}) {
    target->setFocus();
    QTest::keyClick(target, Qt::Key_Return);
    QTest::keyClick(target, Qt::Key_Escape);
    EXPECT_TRUE(editor.isVisible());
  }
  editor.OKbutton->click();
  EXPECT_EQ(editor.result(), compose::kModalOk);
  show();
  editor.close();  // the window manager's close box
  EXPECT_EQ(editor.result(), compose::kModalCancel);
  show();
  editor.CancelButton->click();
  EXPECT_EQ(editor.result(), compose::kModalCancel);
}

TEST_F(CoverEditor, ZoomAndWrapActOnThePaneAndShowingSetsALetterPage) {
  editor.RichCover->SetLayout({1000, 1000, 0, 0, 0, 0});
  show();
  EXPECT_EQ(editor.RichCover->Layout(), richtext::PageLayout{});
  editor.Zoom70->trigger();
  EXPECT_EQ(editor.RichCover->Zooming(), 70);
  EXPECT_EQ(editor.Zoombutton->text(), "70%");
  emit editor.ZoomMenu->aboutToShow();
  EXPECT_TRUE(editor.Zoom70->isChecked());
  EXPECT_FALSE(editor.Zoom100->isChecked());
  editor.CoverDocWordWrapButton->defaultAction()->trigger();
  EXPECT_TRUE(editor.RichCover->WordWrap());
  EXPECT_TRUE(editor.CoverDocWordWrapButton->isChecked());
}

TEST_F(CoverEditor, PageBreakAsksAndHelpOpensItsTopic) {
  show();
  fixture.answer = ui::mb::IdNo;
  const int blocks = editor.RichCover->document()->blockCount();
  editor.CoverDocPageBreakButton->defaultAction()->trigger();
  EXPECT_EQ(editor.RichCover->document()->blockCount(), blocks);
  fixture.answer = ui::mb::IdYes;
  editor.CoverDocPageBreakButton->defaultAction()->trigger();
  EXPECT_EQ(editor.RichCover->document()->blockCount(), blocks + 1);

  int topic = 0;
  ui::HelpRequests().Install([&](int t) { topic = t; });
  editor.HelpButton->click();
  EXPECT_EQ(topic, ui::helpctx::CoverEditor);
  topic = 0;
  QApplication::setActiveWindow(&editor);
  QTest::keyClick(editor.RichCover, Qt::Key_F1);
  ui::HelpRequests().Install({});
  EXPECT_EQ(topic, ui::helpctx::CoverEditor);
  EXPECT_TRUE(testutil::UnnamedFields(&editor).isEmpty())
      << testutil::UnnamedFields(&editor).join(",").toStdString();
}
