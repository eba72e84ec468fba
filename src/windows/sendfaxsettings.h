// Moving the user's settings into the send dialog's controls before it shows, and back
// out of them after it closes.
#pragma once

#include "settings/appsettings.h"

namespace windows {

class TSendFaxForm;

void CopySettingsToSendForm(const settings::AppSettingsRecord& s, TSendFaxForm& form);
// A dial-attempts, retry-wait or time-out text that is not a whole number leaves that
// setting as it was; the rate goes back through the transfer-rate list.
void CopySendFormToSettings(const TSendFaxForm& form, settings::AppSettingsRecord& s);

}  // namespace windows
