// Building blocks of the composing windows: named buttons with their hints, labels that
// are the buddies of the edits they name, and the set-up of a rich-text pane.
#pragma once

#include <QString>

class QLabel;
class QPushButton;
class QWidget;

namespace richtext {
class TRichText;
}

namespace compose {

// Modal results of the composing windows; kModalOk equals QDialog::Accepted.
constexpr int kModalOk = 1;
constexpr int kModalCancel = 2;

// The two ways the cover-sheet library and the phone book open: as a library from the
// main window (Close), or as a picker from the fax editor (Accept and Cancel).
enum class BrowseMode { Library, Picker };

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption,
                        const QString& hint = {});
QLabel* MakeLabel(QWidget* parent, const QString& caption, QWidget* buddy);

// Arial at the given size for new text, both scroll bars, Tab typed into the text, insert
// mode, no drag and drop.
void SetUpPane(richtext::TRichText* pane, int pointSize);

}  // namespace compose
