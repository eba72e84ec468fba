// Moving the user's settings into the Preferences wizard's controls before it shows, and
// back out of them when it closes with OK.
#pragma once

#include "settings/appsettings.h"

namespace app {

class TPreferences;

// Also remembers, for the list controls, which item each stored value was shown as.
void CopySettingsToPreferences(const settings::AppSettingsRecord& s, TPreferences& p);
// A dial-attempts text that is not a whole number, or a seconds text outside 0 to 86400,
// leaves that setting as it was; a list left on the item its stored value was shown as
// keeps the stored value.
void CopyPreferencesToSettings(const TPreferences& p, settings::AppSettingsRecord& s);

}  // namespace app
