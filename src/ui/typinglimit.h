// A length limit on typing only. QLineEdit::setMaxLength also cuts text that code sets,
// which would shorten a longer value another window stored; this limit never does.
#pragma once

class QLineEdit;

namespace ui {

// Typing that would make the text longer than `maxLength` is undone; text set by code,
// and typing that shortens an over-long text, stay as they are.
void LimitTyping(QLineEdit* edit, int maxLength);

}  // namespace ui
