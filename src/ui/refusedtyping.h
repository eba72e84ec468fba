// Typing an edit refuses, and the tip that says why. A refused change leaves the text as
// it was, so nothing typed is changed behind the user's back; the tip names the reason.
#pragma once

#include <QString>
#include <QValidator>

#include <functional>

class QLineEdit;
class QWidget;

namespace ui {

// Judges the text an edit would hold after a change: Acceptable, Intermediate (more typing
// can make it acceptable, as an empty number field) or Invalid, with the reason in `why`.
using TypingRule = std::function<QValidator::State(const QString& text, QString& why)>;

// Puts the rule on the edit; a refused change shows its reason in the refusal tip. A
// `maxTyping` above 0 also stops typing past that length, without a tip (as a full field
// does) and without cutting a longer text that code sets.
void RefuseTyping(QLineEdit* edit, TypingRule rule, int maxTyping = 0);

// Rules the windows share.
TypingRule TableTextRule();                     // code page 1252 characters only
TypingRule FaxNumberRule();                     // digits, + * # , and separators
TypingRule WholeNumberRule(int most);            // digits only, from 0 to most

// The tip below an edit that says why a change was refused. It takes no clicks (they go to
// whatever lies under it), and it goes when the edit loses the focus, at the next click or
// after a while, so it never hides the field the user moves to.
void ShowRefusalTip(QLineEdit* edit, const QString& why);

// The refusal tip while it is on show, else null.
QWidget* RefusalTip();

}  // namespace ui
