// A validator that refuses edits growing the text past the limit.
#include "ui/typinglimit.h"

#include <QLineEdit>
#include <QValidator>

namespace ui {

namespace {

class TypingLimit : public QValidator {
 public:
  TypingLimit(QLineEdit* edit, int maxLength)
      : QValidator(edit), max_(maxLength), before_(edit->text()) {
    // Every accepted change, typed or set by code, becomes the text to compare with.
    connect(edit, &QLineEdit::textChanged, this, [this](const QString& t) { before_ = t; });
  }
  State validate(QString& input, int&) const override {
    return input.size() > max_ && input.size() > before_.size() ? Invalid : Acceptable;
  }

 private:
  int max_;
  QString before_;
};

}  // namespace

void LimitTyping(QLineEdit* edit, int maxLength) {
  edit->setValidator(new TypingLimit(edit, maxLength));
}

}  // namespace ui
