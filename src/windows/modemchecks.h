// Short checks of the modem on a serial port, used by the send dialog, the modem search,
// the fax-class probe and reception: does a modem answer, factory reset, opening the port
// with a message the user can act on, and sending a reset string.
#pragma once

#include <QString>

#include <string>

namespace faxengine {
class TFxCustomComPort;
}

namespace windows {

using faxengine::TFxCustomComPort;

// Ticks to wait for "OK" (55 ms each).
inline constexpr int kModemRespondsTicks = 18;
inline constexpr int kModemResetTicks = 36;

// Sends "AT"; true when "OK" comes back within about a second.
bool ModemResponds(TFxCustomComPort& port);
// Sends "AT&F"; true when "OK" comes back within about two seconds.
bool ResetModemToFactory(TFxCustomComPort& port);
// Sends the command (with "AT" put in front when its upper-cased form has none, and that
// form written back to `command`) and waits about two seconds for "OK".
bool SendModemString(TFxCustomComPort& port, std::string& command);

// Opens the port. On failure returns false and a message naming the port as Com n.
bool OpenComPort(TFxCustomComPort& port, QString& message);

// The message for a port that failed to open with a fax engine error code: the device Com n
// stands for and why it did not open (not there, in use, no permission); for a busy device
// while ModemManager runs, how to make it let go.
QString OpenFailureMessage(int code, int comNumber, const std::string& device,
                           bool modemManagerRuns = false);
// Shows the message of a port that did not open. One that a standard box would cut (the
// udev rule and its commands, a group to join) is shown whole, its text selectable so the
// commands can be copied.
void ShowOpenFailure(const QString& message);
// What to tell a user who may not open the device: its group and how to join it.
QString PermissionDeniedText(const std::string& device);

}  // namespace windows
