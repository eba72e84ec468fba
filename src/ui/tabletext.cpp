// Code page 1252 at the table edge, through the base module's code-page table.
#include "ui/tabletext.h"

#include "base/cp1252.h"

#include <QLineEdit>
#include <QToolTip>
#include <QValidator>

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

namespace {

// Refuses input with characters a table cannot hold and remembers which they were, for
// the explanation shown when the edit reports the refusal.
class TableTextValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    refused = CharactersTablesCannotHold(input);
    return refused.isEmpty() ? Acceptable : Invalid;
  }
  mutable QString refused;
};

}  // namespace

void LimitToTableText(QLineEdit* edit) {
  auto* validator = new TableTextValidator(edit);
  edit->setValidator(validator);
  QObject::connect(edit, &QLineEdit::inputRejected, edit, [edit, validator] {
    if (validator->refused.isEmpty()) return;  // refused for its length, say
    QToolTip::showText(edit->mapToGlobal(QPoint(0, edit->height())),
                       QStringLiteral("\"%1\" cannot be stored in this field: it keeps Western "
                                      "European (code page 1252) characters only.")
                           .arg(validator->refused),
                       edit);
    validator->refused.clear();
  });
}

}  // namespace ui
