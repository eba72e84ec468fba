// TRadioGroup: a titled box of radio buttons in one or more columns whose choice is an
// item index (-1 for none), as the settings keep it.
#pragma once

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class QRadioButton;

namespace ui {

class TRadioGroup : public QGroupBox {
  Q_OBJECT
 public:
  TRadioGroup(const QString& title, const QStringList& items, int columns = 1,
              QWidget* parent = nullptr);

  int ItemIndex() const;
  // An index outside the items clears the choice.
  void SetItemIndex(int index);
  QRadioButton* Button(int index) const;
  int Count() const;

 private:
  QButtonGroup* buttons_;
};

}  // namespace ui
