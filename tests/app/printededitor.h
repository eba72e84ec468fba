// Answers the fax editor that the main window opens for a printed job: what it showed, then
// OK (with a recipient and number) or Cancel.
#pragma once

#include <QString>

namespace testutil {

struct Opened {
  QString subject;
  int pictures = 0;        // pictures of the document as it is stored
  bool fromStart = false;  // the document's cursor (and so its view) at its beginning
  bool seen = false;
};

// Looks at the next fax editor that opens and leaves it with OK or Cancel. The editor opens
// from the window's own timers, so a polling timer answers it from inside its loop.
void WhenEditorOpens(Opened& opened, bool ok);

}  // namespace testutil
