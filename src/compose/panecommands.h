// Commands the fax editor and the cover-sheet editor share on a rich-text pane: page
// break, word-wrap toggle, the zoom menu, the paragraph dialog, and the tool-bar
// buttons they append.
#pragma once

#include "settings/inifile.h"
#include "ui/messages.h"

#include <QString>

#include <functional>

class QAction;
class QObject;
class QMenu;
class QToolBar;
class QToolButton;
class QWidget;

namespace richtext {
class TRichText;
}

namespace compose {

// Asks "Add a page break here?" (No by default); on Yes inserts a page-break paragraph
// at the caret with the caret's character attributes. Returns whether it did.
bool AskAndInsertPageBreak(richtext::TRichText* pane);

// Hint of a word-wrap button: what pressing it will do next.
QString WordWrapHint(bool wrapOn);
// Inverts the pane's word wrap and brings the item's hint and state in line with it.
void ToggleWordWrap(richtext::TRichText* pane, QAction* item);

// The zoom menu: items Zoom70, Zoom80 and Zoom100, each holding its percentage as data.
QMenu* MakeZoomMenu(QWidget* parent);
// Checks the item equal to zoom; any other zoom leaves every item unchecked.
void CheckZoomItem(QMenu* menu, int zoom);
int ZoomOfItem(const QObject* item);

// Opens the paragraph properties dialog on the pane, modally, centred for the program.
void OpenParagraphDialog(richtext::TRichText* pane, QWidget* parent);

// Runs the default-font dialog and reports a settings file that cannot be written.
void ChooseDefaultFontReporting();

// A width that shows the whole tool bar, appended buttons included, where the screen
// allows it; at least 640 pixels.
int WidthForToolBar(const QToolBar* bar);

// Placement and the default font are conveniences: a settings file that cannot be
// written must not stop the user from composing or keeping a fax or a template, so the
// failure is only reported.
template <typename F>
void ReportingIniErrors(F&& f) {
  try {
    f();
  } catch (const settings::IniWriteError& e) {
    ui::ReportFailure(e);
  }
}

// Appends an item to a tool bar and returns the button the bar shows for it, named
// `name`; a spacer of 2 pixels goes before it unless it is the first item the caller
// appends. Commands connect to the button's defaultAction(): an item the bar has no room
// for is offered in the bar's overflow menu, which triggers the action, not the button.
QToolButton* AppendToolButton(QToolBar* bar, const char* name, const QString& text,
                              const QString& hint, bool spacerBefore, bool checkable = false);

}  // namespace compose
