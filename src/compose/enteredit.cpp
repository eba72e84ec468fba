// Enter in these edits is taken as "next field", the way forms are filled in by keyboard.
#include "compose/enteredit.h"

#include <QKeyEvent>

namespace compose {

TEnterEdit::TEnterEdit(QWidget* parent) : QLineEdit(parent) {}

void TEnterEdit::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    event->accept();  // swallowed, so the default button never sees it
    focusNextChild();
    return;
  }
  QLineEdit::keyPressEvent(event);
}

}  // namespace compose
