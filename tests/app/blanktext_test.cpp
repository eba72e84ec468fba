// The test that tells an empty cover or document from one worth sending.
#include "app/assembly/faxassembly.h"

#include <gtest/gtest.h>

using app::IsRichTextBlank;

TEST(IsRichTextBlank, AnEmptyEditorIsBlankWhateverElseItReports) {
  EXPECT_TRUE(IsRichTextBlank(true, 0, {}));
  EXPECT_TRUE(IsRichTextBlank(true, 500, {"text"}));
}

TEST(IsRichTextBlank, LinesOfBlanksAreBlankButTabsAndOtherSpaceAreNot) {
  EXPECT_TRUE(IsRichTextBlank(false, 7, {"", "   ", " "}));
  EXPECT_FALSE(IsRichTextBlank(false, 3, {"", "\t", ""}));
  EXPECT_FALSE(IsRichTextBlank(false, 3, {"", "  x", ""}));
  EXPECT_FALSE(IsRichTextBlank(false, 1, {QString(QChar(0x00A0))}));  // no-break space is text
}

TEST(IsRichTextBlank, TwoHundredFiftySixCharactersAreNeverBlank) {
  const QStringList blankLines(255, QString());
  EXPECT_TRUE(IsRichTextBlank(false, 255, blankLines.mid(0, 200)));
  EXPECT_FALSE(IsRichTextBlank(false, 256, QStringList(256, QString())));
}

TEST(IsRichTextBlank, OnlyTheFirst201LinesAreLookedAt) {
  QStringList lines(201, QStringLiteral("  "));
  lines << QStringLiteral("late text");
  EXPECT_TRUE(IsRichTextBlank(false, 250, lines));
  lines[200] = QStringLiteral("x");
  EXPECT_FALSE(IsRichTextBlank(false, 250, lines));
}

TEST(IsRichTextBlank, ADocumentIsBlankUntilItHoldsText) {
  richtext::TRichDocument cover, doc;
  doc.LoadRtf("{\\rtf1\\ansi Hi\\par}");
  EXPECT_TRUE(IsRichTextBlank(cover));
  EXPECT_FALSE(IsRichTextBlank(doc));
}
