// The paragraph properties dialog. Values are held in twips and converted only when
// the user edits a field, so showing the dialog, switching units and pressing OK never
// changes a value the user did not touch.
#include "compose/paragraphpropdlg.h"

#include "ui/messages.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

namespace compose {

namespace {

QLineEdit* makeEdit(QWidget* parent, const char* name) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setMaximumWidth(80);
  return edit;
}

// A text that is not a number yet but can become one as the user types on ("-", "1.",
// "2e") is left alone instead of being reported at every key.
bool isUnfinishedNumber(const QString& text) {
  static const QRegularExpression prefix(QStringLiteral(R"(^[+-]?\d*\.?\d*([eE][+-]?)?$)"));
  return prefix.match(text.trimmed()).hasMatch();
}

void reportNotANumber(const QString& text) {
  if (isUnfinishedNumber(text)) return;
  ui::ShowMessageBox(QStringLiteral("'%1' is not a valid floating point value").arg(text),
                     QStringLiteral("Error"), ui::mb::Ok | ui::mb::IconError);
}

}  // namespace

TParagraphPropDlg::TParagraphPropDlg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("ParagraphPropDlg"));
  setWindowTitle(QStringLiteral("Paragraph Properties"));
  buildControls();
  fillEdits();
  setHints();
}

void TParagraphPropDlg::buildControls() {
  LeftIndent = makeEdit(this, "LeftIndent");
  RightIndent = makeEdit(this, "RightIndent");
  FirstIndent = makeEdit(this, "FirstIndent");
  SpaceBeforePts = makeEdit(this, "SpaceBeforePts");
  SpaceAfterPts = makeEdit(this, "SpaceAfterPts");
  LineHeightPts = makeEdit(this, "LineHeightPts");
  FirstIndentCombo = new QComboBox(this);
  FirstIndentCombo->setObjectName(QStringLiteral("FirstIndentCombo"));
  FirstIndentCombo->addItems(
      {QStringLiteral("Same as Left Indent"), QStringLiteral("Indented by")});
  FirstIndentCombo->setToolTip(QStringLiteral("Specify special handling for first line indent"));
  ComboBox1 = new QComboBox(this);
  ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
  ComboBox1->addItems({QStringLiteral("Inch"), QStringLiteral("Cm")});
  ComboBox1->setToolTip(QStringLiteral("Change unit of measurement to inches or centimeters"));
  SpaceBeforePts->setToolTip(
      QStringLiteral("Specify spacing before paragraph in points (1 point=1/72 inch)"));
  SpaceAfterPts->setToolTip(
      QStringLiteral("Specify spacing after paragraph in points (1 point=1/72 inch)"));
  LineHeightPts->setToolTip(
      QStringLiteral("Specify spacing between lines of paragraph in points (1 point=1/72 inch)"));

  auto* grid = new QGridLayout;
  const auto row = [&](int r, const char* caption, QWidget* a, QWidget* b = nullptr) {
    auto* label = new QLabel(QString::fromLatin1(caption), this);
    label->setBuddy(a);
    grid->addWidget(label, r, 0);
    grid->addWidget(a, r, 1);
    if (b) grid->addWidget(b, r, 2);
  };
  row(0, "Left Indent", LeftIndent);
  row(1, "Right Indent", RightIndent);
  row(2, "First Indent", FirstIndentCombo, FirstIndent);
  row(3, "Space before (pts)", SpaceBeforePts);
  row(4, "Space after (pts)", SpaceAfterPts);
  row(5, "Line Height (pts)", LineHeightPts);
  row(6, "Units", ComboBox1);
  FirstIndent->setAccessibleName(QStringLiteral("First Indent"));  // its label names the list

  Okbutton = new QPushButton(QStringLiteral("OK"), this);
  Okbutton->setObjectName(QStringLiteral("Okbutton"));
  Okbutton->setDefault(true);
  CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
  CancelButton->setObjectName(QStringLiteral("CancelButton"));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(Okbutton);
  buttons->addWidget(CancelButton);
  auto* top = new QVBoxLayout(this);
  top->addLayout(grid);
  top->addLayout(buttons);
  top->setSizeConstraint(QLayout::SetFixedSize);

  connect(LeftIndent, &QLineEdit::textEdited, this,
          [this] { onLengthEdited(LeftIndent, values_.leftIndent); });
  connect(RightIndent, &QLineEdit::textEdited, this,
          [this] { onLengthEdited(RightIndent, values_.rightIndent); });
  connect(FirstIndent, &QLineEdit::textEdited, this,
          [this] { onLengthEdited(FirstIndent, values_.firstIndent); });
  connect(SpaceBeforePts, &QLineEdit::textEdited, this,
          [this] { onPointsEdited(SpaceBeforePts, values_.spaceBefore); });
  connect(SpaceAfterPts, &QLineEdit::textEdited, this,
          [this] { onPointsEdited(SpaceAfterPts, values_.spaceAfter); });
  connect(LineHeightPts, &QLineEdit::textEdited, this,
          [this] { onPointsEdited(LineHeightPts, values_.lineHeight); });
  connect(FirstIndentCombo, &QComboBox::activated, this, &TParagraphPropDlg::onFirstIndentChoice);
  connect(ComboBox1, &QComboBox::currentIndexChanged, this, &TParagraphPropDlg::onUnitChanged);
  connect(Okbutton, &QPushButton::clicked, this, &TParagraphPropDlg::OkbuttonClick);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void TParagraphPropDlg::SetEditor(richtext::TRichText* editor) {
  editor_ = editor;
  values_ = editor ? editor->CurrentParagraphAttributes() : richtext::ParagraphAttributes{};
  {
    const QSignalBlocker block(ComboBox1);
    ComboBox1->setCurrentIndex(0);
  }
  FirstIndentCombo->setCurrentIndex(values_.firstIndent != values_.leftIndent ? kIndentedBy
                                                                              : kSameAsLeft);
  FirstIndent->setEnabled(!firstFollowsLeft());
  fillEdits();
  setHints();
}

LengthUnit TParagraphPropDlg::Unit() const {
  return ComboBox1->currentIndex() == 1 ? LengthUnit::Centimetre : LengthUnit::Inch;
}

bool TParagraphPropDlg::firstFollowsLeft() const {
  return FirstIndentCombo->currentIndex() == kSameAsLeft;
}

void TParagraphPropDlg::fillEdits() {
  const LengthUnit unit = Unit();
  LeftIndent->setText(TwipsToLengthText(values_.leftIndent, unit));
  RightIndent->setText(TwipsToLengthText(values_.rightIndent, unit));
  FirstIndent->setText(TwipsToLengthText(values_.firstIndent, unit));
  SpaceBeforePts->setText(TwipsToPointsText(values_.spaceBefore));
  SpaceAfterPts->setText(TwipsToPointsText(values_.spaceAfter));
  LineHeightPts->setText(TwipsToPointsText(values_.lineHeight));
}

void TParagraphPropDlg::setHints() {
  const QString word = UnitWord(Unit());
  LeftIndent->setToolTip(QStringLiteral("Specify left indent for the paragraph in ") + word);
  RightIndent->setToolTip(QStringLiteral("Specify right indent for the paragraph in ") + word);
  FirstIndent->setToolTip(QStringLiteral("Specify first line indent for the paragraph in ") + word);
}

void TParagraphPropDlg::onLengthEdited(QLineEdit* edit, int& held) {
  const std::optional<int> twips = LengthTextToTwips(edit->text(), Unit());
  if (!twips) {
    reportNotANumber(edit->text());
    return;
  }
  held = *twips;
  if (edit == LeftIndent && firstFollowsLeft()) {
    FirstIndent->setText(LeftIndent->text());
    values_.firstIndent = held;
  }
}

void TParagraphPropDlg::onPointsEdited(QLineEdit* edit, int& held) {
  const std::optional<int> twips = PointsTextToTwips(edit->text());
  if (!twips) {
    reportNotANumber(edit->text());
    return;
  }
  held = *twips;
}

// "Same as Left Indent" takes the left indent's exact value, not its rounded text, so
// the paragraph still reads as having no special first line when opened again.
void TParagraphPropDlg::onFirstIndentChoice(int index) {
  if (index == kSameAsLeft) {
    values_.firstIndent = values_.leftIndent;
    FirstIndent->setText(LeftIndent->text());
  }
  FirstIndent->setEnabled(index == kIndentedBy);
}

void TParagraphPropDlg::onUnitChanged() {
  fillEdits();
  setHints();
}

void TParagraphPropDlg::OkbuttonClick() {
  if (editor_) {
    if (editor_->SetParagraphSpacing(values_.spaceBefore, values_.spaceAfter, values_.lineHeight))
      editor_->Reformat();
    if (editor_->SetParagraphIndents(values_.firstIndent, values_.leftIndent, values_.rightIndent))
      editor_->Reformat();
  }
  accept();
}

}  // namespace compose
