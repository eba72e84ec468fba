// Code page 1252 at the table edge, through the rich-text module's code-page table.
#include "ui/tabletext.h"

#include "base/cp1252.h"

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

}  // namespace ui
