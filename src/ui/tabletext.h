// Text in the tables is Windows code page 1252; the windows work in Unicode. These two
// convert at the edge, so that names with accents survive a trip through a table.
#pragma once

#include "tables/binding.h"

#include <QString>
#include <string>

class QLineEdit;

namespace ui {

QString FromTableText(const std::string& bytes);
// Characters that code page 1252 cannot hold become "?".
std::string ToTableText(const QString& text);
// The characters of text that code page 1252 cannot hold, each once, in order of use.
QString CharactersTablesCannotHold(const QString& text);

// Keeps an edit to what a table field, the settings file or a page header can store:
// typing or pasting a character that code page 1252 cannot hold is refused, and a tip at
// the edit says which and why. A `maxTyping` above 0 also stops typing past that length, as RefuseTyping does.
void LimitToTableText(QLineEdit* edit, int maxTyping = 0);

// A text field of the cursor's current record as the windows show it, and back (the
// record in edit or append state; the field's width cuts a longer text).
inline QString FieldText(const tables::Cursor& cursor, const char* name) {
  return FromTableText(cursor.table().getString(name));
}
inline void PutFieldText(tables::Cursor& cursor, const char* name, const QString& text) {
  cursor.table().putString(name, ToTableText(text));
}

}  // namespace ui
