// Page buttons, help topics, kept choices and seconds of the Preferences wizard.
#include "app/preferences/wizardrules.h"

#include "ui/helpwindow.h"
#include "windows/sendrules.h"

#include <algorithm>

namespace app {

WizardButtons ComputeWizardButtons(int page, bool firstRun) {
  const int last = kPrefsPageCount - 1;
  return {page > 0, page < last, page == last || !firstRun};
}

int PrefsHelpContext(int page) {
  if (page <= 0) return ui::helpctx::Preferences;
  if (page == 1) return ui::helpctx::PrefsModemPort;
  return page <= 4 ? ui::helpctx::PrefsSending : ui::helpctx::PrefsReceiving;
}

KeptChoice::KeptChoice(int stored, int index, int count)
    : stored_(stored), shown_(std::clamp(index, 0, std::max(count - 1, 0))) {}

int SecondsFromText(const QString& text, int old) {
  const std::optional<int> n = windows::WholeNumber(text);
  return n && *n >= 0 && *n <= kMaxSeconds ? *n : old;
}

}  // namespace app
