// The field values of a DBF record: the field declaration, and how dates, numbers,
// logical values and text are kept in a record's bytes. Part of the DBF layer; the layers
// above (expressions, tables, components) read and write fields through it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tables {

// One field of a table as declared at creation and stored in the DBF header.
struct FieldDef {
  std::string name;  // up to 10 characters, stored upper case
  char type = 'C';   // 'C' text, 'L' logical, 'D' date, 'N' numeric, 'M' memo
  int width = 1;     // bytes in the record (D: 8, L: 1, M: 10)
  int decimals = 0;  // N only
};

// Dates are "YYYYMMDD" text; days are counted as Julian day numbers.
long julianDay(std::string_view yyyymmdd);  // 0 for an empty or bad date
std::string dateFromJulian(long jd);        // "YYYYMMDD"; 8 blanks for 0

// A numeric field's text as a number (a decimal comma is read as a point).
double fieldNumber(const std::uint8_t* p, int width);
// The text "%*.*f" gives for (width, decimals, v), into buf (64 bytes); returns the length
// the full text has (more than 63 when it was cut).
int numberText(char* buf, double v, int width, int decimals);
// 'T', 't', 'Y' and 'y' are true.
bool fieldLogical(std::uint8_t c);
// Text padded with blanks or cut to the field's width.
void padText(std::uint8_t* p, int width, const std::string& s);

}  // namespace tables
