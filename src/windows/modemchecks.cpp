// The modem checks and the messages of a port that does not open.
#include "windows/modemchecks.h"

#include "base/log.h"
#include "faxcodes/error_codes.h"
#include "faxcodes/exceptions.h"
#include "faxcodes/texts.h"
#include "faxengine/comport.h"
#include "ui/messages.h"
#include "windows/modembusy.h"

#include <QApplication>
#include <QMessageBox>

#include <grp.h>
#include <sys/stat.h>

namespace windows {

namespace {

constexpr char kCR = '\r';  // ends a modem command
// Breaks a line of a message; the design's carriage return is a line feed here.
constexpr char kBreak = '\n';

// Sends a command and a carriage return and waits for "OK", letting messages run.
bool commandAnswersOk(TFxCustomComPort& port, const std::string& command, int ticks) {
  try {
    if (!port.Open()) return false;
    port.ClearInput();
    if (port.WriteText(command + kCR) != 0) return false;
    return port.AwaitText("OK", ticks, true, false);
  } catch (const std::exception& e) {
    base::LogFailure(command, e.what());
    return false;
  }
}

QString groupOf(const std::string& device) {
  struct stat st {};
  if (::stat(device.c_str(), &st) != 0) return {};
  if (const group* g = ::getgrgid(st.st_gid)) return QString::fromLocal8Bit(g->gr_name);
  return QString::number(st.st_gid);
}

}  // namespace

bool ModemResponds(TFxCustomComPort& port) {
  return commandAnswersOk(port, "AT", kModemRespondsTicks);
}

bool ResetModemToFactory(TFxCustomComPort& port) {
  return commandAnswersOk(port, "AT&F", kModemResetTicks);
}

bool SendModemString(TFxCustomComPort& port, std::string& command) {
  const QString upper = QString::fromStdString(command).toUpper();
  if (!upper.contains(QStringLiteral("AT"))) command = "AT" + command;
  return commandAnswersOk(port, command, kModemResetTicks);
}

QString PermissionDeniedText(const std::string& device) {
  const QString dev = QString::fromStdString(device);
  const QString group = groupOf(device);
  if (group.isEmpty())
    return QStringLiteral("Permission denied for %1. Ask the administrator for access to it.")
        .arg(dev);
  return QStringLiteral(
             "Permission denied for %1, which belongs to the group \"%2\". Add your user to "
             "the group \"%2\" (for example: sudo usermod -a -G %2 $USER), then log out and "
             "log in again.")
      .arg(dev, group);
}

QString OpenFailureMessage(int code, int comNumber, const std::string& device,
                           bool modemManagerRuns) {
  const QString n = QString::number(comNumber);
  // Com n is only a name: the message says which device it stands for.
  const QString standsFor =
      device.empty() ? QStringLiteral("Com%1 stands for no device").arg(n)
                     : QStringLiteral("Com%1 stands for %2").arg(n, QString::fromStdString(device));
  if (code == faxcodes::ecPortInUse || code == faxcodes::ecPortAlreadyOpen) {
    const QString head = QStringLiteral("The communications port is in use ( Com ") + n +
                         QStringLiteral(" )") + kBreak + kBreak;
    if (modemManagerRuns && !device.empty()) return head + ModemManagerBusyText(device);
    return head + standsFor +
           QStringLiteral(
               ", which another program has open. Please make sure that all communication "
               "programs (internet, AOL, etc) are closed, and then try again.");
  }
  const QString head = QStringLiteral("Unable to open the specified communications port ( Com") +
                       n + QStringLiteral(" )") + kBreak;
  if (code == faxcodes::ecNoSuchPort)
    return head + standsFor +
           QStringLiteral(
               ", which is not there or is no serial port. Plug the modem in, or choose its "
               "device with File, Preferences, Devices...");
  if (code == faxcodes::ecPortAccessDenied)
    return head + QStringLiteral("Error message: ") + PermissionDeniedText(device);
  QString reason = QString::fromUtf8(faxcodes::errorText(code));
  if (reason.isEmpty()) reason = QStringLiteral("Unknown error");
  return head + standsFor + QLatin1Char('.') + kBreak + QStringLiteral("Error message: ") + reason;
}

void ShowOpenFailure(const QString& message) {
  constexpr qsizetype kBoxHolds = 255;  // what ui::ShowInfo's box shows uncut
  if (message.size() <= kBoxHolds) return ui::ShowInfo(message);
  const QString caption = QStringLiteral("Information");
  if (ui::MessageBoxAnswers()) {
    ui::MessageBoxAnswers()(message, caption, ui::mb::Ok | ui::mb::IconInformation);
    return;
  }
  QMessageBox box(QMessageBox::Information, caption, message, QMessageBox::Ok,
                  QApplication::activeWindow());
  box.setTextInteractionFlags(Qt::TextSelectableByMouse);
  box.exec();
}

bool OpenComPort(TFxCustomComPort& port, QString& message) {
  message.clear();
  try {
    port.SetOpen(true);
    return true;
  } catch (const faxcodes::EFxException& e) {
    const bool busy = e.code() == faxcodes::ecPortInUse;
    // The system bus is asked only when the device is busy: that is ModemManager's mark.
    message = OpenFailureMessage(e.code(), port.ComNumber, port.DeviceName(),
                                 busy && ModemManagerPresent());
  } catch (const std::exception& e) {
    message = QStringLiteral("Unable to open the specified communications port ( Com") +
              QString::number(port.ComNumber) + QStringLiteral(" )") + kBreak +
              QStringLiteral("Com%1 stands for %2.").arg(port.ComNumber).arg(QString::fromStdString(port.DeviceName())) +
              kBreak + QStringLiteral("Error message: ") + QString::fromUtf8(e.what());
  }
  return false;
}

}  // namespace windows
