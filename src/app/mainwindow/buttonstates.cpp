// Enabling rules of the main window's buttons and menu items.
#include "app/mainwindow/buttonstates.h"

namespace app {

ButtonStates ComputeButtonStates(const ListState& s) {
  ButtonStates b;
  const bool outgoing = s.page == ListPage::Outgoing;
  b.faxGrid = !s.sentEmpty;
  b.recFaxGrid = !s.recEmpty;
  b.newFax = outgoing;
  b.clone = outgoing && !s.sentEmpty;
  b.send = outgoing && !s.receiveMode && !s.sentEmpty;
  b.rebuildIndexes = !s.receiveMode;
  b.preferences = !s.receiveMode;
  if (outgoing) {
    b.edit = b.del = !s.sentEmpty;
  } else {
    b.edit = b.del = !s.receiveMode && !s.recEmpty;
  }
  b.view = outgoing ? !s.sentEmpty : !s.recEmpty;
  b.receive = true;
  return b;
}

}  // namespace app
