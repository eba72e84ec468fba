// Typing limits that leave values set by code alone.
#include "ui/typinglimit.h"

#include <gtest/gtest.h>
#include <QLineEdit>
#include <QTest>

namespace {

TEST(TypingLimit, StopsTypingButKeepsALongerStoredValue) {
  QLineEdit edit;
  ui::LimitTyping(&edit, 5);
  edit.show();
  edit.setFocus();
  QTest::keyClicks(&edit, "abcdefg");
  EXPECT_EQ(edit.text(), "abcde");
  edit.setText("a stored name of twenty");
  EXPECT_EQ(edit.text(), "a stored name of twenty");
  edit.end(false);
  QTest::keyClick(&edit, Qt::Key_Backspace);
  EXPECT_EQ(edit.text(), "a stored name of twent");
  QTest::keyClicks(&edit, "y");
  EXPECT_EQ(edit.text(), "a stored name of twent");
}

}  // namespace
