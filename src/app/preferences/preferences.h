// TPreferences ("Preferences Wizard"): the modal dialog in which the user edits the modem,
// sending and receiving settings, laid out as a wizard of eight pages. The caller copies
// the settings in before showing it and back out only when it closes with OK (Finish).
// It owns a serial port and a fax sender of its own, lent to the port search and the
// fax-class probe.
#pragma once

#include "app/preferences/wizardrules.h"
#include "faxengine/comport.h"
#include "faxengine/fax_component.h"
#include "faxengine/serial_scan.h"

#include <QDialog>

#include <array>
#include <string>

class QCheckBox;
class QComboBox;
class QFileDialog;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;

namespace ui {
class TRadioGroup;
}

namespace app {

class TPreferences : public QDialog {
  Q_OBJECT
 public:
  explicit TPreferences(QWidget* parent = nullptr);
  ~TPreferences() override;

  // Components lent to the port search and the fax-class probe; the sender goes first.
  faxengine::TFxComPort FxComPort1;
  faxengine::TFxSendFax FxSendFax1;

  // Frame.
  QLabel* PageLabel;
  QComboBox* PageCombo;
  QStackedWidget* Notebook1;
  QPushButton *Helpbutton, *Cancelbutton, *BackButton, *Nextbutton, *Finishbutton;
  QFileDialog* OpenDialog1;

  // Page 0.
  QLabel* FirstTimeLabel;
  // Page 1: the port (with the device beside each Com n), dialling, reset strings.
  ui::TRadioGroup* ComPort;
  std::array<QLabel*, 6> ComDevice;  // ComDevice1 .. ComDevice6
  QPushButton *FindModemButton, *DevicesButton;
  ui::TRadioGroup* ToneOrPulse;
  QLineEdit *ResetString, *ResetAfterString;
  // Page 2: sending class, rate and init string.
  ui::TRadioGroup* FaxClass;
  QPushButton* CheckFaxClassButton;
  QComboBox* TransferRate;
  QLineEdit* ModemInit;
  QPushButton *GenericInitbutton, *GenericUSRInitButton, *HelpWithInitbutton;
  // Page 3.
  QLineEdit *FaxNumber, *Name, *DialPrefix;
  QCheckBox* UseECM;
  // Page 4.
  QLineEdit *TimeOut, *DialAttempts, *RetryWait;
  QCheckBox *CheckBlindDial, *CheckIgnoreBusy;
  // Page 5: receiving class, rate and init string.
  ui::TRadioGroup* FaxClassReceive;
  QPushButton* CheckRecFaxClassbutton;
  QComboBox* TransferRateReceive;
  QLineEdit* ModemInitReceive;
  QPushButton *GenericInitRecButton, *GenericUSRInitRECbutton, *HelpWithInitRECButton;
  QPushButton *RecInitSameAsSendButton, *RecBPSSameAsSendButton, *RecClassSameAsSendButton;
  // Page 6.
  ui::TRadioGroup* AnswerOnRing;
  QCheckBox *ReceiveAtStartup, *UseECMReceive;
  // Page 7.
  QLineEdit* WaveFileEdit;
  QPushButton *SelectWavButton, *PlayWAVbutton, *NoWAVButton;
  QCheckBox* PrintFaxOnReceipt;
  QComboBox* PrintFaxOnReceiptPrinter;
  QCheckBox* SavePdfOnReceipt;
  QLineEdit* SavePdfFolder;
  QPushButton* SelectPdfFolderButton;

  // Set by the caller before showing: no port was ever configured.
  bool FirstRun = false;
  // The device each Com n leads to, as edited here; the ports follow it while the dialog
  // is open and go back to what they were unless it closes with OK.
  std::array<std::string, 6> ComDevices;
  // The stored values of the list controls, as they were shown (see KeptChoice).
  struct {
    KeptChoice comPort, faxClass, toneOrPulse, faxClassReceive, answerOnRing, rate, rateReceive;
  } Shown;
  // Where Devices... looks for serial devices.
  faxengine::SerialScanRoots DeviceScanRoots;

  int Page() const;
  // Shows the device Com n leads to beside it and lets the ports follow it.
  void AssignComDevice(int comNumber, const std::string& path);

  // Handlers.
  void SetButtons();
  void NextbuttonClick();
  void BackButtonClick();
  void PageComboClick(int page);
  void FinishbuttonClick();
  void CancelbuttonClick();
  void HelpButtonClick();
  void SelectWavButtonClick();
  // Chooses the folder for PDF copies; ticking the box with no folder asks for one.
  void SelectPdfFolderButtonClick();
  void PlayWAVbuttonClick();
  void NoWAVButtonClick();
  void GenericInitbuttonClick();
  void GenericUSRInitButtonClick();
  void GenericInitRecButtonClick();
  void GenericUSRInitRECbuttonClick();
  void HelpWithInitbuttonClick();
  void RecClassSameAsSendButtonClick();
  void RecBPSSameAsSendButtonClick();
  void RecInitSameAsSendButtonClick();
  void FindModemButtonClick();
  void CheckFaxClassButtonClick(ui::TRadioGroup* classGroup);
  void DevicesButtonClick();

  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // preferences_pages.cpp
  void buildFrame();
  QWidget* buildIntroPage();
  QWidget* buildPortPage();
  QWidget* buildSendClassPage();
  QWidget* buildSenderPage();
  QWidget* buildDialingPage();
  QWidget* buildReceiveClassPage();
  QWidget* buildAnsweringPage();
  QWidget* buildArrivalPage();
  void fitToPages();

  void showPage(int page);
  void askInitString(QLineEdit* target, const char* caption, const char* value,
                     const char* modemKind);

  std::array<std::string, 6> portsBefore_;
  int questionNumber_ = 0;  // questions are numbered across the pages
  bool firstActivation_ = true;
};

}  // namespace app
