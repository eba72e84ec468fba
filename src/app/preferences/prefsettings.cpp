// The settings the Preferences wizard edits, one control each.
#include "app/preferences/prefsettings.h"

#include "app/preferences/preferences.h"
#include "settings/bpsrates.h"
#include "ui/radiogroup.h"
#include "windows/sendrules.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

namespace app {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }
std::string s8(const QLineEdit* e) { return e->text().toStdString(); }
int same(int index) { return index; }
int ringOf(int index) { return index + 1; }

// Shows a stored value in a radio group and remembers where it was shown.
void show(ui::TRadioGroup* group, KeptChoice& kept, int stored, int index) {
  kept = KeptChoice(stored, index, group->Count());
  group->SetItemIndex(kept.ShownIndex());
}

void show(QComboBox* list, KeptChoice& kept, int rate) {
  kept = KeptChoice(rate, settings::BpsRateToIndex(rate), list->count());
  list->setCurrentIndex(kept.ShownIndex());
}

}  // namespace

void CopySettingsToPreferences(const settings::AppSettingsRecord& s, TPreferences& p) {
  p.WaveFileEdit->setText(q(s.ReceiveWav));
  p.ReceiveAtStartup->setChecked(s.ReceiveAtStartup);
  show(p.AnswerOnRing, p.Shown.answerOnRing, s.AnswerOnRing, s.AnswerOnRing - 1);
  p.FaxNumber->setText(q(s.UserFax));
  p.Name->setText(q(s.UserName));
  p.DialPrefix->setText(q(s.DialPrefix));
  p.ModemInit->setText(q(s.InitString));
  p.DialAttempts->setText(QString::number(s.DialAttempts));
  p.RetryWait->setText(QString::number(s.RetryWait));
  p.CheckBlindDial->setChecked(s.BlindDial);
  p.CheckIgnoreBusy->setChecked(s.IgnoreBusy);
  show(p.ComPort, p.Shown.comPort, s.ComPort, s.ComPort);
  show(p.FaxClass, p.Shown.faxClass, s.FaxClass, s.FaxClass);
  show(p.ToneOrPulse, p.Shown.toneOrPulse, s.ToneOrPulse, s.ToneOrPulse);
  p.TimeOut->setText(QString::number(s.Timeout));
  p.UseECM->setChecked(s.ECM);
  p.UseECMReceive->setChecked(s.ECMReceive);
  p.ModemInitReceive->setText(q(s.InitStringReceive));
  show(p.FaxClassReceive, p.Shown.faxClassReceive, s.FaxClassReceive, s.FaxClassReceive);
  show(p.TransferRateReceive, p.Shown.rateReceive, s.MaximumBPSReceive);
  p.PrintFaxOnReceipt->setChecked(s.PrintOnReceipt);
  // A printer that is gone shows (and is stored back) as the default printer.
  p.PrintFaxOnReceiptPrinter->setCurrentIndex(
      std::max(p.PrintFaxOnReceiptPrinter->findText(q(s.PrintOnReceiptPrinter)), 0));
  p.SavePdfOnReceipt->setChecked(s.SavePdfOnReceipt);
  p.SavePdfFolder->setText(q(s.SavePdfFolder));
  show(p.TransferRate, p.Shown.rate, s.MaximumBPS);
  p.ResetString->setText(q(s.ResetString));
  p.ResetAfterString->setText(q(s.ResetAfterString));
  for (int n = 1; n <= int(s.ComDevices.size()); ++n) p.AssignComDevice(n, s.ComDevices[n - 1]);
}

void CopyPreferencesToSettings(const TPreferences& p, settings::AppSettingsRecord& s) {
  s.ReceiveWav = s8(p.WaveFileEdit);
  s.ReceiveAtStartup = p.ReceiveAtStartup->isChecked();
  s.AnswerOnRing = p.Shown.answerOnRing.ValueFor(p.AnswerOnRing->ItemIndex(), ringOf);
  s.UserFax = s8(p.FaxNumber);
  s.UserName = s8(p.Name);
  s.DialPrefix = s8(p.DialPrefix);
  s.InitString = s8(p.ModemInit);
  if (const std::optional<int> n = windows::WholeNumber(p.DialAttempts->text()))
    s.DialAttempts = *n;
  s.RetryWait = SecondsFromText(p.RetryWait->text(), s.RetryWait);
  s.BlindDial = p.CheckBlindDial->isChecked();
  s.IgnoreBusy = p.CheckIgnoreBusy->isChecked();
  s.ComPort = p.Shown.comPort.ValueFor(p.ComPort->ItemIndex(), same);
  s.FaxClass = p.Shown.faxClass.ValueFor(p.FaxClass->ItemIndex(), same);
  s.ToneOrPulse = p.Shown.toneOrPulse.ValueFor(p.ToneOrPulse->ItemIndex(), same);
  s.Timeout = SecondsFromText(p.TimeOut->text(), s.Timeout);
  s.ECM = p.UseECM->isChecked();
  s.ECMReceive = p.UseECMReceive->isChecked();
  s.InitStringReceive = s8(p.ModemInitReceive);
  s.FaxClassReceive = p.Shown.faxClassReceive.ValueFor(p.FaxClassReceive->ItemIndex(), same);
  s.MaximumBPSReceive =
      p.Shown.rateReceive.ValueFor(p.TransferRateReceive->currentIndex(), settings::BpsIndexToRate);
  s.PrintOnReceipt = p.PrintFaxOnReceipt->isChecked();
  s.PrintOnReceiptPrinter = p.PrintFaxOnReceiptPrinter->currentText().toStdString();
  s.SavePdfFolder = s8(p.SavePdfFolder);
  s.SavePdfOnReceipt = p.SavePdfOnReceipt->isChecked() && !p.SavePdfFolder->text().trimmed().isEmpty();
  s.MaximumBPS = p.Shown.rate.ValueFor(p.TransferRate->currentIndex(), settings::BpsIndexToRate);
  s.ResetString = s8(p.ResetString);
  s.ResetAfterString = s8(p.ResetAfterString);
  s.ComDevices = p.ComDevices;
}

}  // namespace app
