// TPhoneBookEditor ("Phone Book Editor"): the small dialog in which one phone-book entry,
// a name and a fax number, is typed. Accept closes it with kModalOk, Cancel with
// kModalCancel; nothing is checked.
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace compose {

class TPhoneBookEditor : public QDialog {
  Q_OBJECT
 public:
  explicit TPhoneBookEditor(QWidget* parent = nullptr);

  QLineEdit* Name = nullptr;
  QLineEdit* Number = nullptr;
  QPushButton* OKButton = nullptr;
  QPushButton* Cancelbutton = nullptr;
  QPushButton* Helpbutton = nullptr;

 public slots:
  void reject() override;
};

}  // namespace compose
