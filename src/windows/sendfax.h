// TSendFaxForm ("Send Fax"): the modal dialog through which one prepared fax file is sent.
// The caller fills it from the settings and the fax record and reads back the result and
// the settings the user left in it. It owns the serial port, the fax sender bound to it
// and the progress display that follows the call.
#pragma once

#include "faxengine/comport.h"
#include "faxengine/fax_component.h"
#include "windows/fxfaxstatus.h"

#include <QDateTime>
#include <QDialog>
#include <QString>

#include <set>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace ui {
class TRadioGroup;
}

namespace windows {

class TSendFaxForm : public QDialog {
  Q_OBJECT
 public:
  explicit TSendFaxForm(QWidget* parent = nullptr);
  ~TSendFaxForm() override;

  // Components. The sender is declared last so that it goes first.
  faxengine::TFxComPort FxComPort1;
  TFxFaxStatus FxFaxStatus1;
  faxengine::TFxSendFax FxSendFax1;

  // Controls.
  QLineEdit *sfPhoneNumber, *sfDialPrefix, *sfStationID, *sfusername, *sfModemInit, *sfDialAttempts,
      *sfRetryWait, *sfTimeOut;
  QCheckBox *DisablePrefix, *CheckBlindDial, *CheckIgnoreBusy, *UseECM;
  ui::TRadioGroup *sfFaxClass, *ComPort, *sfToneOrPulse;
  QComboBox* TransferRate;
  QPushButton *SendFaxButton, *CloseButton, *Helpbutton, *CheckFaxClassButton, *FindModemButton,
      *ExplorerButton1;
  QLabel* status;

  // Set by the caller before showing.
  QString FaxFileName;
  QString CoverFileName;  // handed to the sender; the caller never sets it
  QString PhoneNumber;
  // The outcome of the last finished call, "Cancelled" when none finished.
  QString ResultText = QStringLiteral("Cancelled");
  // When a call from this dialog went through; null while none did.
  QDateTime SentAt;
  QString HeaderLine;

  bool Busy() const { return busy_; }
  // True when the Com port at this index of the ComPort group failed to open in this
  // dialog and has not opened since: such a port is not handed back as the new default.
  bool PortFailed(int index) const { return failedPorts_.count(index) != 0; }

  // Commands.
  void SendFaxButtonClick();
  void CloseButtonClick();
  void CheckFaxClassButtonClick();
  void FindModemButtonClick();
  void FxSendFax1FaxFinish(int errorCode);
  // Escape and the window manager's close.
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void buildControls();
  std::set<int> failedPorts_;
  // Steps 4 to 9 of a send: program the sender and start it (may throw).
  void programAndStart();
  void setStatus(const QString& text);

  bool busy_ = false;
  bool firstActivation_ = true;
};

}  // namespace windows
