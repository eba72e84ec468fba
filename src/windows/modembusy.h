// A USB modem held by ModemManager: on many Linux desktops it opens every new modem first,
// so Brindle's open fails with "device busy". Whether it runs (its name on the system
// bus), and the udev rule that tells it to leave one device alone.
#pragma once

#include <QDBusConnection>
#include <QString>
#include <QStringList>

#include <string>

namespace windows {

// The bus ModemManager is looked for on: the system bus; a test puts a private one here.
QDBusConnection& ModemManagerBus();
// True when org.freedesktop.ModemManager1 has an owner on the bus.
bool ModemManagerPresent();
// The kernel names of the ports ModemManager holds ("ttyACM0"); empty when it does not
// run or does not answer within a second.
QStringList ModemManagerPorts();

// The rule for the device (a symlink is followed to the tty it names): matched by the USB
// vendor and product numbers that `sysRoot` shows for it, by its kernel name otherwise.
QString ModemManagerIgnoreRule(const std::string& device, const std::string& sysRoot = "/sys");

// What to tell the user: ModemManager holds the device, the rule, and the commands that
// install it and make ModemManager let go.
QString ModemManagerBusyText(const std::string& device, const std::string& sysRoot = "/sys");

}  // namespace windows
