// The paragraph properties dialog on a real pane: loading, units, typing, OK and Cancel.
#include "compose/paragraphpropdlg.h"

#include "composetest.h"
#include "richtext/richtext.h"
#include "support/accessiblenames.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using compose::TParagraphPropDlg;
using richtext::ParagraphAttributes;

namespace {

class ParagraphDialog : public ::testing::Test {
 protected:
  ParagraphDialog() {
    pane.setPlainText(QStringLiteral("First paragraph\nSecond paragraph"));
    pane.CaretToStart();
  }

  void setParagraph(const ParagraphAttributes& p) {
    pane.SetParagraphSpacing(p.spaceBefore, p.spaceAfter, p.lineHeight);
    pane.SetParagraphIndents(p.firstIndent, p.leftIndent, p.rightIndent);
  }

  // Replaces an edit's text as the user would, by selecting all and typing.
  static void type(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    if (text.isEmpty())
      QTest::keyClick(edit, Qt::Key_Delete);
    else
      QTest::keyClicks(edit, text);
  }

  composetest::ComposeFixture fixture;
  richtext::TRichText pane;
  TParagraphPropDlg dialog;
};

}  // namespace

TEST_F(ParagraphDialog, ShowsThePanesParagraphInInchesAndPoints) {
  setParagraph({1440, 720, 360, 240, 120, 280});
  dialog.SetEditor(&pane);
  EXPECT_EQ(dialog.ComboBox1->currentText(), "Inch");
  EXPECT_EQ(dialog.LeftIndent->text(), "0.50");
  EXPECT_EQ(dialog.RightIndent->text(), "0.25");
  EXPECT_EQ(dialog.FirstIndent->text(), "1.00");
  EXPECT_EQ(dialog.SpaceBeforePts->text(), "12");
  EXPECT_EQ(dialog.SpaceAfterPts->text(), "6");
  EXPECT_EQ(dialog.LineHeightPts->text(), "14");
  EXPECT_EQ(dialog.FirstIndentCombo->currentText(), "Indented by");
  EXPECT_TRUE(dialog.FirstIndent->isEnabled());
  EXPECT_EQ(dialog.LeftIndent->toolTip(), "Specify left indent for the paragraph in inches");
  EXPECT_EQ(dialog.windowTitle(), "Paragraph Properties");
  EXPECT_EQ(testutil::UnnamedFields(&dialog), QStringList{});  // screen readers name each one
}

TEST_F(ParagraphDialog, AFirstLineLikeTheOthersReadsAsSameAsLeftIndent) {
  setParagraph({720, 720, 0, 0, 0, 0});
  dialog.SetEditor(&pane);
  EXPECT_EQ(dialog.FirstIndentCombo->currentText(), "Same as Left Indent");
  EXPECT_FALSE(dialog.FirstIndent->isEnabled());
}

TEST_F(ParagraphDialog, SwitchingUnitsRefillsTextsAndHintsButKeepsExactValues) {
  const ParagraphAttributes odd{101, 101, 33, 250, 7, 0};  // none shows exactly
  setParagraph(odd);
  dialog.SetEditor(&pane);
  dialog.ComboBox1->setCurrentIndex(1);
  EXPECT_EQ(dialog.LeftIndent->text(), "0.18");
  EXPECT_EQ(dialog.RightIndent->toolTip(), "Specify right indent for the paragraph in centimeters");
  EXPECT_EQ(dialog.FirstIndent->toolTip(),
            "Specify first line indent for the paragraph in centimeters");
  dialog.ComboBox1->setCurrentIndex(0);
  EXPECT_EQ(dialog.Values(), odd);
  dialog.Okbutton->click();
  EXPECT_EQ(pane.CurrentParagraphAttributes(), odd);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(ParagraphDialog, TypedValuesBecomeTwipsInTheChosenUnit) {
  dialog.SetEditor(&pane);
  type(dialog.SpaceBeforePts, "12");
  EXPECT_EQ(dialog.Values().spaceBefore, 240);
  type(dialog.LeftIndent, "1");
  EXPECT_EQ(dialog.Values().leftIndent, 1440);
  dialog.ComboBox1->setCurrentIndex(1);
  type(dialog.LeftIndent, "2.54");
  EXPECT_EQ(dialog.Values().leftIndent, 1440);
  type(dialog.RightIndent, "");
  EXPECT_EQ(dialog.Values().rightIndent, 0);
  EXPECT_TRUE(fixture.boxes.empty());
}

TEST_F(ParagraphDialog, LeftIndentCarriesTheFirstLineAlongOnlyWhileSameAsLeft) {
  dialog.SetEditor(&pane);
  type(dialog.LeftIndent, "0.5");
  EXPECT_EQ(dialog.FirstIndent->text(), "0.5");
  EXPECT_EQ(dialog.Values().firstIndent, 720);

  dialog.FirstIndentCombo->setCurrentIndex(1);
  emit dialog.FirstIndentCombo->activated(1);
  EXPECT_TRUE(dialog.FirstIndent->isEnabled());
  type(dialog.FirstIndent, "1");
  type(dialog.LeftIndent, "0.25");
  EXPECT_EQ(dialog.Values().firstIndent, 1440);
  EXPECT_EQ(dialog.Values().leftIndent, 360);
}

TEST_F(ParagraphDialog, ChoosingSameAsLeftTakesTheExactLeftIndent) {
  setParagraph({1440, 101, 0, 0, 0, 0});
  dialog.SetEditor(&pane);
  dialog.FirstIndentCombo->setCurrentIndex(0);
  emit dialog.FirstIndentCombo->activated(0);
  EXPECT_FALSE(dialog.FirstIndent->isEnabled());
  EXPECT_EQ(dialog.FirstIndent->text(), dialog.LeftIndent->text());
  EXPECT_EQ(dialog.Values().firstIndent, 101);
  dialog.Okbutton->click();
  const ParagraphAttributes p = pane.CurrentParagraphAttributes();
  EXPECT_EQ(p.firstIndent, p.leftIndent);
}

TEST_F(ParagraphDialog, TextThatIsNoNumberIsReportedAndKeepsTheHeldValue) {
  setParagraph({0, 0, 0, 240, 0, 0});
  dialog.SetEditor(&pane);
  type(dialog.SpaceBeforePts, "x");
  ASSERT_EQ(fixture.boxes.size(), 1u);
  EXPECT_EQ(fixture.boxes[0].text, "'x' is not a valid floating point value");
  EXPECT_EQ(dialog.Values().spaceBefore, 240);

  fixture.boxes.clear();
  type(dialog.LeftIndent, "-");  // the start of a negative number is not an error
  EXPECT_TRUE(fixture.boxes.empty());
  QTest::keyClicks(dialog.LeftIndent, "0.5");
  EXPECT_EQ(dialog.Values().leftIndent, -720);
}

TEST_F(ParagraphDialog, OkAppliesEverythingAndCancelNothing) {
  dialog.SetEditor(&pane);
  type(dialog.SpaceAfterPts, "6");
  type(dialog.LineHeightPts, "18");
  type(dialog.LeftIndent, "1");
  type(dialog.RightIndent, "0.5");
  dialog.CancelButton->click();
  EXPECT_EQ(pane.CurrentParagraphAttributes(), ParagraphAttributes{});
  EXPECT_EQ(dialog.result(), QDialog::Rejected);

  dialog.Okbutton->click();
  EXPECT_EQ(pane.CurrentParagraphAttributes(), (ParagraphAttributes{1440, 1440, 720, 0, 120, 360}));
  pane.moveCursor(QTextCursor::End);
  EXPECT_EQ(pane.CurrentParagraphAttributes(),
            ParagraphAttributes{});  // only the caret's paragraph
}

TEST_F(ParagraphDialog, AReadOnlyPaneIsLeftAlone) {
  pane.setReadOnly(true);
  dialog.SetEditor(&pane);
  type(dialog.LeftIndent, "1");
  dialog.Okbutton->click();
  EXPECT_EQ(pane.CurrentParagraphAttributes(), ParagraphAttributes{});
}
