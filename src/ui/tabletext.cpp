// Code page 1252 at the table edge, through the base module's code-page table.
#include "ui/tabletext.h"

#include "base/cp1252.h"
#include "ui/refusedtyping.h"


namespace ui {

QString FromTableText(const std::string& bytes) {
  QString out;
  out.reserve(qsizetype(bytes.size()));
  for (unsigned char b : bytes) out.append(QChar(base::Cp1252ToUnicode(b)));
  return out;
}

std::string ToTableText(const QString& text) {
  std::string out;
  out.reserve(std::size_t(text.size()));
  for (QChar c : text) {
    const auto b = base::UnicodeToCp1252(c.unicode());
    out.push_back(b ? char(*b) : '?');
  }
  return out;
}

QString CharactersTablesCannotHold(const QString& text) {
  QString out;
  for (char32_t c : text.toUcs4()) {
    const bool held = c <= 0xFFFF && base::UnicodeToCp1252(char16_t(c));
    const QString one = QString::fromUcs4(&c, 1);
    if (!held && !out.contains(one)) out += one;
  }
  return out;
}

void LimitToTableText(QLineEdit* edit, int maxTyping) {
  RefuseTyping(edit, TableTextRule(), maxTyping);
}

}  // namespace ui
