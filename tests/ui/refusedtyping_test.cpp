// Refused typing: length limits that leave values set by code alone, and the tip that
// says why a character was refused without getting in the user's way.
#include "ui/refusedtyping.h"
#include "ui/tabletext.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

namespace {

// A character as a keyboard sends it, whatever the test's keyboard layout.
void typeChar(QWidget* w, QChar c) {
  QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
  QApplication::sendEvent(w, &key);
}

TEST(RefusedTyping, LengthLimitStopsTypingButKeepsALongerStoredValue) {
  QLineEdit edit;
  ui::RefuseTyping(&edit, {}, 5);
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

// The tip of a refused character lets the click meant for the field below it through, and
// is gone once the user is there: "12345" typed after the click lands in that field.
TEST(RefusedTyping, TheTipNeitherTakesTheClickNorCoversTheNextField) {
  QWidget form;
  auto* layout = new QVBoxLayout(&form);
  auto* name = new QLineEdit(&form);
  auto* number = new QLineEdit(&form);
  layout->addWidget(name);
  layout->addWidget(number);
  ui::LimitToTableText(name);
  form.show();
  form.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  name->setFocus();
  typeChar(name, QChar(0x141));  // Ł
  EXPECT_EQ(name->text(), "");
  auto* tip = qobject_cast<QLabel*>(ui::RefusalTip());
  ASSERT_NE(tip, nullptr);
  EXPECT_TRUE(tip->text().contains(QChar(0x141)));
  EXPECT_TRUE(tip->windowFlags().testFlag(Qt::WindowTransparentForInput));
  EXPECT_TRUE(tip->testAttribute(Qt::WA_TransparentForMouseEvents));
  EXPECT_EQ(QApplication::focusWidget(), name);

  QTest::mouseClick(number, Qt::LeftButton, {}, QPoint(5, number->height() / 2));
  EXPECT_EQ(ui::RefusalTip(), nullptr);
  QTest::keyClicks(QApplication::focusWidget(), "12345");
  EXPECT_EQ(number->text(), "12345");
  EXPECT_EQ(name->text(), "");

  // Tab to the next field does the same.
  name->setFocus();
  typeChar(name, QChar(0x141));
  ASSERT_NE(ui::RefusalTip(), nullptr);
  QTest::keyClick(name, Qt::Key_Tab);
  EXPECT_EQ(ui::RefusalTip(), nullptr);
}

}  // namespace
