// Text fields of the current record as the windows show them: code page 1252 in the
// table, Unicode on the screen.
#pragma once

#include "tables/binding.h"
#include "ui/tabletext.h"

#include <QString>

namespace app {

inline QString FieldText(const tables::Cursor& cursor, const char* name) {
  return ui::FromTableText(cursor.table().getString(name));
}

inline void PutFieldText(tables::Cursor& cursor, const char* name, const QString& text) {
  cursor.table().putString(name, ui::ToTableText(text));
}

}  // namespace app
