// Text in the tables is Windows code page 1252; the windows work in Unicode. These two
// convert at the edge, so that names with accents survive a trip through a table.
#pragma once

#include <QString>
#include <string>

namespace ui {

QString FromTableText(const std::string& bytes);
// Characters that code page 1252 cannot hold become "?".
std::string ToTableText(const QString& text);

}  // namespace ui
