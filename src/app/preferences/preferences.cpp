// The Preferences wizard: moving between pages, Finish and Cancel, and the helpers its
// buttons open.
#include "app/preferences/preferences.h"

#include "app/preferences/devicesform.h"
#include "settings/appsettings.h"
#include "ui/helpwindow.h"
#include "ui/messages.h"
#include "ui/placement.h"
#include "ui/radiogroup.h"
#include "ui/sound.h"
#include "windows/modemoffers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>

namespace app {

namespace {
constexpr int kComCount = faxengine::kComDeviceCount;
}  // namespace

TPreferences::TPreferences(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TPreferences"));
  setWindowTitle(QStringLiteral("Preferences Wizard"));
  // A fixed border without border icons; Cancel (or Escape) is the way out.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

  windows::SetUpModemPort(FxComPort1);
  FxSendFax1.ComPort = &FxComPort1;
  FxSendFax1.FaxClass = faxengine::TFaxClass::fcUnknown;

  for (int n = 1; n <= kComCount; ++n) {
    portsBefore_[n - 1] = faxengine::comDevicePath(n);
    ComDevices[n - 1] = portsBefore_[n - 1];
  }
  buildFrame();
  for (int n = 1; n <= kComCount; ++n) AssignComDevice(n, ComDevices[n - 1]);
  showPage(0);
}

TPreferences::~TPreferences() { FxComPort1.Close(); }

void TPreferences::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!firstActivation_) return;
  firstActivation_ = false;
  FirstTimeLabel->setVisible(FirstRun);
  SetButtons();
}

// ---- moving between pages ----------------------------------------------------------------

int TPreferences::Page() const { return Notebook1->currentIndex(); }

void TPreferences::showPage(int page) {
  Notebook1->setCurrentIndex(std::clamp(page, 0, kPrefsPageCount - 1));
  SetButtons();
}

void TPreferences::SetButtons() {
  const WizardButtons b = ComputeWizardButtons(Page(), FirstRun);
  BackButton->setEnabled(b.back);
  Nextbutton->setEnabled(b.next);
  Finishbutton->setEnabled(b.finish);
  const QSignalBlocker quiet(PageCombo);
  PageCombo->setCurrentIndex(Page());
  PageLabel->setText(PageCombo->currentText());
}

void TPreferences::NextbuttonClick() { showPage(Page() + 1); }
void TPreferences::BackButtonClick() { showPage(Page() - 1); }
void TPreferences::PageComboClick(int page) { showPage(page); }

// ---- closing ---------------------------------------------------------------------------

void TPreferences::FinishbuttonClick() {
  if (ui::AskYesNo(QStringLiteral("Save changes?"), QStringLiteral("Save Preferences"))) accept();
}

void TPreferences::CancelbuttonClick() { reject(); }

void TPreferences::done(int result) {
  FxComPort1.Close();
  if (result != QDialog::Accepted) faxengine::setComDevicePaths(portsBefore_);
  QDialog::done(result);
}

void TPreferences::HelpButtonClick() { ui::ShowHelpContext(PrefsHelpContext(Page()), this); }

// ---- the modem and its port ---------------------------------------------------------------

void TPreferences::AssignComDevice(int comNumber, const std::string& path) {
  if (comNumber < 1 || comNumber > kComCount) return;
  ComDevices[comNumber - 1] = path;
  faxengine::setComDevicePath(comNumber, path);
  QLabel* label = ComDevice[comNumber - 1];
  const QString device = QString::fromStdString(faxengine::comDevicePath(comNumber));
  const QString shown =
      QFileInfo::exists(device) ? device : device + QStringLiteral(" (not present)");
  label->setToolTip(shown);
  label->setText(label->fontMetrics().elidedText(shown, Qt::ElideMiddle, label->width()));
}

void TPreferences::FindModemButtonClick() { windows::OfferModemPort(FxComPort1, *ComPort, this); }

void TPreferences::CheckFaxClassButtonClick(ui::TRadioGroup* classGroup) {
  windows::OfferFaxClass(FxComPort1, FxSendFax1, ComPort->ItemIndex() + 1, *classGroup, this);
}

void TPreferences::DevicesButtonClick() {
  TDevicesForm devices(ComDevices, ComPort->ItemIndex() + 1, DeviceScanRoots, this);
  ui::CenterFormDefault(&devices);
  if (devices.exec() != QDialog::Accepted) return;
  AssignComDevice(devices.ChosenCom(), devices.ChosenPath());
  // The user has just said where the modem is.
  ComPort->SetItemIndex(devices.ChosenCom() - 1);
}

// ---- init strings ----------------------------------------------------------------------

void TPreferences::askInitString(QLineEdit* target, const char* caption, const char* value,
                                 const char* modemKind) {
  const QString text = QStringLiteral("We have found the init string\n   ") +
                       QString::fromLatin1(value) + QStringLiteral("\nto work well with many ") +
                       QString::fromLatin1(modemKind) +
                       QStringLiteral(" modems.\nWould you like to use it?");
  if (ui::AskYesNo(text, QString::fromLatin1(caption))) target->setText(QString::fromLatin1(value));
}

namespace {
constexpr const char* kGenericCaption = "Generic init String";
constexpr const char* kGenericInit = "AT&F&C1&D2&K3S7=55";
constexpr const char* kGenericKind = "non-US Robotics";
constexpr const char* kUsrCaption = "US Robotics init String";
constexpr const char* kUsrInit = "&H3&I2&R2S7=90";
constexpr const char* kUsrKind = "US Robotics";
}  // namespace

void TPreferences::GenericInitbuttonClick() {
  askInitString(ModemInit, kGenericCaption, kGenericInit, kGenericKind);
}
void TPreferences::GenericUSRInitButtonClick() {
  askInitString(ModemInit, kUsrCaption, kUsrInit, kUsrKind);
}
void TPreferences::GenericInitRecButtonClick() {
  askInitString(ModemInitReceive, kGenericCaption, kGenericInit, kGenericKind);
}
void TPreferences::GenericUSRInitRECbuttonClick() {
  askInitString(ModemInitReceive, kUsrCaption, kUsrInit, kUsrKind);
}
void TPreferences::HelpWithInitbuttonClick() {
  ui::ShowHelpContext(ui::helpctx::Troubleshooting, this);
}

// ---- same as SEND ----------------------------------------------------------------------

void TPreferences::RecClassSameAsSendButtonClick() {
  FaxClassReceive->SetItemIndex(FaxClass->ItemIndex());
}
void TPreferences::RecBPSSameAsSendButtonClick() {
  TransferRateReceive->setCurrentIndex(TransferRate->currentIndex());
}
void TPreferences::RecInitSameAsSendButtonClick() { ModemInitReceive->setText(ModemInit->text()); }

// ---- the arrival sound ---------------------------------------------------------------------

void TPreferences::SelectWavButtonClick() {
  const QDir programDir(QString::fromStdString(settings::ProgramDir()));
  OpenDialog1->setDirectory(programDir);
  const QFileInfo current(programDir, WaveFileEdit->text());
  if (!WaveFileEdit->text().isEmpty() && current.isFile())
    OpenDialog1->selectFile(current.absoluteFilePath());
  if (OpenDialog1->exec() != QDialog::Accepted) return;
  const QStringList chosen = OpenDialog1->selectedFiles();
  if (!chosen.isEmpty() && chosen.first().toUpper().contains(QStringLiteral(".WAV")))
    WaveFileEdit->setText(chosen.first());
}

void TPreferences::SelectPdfFolderButtonClick() {
  const QString chosen = QFileDialog::getExistingDirectory(
      this, QStringLiteral("Folder for PDF copies of received faxes"), SavePdfFolder->text());
  if (!chosen.isEmpty()) SavePdfFolder->setText(QDir::toNativeSeparators(chosen));
  if (SavePdfFolder->text().trimmed().isEmpty()) SavePdfOnReceipt->setChecked(false);
}

void TPreferences::PlayWAVbuttonClick() { ui::PlayWaveFile(WaveFileEdit->text()); }

void TPreferences::NoWAVButtonClick() { WaveFileEdit->clear(); }

}  // namespace app
