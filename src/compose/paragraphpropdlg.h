// TParagraphPropDlg: indents and spacing of the current paragraph of a rich-text pane,
// shown in inches or centimetres and in points, held in twips.
#pragma once

#include "compose/paragraphunits.h"
#include "richtext/richtext.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace compose {

class TParagraphPropDlg : public QDialog {
  Q_OBJECT
 public:
  explicit TParagraphPropDlg(QWidget* parent = nullptr);

  // The pane to work on; set it before the dialog is shown. Loads its values.
  void SetEditor(richtext::TRichText* editor);

  // The held values, in twips.
  const richtext::ParagraphAttributes& Values() const { return values_; }
  LengthUnit Unit() const;

  QLineEdit* LeftIndent = nullptr;
  QLineEdit* RightIndent = nullptr;
  QComboBox* FirstIndentCombo = nullptr;
  QLineEdit* FirstIndent = nullptr;
  QLineEdit* SpaceBeforePts = nullptr;
  QLineEdit* SpaceAfterPts = nullptr;
  QLineEdit* LineHeightPts = nullptr;
  QComboBox* ComboBox1 = nullptr;
  QPushButton* Okbutton = nullptr;
  QPushButton* CancelButton = nullptr;

 private:
  enum FirstIndentChoice { kSameAsLeft = 0, kIndentedBy = 1 };

  void buildControls();
  void fillEdits();
  void setHints();
  bool firstFollowsLeft() const;
  void onLengthEdited(QLineEdit* edit, int& held);
  void onPointsEdited(QLineEdit* edit, int& held);
  void onFirstIndentChoice(int index);
  void onUnitChanged();
  void OkbuttonClick();

  richtext::TRichText* editor_ = nullptr;
  richtext::ParagraphAttributes values_;
};

}  // namespace compose
