// What the send dialog and the Preferences share around the modem: their serial port set
// up the way every window that talks to the modem sets it up, and the port search and the
// fax-class probe run from a button, each offering its finding to the user.
#pragma once

class QWidget;

namespace faxengine {
class TFxComPort;
class TFxCustomComPort;
class TFxCustomAbstractFax;
}  // namespace faxengine

namespace ui {
class TRadioGroup;
}

namespace windows {

// Com1 until the caller chooses, 8192-byte buffers, opened only on demand, RTS/CTS flow
// control that stops the sender at 7372 bytes waiting and resumes it at 819, no telephony
// layer; trace and log dumps in the program folder; events reach the UI thread.
void SetUpModemPort(faxengine::TFxComPort& port);

// Runs the port search on `port` and leaves the port on the group's Com n again. When a
// modem answered on another port, asks whether to choose that one; Yes selects it.
void OfferModemPort(faxengine::TFxCustomComPort& port, ui::TRadioGroup& portGroup, QWidget* parent);

// Runs the fax-class probe on Com n. When it recommends a class the group does not show
// (the group's index 0 being auto detect), asks whether to choose it; Yes selects it.
void OfferFaxClass(faxengine::TFxCustomComPort& port, faxengine::TFxCustomAbstractFax& fax,
                   int comNumber, ui::TRadioGroup& classGroup, QWidget* parent);

}  // namespace windows
