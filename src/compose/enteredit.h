// TEnterEdit: a single-line edit in which Enter moves on to the next control instead of
// pressing the window's default button.
#pragma once

#include <QLineEdit>

namespace compose {

class TEnterEdit : public QLineEdit {
  Q_OBJECT
 public:
  explicit TEnterEdit(QWidget* parent = nullptr);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace compose
