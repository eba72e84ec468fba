// The message boxes every window uses to ask and to report, and the popup-menu helper.
#pragma once

#include "ui/testseam.h"

#include <QString>

#include <exception>

class QMenu;
class QWidget;

namespace ui {

// Flags and results keep the numbers of the classic message-box interface.
namespace mb {
constexpr int Ok = 0x0, OkCancel = 0x1, YesNoCancel = 0x3, YesNo = 0x4;
constexpr int IconError = 0x10, IconQuestion = 0x20, IconWarning = 0x30, IconInformation = 0x40;
constexpr int DefButton2 = 0x100;
constexpr int IdOk = 1, IdCancel = 2, IdYes = 6, IdNo = 7;
}  // namespace mb

// Text and caption are each limited to 255 characters; longer ones are cut and end in "...".
int ShowMessageBox(const QString& text, const QString& caption, int flags);
bool AskYesNo(const QString& text, const QString& caption);
bool AskYesNoDefaultNo(const QString& text, const QString& caption);
// An OK box captioned "Information": the program's standard way to report a failure.
void ShowInfo(const QString& text);
// ShowInfo for a text longer than one box holds: its paragraphs (split at blank lines) go
// into as few boxes as the length limit allows, in order.
void ShowLongInfo(const QString& text);

// Opens the menu with its top-left corner at the button's bottom-left corner.
void PopupBelowButton(QWidget* button, QMenu* menu);

// Reports a failure the standard way: ShowInfo with the exception's message.
void ReportFailure(const std::exception& e);

// Tests and scripted runs answer message boxes here instead of a modal box; the handler
// gets text, caption and flags and returns the result.
using MessageBoxSeam = Seam<int(const QString&, const QString&, int)>;
MessageBoxSeam& MessageBoxAnswers();

}  // namespace ui
