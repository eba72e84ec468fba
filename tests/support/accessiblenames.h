// What a screen reader announces for the input fields of a window.
#pragma once

#include <QAbstractSpinBox>
#include <QAccessible>
#include <QComboBox>
#include <QLineEdit>
#include <QStringList>
#include <QWidget>

namespace testutil {

// Object names of the window's edits, lists and spin boxes that a screen reader would
// announce without a name (the edit inside an editable list counts with its list).
inline QStringList UnnamedFields(QWidget* window) {
  QStringList unnamed;
  for (QWidget* w : window->findChildren<QWidget*>()) {
    const bool field = qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) ||
                       qobject_cast<QAbstractSpinBox*>(w);
    if (!field || qobject_cast<QComboBox*>(w->parentWidget()) ||
        qobject_cast<QAbstractSpinBox*>(w->parentWidget()))
      continue;
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    if (!a || a->text(QAccessible::Name).trimmed().isEmpty()) unnamed << w->objectName();
  }
  return unnamed;
}

}  // namespace testutil
