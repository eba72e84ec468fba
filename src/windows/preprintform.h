// TPrePrintForm ("Print"): the page range and print options asked before a fax prints.
#pragma once

#include <QDialog>

class QCheckBox;
class QPushButton;
class QSpinBox;

namespace windows {

class TPrePrintForm : public QDialog {
  Q_OBJECT
 public:
  explicit TPrePrintForm(QWidget* parent = nullptr);
  QSpinBox *FromPage, *ToPage;
  QCheckBox *PrintHeader, *PrintFooter, *PrintMultiPage;
  QPushButton *BitBtn1, *BitBtn2;
  // OK: a To Page below From Page beeps and keeps the dialog open.
  void BitBtn1Click();
};

}  // namespace windows
