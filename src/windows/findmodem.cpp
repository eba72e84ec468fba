// The modem search over Com1 to Com6.
#include "windows/findmodem.h"

#include "base/log.h"
#include "faxcodes/error_codes.h"
#include "faxcodes/exceptions.h"
#include "faxcodes/texts.h"
#include "faxengine/comport.h"
#include "ui/busycursor.h"
#include "windows/modemchecks.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QScopedValueRollback>

namespace windows {

namespace {
void pumpMessages() { QCoreApplication::processEvents(); }
}  // namespace

TFindModemForm::TFindModemForm(faxengine::TFxCustomComPort& port, QWidget* parent)
    : TModemWorkForm("TFindModemForm", QStringLiteral("Finding Modem...Please wait"), parent),
      port_(port) {
  Label8 = addLine("Label8", QStringLiteral("Communications Ports:"), false);
  for (int i = 0; i < 6; ++i)
    Lines[i] = addLine(qPrintable(QStringLiteral("Label%1").arg(i + 1)),
                       QStringLiteral("Com %1:").arg(i + 1), true);
  Label7 =
      finishLayout("Label7", QStringLiteral("Testing Communications ports...please wait."), 64);
}

QString TFindModemForm::testPort(int n) {
  const QString text = QStringLiteral("Com %1: ").arg(n);
  int rc = 0;
  try {
    port_.ComNumber = n;
    rc = port_.TryOpen();
  } catch (const std::exception& e) {
    return text + QStringLiteral("ERROR: ") + QString::fromUtf8(e.what());
  }
  if (rc == faxcodes::ecPortInUse || rc == faxcodes::ecPortAlreadyOpen) {
    portInUse_ = true;
    return text + QStringLiteral("Port is already open (could be modem)");
  }
  if (rc == faxcodes::ecNoSuchPort) return text + QStringLiteral("Port does not exist");
  if (rc != 0) {
    const QString reason = QString::fromUtf8(faxcodes::errorText(rc));
    return text + (reason.isEmpty() ? QStringLiteral("Unknown Error") : reason);
  }
  if (!port_.Open() || !ModemResponds(port_)) return text + QStringLiteral("Unknown");
  if (found_ == -1) found_ = n;
  return text + QStringLiteral("MODEM");
}

void TFindModemForm::FormActivate() {
  const QScopedValueRollback<bool> busy(working_, true);
  OkButton->hide();
  found_ = -1;
  portInUse_ = false;
  {
    ui::BusyCursor hourglass;
    // An unexpected failure stops the search at that port; the summary and the OK button
    // come in every case, and the port is left closed.
    try {
      for (int n = 1; n <= 6; ++n) {
        Lines[n - 1]->setText(QStringLiteral("Com %1: TESTING").arg(n));
        pumpMessages();
        const QString text = testPort(n);
        port_.Close();
        Lines[n - 1]->setText(text);
      }
    } catch (const std::exception& e) {
      base::LogFailure("modem search", e.what());
      port_.Close();
    }
  }
  if (found_ == -1) {
    Label7->setText(
        portInUse_
            ? QStringLiteral(
                  "No modem found. Please make sure that all communication programs (internet, "
                  "AOL, etc) are closed, and then try again. If you know which Com port your "
                  "modem uses, you can also just set the Port to that setting")
            : QStringLiteral(
                  "No modem found. If you know which Com port your modem uses, you can also "
                  "just set the Port to that setting"));
  } else {
    Label7->setText(QStringLiteral("A modem was found on Com Port %1. ").arg(found_) +
                    QStringLiteral("We suggest setting the Port as Com %1.").arg(found_));
  }
  workDone(QStringLiteral("Find Modem"));
}

}  // namespace windows
