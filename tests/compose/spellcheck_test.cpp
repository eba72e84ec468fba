// The spell checker in the windows: the component's names and limits, and the Spell
// Check dialog walking a pane with the built main dictionary.
#include "compose/spellcheckdialog.h"

#include "compose/covereditor.h"
#include "compose/faxeditor.h"
#include "compose/speller.h"
#include "composetest.h"
#include "richtext/richtext.h"
#include "richtext/richtoolbar.h"

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <gtest/gtest.h>

using compose::TSpellCheckDialog;
using compose::TSpeller;

namespace {

struct SpellCheck : ::testing::Test {
  void InstallMainDictionary(const char* name = compose::kMainDictionaryName) {
    ASSERT_TRUE(
        QFile::copy(BRINDLE_MAIN_DICTIONARY, QString::fromStdString(fixture.dir.path(name))));
  }
  bool UserDictionaryExists() const {
    return QFile::exists(QString::fromStdString(fixture.dir.path(compose::kUserDictionaryName)));
  }
  // Shows a dialog on the pane and waits for its first stop.
  void Start(TSpellCheckDialog& dialog) {
    dialog.SetPane(&pane);
    dialog.show();
    composetest::WaitUntil([&] { return !dialog.Word->text().isEmpty() || !dialog.isVisible(); });
  }

  composetest::ComposeFixture fixture;
  richtext::TRichText pane;
};

QStringList Items(const QListWidget* list) {
  QStringList items;
  for (int i = 0; i < list->count(); ++i) items << list->item(i)->text();
  return items;
}

}  // namespace

TEST_F(SpellCheck, SpellerFindsItsDictionaryInTheProgramFolder) {
  TSpeller speller;
  EXPECT_EQ(speller.DictionaryName, "main.dct");
  EXPECT_EQ(speller.DictionaryUser, "custom.dct");
  speller.SetMaxSuggestions(300);
  EXPECT_EQ(speller.MaxSuggestions(), 220);
  InstallMainDictionary("main.dct");
  EXPECT_TRUE(speller.CheckWord("Spelling"));
  EXPECT_TRUE(speller.MainOpen());
  EXPECT_FALSE(speller.CheckWord("speling"));
  EXPECT_TRUE(speller.CheckWord(QStringLiteral("doesn\u2019t")));         // typographic apostrophe
  EXPECT_TRUE(speller.CheckWord(QStringLiteral("\u0141\u00f3d\u017a")));  // not judged
  EXPECT_TRUE(speller.Suggest(QStringLiteral("speling")).contains("spelling"));
}

TEST_F(SpellCheck, DialogReplacesSkipsAndAddsThenReportsTheEnd) {
  InstallMainDictionary();
  pane.setPlainText(QStringLiteral("Teh quick brwn fox jumpd over the lazy dog."));
  TSpellCheckDialog dialog;
  bool closed = false;
  QObject::connect(&dialog, &QDialog::finished, [&] { closed = true; });
  Start(dialog);
  EXPECT_EQ(dialog.Word->text(), "Teh");
  EXPECT_EQ(pane.textCursor().selectedText(), "Teh");
  EXPECT_TRUE(Items(dialog.WordList).contains("The"));
  EXPECT_EQ(dialog.ReplaceAs->text(), dialog.WordList->item(0)->text());
  const auto the = dialog.WordList->findItems(QStringLiteral("The"), Qt::MatchExactly).front();
  emit dialog.WordList->itemClicked(the);
  EXPECT_EQ(dialog.ReplaceAs->text(), "The");
  dialog.Replace->click();
  EXPECT_EQ(dialog.Word->text(), "brwn");
  dialog.GetNextWordButton->click();
  EXPECT_EQ(dialog.Word->text(), "jumpd");
  EXPECT_FALSE(UserDictionaryExists());  // checking alone writes nothing
  dialog.Addbutton->click();
  EXPECT_TRUE(UserDictionaryExists());
  ASSERT_FALSE(fixture.boxes.empty());
  EXPECT_EQ(fixture.boxes.back().text, "Spell check complete");
  EXPECT_TRUE(composetest::WaitUntil([&] { return closed; }));  // closed through the queue
  EXPECT_EQ(pane.toPlainText(), "The quick brwn fox jumpd over the lazy dog.");
  EXPECT_FALSE(pane.textCursor().hasSelection());

  // Another check stops only at the skipped word: the added one is known now.
  TSpellCheckDialog again;
  Start(again);
  EXPECT_EQ(again.Word->text(), "brwn");
  again.GetNextWordButton->click();
  EXPECT_TRUE(composetest::WaitUntil([&] { return !again.isVisible(); }));
}

TEST_F(SpellCheck, WithoutDictionariesEveryWordStopsAndAFileNotOursDisablesAdding) {
  fixture.dir.write(compose::kUserDictionaryName, "not a dictionary");
  pane.setPlainText(QStringLiteral("plain words"));
  TSpellCheckDialog dialog;
  Start(dialog);
  EXPECT_EQ(dialog.Word->text(), "plain");
  EXPECT_FALSE(dialog.Addbutton->isEnabled());
  EXPECT_EQ(dialog.ReplaceAs->text(), "plain");  // no suggestions: the word itself
  EXPECT_TRUE(fixture.boxes.empty());
  dialog.Cancelbutton->click();
  EXPECT_EQ(dialog.result(), compose::kModalCancel);
  EXPECT_FALSE(pane.textCursor().hasSelection());
}

TEST_F(SpellCheck, EachEditorPaneOpensTheDialogOnItself) {
  compose::TFaxEditor editor;
  for (richtext::TRichText* pane : {editor.RichDoc, editor.RichCover}) {
    richtext::TRichText* checked = nullptr;
    composetest::WhenModalOpens([&](QWidget* modal) {
      auto* dialog = qobject_cast<TSpellCheckDialog*>(modal);
      ASSERT_NE(dialog, nullptr);
      checked = dialog->Pane();
      dialog->Cancelbutton->click();
    });
    pane->setPlainText(QStringLiteral("zzxq"));
    pane->RequestSpellCheck();
    EXPECT_EQ(checked, pane);
  }
  // A pane without errors: the modal dialog ends by itself after its report.
  InstallMainDictionary();
  editor.RichDoc->setPlainText(QStringLiteral("The dog's bone."));
  editor.RichDoc->RequestSpellCheck();
  ASSERT_FALSE(fixture.boxes.empty());
  EXPECT_EQ(fixture.boxes.back().text, "Spell check complete");
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_FALSE(editor.RichDoc->textCursor().hasSelection());
}

TEST_F(SpellCheck, TemplateEditorsSpellItemChecksItsPane) {
  InstallMainDictionary();
  compose::TCoverEditor editor;
  editor.RichCover->setPlainText(QStringLiteral("Dear Sir, plese call."));
  QString stop;
  composetest::WhenModalOpens([&](QWidget* modal) {
    auto* dialog = qobject_cast<TSpellCheckDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(composetest::WaitUntil([&] { return !dialog->Word->text().isEmpty(); }));
    stop = dialog->Word->text();
    dialog->ReplaceAs->setText(QStringLiteral("please"));
    dialog->Replace->click();
  });
  editor.RichToolBar1->SpellAction()->trigger();
  EXPECT_EQ(stop, "plese");
  EXPECT_EQ(editor.RichCover->toPlainText(), "Dear Sir, please call.");
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}
