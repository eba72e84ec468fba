// Window placement sections per resolution, the pull-back onto a smaller screen and
// default centring.
#include "ui/placement.h"
#include "settings/inifile.h"
#include "support/programdir.h"

#include <gtest/gtest.h>
#include <QDialog>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QVBoxLayout>

using namespace ui;
using settings::IniFile;
using settings::SettingsFilePath;

namespace {

class TPlacementProbe : public QMainWindow {
  Q_OBJECT
};

class PlacementTest : public ::testing::Test {
 protected:
  testutil::ProgramDirFixture dir;
  IniFile settings() {
    IniFile ini(SettingsFilePath());
    ini.load();
    return ini;
  }
};

}  // namespace

TEST(PlacementSection, HigherResolutionsGetSectionsOfTheirOwn) {
  EXPECT_EQ(PlacementSectionName("TMainScreen", 96), "TMainScreen_Placement");
  EXPECT_EQ(PlacementSectionName("TMainScreen", 72), "TMainScreen_Placement");
  EXPECT_EQ(PlacementSectionName("TMainScreen", 120), "TMainScreen_Placement120");
}

TEST(PlacementPullBack, MovesTheWindowOntoTheScreenKeepingItsSize) {
  EXPECT_EQ(PullBackOntoScreen(QRect(QPoint(800, 100), QPoint(1599, 499)), 1024, 768),
            QRect(QPoint(224, 100), QPoint(1023, 499)));
  EXPECT_EQ(PullBackOntoScreen(QRect(10, 600, 300, 400), 1024, 768), QRect(10, 368, 300, 400));
  // A window larger than the screen is applied as it is after the move.
  EXPECT_EQ(PullBackOntoScreen(QRect(0, 0, 2000, 100), 1024, 768), QRect(-976, 0, 2000, 100));
  EXPECT_EQ(PullBackOntoScreen(QRect(5, 5, 50, 50), 1024, 768), QRect(5, 5, 50, 50));
}

TEST_F(PlacementTest, RestoreSavesAtOnceAndAStoredPlacementComesBack) {
  TPlacementProbe w;
  w.resize(300, 200);
  RestoreFormPlacement(&w, 96);
  EXPECT_TRUE(settings().hasKey("TPlacementProbe_Placement", "Bottom"));

  w.setGeometry(40, 50, 320, 240);
  SaveFormPlacement(&w, 96);
  IniFile ini = settings();
  EXPECT_EQ(ini.readInteger("TPlacementProbe_Placement", "Right", 0), 360);
  EXPECT_EQ(ini.readInteger("TPlacementProbe_Placement", "Bottom", 0), 290);
  EXPECT_FALSE(ini.readBool("TPlacementProbe_Placement", "Maximized", true));

  TPlacementProbe again;
  RestoreFormPlacement(&again, 96);
  EXPECT_EQ(again.geometry(), QRect(40, 50, 320, 240));
}

TEST_F(PlacementTest, APlacementStoredAt96IsNotUsedAt120) {
  dir.write("BDL.INI",
            "[TPlacementProbe_Placement]\r\nLeft=1\r\nTop=2\r\nRight=301\r\nBottom=202\r\n");
  TPlacementProbe w;
  w.resize(200, 100);
  RestoreFormPlacement(&w, 120);
  EXPECT_NE(w.geometry(), QRect(1, 2, 300, 200));
  EXPECT_TRUE(settings().hasKey("TPlacementProbe_Placement120", "Bottom"));
  EXPECT_EQ(settings().readInteger("TPlacementProbe_Placement", "Left", 0), 1);
}

TEST_F(PlacementTest, MaximizedIsStoredAndRestored) {
  dir.write("BDL.INI",
            "[TPlacementProbe_Placement]\r\nLeft=1\r\nTop=2\r\nRight=301\r\nBottom="
            "202\r\nMaximized=1\r\n");
  TPlacementProbe w;
  RestoreFormPlacement(&w, 96);
  EXPECT_TRUE(w.windowState().testFlag(Qt::WindowMaximized));
  EXPECT_TRUE(settings().readBool("TPlacementProbe_Placement", "Maximized", false));
}

TEST_F(PlacementTest, DialogsCentreOverTheMainWindowUnlessItIsMaximized) {
  TPlacementProbe mainForm;
  mainForm.setGeometry(100, 100, 600, 400);
  SetMainForm(&mainForm);
  QDialog dialog;
  dialog.resize(200, 100);
  CenterFormDefault(&dialog);
  const QRect m = mainForm.frameGeometry();
  const QSize d = dialog.frameGeometry().size();
  EXPECT_EQ(dialog.pos(), QPoint(m.left() + (m.width() - d.width()) / 2,
                                 m.top() + (m.height() - d.height()) / 2));
  SetMainForm(nullptr);
}

TEST_F(PlacementTest, ADialogSizedByItsLayoutIsCentredAtTheSizeItIsShownWith) {
  TPlacementProbe mainForm;
  mainForm.setGeometry(100, 100, 600, 400);
  SetMainForm(&mainForm);
  QDialog dialog;
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(new QLabel(QStringLiteral("A line of text"), &dialog));
  layout->addWidget(new QPushButton(QStringLiteral("Ok"), &dialog));
  CenterFormDefault(&dialog);
  dialog.show();
  const QPoint offCentre = dialog.frameGeometry().center() - mainForm.frameGeometry().center();
  // Only the window frame, unknown until the window is shown, may put it off by a little.
  EXPECT_LE(offCentre.manhattanLength(), 4) << offCentre.x() << "," << offCentre.y();
  SetMainForm(nullptr);
}

#include "placement_test.moc"
