// Loading a cover-sheet template into the fax editor merges its fields once.
#include "compose/faxeditor.h"

#include "compose/enteredit.h"
#include "composetest.h"
#include "richtext/codec/mergefield.h"
#include "richtext/richtext.h"

#include <gtest/gtest.h>
#include <QLocale>
#include <QPushButton>

using compose::TFaxEditor;

namespace {

const QDateTime kLoadedAt(QDate(2024, 3, 9), QTime(14, 5, 7));

// A template as the cover-sheet editor writes one: text around the five fields and a
// field of an id the fax editor does not know.
QByteArray coverTemplate() {
  richtext::TRichText pane;
  pane.insertPlainText(QStringLiteral("To: "));
  for (int id = richtext::kFieldRecipient; id <= richtext::kFieldTime; ++id) {
    pane.InsertMergeField(id, QString::fromLatin1(richtext::MergeFieldDisplayName(id).data()));
    pane.insertPlainText(QStringLiteral(" / "));
  }
  pane.InsertMergeField(9, QStringLiteral("[OTHER]"));
  return pane.SaveRtf();
}

QStringList fieldTexts(const richtext::TRichText* pane) {
  QStringList texts;
  for (const richtext::MergeFieldInfo& f : pane->MergeFieldList()) texts << f.text;
  return texts;
}

class CoverMerge : public ::testing::Test {
 protected:
  CoverMerge() {
    editor.Clock = [] { return kLoadedAt; };
    editor.Recipient->setText(QStringLiteral("Ann Smith"));
    editor.FaxNumber->setText(QStringLiteral("555-0100"));
    editor.Subject->setText(QStringLiteral("Quarterly figures"));
  }
  composetest::ComposeFixture fixture;
  TFaxEditor editor;
};

}  // namespace

TEST_F(CoverMerge, FieldsTakeTheRecipientDataAndClockOfTheMomentOfLoading) {
  editor.RichCover->setPlainText(QStringLiteral("an old cover the template replaces"));
  editor.LoadCoverTemplate(coverTemplate());
  const QLocale locale = QLocale::system();
  EXPECT_EQ(fieldTexts(editor.RichCover),
            (QStringList{"Ann Smith", "555-0100", "Quarterly figures",
                         locale.toString(kLoadedAt.date(), QLocale::ShortFormat),
                         locale.toString(kLoadedAt.time(), QLocale::LongFormat), "[OTHER]"}));
  const QString shown = editor.RichCover->PlainTextLines().join(QLatin1Char('\n'));
  EXPECT_FALSE(shown.contains(QStringLiteral("old cover")));
  EXPECT_TRUE(shown.startsWith(QStringLiteral("To: Ann Smith / 555-0100 / Quarterly figures / ")))
      << shown.toStdString();
  EXPECT_EQ(editor.RichCover->textCursor().position(), 0);

  editor.Recipient->setText(QStringLiteral("Bob Jones"));
  EXPECT_EQ(fieldTexts(editor.RichCover).first(), "Ann Smith");
}

TEST_F(CoverMerge, MergedTextsAndFieldsSurviveSavingAndLoadingTheCover) {
  editor.LoadCoverTemplate(coverTemplate());
  const QList<richtext::MergeFieldInfo> merged = editor.RichCover->MergeFieldList();
  richtext::TRichText reloaded;
  reloaded.LoadRtf(editor.RichCover->SaveRtf());
  EXPECT_EQ(reloaded.MergeFieldList(), merged);
  EXPECT_EQ(merged.first().displayName, "[RECIPIENT]");
}

TEST_F(CoverMerge, EmptyEditsGiveEmptyFieldsAndNothingMergesAgainLater) {
  editor.Recipient->clear();
  editor.LoadCoverTemplate(coverTemplate());
  EXPECT_EQ(fieldTexts(editor.RichCover).first(), "");
  editor.Recipient->setText(QStringLiteral("Late Name"));
  editor.OKButton->click();
  EXPECT_EQ(fieldTexts(editor.RichCover).first(), "");
}
