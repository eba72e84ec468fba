// The plain rules of the Preferences wizard: which buttons a page allows, the help topic
// of each page, stored values shown as items of a list, and the seconds fields.
#pragma once

#include <QString>

namespace app {

inline constexpr int kPrefsPageCount = 8;
inline constexpr int kMaxSeconds = 86400;  // one day
inline constexpr int kMaxDialAttempts = 99;

struct WizardButtons {
  bool back = false, next = false, finish = false;
};

// Back and Next move one page but never past either end; Finish is offered on the last
// page, and on every page once the port has been configured before.
WizardButtons ComputeWizardButtons(int page, bool firstRun);

// The help topic of a page: the introduction, the modem page, the sending pages, the
// receiving pages.
int PrefsHelpContext(int page);

// A stored value shown as one item of a list. A value the list has no item for is shown
// as the nearest item; while the user leaves that item chosen, the value goes back as it
// was, instead of as whatever that item stands for.
class KeptChoice {
 public:
  KeptChoice() = default;
  // `index` is the stored value's place in a list of `count` items, perhaps outside it.
  KeptChoice(int stored, int index, int count);
  int ShownIndex() const { return shown_; }
  template <class ValueOf>
  int ValueFor(int chosen, ValueOf valueOf) const {
    return chosen == shown_ ? stored_ : valueOf(chosen);
  }

 private:
  int stored_ = 0;
  int shown_ = 0;
};

// A seconds field: a whole number from 0 to one day, else the old value stays.
int SecondsFromText(const QString& text, int old);

}  // namespace app
