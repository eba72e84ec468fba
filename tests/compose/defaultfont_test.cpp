// Default font of new texts and its dialog.
#include "compose/defaultfont.h"

#include "settings/appsettings.h"
#include "support/programdir.h"

#include <gtest/gtest.h>
#include <QFontDatabase>
#include <QFontInfo>
#include <tuple>

class DefaultFont : public ::testing::Test {
 protected:
  DefaultFont() { settings::AppSettings = settings::AppSettingsRecord{}; }
  ~DefaultFont() override { compose::FontDialogAnswers().Install({}); }
  testutil::ProgramDirFixture dir;
};

TEST_F(DefaultFont, AttributesComeFromTheSettings) {
  settings::AppSettings.FontName = "Times New Roman";
  settings::AppSettings.FontSize = 12;
  settings::AppSettings.FontUnderline = true;
  EXPECT_TRUE(compose::DefaultFontAttributes() ==
              (richtext::CharAttributes{"Times New Roman", 12, false, false, true}));
}

TEST_F(DefaultFont, TheDialogStartsFromTheSettingsInForceAndAConfirmedFontIsSaved) {
  // The file still holds the port a first run has not written yet (-1); the run has Com3.
  dir.write("BDL.INI",
            "[Modem]\r\nComPort=-1\r\n"
            "[Default Font]\r\nName=Courier New\r\nSize=14\r\nItalic=1\r\n");
  settings::LoadSettings();
  settings::AppSettings.ComPort = 2;
  QFont preset;
  compose::FontDialogAnswers().Install([&](const QFont& f) -> std::optional<QFont> {
    preset = f;
    QFont chosen(QStringLiteral("Liberation Serif"), 9);
    chosen.setBold(true);
    return chosen;
  });
  EXPECT_TRUE(compose::ChooseDefaultFont());
  EXPECT_EQ(preset.family(), QFontInfo(QFont("Courier New")).family());
  EXPECT_EQ(preset.pointSize(), 14);
  EXPECT_TRUE(preset.italic());
  EXPECT_FALSE(preset.bold());

  const settings::AppSettingsRecord s = settings::LoadSettingsFrom(settings::SettingsFilePath());
  EXPECT_EQ(std::tie(s.FontName, s.FontSize, s.FontBold, s.FontItalic, s.FontUnderline),
            std::make_tuple(std::string("Liberation Serif"), 9, true, false, false));
  EXPECT_EQ(settings::AppSettings.ComPort, 2);
  EXPECT_EQ(s.ComPort, 2);
}

TEST_F(DefaultFont, TheDialogOpensOnAnInstalledFamilyAndConfirmingItKeepsTheStoredName) {
  dir.write("BDL.INI", "[Default Font]\r\nName=Arial\r\nSize=10\r\n");
  settings::LoadSettings();
  QFont preset;
  compose::FontDialogAnswers().Install([&](const QFont& f) -> std::optional<QFont> {
    preset = f;
    return f;  // OK without a change
  });
  EXPECT_TRUE(compose::ChooseDefaultFont());
  EXPECT_TRUE(QFontDatabase::families().contains(preset.family())) << preset.family().toStdString();
  EXPECT_EQ(preset.family(), QFontInfo(QFont("Arial")).family());  // what Arial is drawn with
  EXPECT_NE(dir.read("BDL.INI").find("Name=Arial\r\n"), std::string::npos);
}

TEST_F(DefaultFont, CancelChangesNothingAndAPixelSizedFontKeepsTheSize) {
  compose::FontDialogAnswers().Install([](const QFont&) { return std::nullopt; });
  EXPECT_FALSE(compose::ChooseDefaultFont());
  EXPECT_EQ(dir.read("BDL.INI"), "");

  compose::FontDialogAnswers().Install([](const QFont&) -> std::optional<QFont> {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(20);
    return f;
  });
  EXPECT_TRUE(compose::ChooseDefaultFont());
  EXPECT_EQ(settings::AppSettings.FontName, "DejaVu Sans");
  EXPECT_EQ(settings::AppSettings.FontSize, 10);
}
