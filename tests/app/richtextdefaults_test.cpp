// Default font of new texts, its dialog, and the blank-text test.
#include "app/richtextdefaults.h"

#include "app/appsettings.h"
#include "tempdir.h"

#include <gtest/gtest.h>
#include <tuple>

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

class DefaultFont : public ::testing::Test {
 protected:
  DefaultFont() { app::AppSettings = app::AppSettingsRecord{}; }
  ~DefaultFont() override { app::SetFontDialogHandler({}); }
  testutil::ProgramDirFixture dir;
};

TEST_F(DefaultFont, AttributesComeFromTheSettings) {
  app::AppSettings.FontName = "Times New Roman";
  app::AppSettings.FontSize = 12;
  app::AppSettings.FontUnderline = true;
  EXPECT_TRUE(app::DefaultFontAttributes() ==
              (richtext::CharAttributes{"Times New Roman", 12, false, false, true}));
}

TEST_F(DefaultFont, TheDialogStartsFromTheFileAndAConfirmedFontIsSaved) {
  dir.write("BDL.INI", "[Default Font]\r\nName=Courier New\r\nSize=14\r\nItalic=1\r\n");
  QFont preset;
  app::SetFontDialogHandler([&](const QFont& f) -> std::optional<QFont> {
    preset = f;
    QFont chosen(QStringLiteral("Liberation Serif"), 9);
    chosen.setBold(true);
    return chosen;
  });
  EXPECT_TRUE(app::ChooseDefaultFont());
  EXPECT_EQ(preset.family(), "Courier New");
  EXPECT_EQ(preset.pointSize(), 14);
  EXPECT_TRUE(preset.italic());
  EXPECT_FALSE(preset.bold());

  const app::AppSettingsRecord s = app::LoadSettingsFrom(app::SettingsFilePath());
  EXPECT_EQ(std::tie(s.FontName, s.FontSize, s.FontBold, s.FontItalic, s.FontUnderline),
            std::make_tuple(std::string("Liberation Serif"), 9, true, false, false));
}

TEST_F(DefaultFont, CancelChangesNothingAndAPixelSizedFontKeepsTheSize) {
  app::SetFontDialogHandler([](const QFont&) { return std::nullopt; });
  EXPECT_FALSE(app::ChooseDefaultFont());
  EXPECT_EQ(dir.read("BDL.INI"), "");

  app::SetFontDialogHandler([](const QFont&) -> std::optional<QFont> {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(20);
    return f;
  });
  EXPECT_TRUE(app::ChooseDefaultFont());
  EXPECT_EQ(app::AppSettings.FontName, "DejaVu Sans");
  EXPECT_EQ(app::AppSettings.FontSize, 10);
}
