// Which commands of the main window are enabled, worked out from the list state alone.
#pragma once

namespace app {

// The notebook pages of the main window, in their tab order.
enum class ListPage { Outgoing = 0, Received = 1 };

struct ListState {
  ListPage page = ListPage::Outgoing;
  bool sentEmpty = true;  // the outgoing table has no current record
  bool recEmpty = true;   // the received table has no current record
  bool receiveMode = false;
};

struct ButtonStates {
  bool faxGrid = false, recFaxGrid = false;
  bool newFax = false, clone = false, send = false;
  bool edit = false, del = false, view = false;
  bool rebuildIndexes = false, preferences = false;
  bool receive = true;
};

ButtonStates ComputeButtonStates(const ListState& s);

}  // namespace app
