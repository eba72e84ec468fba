// Message helpers: the standard boxes' captions, flags and answers, long texts cut, and
// the popup placed under its button.
#include "ui/messages.h"

#include <gtest/gtest.h>
#include <QMenu>
#include <QPushButton>

using namespace ui;

namespace {

struct Recorded {
  QString text, caption;
  int flags = -1;
};

class MessagesTest : public ::testing::Test {
 protected:
  Recorded last;
  int answer = mb::IdYes;
  void SetUp() override {
    MessageBoxAnswers().Install([this](const QString& t, const QString& c, int f) {
      last = {t, c, f};
      return answer;
    });
  }
  void TearDown() override { MessageBoxAnswers().Install({}); }
};

}  // namespace

TEST_F(MessagesTest, InfoIsAnOkBoxCaptionedInformation) {
  ShowInfo("Port in use");
  EXPECT_EQ(last.caption, "Information");
  EXPECT_EQ(last.flags, mb::Ok | mb::IconInformation);
}

TEST_F(MessagesTest, QuestionsDifferOnlyInTheirDefaultButton) {
  answer = mb::IdYes;
  EXPECT_TRUE(AskYesNo("Exit?", "Exit"));
  EXPECT_EQ(last.flags & mb::DefButton2, 0);
  answer = mb::IdNo;
  EXPECT_FALSE(AskYesNoDefaultNo("Delete?", "Delete"));
  EXPECT_EQ(last.flags & mb::DefButton2, mb::DefButton2);
  EXPECT_EQ(last.flags & mb::YesNo, mb::YesNo);
}

TEST_F(MessagesTest, TextsLongerThan255CharactersAreCut) {
  ShowMessageBox(QString(300, 'x'), QString(256, 'c'), mb::Ok);
  EXPECT_EQ(last.text.size(), 255);
  EXPECT_TRUE(last.text.endsWith("..."));
  EXPECT_EQ(last.caption.size(), 255);
  ShowMessageBox(QString(255, 'y'), "c", mb::Ok);
  EXPECT_EQ(last.text, QString(255, 'y'));
}

TEST(PopupBelowButton, TheMenuOpensAtTheButtonsBottomLeftCorner) {
  QWidget top;
  top.setGeometry(100, 100, 300, 200);
  QPushButton button("Zoom", &top);
  button.setGeometry(20, 30, 80, 24);
  top.show();
  QMenu menu;
  menu.addAction("70%");
  PopupBelowButton(&button, &menu);
  EXPECT_EQ(menu.pos(), button.mapToGlobal(QPoint(0, button.height())));
  menu.close();
}
