// A fax composed in the editor, stored as rich text and opened again in a new editor
// shows the same content and formatting.
#include "compose/faxeditor.h"

#include "compose/defaultfont.h"
#include "compose/enteredit.h"
#include "compose/paragraphpropdlg.h"
#include "composetest.h"
#include "richtext/richtext.h"

#include <gtest/gtest.h>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QToolButton>

using compose::TFaxEditor;

namespace {

QByteArray smallTemplate() {
  richtext::TRichText pane;
  pane.insertPlainText(QStringLiteral("Attention: "));
  pane.InsertMergeField(1, QStringLiteral("[RECIPIENT]"));
  return pane.SaveRtf();
}

// Indents the caret's paragraph of RichDoc through the paragraph dialog.
void indentThroughDialog(TFaxEditor& editor) {
  composetest::WhenModalOpens([](QWidget* modal) {
    auto* dialog = qobject_cast<compose::TParagraphPropDlg*>(modal);
    ASSERT_NE(dialog, nullptr);
    dialog->LeftIndent->selectAll();
    QTest::keyClicks(dialog->LeftIndent, "0.5");
    dialog->SpaceAfterPts->selectAll();
    QTest::keyClicks(dialog->SpaceAfterPts, "6");
    dialog->Okbutton->click();
  });
  editor.ParagraphSetupButton->click();
}

void composeFax(TFaxEditor& editor) {
  editor.Recipient->setText(QStringLiteral("Ann Smith"));
  editor.FaxNumber->setText(QStringLiteral("555-0100"));
  editor.Subject->setText(QStringLiteral("Offer"));
  editor.LoadCoverTemplate(smallTemplate());

  richtext::TRichText* doc = editor.RichDoc;
  doc->insertPlainText(QStringLiteral("Plain opening"));
  indentThroughDialog(editor);
  doc->SetCurrentCharAttributes({QStringLiteral("Courier New"), 14, true, false, true});
  doc->insertPlainText(QStringLiteral(" bold part"));
  editor.DocPageBreakButton->click();
  doc->SetCurrentCharAttributes({QStringLiteral("Arial"), 9, false, true, false});
  doc->insertPlainText(QStringLiteral("Second page"));
}

}  // namespace

TEST(FaxRoundTrip, StoredCoverAndDocumentOpenAgainUnchanged) {
  composetest::ComposeFixture fixture;
  fixture.answer = ui::mb::IdYes;  // the page-break question
  const QString coverFile = QString::fromStdString(fixture.dir.path("cover.rtf"));
  const QString docFile = QString::fromStdString(fixture.dir.path("doc.rtf"));

  TFaxEditor first;
  compose::ApplyDefaultFont(first.RichCover);
  compose::ApplyDefaultFont(first.RichDoc);
  composeFax(first);
  composetest::WhenModalOpens([&](QWidget*) { first.OKButton->click(); });
  ASSERT_EQ(first.exec(), QDialog::Accepted);
  ASSERT_EQ(first.RichCover->SaveToFile(coverFile), 0);
  ASSERT_EQ(first.RichDoc->SaveToFile(docFile), 0);

  TFaxEditor second;
  ASSERT_EQ(second.RichCover->LoadFromFile(coverFile), 0);
  ASSERT_EQ(second.RichDoc->LoadFromFile(docFile), 0);
  second.show();
  EXPECT_EQ(second.RichCover->PlainTextLines(), (QStringList{"Attention: Ann Smith"}));
  EXPECT_EQ(second.RichCover->MergeFieldList(), first.RichCover->MergeFieldList());
  EXPECT_EQ(second.RichDoc->PlainTextLines(),
            (QStringList{"Plain opening bold part", "Second page"}));
  EXPECT_EQ(second.RichDoc->SaveRtf(), first.RichDoc->SaveRtf());
  EXPECT_EQ(second.RichCover->SaveRtf(), first.RichCover->SaveRtf());

  richtext::TRichText* doc = second.RichDoc;
  QTextCursor at(doc->document());
  at.setPosition(5);  // inside "Plain"
  doc->setTextCursor(at);
  EXPECT_EQ(doc->CurrentCharAttributes(),
            (richtext::CharAttributes{"Arial", 10, false, false, false}));
  EXPECT_EQ(doc->CurrentParagraphAttributes(),
            (richtext::ParagraphAttributes{720, 720, 0, 0, 120, 0}));
  at.setPosition(20);  // inside "bold part"
  doc->setTextCursor(at);
  EXPECT_EQ(doc->CurrentCharAttributes(),
            (richtext::CharAttributes{"Courier New", 14, true, false, true}));
  const QTextBlock secondPage = doc->document()->lastBlock();
  EXPECT_EQ(secondPage.blockFormat().pageBreakPolicy(), QTextFormat::PageBreak_AlwaysBefore);
  at.setPosition(secondPage.position() + 3);
  doc->setTextCursor(at);
  EXPECT_EQ(doc->CurrentCharAttributes(),
            (richtext::CharAttributes{"Arial", 9, false, true, false}));
}
