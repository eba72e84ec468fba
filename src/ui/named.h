// Naming a control as it is known to tests and to the rest of the program, with its hint.
#pragma once

#include <QString>

namespace ui {

template <class W>
W* Named(W* w, const char* name, const char* hint = nullptr) {
  w->setObjectName(QString::fromLatin1(name));
  if (hint) w->setToolTip(QString::fromLatin1(hint));
  return w;
}

}  // namespace ui
