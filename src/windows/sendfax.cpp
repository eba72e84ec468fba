// The send dialog: its controls, the send steps, the end of a call and the modem helpers
// it opens.
#include "windows/sendfax.h"

#include "base/log.h"
#include "settings/appsettings.h"
#include "settings/bpsrates.h"
#include "ui/beep.h"
#include "ui/helpwindow.h"
#include "ui/messages.h"
#include "ui/named.h"
#include "ui/radiogroup.h"
#include "ui/tabletext.h"
#include "ui/refusedtyping.h"
#include "windows/modemchecks.h"
#include "windows/modemoffers.h"
#include "windows/sendrules.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace windows {

namespace {

void pumpMessages() { QCoreApplication::processEvents(); }

// Hints that carry rules the user is told.
const char* const kInitHint =
    "Enter extra modem init string here. If you use an init \nstring here, it will be sent "
    "just before the default init: \n('ATE0Q0V1X4S0=0'). The init string should not contain "
    "\nan 'AT' prefix.";
const char* const kPrefixHint =
    "Enter the dial prefix here. If your telephone system \nrequires special numbers or codes "
    "when dialing out, \nyou can specify them once here rather than in every fax \nnumber. Do "
    "not include 'ATD' or a 'T' or 'P' tone/pulse \nmodifier in the dial prefix";
const char* const kBlindDialHint =
    "If the modem is not connected to a phone line which \nsupplies a dial tone, check  Blind "
    "Dial.\n(This is the same as sending the ATX3 modem command)";
const char* const kIgnoreBusyHint =
    "Check this box to ignore busy signals. In certain countries, \nsome modems falsely "
    "interpret the phone ringing as a busy  \nsignal. ONLY CHECK THIS BOX IF THIS SITUATION "
    "APPLIES \nTO YOU! \n(This is the same as sending the ATX2 modem command)";
const char* const kEcmHint =
    "The fax protocol contains optional error \ncontrol that allows modems to detect and "
    "\ncorrect some transmission errors. Since VERY \nFEW MODEMS support fax error control, the "
    "\ndefault is False, i.e. the modems do not try to \nnegotiate error control.";
const char* const kRateHint =
    "This is the maximum transfer rate or BPS of \nthe fax session. We recommend leaving it at "
    "\n9600. Setting it at a lower rate (7200,4800 or \n2400) can increase reliability in some "
    "cases, \nbut will also mean a longer time to send the fax.";
const char* const kClassHint =
    "You should usually set this at Class 1, \nhowever if you experience problems, set it to "
    "\nanother class supported by the modem.";

using ui::Named;

// A text for the sender: code page 1252, at most 255 characters.
std::string senderText(const QString& text) { return ui::ToTableText(text.left(kMaxSenderText)); }

}  // namespace

TSendFaxForm::TSendFaxForm(QWidget* parent) : QDialog(parent), FxFaxStatus1(this) {
  setObjectName(QStringLiteral("TSendFaxForm"));
  setWindowTitle(QStringLiteral("Send Fax"));
  // No close box: Close (or Escape) is the way out.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

  SetUpModemPort(FxComPort1);

  FxSendFax1.ComPort = &FxComPort1;
  FxSendFax1.StatusDisplay = &FxFaxStatus1;
  FxFaxStatus1.Fax = &FxSendFax1;
  FxSendFax1.FaxClass = faxengine::TFaxClass::fcUnknown;
  FxSendFax1.FaxFileExt = "BRX";
  FxSendFax1.OnFaxFinish = [this](faxengine::TFxCustomAbstractFax&, int code) {
    FxSendFax1FaxFinish(code);
  };

  buildControls();
}

TSendFaxForm::~TSendFaxForm() = default;

void TSendFaxForm::buildControls() {
  auto edit = [this](const char* name, const char* hint = nullptr) {
    return Named(new QLineEdit(this), name, hint);
  };
  auto label = [this](const char* caption, QWidget* buddy) {
    auto* l = new QLabel(QString::fromLatin1(caption), this);
    l->setBuddy(buddy);
    return l;
  };
  sfPhoneNumber = edit("sfPhoneNumber");
  ui::RefuseTyping(sfPhoneNumber, ui::FaxNumberRule());
  sfDialPrefix = edit("sfDialPrefix", kPrefixHint);
  ui::LimitToTableText(sfDialPrefix);
  DisablePrefix = Named(new QCheckBox(QStringLiteral("Disable Prefix"), this), "DisablePrefix");
  // The page header and the settings file keep these in code page 1252.
  sfStationID = edit("sfStationID");
  ui::LimitToTableText(sfStationID, 20);
  sfusername = edit("sfusername");
  ui::LimitToTableText(sfusername, 20);
  sfModemInit = edit("sfModemInit", kInitHint);
  ui::LimitToTableText(sfModemInit);
  sfDialAttempts = edit("sfDialAttempts");
  sfDialAttempts->setText(QStringLiteral("3"));
  sfRetryWait = edit("sfRetryWait");
  sfRetryWait->setText(QStringLiteral("60"));
  sfTimeOut = edit("sfTimeOut");
  sfTimeOut->setText(QStringLiteral("60"));
  for (QLineEdit* e : {sfDialAttempts, sfRetryWait, sfTimeOut}) e->setMaximumWidth(60);

  auto* left = new QGridLayout;
  left->addWidget(label("&Phone #:", sfPhoneNumber), 0, 0);
  left->addWidget(sfPhoneNumber, 0, 1, 1, 2);
  left->addWidget(label("&Dial prefix:", sfDialPrefix), 1, 0);
  left->addWidget(sfDialPrefix, 1, 1);
  left->addWidget(DisablePrefix, 1, 2);
  left->addWidget(label("Your fax number or Station ID# (required)", sfStationID), 2, 0, 1, 3);
  left->addWidget(sfStationID, 3, 0, 1, 3);
  left->addWidget(label("Your Name (optional)", sfusername), 4, 0, 1, 3);
  left->addWidget(sfusername, 5, 0, 1, 3);
  left->addWidget(label("&Modem initialization string (rarely needed):", sfModemInit), 6, 0, 1, 3);
  left->addWidget(sfModemInit, 7, 0, 1, 3);
  auto* dialing = new QGridLayout;
  dialing->addWidget(label("Number of dial attempts", sfDialAttempts), 0, 0);
  dialing->addWidget(sfDialAttempts, 0, 1);
  dialing->addWidget(label("Seconds to wait before retry", sfRetryWait), 1, 0);
  dialing->addWidget(sfRetryWait, 1, 1);
  dialing->addWidget(label("Seconds to wait before timeout", sfTimeOut), 2, 0);
  dialing->addWidget(sfTimeOut, 2, 1);
  left->addLayout(dialing, 8, 0, 1, 3);
  left->setRowStretch(9, 1);

  sfFaxClass = Named(new ui::TRadioGroup(QStringLiteral("Fax &class"),
                                         {QStringLiteral("auto detect"), QStringLiteral("class 1"),
                                          QStringLiteral("class 2"), QStringLiteral("class 2.0")},
                                         1, this),
                     "sfFaxClass", kClassHint);
  sfFaxClass->SetItemIndex(1);
  ComPort = Named(
      new ui::TRadioGroup(QStringLiteral("Port"),
                          {QStringLiteral("Com1"), QStringLiteral("Com2"), QStringLiteral("Com3"),
                           QStringLiteral("Com4"), QStringLiteral("Com5"), QStringLiteral("Com6")},
                          2, this),
      "ComPort");
  ComPort->SetItemIndex(0);
  sfToneOrPulse =
      Named(new ui::TRadioGroup(QStringLiteral("Tone or Pulse"),
                                {QStringLiteral("Tone"), QStringLiteral("Pulse")}, 2, this),
            "sfToneOrPulse");
  sfToneOrPulse->SetItemIndex(0);
  TransferRate = Named(new QComboBox(this), "TransferRate", kRateHint);
  for (int i = 0; i < 6; ++i) TransferRate->addItem(QString::number(settings::BpsIndexToRate(i)));
  // No rate chosen yet means 9600, so the list shows that.
  TransferRate->setCurrentIndex(settings::BpsRateToIndex(9600));
  CheckBlindDial =
      Named(new QCheckBox(QStringLiteral("Blind Dial"), this), "CheckBlindDial", kBlindDialHint);
  CheckIgnoreBusy = Named(new QCheckBox(QStringLiteral("Ignore Busy Signal"), this),
                          "CheckIgnoreBusy", kIgnoreBusyHint);
  UseECM = Named(new QCheckBox(QStringLiteral("Use Fax Error Control "), this), "UseECM", kEcmHint);

  auto* right = new QGridLayout;
  right->addWidget(sfFaxClass, 0, 0, 2, 1);
  right->addWidget(ComPort, 0, 1);
  right->addWidget(sfToneOrPulse, 1, 1);
  auto* rate = new QHBoxLayout;
  rate->addWidget(label("Transfer Rate (BPS)", TransferRate));
  rate->addWidget(TransferRate);
  rate->addStretch();
  right->addLayout(rate, 2, 0, 1, 2);
  right->addWidget(CheckBlindDial, 3, 0, 1, 2);
  right->addWidget(CheckIgnoreBusy, 4, 0, 1, 2);
  right->addWidget(UseECM, 5, 0, 1, 2);
  right->setRowStretch(6, 1);

  auto button = [this](const char* caption, const char* name, void (TSendFaxForm::*slot)()) {
    auto* b = Named(new QPushButton(QString::fromLatin1(caption), this), name);
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, slot);
    return b;
  };
  SendFaxButton = button("&Send Fax", "SendFaxButton", &TSendFaxForm::SendFaxButtonClick);
  SendFaxButton->setDefault(true);
  CloseButton = button("C&lose", "CloseButton", &TSendFaxForm::CloseButtonClick);
  Helpbutton = Named(new QPushButton(QStringLiteral("&Help"), this), "Helpbutton");
  connect(Helpbutton, &QPushButton::clicked, this,
          [this] { ui::ShowHelpContext(ui::helpctx::SendFax, this); });
  ui::AddHelpKey(Helpbutton);
  CheckFaxClassButton =
      button("Check Fax Class", "CheckFaxClassButton", &TSendFaxForm::CheckFaxClassButtonClick);
  FindModemButton = button("Find Modem", "FindModemButton", &TSendFaxForm::FindModemButtonClick);
  ExplorerButton1 = Named(new QPushButton(QStringLiteral("Problems??"), this), "ExplorerButton1");
  connect(ExplorerButton1, &QPushButton::clicked, this,
          [this] { ui::ShowHelpContext(ui::helpctx::Troubleshooting, this); });
  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {SendFaxButton, CloseButton, Helpbutton, CheckFaxClassButton,
                         FindModemButton, ExplorerButton1})
    buttons->addWidget(b);

  status = Named(new QLabel(QStringLiteral(" "), this), "status");
  status->setAlignment(Qt::AlignCenter);

  auto* columns = new QHBoxLayout;
  columns->addLayout(left, 3);
  columns->addLayout(right, 2);
  auto* outer = new QVBoxLayout(this);
  outer->addLayout(columns);
  outer->addLayout(buttons);
  outer->addWidget(status);
  adjustSize();
}

void TSendFaxForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!firstActivation_) return;
  firstActivation_ = false;
  sfPhoneNumber->setText(PhoneNumber);
}

void TSendFaxForm::setStatus(const QString& text) {
  status->setText(text);
  pumpMessages();
}

// ---- sending --------------------------------------------------------------------------

void TSendFaxForm::SendFaxButtonClick() {
  if (busy_) {
    ui::Beep();
    return;
  }
  // The station ID goes to the far end and heads every page; modems end a session without
  // one with a bad response only after the call is made, so it is asked for first.
  if (sfStationID->text().trimmed().isEmpty()) {
    ui::ShowInfo(QStringLiteral(
        "Please enter your fax number or Station ID first: it is sent to the fax machine "
        "you call and printed at the top of every page."));
    sfStationID->setFocus();
    return;
  }
  busy_ = true;
  setStatus(QStringLiteral("Opening communications port..."));
  FxComPort1.ComNumber = ComPort->ItemIndex() + 1;
  QString message;
  if (!OpenComPort(FxComPort1, message)) {
    failedPorts_.insert(ComPort->ItemIndex());
    FxComPort1.Close();
    ShowOpenFailure(message);
    busy_ = false;
    status->clear();
    return;
  }
  failedPorts_.erase(ComPort->ItemIndex());
  if (!settings::AppSettings.ResetString.empty()) {
    setStatus(QStringLiteral("Sending reset string..."));
    SendModemString(FxComPort1, settings::AppSettings.ResetString);
  }
  try {
    programAndStart();
  } catch (const std::exception& e) {
    // A call that could not be started leaves the dialog as it was, without a message.
    base::LogFailure("send fax", e.what());
    busy_ = false;
    FxComPort1.Close();
    status->clear();
  }
}

void TSendFaxForm::programAndStart() {
  faxengine::TFxSendFax& fax = FxSendFax1;
  fax.DesiredBPS = settings::BpsIndexToRate(TransferRate->currentIndex());
  fax.DesiredECM = UseECM->isChecked();
  fax.SetBlindDial(CheckBlindDial->isChecked());
  fax.SetDetectBusy(!CheckIgnoreBusy->isChecked());
  fax.SetFaxFile(QFile::encodeName(FaxFileName).toStdString());
  fax.CoverFile = QFile::encodeName(CoverFileName).toStdString();
  fax.PhoneNumber = senderText(sfPhoneNumber->text());
  fax.ToneDial = sfToneOrPulse->ItemIndex() == 0;
  fax.FaxClass = faxengine::TFaxClass(sfFaxClass->ItemIndex() + 1);

  // Dial attempts, retry wait and time-out in that order; the first that is not a whole
  // number leaves it and the ones after it as the sender had them.
  const std::pair<QLineEdit*, int*> numbers[] = {{sfDialAttempts, &fax.DialAttempts},
                                                 {sfRetryWait, &fax.DialRetryWait},
                                                 {sfTimeOut, &fax.DialWait}};
  for (const auto& [edit, target] : numbers) {
    const std::optional<int> n = WholeNumber(edit->text());
    if (!n) {
      status->clear();
      break;
    }
    *target = *n;
  }

  fax.StationID = senderText(sfStationID->text());
  fax.DialPrefix = DisablePrefix->isChecked() ? std::string() : senderText(sfDialPrefix->text());
  if (const std::optional<QString> init = SenderModemInit(sfModemInit->text()))
    fax.SetModemInit(senderText(*init));
  HeaderLine = BuildHeader(sfusername->text(), sfStationID->text(), QDateTime::currentDateTime());
  fax.HeaderLine = senderText(HeaderLine);

  status->clear();
  pumpMessages();
  fax.BeginTransmit();
}

void TSendFaxForm::FxSendFax1FaxFinish(int errorCode) {
  ResultText = CallResultText(errorCode);
  if (IsSentResult(ResultText)) SentAt = QDateTime::currentDateTime();
  ui::ShowInfo(QStringLiteral("Finished: ") + FinishText(errorCode));
  pumpMessages();
  if (!settings::AppSettings.ResetAfterString.empty()) {
    setStatus(QStringLiteral("Sending AFTER reset string..."));
    SendModemString(FxComPort1, settings::AppSettings.ResetAfterString);
    status->clear();
  }
  FxComPort1.Close();
  pumpMessages();
  busy_ = false;
}

// ---- closing and the modem helpers ------------------------------------------------------

void TSendFaxForm::CloseButtonClick() {
  if (busy_) {
    ui::Beep();
    return;
  }
  FxComPort1.Close();
  done(QDialog::Rejected);
}

// Escape and the window manager's close come here: while a call runs they only beep, as
// freeing the dialog would free the port under the call.
void TSendFaxForm::reject() { CloseButtonClick(); }

void TSendFaxForm::CheckFaxClassButtonClick() {
  if (busy_) {
    ui::Beep();
    return;
  }
  OfferFaxClass(FxComPort1, FxSendFax1, ComPort->ItemIndex() + 1, *sfFaxClass, this);
}

void TSendFaxForm::FindModemButtonClick() {
  if (busy_) {
    ui::Beep();
    return;
  }
  OfferModemPort(FxComPort1, *ComPort, this);
}

}  // namespace windows
