// The fax editor window driven through its controls on the offscreen platform.
#include "compose/faxeditor.h"
#include "ui/helpwindow.h"

#include "compose/defaultfont.h"
#include "compose/enteredit.h"
#include "compose/panecommands.h"
#include "compose/paragraphpropdlg.h"
#include "compose/phonebookeditor.h"
#include "composetest.h"
#include "richtext/richtext.h"
#include "richtext/richtoolbar.h"
#include "support/accessiblenames.h"
#include "ui/placement.h"

#include <gtest/gtest.h>
#include <QAccessible>
#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QFontInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextDocumentFragment>
#include <QTimer>
#include <QToolButton>

using compose::TEnterEdit;
using compose::TFaxEditor;
using composetest::WaitUntil;

namespace {

class FaxEditor : public ::testing::Test {
 protected:
  void show() {
    editor.show();
    ASSERT_TRUE(WaitUntil([&] { return editor.isVisible(); }));
  }
  QWidget* child(const char* name) const {
    return editor.findChild<QWidget*>(QString::fromLatin1(name));
  }
  QString toolTipOf(const char* name) const {
    return child(name) ? child(name)->toolTip() : QString();
  }
  QString lastBoxText() const {
    return fixture.boxes.empty() ? QString() : fixture.boxes.back().text;
  }

  composetest::ComposeFixture fixture;
  TFaxEditor editor;
};

struct ButtonText {
  const char* name;
  const char* caption;
  const char* hint;
};

}  // namespace

TEST_F(FaxEditor, ButtonsCarryTheirNamesCaptionsAndHints) {
  const ButtonText buttons[] = {
      {"Helpbutton", "&Help", ""},
      {"RecipientButton", "&Recipient Info", "Edit the recipient information"},
      {"DocumentButton", "&Fax Document", "Edit the fax document"},
      {"CoverButton", "&Cover Sheet", "Edit the optional fax cover sheet"},
      {"Zoombutton", "100%", "Set the view percentage for the current editor"},
      {"OKButton", "&Accept", "Ok - save changes to this fax"},
      {"CancelButton", "Cance&l", "Cancel - do not save changes to this fax"},
      {"AddressButton", "&Phonebook", "Click here to access the Phone Book"},
      {"LoadCoverButton", "Load Template", "Load Cover Sheet from Template"},
      {"DocPageBreakButton", nullptr, "Insert Page Break"},
      {"CoverDocPageBreakButton", nullptr, "Insert Page Break"},
      {"ParagraphSetupButton", nullptr, "Paragraph properties"},
      {"CoverParagraphSetupbutton", nullptr, "Paragraph properties"},
      {"DocWordWrapButton", nullptr, "Toggle word wrap on"},
      {"CoverDocWordWrapButton", nullptr, "Toggle word wrap on"},
      {"DocDefFontbutton", nullptr, "Set the default font for the editor"},
      {"CoverDefFontbutton", nullptr, "Set the default font for the editor"},
  };
  for (const ButtonText& b : buttons) {
    auto* button = editor.findChild<QAbstractButton*>(QString::fromLatin1(b.name));
    ASSERT_NE(button, nullptr) << b.name;
    if (b.caption) {
      EXPECT_EQ(button->text(), QString::fromUtf8(b.caption)) << b.name;
    }
    EXPECT_EQ(button->toolTip(), QString::fromUtf8(b.hint)) << b.name;
  }
  EXPECT_TRUE(editor.OKButton->isDefault());
  EXPECT_TRUE(editor.RecipientButton->isChecked());
  EXPECT_TRUE(editor.Zoombutton->isHidden());
  EXPECT_EQ(editor.windowTitle(), "Fax Editor");
}

TEST_F(FaxEditor, EditsHaveTheirLimitsHintsAndLabels) {
  EXPECT_EQ(editor.Recipient->maxLength(), 35);
  EXPECT_EQ(editor.FaxNumber->maxLength(), 25);
  EXPECT_EQ(editor.Subject->maxLength(), 50);
  EXPECT_EQ(toolTipOf("Recipient"), "Enter recipient name here");
  EXPECT_EQ(toolTipOf("FaxNumber"), "Enter recipient fax number here");
  EXPECT_EQ(toolTipOf("Subject"), "Enter subject (topic) of fax here");
  editor.Recipient->setText(QString(40, QLatin1Char('r')));
  EXPECT_EQ(editor.Recipient->text().size(), 35);
}

TEST_F(FaxEditor, FieldsAreNamedByTheirLabelsAndReachedByTheirAltLetters) {
  EXPECT_EQ(testutil::UnnamedFields(&editor), QStringList{});
  const auto nameOf = [](QWidget* w) {
    return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name);
  };
  EXPECT_EQ(nameOf(editor.Recipient), "Recipient");
  EXPECT_EQ(nameOf(editor.FaxNumber), "Fax Number");
  EXPECT_EQ(nameOf(editor.Subject), "Subject");

  show();
  editor.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&editor));
  int reached = 0;
  for (QLabel* label : editor.findChildren<QLabel*>()) {
    if (!label->buddy()) continue;
    const QKeySequence mnemonic = QKeySequence::mnemonic(label->text());
    ASSERT_FALSE(mnemonic.isEmpty()) << label->text().toStdString();
    QTest::keySequence(&editor, mnemonic);
    EXPECT_EQ(QApplication::focusWidget(), label->buddy()) << label->text().toStdString();
    ++reached;
  }
  EXPECT_EQ(reached, 3);
}

TEST_F(FaxEditor, PageButtonsSwitchPagesHoweverTheyAreToggled) {
  show();
  const auto toggle = [](QPushButton* b) {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(b);
    ASSERT_NE(a->actionInterface(), nullptr);
    a->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
  };
  toggle(editor.DocumentButton);
  EXPECT_EQ(editor.CurrentPageCaption(), "Fax Document");
  EXPECT_TRUE(editor.Zoombutton->isVisible());
  editor.CoverButton->setFocus();
  QTest::keyClick(editor.CoverButton, Qt::Key_Space);
  EXPECT_EQ(editor.CurrentPageCaption(), "Cover Sheet");
  editor.RecipientButton->setChecked(true);
  EXPECT_EQ(editor.CurrentPageCaption(), "Recipient");
  EXPECT_FALSE(editor.Zoombutton->isVisible());
}

TEST_F(FaxEditor, CharactersTheTableCannotHoldAreRefusedWithTheReason) {
  show();
  for (TEnterEdit* edit : {editor.Recipient, editor.Subject}) {
    edit->setFocus();
    composetest::TypeAsKeys(edit, QStringLiteral("Łukasz Wałęsa"));
    EXPECT_EQ(edit->text(), QStringLiteral("ukasz Wasa")) << edit->objectName().toStdString();
    EXPECT_TRUE(composetest::RefusalTipText().contains(QStringLiteral("ę")));  // the last one
    QApplication::clipboard()->setText(QStringLiteral(" Zoë Łódź"));
    edit->paste();
    EXPECT_EQ(edit->text(), QStringLiteral("ukasz Wasa"));
    QApplication::clipboard()->setText(QStringLiteral(" Zoë"));  // Western letters are kept
    edit->paste();
    EXPECT_EQ(edit->text(), QStringLiteral("ukasz Wasa Zoë"));
  }
}

// Fax numbers in the fax editor and the phone book: what can be dialled, grouped as the
// user likes; a letter (a dial modifier to a modem) is refused with the tip naming it.
TEST_F(FaxEditor, FaxNumbersKeepToWhatCanBeDialled) {
  compose::TPhoneBookEditor entry;
  show();
  entry.show();
  for (QLineEdit* edit : {static_cast<QLineEdit*>(editor.FaxNumber), entry.Number}) {
    edit->setFocus();
    composetest::TypeAsKeys(edit, QStringLiteral("+1 (555) 123-4567,*9#.CALL"));
    EXPECT_EQ(edit->text(), QStringLiteral("+1 (555) 123-4567,*9#.")) << edit->objectName().toStdString();
    EXPECT_TRUE(composetest::RefusalTipText().contains(QStringLiteral("\"L\"")));
  }
}

TEST_F(FaxEditor, ToolBarsEndWithTheWindowsOwnButtonsTwoPixelsApart) {
  // Object names of the widgets from the first appended button on; "|" for a spacer.
  const auto appended = [](richtext::TRichToolBar* bar, QWidget* first) {
    QStringList names;
    for (QAction* a : bar->actions()) {
      QWidget* w = bar->widgetForAction(a);
      if (w == first || !names.isEmpty())
        names << (qobject_cast<QToolButton*>(w) ? w->objectName() : QString::number(w->width()));
    }
    return names.join(QLatin1Char(' '));
  };
  EXPECT_EQ(appended(editor.RichToolDoc, editor.DocPageBreakButton),
            "DocPageBreakButton 2 ParagraphSetupButton 2 DocWordWrapButton 2 DocDefFontbutton 2 "
            "InsertPictureButton 2 InsertDocumentButton");
  EXPECT_EQ(appended(editor.RichToolCover, editor.CoverDocPageBreakButton),
            "CoverDocPageBreakButton 2 CoverParagraphSetupbutton 2 CoverDocWordWrapButton 2 "
            "CoverDefFontbutton 2 LoadCoverButton 2 CoverInsertPictureButton 2 "
            "CoverInsertDocumentButton");
  EXPECT_EQ(editor.RichToolDoc->Editor(), editor.RichDoc);
  EXPECT_EQ(editor.RichToolCover->Editor(), editor.RichCover);
}

TEST_F(FaxEditor, ToolBarItemsThatDoNotFitAreReachedThroughTheOverflowMenu) {
  show();
  editor.CoverButton->click();
  QStringList hidden;
  for (QToolButton* b :
       {editor.CoverDocWordWrapButton, editor.CoverDefFontbutton, editor.LoadCoverButton})
    if (!b->isVisible()) hidden << b->text();
  if (hidden.isEmpty()) GTEST_SKIP() << "every item fits at this screen's default size";
  auto* more = editor.RichToolCover->findChild<QToolButton*>("qt_toolbar_ext_button");
  ASSERT_TRUE(more && more->isVisible() && more->isEnabled());

  // The overflow menu is a popup with its own event loop: read it, then pick Wrap.
  QStringList offered;
  std::function<void(int)> whenOpen = [&](int rounds) {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu && rounds > 0) {
      QTimer::singleShot(0, [&, rounds] { whenOpen(rounds - 1); });
      return;
    }
    if (!menu) return;
    for (QAction* a : menu->actions()) offered << a->text();
    menu->hide();
    for (QAction* a : menu->actions())
      if (a->text() == editor.CoverDocWordWrapButton->text()) a->trigger();
  };
  QTimer::singleShot(0, [&] { whenOpen(200); });
  QTest::mouseClick(more, Qt::LeftButton);
  ASSERT_TRUE(WaitUntil([&] { return !offered.isEmpty(); }));
  for (const QString& text : hidden) EXPECT_TRUE(offered.contains(text)) << text.toStdString();
  EXPECT_TRUE(editor.RichCover->WordWrap());
  EXPECT_TRUE(editor.CoverDocWordWrapButton->isChecked());
  EXPECT_TRUE(editor.isVisible());
}

TEST_F(FaxEditor, PanesStartInArialEightTakeTabsAndRefuseDrops) {
  for (richtext::TRichText* pane : {editor.RichCover, editor.RichDoc}) {
    EXPECT_EQ(pane->document()->defaultFont().family(), "Arial");
    EXPECT_EQ(pane->document()->defaultFont().pointSize(), 8);
    EXPECT_FALSE(pane->tabChangesFocus());
    EXPECT_FALSE(pane->overwriteMode());
    EXPECT_FALSE(pane->viewport()->acceptDrops());
    EXPECT_EQ(pane->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(pane->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  }
  editor.RichDoc->setFocus();
  QTest::keyClick(editor.RichDoc, Qt::Key_Tab);
  EXPECT_EQ(editor.RichDoc->toPlainText(), "\t");
}

TEST_F(FaxEditor, EnterMovesToTheNextEditAndEscapeCancels) {
  show();
  editor.Recipient->setFocus();
  QTest::keyClick(editor.Recipient, Qt::Key_Return);
  EXPECT_EQ(editor.focusWidget(), editor.FaxNumber);
  QTest::keyClick(editor.FaxNumber, Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(editor.focusWidget(), editor.Subject);
  EXPECT_TRUE(editor.isVisible());
  EXPECT_EQ(editor.result(), 0);

  QTest::keyClick(editor.Subject, Qt::Key_Escape);
  EXPECT_FALSE(editor.isVisible());
  EXPECT_EQ(editor.result(), compose::kModalCancel);
}

TEST_F(FaxEditor, CancellingAChangedFaxAsksFirstAndNoKeepsEditing) {
  editor.Subject->setText(QStringLiteral("Stored"));  // filled in before it opens
  editor.RichDoc->LoadRtf("{\\rtf1 Stored text\\par}");
  show();
  QTest::keyClick(editor.Subject, Qt::Key_Escape);  // nothing changed: no question
  EXPECT_TRUE(fixture.boxes.empty());
  EXPECT_EQ(editor.result(), compose::kModalCancel);

  using Step = std::function<void(TFaxEditor&)>;
  const Step changes[] = {
      [](TFaxEditor& e) { QTest::keyClicks(e.Recipient, "x"); },
      [](TFaxEditor& e) { e.RichDoc->insertPlainText("x"); },
      [](TFaxEditor& e) { e.RichCover->InsertPageBreak(); },
  };
  const Step cancels[] = {
      [](TFaxEditor& e) { QTest::keyClick(e.Recipient, Qt::Key_Escape); },
      [](TFaxEditor& e) { e.CancelButton->click(); },
      [](TFaxEditor& e) { e.close(); },
  };
  for (int i = 0; i < 3; ++i) {
    TFaxEditor changed;
    changed.show();
    ASSERT_TRUE(WaitUntil([&] { return changed.isVisible(); }));
    changes[i](changed);
    fixture.boxes.clear();
    fixture.answer = ui::mb::IdNo;
    cancels[i](changed);
    EXPECT_TRUE(changed.isVisible()) << i;
    ASSERT_EQ(fixture.boxes.size(), 1u) << i;
    EXPECT_TRUE(fixture.boxes[0].flags & ui::mb::DefButton2);
    fixture.answer = ui::mb::IdYes;
    cancels[i](changed);
    EXPECT_FALSE(changed.isVisible()) << i;
    EXPECT_EQ(changed.result(), compose::kModalCancel);
  }
  // Accept keeps the changes without asking.
  show();
  QTest::keyClicks(editor.Subject, "x");
  fixture.boxes.clear();
  editor.OKButton->click();
  EXPECT_TRUE(fixture.boxes.empty());
  EXPECT_EQ(editor.result(), compose::kModalOk);
}

TEST_F(FaxEditor, AcceptAndCancelGiveTheModalResults) {
  composetest::WhenModalOpens([&](QWidget*) { editor.OKButton->click(); });
  EXPECT_EQ(editor.exec(), QDialog::Accepted);
  EXPECT_EQ(QDialog::Accepted, compose::kModalOk);
  composetest::WhenModalOpens([&](QWidget*) { editor.CancelButton->click(); });
  EXPECT_EQ(editor.exec(), compose::kModalCancel);
  composetest::WhenModalOpens([&](QWidget*) { editor.close(); });
  EXPECT_EQ(editor.exec(), compose::kModalCancel);
}

TEST_F(FaxEditor, PageButtonsChooseThePageAndTheZoomButtonFollowsThePane) {
  show();
  EXPECT_EQ(editor.CurrentPageCaption(), "Recipient");
  editor.RichDoc->SetZooming(80);
  editor.DocumentButton->click();
  EXPECT_EQ(editor.CurrentPageCaption(), "Fax Document");
  EXPECT_TRUE(editor.Zoombutton->isVisible());
  EXPECT_EQ(editor.Zoombutton->text(), "80%");
  editor.CoverButton->click();
  EXPECT_EQ(editor.CurrentPageCaption(), "Cover Sheet");
  EXPECT_EQ(editor.Zoombutton->text(), "100%");
  EXPECT_FALSE(editor.DocumentButton->isChecked());
  editor.RecipientButton->click();
  EXPECT_EQ(editor.CurrentPageCaption(), "Recipient");
  EXPECT_FALSE(editor.Zoombutton->isVisible());
}

TEST_F(FaxEditor, ZoomMenuChecksOnlyAMatchingItemAndZoomsThePaneShown) {
  show();
  const auto checked = [&] {
    QString s;
    for (QAction* a : editor.ZoomMenu->actions())
      if (a->isChecked()) s += a->objectName();
    return s;
  };
  const auto openMenu = [&] {
    editor.Zoombutton->click();
    EXPECT_TRUE(WaitUntil([&] { return editor.ZoomMenu->isVisible(); }));
    editor.ZoomMenu->hide();
  };
  editor.DocumentButton->click();
  editor.RichDoc->SetZooming(90);
  openMenu();
  EXPECT_EQ(checked(), "");
  editor.RichDoc->SetZooming(80);
  openMenu();
  EXPECT_EQ(checked(), "Zoom80");

  editor.Zoom70->trigger();
  EXPECT_EQ(editor.RichDoc->Zooming(), 70);
  EXPECT_EQ(editor.Zoombutton->text(), "70%");
  EXPECT_EQ(editor.RichCover->Zooming(), 100);

  editor.CoverButton->click();
  editor.Zoom80->trigger();
  EXPECT_EQ(editor.RichCover->Zooming(), 80);
  EXPECT_EQ(editor.RichDoc->Zooming(), 70);
  EXPECT_EQ(editor.Zoom100->text(), "100%");
  EXPECT_EQ(editor.Zoom100->data().toInt(), 100);
}

TEST_F(FaxEditor, PageBreakIsInsertedOnlyWhenTheUserSaysYes) {
  editor.RichDoc->setPlainText(QStringLiteral("one\ntwo"));
  editor.RichDoc->moveCursor(QTextCursor::End);
  const QByteArray before = editor.RichDoc->SaveRtf();

  fixture.answer = ui::mb::IdNo;
  editor.DocPageBreakButton->click();
  ASSERT_EQ(fixture.boxes.size(), 1u);
  EXPECT_EQ(fixture.boxes[0].text, "Add a page break here?");
  EXPECT_EQ(fixture.boxes[0].caption, "Page Break");
  EXPECT_TRUE(fixture.boxes[0].flags & ui::mb::DefButton2);
  EXPECT_EQ(editor.RichDoc->SaveRtf(), before);

  fixture.answer = ui::mb::IdYes;
  const int blocks = editor.RichDoc->document()->blockCount();
  editor.DocPageBreakButton->click();
  EXPECT_EQ(editor.RichDoc->document()->blockCount(), blocks + 1);
  EXPECT_EQ(editor.RichDoc->textCursor().blockFormat().pageBreakPolicy(),
            QTextFormat::PageBreak_AlwaysBefore);
  EXPECT_EQ(editor.RichCover->document()->blockCount(), 1);

  editor.CoverDocPageBreakButton->click();
  EXPECT_EQ(editor.RichCover->document()->blockCount(), 2);
}

TEST_F(FaxEditor, WordWrapButtonsToggleTheirOwnPane) {
  editor.DocWordWrapButton->click();
  EXPECT_TRUE(editor.RichDoc->WordWrap());
  EXPECT_TRUE(editor.DocWordWrapButton->isChecked());
  EXPECT_EQ(editor.DocWordWrapButton->toolTip(), "Toggle word wrap off");
  EXPECT_FALSE(editor.RichCover->WordWrap());
  EXPECT_FALSE(editor.CoverDocWordWrapButton->isChecked());

  editor.DocWordWrapButton->click();
  EXPECT_FALSE(editor.RichDoc->WordWrap());
  EXPECT_FALSE(editor.DocWordWrapButton->isChecked());
  EXPECT_EQ(editor.DocWordWrapButton->toolTip(), "Toggle word wrap on");

  editor.CoverDocWordWrapButton->click();
  EXPECT_TRUE(editor.RichCover->WordWrap());
  EXPECT_EQ(editor.CoverDocWordWrapButton->toolTip(), "Toggle word wrap off");
}

TEST_F(FaxEditor, DefaultFontButtonsStoreTheChosenFontButLeaveThePanes) {
  settings::SaveSettings();
  const richtext::CharAttributes paneBefore = editor.RichDoc->CurrentCharAttributes();
  QFont preset;
  compose::FontDialogAnswers().Install([&](const QFont& f) -> std::optional<QFont> {
    preset = f;
    QFont chosen(QStringLiteral("Courier New"), 12);
    chosen.setBold(true);
    chosen.setUnderline(true);
    return chosen;
  });
  editor.DocDefFontbutton->click();
  compose::FontDialogAnswers().Install({});
  EXPECT_EQ(preset.family(), QFontInfo(QFont("Arial")).family());
  EXPECT_EQ(preset.pointSize(), 10);
  EXPECT_EQ(settings::AppSettings.FontName, "Courier New");
  EXPECT_EQ(settings::AppSettings.FontSize, 12);
  EXPECT_TRUE(settings::AppSettings.FontBold);
  EXPECT_FALSE(settings::AppSettings.FontItalic);
  EXPECT_TRUE(settings::AppSettings.FontUnderline);
  EXPECT_NE(fixture.settingsText().find("Name=Courier New"), std::string::npos);
  EXPECT_EQ(editor.RichDoc->CurrentCharAttributes(), paneBefore);

  compose::FontDialogAnswers().Install([](const QFont&) { return std::nullopt; });
  editor.CoverDefFontbutton->click();
  compose::FontDialogAnswers().Install({});
  EXPECT_EQ(settings::AppSettings.FontName, "Courier New");
}

TEST_F(FaxEditor, ParagraphButtonsOpenTheDialogOnTheirOwnPane) {
  editor.RichDoc->SetParagraphIndents(720, 720, 0);
  editor.RichCover->SetParagraphIndents(1440, 1440, 0);
  QString shown;
  const auto readAndCancel = [&](QWidget* modal) {
    auto* dialog = qobject_cast<compose::TParagraphPropDlg*>(modal);
    ASSERT_NE(dialog, nullptr);
    shown = dialog->LeftIndent->text();
    dialog->CancelButton->click();
  };
  composetest::WhenModalOpens(readAndCancel);
  editor.ParagraphSetupButton->click();
  EXPECT_EQ(shown, "0.50");
  composetest::WhenModalOpens(readAndCancel);
  editor.CoverParagraphSetupbutton->click();
  EXPECT_EQ(shown, "1.00");
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(FaxEditor, PickersWithoutTablesDoNothingAndHelpOpensItsTopic) {
  editor.Recipient->setText(QStringLiteral("kept"));
  editor.AddressButton->click();
  editor.LoadCoverButton->defaultAction()->trigger();
  EXPECT_TRUE(fixture.boxes.empty());
  EXPECT_EQ(editor.Recipient->text(), "kept");

  int topic = 0;
  ui::HelpRequests().Install([&](int t) { topic = t; });
  editor.Helpbutton->click();
  ui::HelpRequests().Install({});
  EXPECT_EQ(topic, 1015);
}

TEST_F(FaxEditor, ItsHelpPageSaysWhereThePageButtonsAre) {
  show();
  const int buttons = editor.RecipientButton->mapTo(&editor, QPoint()).y();
  const int pages = editor.Notebook->mapTo(&editor, QPoint()).y();
  QFile file(ui::HelpPageFor(ui::helpctx::FaxEditor));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QString help =
      QTextDocumentFragment::fromHtml(QString::fromUtf8(file.readAll())).toPlainText().simplified();
  const QString where = buttons > pages ? QStringLiteral("bottom") : QStringLiteral("top");
  EXPECT_TRUE(help.contains(QStringLiteral("buttons at the ") + where)) << help.toStdString();
}

TEST_F(FaxEditor, ShowingSetsLetterPagesAndOnlyTheFirstShowPicksTheRecipientPage) {
  editor.RichDoc->SetLayout({1000, 2000, 10, 10, 10, 10});
  editor.RichCover->SetLayout({1000, 2000, 10, 10, 10, 10});
  show();
  EXPECT_EQ(editor.RichDoc->Layout(), richtext::PageLayout{});
  EXPECT_EQ(editor.RichCover->Layout(), (richtext::PageLayout{12240, 15840, 720, 720, 720, 720}));

  editor.DocumentButton->click();
  editor.hide();
  show();
  EXPECT_EQ(editor.CurrentPageCaption(), "Fax Document");
  EXPECT_TRUE(editor.DocumentButton->isChecked());
}

TEST_F(FaxEditor, PlacementIsWrittenAtOnceAndSavedOnClose) {
  EXPECT_NE(fixture.settingsText().find("[TFaxEditor_Placement]"), std::string::npos);
  show();
  editor.setGeometry(100, 120, 700, 500);
  editor.OKButton->click();

  TFaxEditor second;
  EXPECT_EQ(second.geometry(), QRect(100, 120, 700, 500));
}

TEST_F(FaxEditor, DefaultFontOfANewFaxIsWhatTypingUses) {
  settings::AppSettings.FontName = "Courier New";
  settings::AppSettings.FontSize = 14;
  settings::AppSettings.FontItalic = true;
  compose::ApplyDefaultFont(editor.RichCover);
  compose::ApplyDefaultFont(editor.RichDoc);
  show();
  editor.DocumentButton->click();
  editor.RichDoc->setFocus();
  QTest::keyClicks(editor.RichDoc, "Hi");
  EXPECT_EQ(editor.RichDoc->toPlainText(), "Hi");
  const richtext::CharAttributes typed = editor.RichDoc->CurrentCharAttributes();
  EXPECT_EQ(typed.fontName, "Courier New");
  EXPECT_EQ(typed.pointSize, 14);
  EXPECT_TRUE(typed.italic);
  EXPECT_FALSE(typed.bold);
}

TEST_F(FaxEditor, CtrlBIAndUToggleTheStylesOfThePaneBeingTyped) {
  show();
  for (QPushButton* page : {editor.DocumentButton, editor.CoverButton}) {
    page->click();
    richtext::TRichText* pane = editor.CurrentPane();
    pane->setFocus();
    ASSERT_TRUE(WaitUntil([&] { return pane->hasFocus(); }));
    QTest::keyClick(pane, Qt::Key_B, Qt::ControlModifier);
    QTest::keyClick(pane, Qt::Key_I, Qt::ControlModifier);
    QTest::keyClick(pane, Qt::Key_U, Qt::ControlModifier);
    QTest::keyClicks(pane, "on");
    const richtext::CharAttributes on = pane->CurrentCharAttributes();
    EXPECT_TRUE(on.bold && on.italic && on.underline) << page->objectName().toStdString();
    QTest::keyClick(pane, Qt::Key_B, Qt::ControlModifier);
    QTest::keyClick(pane, Qt::Key_U, Qt::ControlModifier);
    QTest::keyClicks(pane, "off");
    const richtext::CharAttributes off = pane->CurrentCharAttributes();
    EXPECT_FALSE(off.bold || off.underline);
    EXPECT_TRUE(off.italic);
    EXPECT_EQ(pane->toPlainText(), "onoff");
  }
}
