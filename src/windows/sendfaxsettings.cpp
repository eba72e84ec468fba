// The settings the send dialog mirrors, one control each.
#include "windows/sendfaxsettings.h"

#include "settings/bpsrates.h"
#include "ui/radiogroup.h"
#include "windows/sendfax.h"
#include "windows/sendrules.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

namespace windows {

namespace {
QString q(const std::string& s) { return QString::fromStdString(s); }
}  // namespace

void CopySettingsToSendForm(const settings::AppSettingsRecord& s, TSendFaxForm& f) {
  f.ComPort->SetItemIndex(s.ComPort);
  f.FxComPort1.ComNumber = s.ComPort + 1;
  f.sfusername->setText(q(s.UserName));
  f.sfStationID->setText(q(s.UserFax));
  f.sfDialPrefix->setText(q(s.DialPrefix));
  f.sfModemInit->setText(q(s.InitString));
  f.sfDialAttempts->setText(QString::number(s.DialAttempts));
  f.sfRetryWait->setText(QString::number(s.RetryWait));
  f.sfFaxClass->SetItemIndex(s.FaxClass);
  f.sfToneOrPulse->SetItemIndex(s.ToneOrPulse);
  f.CheckBlindDial->setChecked(s.BlindDial);
  f.CheckIgnoreBusy->setChecked(s.IgnoreBusy);
  f.sfTimeOut->setText(QString::number(s.Timeout));
  f.TransferRate->setCurrentIndex(settings::BpsRateToIndex(s.MaximumBPS));
  f.DisablePrefix->setChecked(s.PrefixDisable);
  f.UseECM->setChecked(s.ECM);
}

void CopySendFormToSettings(const TSendFaxForm& f, settings::AppSettingsRecord& s) {
  // A stored port the dialog cannot show leaves no choice there, and a port that would not
  // open stays out of the settings (the next send would fail too): either keeps the old one.
  const int port = f.ComPort->ItemIndex();
  if (port >= 0 && !f.PortFailed(port)) s.ComPort = port;
  s.UserName = f.sfusername->text().toStdString();
  s.UserFax = f.sfStationID->text().toStdString();
  s.DialPrefix = f.sfDialPrefix->text().toStdString();
  s.InitString = f.sfModemInit->text().toStdString();
  const std::pair<QLineEdit*, int*> numbers[] = {{f.sfDialAttempts, &s.DialAttempts},
                                                 {f.sfRetryWait, &s.RetryWait},
                                                 {f.sfTimeOut, &s.Timeout}};
  for (const auto& [edit, setting] : numbers)
    if (const std::optional<int> n = WholeNumber(edit->text())) *setting = *n;
  s.FaxClass = f.sfFaxClass->ItemIndex();
  s.ToneOrPulse = f.sfToneOrPulse->ItemIndex();
  s.BlindDial = f.CheckBlindDial->isChecked();
  s.IgnoreBusy = f.CheckIgnoreBusy->isChecked();
  s.MaximumBPS = settings::BpsIndexToRate(f.TransferRate->currentIndex());
  s.PrefixDisable = f.DisablePrefix->isChecked();
  s.ECM = f.UseECM->isChecked();
}

}  // namespace windows
