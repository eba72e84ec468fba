// The Preferences wizard's frame and its eight pages. Each page asks numbered questions;
// the numbers run on across the pages.
#include "app/preferences/preferences.h"

#include "settings/bpsrates.h"
#include "ui/helpwindow.h"
#include "ui/named.h"
#include "ui/radiogroup.h"
#include "ui/refusedtyping.h"
#include "ui/tabletext.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace app {

namespace {

constexpr int kDialogWidth = 640;
constexpr int kNumberEditWidth = 70;
constexpr int kDeviceLabelWidth = 260;
constexpr int kSlack = 16;  // room below the fullest page

const char* const kPageNames[kPrefsPageCount] = {
    "Wizard Information",       "Modem and Communications Port", "Sending Faxes - Part 1",
    "Sending Faxes - Part 2",   "Sending Faxes - Part 3",        "Receiving Faxes - Part 1",
    "Receiving Faxes - Part 2", "Receiving Faxes - Part 3"};

const char* const kRateQuestion =
    "What is the maximum Transfer Rate (BPS) for %1 faxes? (Although many modems support "
    "higher rates (12000 - 14400), we recommend 9600 for more reliable fax sessions and higher "
    "quality faxes. The slightly lower baud rate makes line errors less likely)";
const char* const kClassQuestion =
    "What fax class is best for your modem when %1 faxes? We recommend Class 1, but if you "
    "have problems you can try any of the fax classes which your modem supports. (Click the "
    "Check Fax Class button for assistance.)";
const char* const kInitQuestion =
    "Enter an additional modem initialization string for %1 faxes. Click one of the buttons "
    "below for additional help with initialization strings.";
const char* const kEcmQuestion =
    "Some modems (VERY FEW) can use error control to detect and correct fax transmission "
    "errors. Would you like to try using Fax Error Control when %1 faxes?";

using ui::Named;

QLabel* wrapped(const QString& text, QWidget* parent) {
  auto* l = new QLabel(text, parent);
  l->setWordWrap(true);
  l->setTextFormat(Qt::PlainText);
  return l;
}

// A page of numbered questions, each followed by the controls that answer it.
class PageBuilder {
 public:
  PageBuilder(QWidget* page, int& number) : page_(page), number_(number) {
    layout_ = new QVBoxLayout(page);
    layout_->setContentsMargins(4, 8, 4, 4);
    layout_->setSpacing(6);
  }
  // A plain paragraph.
  QLabel* text(const QString& text) {
    QLabel* l = wrapped(text, page_);
    layout_->addWidget(l);
    return l;
  }
  // The next question; the controls added after it sit indented below it.
  QLabel* question(const QString& text, QWidget* buddy = nullptr) {
    if (layout_->count() > 0) layout_->addSpacing(8);
    auto* row = new QHBoxLayout;
    auto* n = new QLabel(QString::number(++number_) + QLatin1Char('.'), page_);
    QFont bold = n->font();
    bold.setBold(true);
    n->setFont(bold);
    n->setFixedWidth(26);
    n->setAlignment(Qt::AlignRight | Qt::AlignTop);
    QLabel* q = wrapped(text, page_);
    if (buddy) q->setBuddy(buddy);
    row->addWidget(n, 0, Qt::AlignTop);
    row->addWidget(q, 1);
    layout_->addLayout(row);
    return q;
  }
  void add(QWidget* w) { add(rowOf({w})); }
  void add(QLayout* l) {
    auto* indented = new QHBoxLayout;
    indented->addSpacing(32);
    indented->addLayout(l, 1);
    layout_->addLayout(indented);
  }
  // Widgets side by side, left-aligned.
  QHBoxLayout* rowOf(std::initializer_list<QWidget*> widgets) {
    auto* row = new QHBoxLayout;
    for (QWidget* w : widgets) row->addWidget(w);
    row->addStretch();
    return row;
  }
  // A group with a column of buttons at its top right.
  QHBoxLayout* besideButtons(QWidget* group, std::initializer_list<QPushButton*> buttons) {
    auto* column = new QVBoxLayout;
    column->addSpacing(group->fontMetrics().height());  // level with the group's frame
    for (QPushButton* b : buttons) column->addWidget(b);
    column->addStretch();
    auto* row = new QHBoxLayout;
    row->addWidget(group);
    row->addLayout(column);
    row->addStretch();
    return row;
  }
  // A field across the page.
  void addWide(QWidget* w) {
    auto* row = new QHBoxLayout;
    row->addWidget(w, 1);
    add(row);
  }
  void finish() { layout_->addStretch(); }

 private:
  QWidget* page_;
  int& number_;
  QVBoxLayout* layout_;
};

}  // namespace

void TPreferences::buildFrame() {
  PageLabel = Named(new QLabel(this), "PageLabel");
  QFont heading = PageLabel->font();
  heading.setBold(true);
  heading.setPointSizeF(heading.pointSizeF() * 1.4);
  PageLabel->setFont(heading);
  PageCombo = Named(new QComboBox(this), "PageCombo", "Go straight to any page of the wizard");
  for (const char* name : kPageNames) PageCombo->addItem(QString::fromLatin1(name));
  auto* pageComboLabel = new QLabel(QStringLiteral("&Go to:"), this);
  pageComboLabel->setBuddy(PageCombo);
  connect(PageCombo, &QComboBox::activated, this, &TPreferences::PageComboClick);

  Notebook1 = Named(new QStackedWidget(this), "Notebook1");
  questionNumber_ = 0;
  Notebook1->addWidget(buildIntroPage());
  Notebook1->addWidget(buildPortPage());
  Notebook1->addWidget(buildSendClassPage());
  Notebook1->addWidget(buildSenderPage());
  Notebook1->addWidget(buildDialingPage());
  Notebook1->addWidget(buildReceiveClassPage());
  Notebook1->addWidget(buildAnsweringPage());
  Notebook1->addWidget(buildArrivalPage());

  auto button = [this](const char* caption, const char* name, void (TPreferences::*slot)(),
                       const char* hint = nullptr) {
    auto* b = Named(new QPushButton(QString::fromLatin1(caption), this), name, hint);
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, slot);
    return b;
  };
  Helpbutton = button("&Help", "Helpbutton", &TPreferences::HelpButtonClick);
  ui::AddHelpKey(Helpbutton);
  Cancelbutton = button("Cance&l", "Cancelbutton", &TPreferences::CancelbuttonClick,
                        "Cancel changes to preferences");
  BackButton = button("< Back", "BackButton", &TPreferences::BackButtonClick);
  Nextbutton = button("Next >", "Nextbutton", &TPreferences::NextbuttonClick);
  Finishbutton = button("&Finish", "Finishbutton", &TPreferences::FinishbuttonClick,
                        "Save the preferences and close the wizard");

  OpenDialog1 = new QFileDialog(this, QStringLiteral("Select WAV File"), QString(),
                                QStringLiteral("WAVE files (*.wav)"));
  OpenDialog1->setObjectName(QStringLiteral("OpenDialog1"));
  OpenDialog1->setFileMode(QFileDialog::ExistingFile);
  OpenDialog1->setAcceptMode(QFileDialog::AcceptOpen);

  auto line = [this] {
    auto* f = new QFrame(this);
    f->setFrameShape(QFrame::HLine);
    f->setFrameShadow(QFrame::Sunken);
    return f;
  };
  auto* top = new QHBoxLayout;
  top->addWidget(PageLabel, 1);
  top->addWidget(pageComboLabel);
  top->addWidget(PageCombo);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Helpbutton);
  buttons->addStretch();
  for (QPushButton* b : {Cancelbutton, BackButton, Nextbutton, Finishbutton}) buttons->addWidget(b);
  auto* outer = new QVBoxLayout(this);
  outer->addLayout(top);
  outer->addWidget(line());
  outer->addWidget(Notebook1, 1);
  outer->addWidget(line());
  outer->addLayout(buttons);
  fitToPages();
}

// Every page's wrapped texts must fit at the dialog's one fixed size.
void TPreferences::fitToPages() {
  setFixedWidth(kDialogWidth);
  const int margins = layout()->contentsMargins().left() + layout()->contentsMargins().right();
  const int pageWidth = kDialogWidth - margins;
  int tallest = 0;
  for (int i = 0; i < Notebook1->count(); ++i) {
    QLayout* l = Notebook1->widget(i)->layout();
    tallest = std::max(tallest, l->hasHeightForWidth() ? l->totalHeightForWidth(pageWidth)
                                                       : l->totalSizeHint().height());
  }
  Notebook1->setMinimumHeight(tallest + kSlack);
  setFixedHeight(layout()->totalHeightForWidth(kDialogWidth));
}

QWidget* TPreferences::buildIntroPage() {
  auto* page = new QWidget(this);
  int none = 0;
  PageBuilder b(page, none);
  b.text(QStringLiteral(
      "This Fax Preferences wizard will help you to quickly and easily set up this program "
      "to send and/or receive faxes."));
  b.text(QStringLiteral("To begin, click the Next button."));
  b.text(QStringLiteral(
      "Please take the time to answer each question. A few minutes spent here could save "
      "much time later on"));
  FirstTimeLabel =
      Named(b.text(QStringLiteral(
                "While the default settings will work for most people, be sure to verify that the "
                "COMMUNICATIONS PORT and FAX CLASS settings are correct before continuing to use "
                "the program.")),
            "FirstTimeLabel");
  QFont bold = FirstTimeLabel->font();
  bold.setBold(true);
  FirstTimeLabel->setFont(bold);
  b.text(QStringLiteral(
      "If you experience difficulty or need to change one or more settings, you can always "
      "return to this screen by clicking on File -> Preferences from the main menu."));
  b.finish();
  return page;
}

QWidget* TPreferences::buildPortPage() {
  auto* page = new QWidget(this);
  PageBuilder b(page, questionNumber_);
  ComPort = Named(
      new ui::TRadioGroup(QStringLiteral("Port"),
                          {QStringLiteral("Com1"), QStringLiteral("Com2"), QStringLiteral("Com3"),
                           QStringLiteral("Com4"), QStringLiteral("Com5"), QStringLiteral("Com6")},
                          1, page),
      "ComPort", "The port your modem is on, and the device it stands for");
  // The device each Com n stands for, beside it.
  auto* grid = static_cast<QGridLayout*>(ComPort->layout());
  for (int i = 0; i < int(ComDevice.size()); ++i) {
    ComDevice[i] = new QLabel(page);
    ComDevice[i]->setObjectName(QStringLiteral("ComDevice%1").arg(i + 1));
    ComDevice[i]->setFixedWidth(kDeviceLabelWidth);
    ComDevice[i]->setEnabled(false);  // greyed: a note beside the choice
    grid->addWidget(ComDevice[i], i, 1);
  }
  FindModemButton = Named(new QPushButton(QStringLiteral("Find Modem Port"), page),
                          "FindModemButton", "Look for a modem on Com1 to Com6");
  connect(FindModemButton, &QPushButton::clicked, this, &TPreferences::FindModemButtonClick);
  DevicesButton =
      Named(new QPushButton(QStringLiteral("&Devices..."), page), "DevicesButton",
            "List the serial devices of this computer and choose the one a Com port stands for");
  connect(DevicesButton, &QPushButton::clicked, this, &TPreferences::DevicesButtonClick);
  b.question(QStringLiteral(
      "Which communications port is your modem on? It is usually COM1 or COM2. (Click on "
      "the Find Modem Port button for assistance.)"));
  b.add(b.besideButtons(ComPort, {FindModemButton, DevicesButton}));

  ToneOrPulse =
      Named(new ui::TRadioGroup(QStringLiteral("Tone or Pulse"),
                                {QStringLiteral("Tone"), QStringLiteral("Pulse")}, 2, page),
            "ToneOrPulse");
  b.question(QStringLiteral("Is your telephone Tone or Pulse? Most telephones are Tone."));
  b.add(ToneOrPulse);

  ResetString = Named(new QLineEdit(page), "ResetString");
  ui::LimitToTableText(ResetString);
  ResetAfterString = Named(new QLineEdit(page), "ResetAfterString");
  ui::LimitToTableText(ResetAfterString);
  b.question(QStringLiteral(
      "Enter the modem RESET strings to send to the modem before and/or after each fax "
      "session. IN MOST CASES THESE FIELDS SHOULD BE LEFT BLANK."));
  auto* resets = new QGridLayout;
  const std::pair<QLineEdit*, std::pair<const char*, const char*>> rows[] = {
      {ResetString, {"Use this reset string BEFORE  fax sessions:", "(Usually AT&F or blank)"}},
      {ResetAfterString, {"Use this reset string AFTER fax sessions", "(Usually ATZ or blank)"}}};
  for (int r = 0; r < 2; ++r) {
    auto* prompt = new QLabel(QString::fromLatin1(rows[r].second.first), page);
    prompt->setTextFormat(Qt::PlainText);
    prompt->setBuddy(rows[r].first);
    auto* note = new QLabel(QString::fromLatin1(rows[r].second.second), page);
    note->setTextFormat(Qt::PlainText);
    resets->addWidget(prompt, r, 0);
    resets->addWidget(rows[r].first, r, 1);
    resets->addWidget(note, r, 2);
  }
  b.add(resets);
  b.finish();
  return page;
}

QWidget* TPreferences::buildSendClassPage() {
  auto* page = new QWidget(this);
  PageBuilder b(page, questionNumber_);
  FaxClass = Named(new ui::TRadioGroup(QStringLiteral("Fax &class for SENDING Faxes"),
                                       {QStringLiteral("auto detect"), QStringLiteral("class 1"),
                                        QStringLiteral("class 2"), QStringLiteral("class 2.0")},
                                       2, page),
                   "FaxClass");
  CheckFaxClassButton = Named(new QPushButton(QStringLiteral("Check Fax Class"), page),
                              "CheckFaxClassButton", "Ask the modem which fax classes it has");
  connect(CheckFaxClassButton, &QPushButton::clicked, this,
          [this] { CheckFaxClassButtonClick(FaxClass); });
  b.question(QString::fromLatin1(kClassQuestion).arg(QStringLiteral("SENDING")));
  b.add(b.besideButtons(FaxClass, {CheckFaxClassButton}));

  TransferRate = Named(new QComboBox(page), "TransferRate");
  for (int i = 0; i < 6; ++i) TransferRate->addItem(QString::number(settings::BpsIndexToRate(i)));
  b.question(QString::fromLatin1(kRateQuestion).arg(QStringLiteral("SENDING")));
  auto* rateLabel = new QLabel(QStringLiteral("Transfer Rate (BPS) for SENDING faxes"), page);
  rateLabel->setBuddy(TransferRate);
  b.add(b.rowOf({rateLabel, TransferRate}));

  ModemInit = Named(new QLineEdit(page), "ModemInit");
  ui::LimitToTableText(ModemInit);
  GenericInitbutton =
      Named(new QPushButton(QStringLiteral("Generic init string"), page), "GenericInitbutton");
  GenericUSRInitButton = Named(new QPushButton(QStringLiteral("US Robotics init string"), page),
                               "GenericUSRInitButton");
  HelpWithInitbutton =
      Named(new QPushButton(QStringLiteral("Help with Init strings"), page), "HelpWithInitbutton");
  connect(GenericInitbutton, &QPushButton::clicked, this, &TPreferences::GenericInitbuttonClick);
  connect(GenericUSRInitButton, &QPushButton::clicked, this,
          &TPreferences::GenericUSRInitButtonClick);
  connect(HelpWithInitbutton, &QPushButton::clicked, this, &TPreferences::HelpWithInitbuttonClick);
  b.question(QString::fromLatin1(kInitQuestion).arg(QStringLiteral("SENDING")), ModemInit);
  b.addWide(ModemInit);
  b.add(b.rowOf({GenericInitbutton, GenericUSRInitButton, HelpWithInitbutton}));
  b.finish();
  return page;
}

QWidget* TPreferences::buildSenderPage() {
  auto* page = new QWidget(this);
  PageBuilder b(page, questionNumber_);
  // Both go out in the page header, in code page 1252.
  FaxNumber = Named(new QLineEdit(page), "FaxNumber");
  ui::LimitToTableText(FaxNumber, 20);
  Name = Named(new QLineEdit(page), "Name");
  ui::LimitToTableText(Name, 35);
  b.question(QStringLiteral("Enter your name and fax number for identifying your sent faxes"));
  auto* ids = new QGridLayout;
  const std::pair<const char*, QLineEdit*> fields[] = {
      {"Your &fax number (Station ID#)", FaxNumber}, {"Your &name", Name}};
  for (int r = 0; r < 2; ++r) {
    auto* l = new QLabel(QString::fromLatin1(fields[r].first), page);
    l->setBuddy(fields[r].second);
    ids->addWidget(l, r, 0);
    ids->addWidget(fields[r].second, r, 1);
  }
  ids->setColumnStretch(1, 1);
  b.add(ids);

  UseECM =
      Named(new QCheckBox(QStringLiteral("Use Fax Error Control when SENDING"), page), "UseECM");
  b.question(QString::fromLatin1(kEcmQuestion).arg(QStringLiteral("SENDING")));
  b.add(UseECM);

  DialPrefix = Named(new QLineEdit(page), "DialPrefix");
  ui::LimitToTableText(DialPrefix);
  b.question(QStringLiteral(
      "Enter the dial prefix or calling card number here. If you require special numbers or "
      "codes when dialing out, you can specify them once here rather than in every fax "
      "number. Do not include 'ATD', 'T' or 'P'."));
  auto* prefixLabel = new QLabel(QStringLiteral("&Dial prefix or Calling Card Number:"), page);
  prefixLabel->setBuddy(DialPrefix);
  auto* prefix = new QHBoxLayout;
  prefix->addWidget(prefixLabel);
  prefix->addWidget(DialPrefix, 1);
  b.add(prefix);
  b.finish();
  return page;
}

QWidget* TPreferences::buildDialingPage() {
  auto* page = new QWidget(this);
  PageBuilder b(page, questionNumber_);
  auto number = [page](const char* name, const char* hint, int most) {
    auto* e = Named(new QLineEdit(page), name, hint);
    e->setFixedWidth(kNumberEditWidth);
    ui::RefuseTyping(e, ui::WholeNumberRule(most));
    return e;
  };
  TimeOut = number("TimeOut", "Seconds, from 0 to 86400", kMaxSeconds);
  DialAttempts = number("DialAttempts", "Attempts, from 0 (no limit) to 99", kMaxDialAttempts);
  RetryWait = number("RetryWait", "Seconds, from 0 to 86400", kMaxSeconds);
  const std::pair<const char*, QLineEdit*> numbers[] = {
      {"Enter the number of seconds to wait for a connection after dialing the number", TimeOut},
      {"Enter the number of dial attempts that should be made when sending faxes", DialAttempts},
      {"Enter the number of seconds between dial attempts when sending faxes", RetryWait}};
  for (const auto& [question, edit] : numbers) {
    b.question(QString::fromLatin1(question), edit);
    b.add(edit);
  }
  CheckBlindDial = Named(new QCheckBox(QStringLiteral("Blind Dial"), page), "CheckBlindDial");
  b.question(QStringLiteral(
      "If the modem is not connected to a phone line which supplies a dial tone, check  "
      "Blind Dial.(This is the same as sending the ATX3 modem command)"));
  b.add(CheckBlindDial);
  CheckIgnoreBusy =
      Named(new QCheckBox(QStringLiteral("Ignore Busy Signal"), page), "CheckIgnoreBusy");
  b.question(QStringLiteral(
      "Check this box to ignore busy signals. In certain countries, some modems falsely "
      "interpret the phone ringing as a busy signal. ONLY CHECK THIS BOX IF THIS SITUATION "
      "APPLIES TO YOU! (This is the same as sending the ATX2 modem command)"));
  b.add(CheckIgnoreBusy);
  b.finish();
  return page;
}

QWidget* TPreferences::buildReceiveClassPage() {
  auto* page = new QWidget(this);
  PageBuilder b(page, questionNumber_);
  auto sameAsSend = [this, page](const char* name, void (TPreferences::*slot)()) {
    auto* button = Named(new QPushButton(QStringLiteral("Same as SEND"), page), name,
                         "Use the setting for sending faxes");
    connect(button, &QPushButton::clicked, this, slot);
    return button;
  };
  FaxClassReceive =
      Named(new ui::TRadioGroup(QStringLiteral("Fax &class for RECEIVING Faxes"),
                                {QStringLiteral("auto detect"), QStringLiteral("class 1"),
                                 QStringLiteral("class 2"), QStringLiteral("class 2.0")},
                                2, page),
            "FaxClassReceive");
  CheckRecFaxClassbutton =
      Named(new QPushButton(QStringLiteral("Check Fax Class"), page), "CheckRecFaxClassbutton",
            "Ask the modem which fax classes it has");
  connect(CheckRecFaxClassbutton, &QPushButton::clicked, this,
          [this] { CheckFaxClassButtonClick(FaxClassReceive); });
  RecClassSameAsSendButton =
      sameAsSend("RecClassSameAsSendButton", &TPreferences::RecClassSameAsSendButtonClick);
  b.question(QString::fromLatin1(kClassQuestion).arg(QStringLiteral("RECEIVING")));
  b.add(b.besideButtons(FaxClassReceive, {CheckRecFaxClassbutton, RecClassSameAsSendButton}));

  TransferRateReceive = Named(new QComboBox(page), "TransferRateReceive");
  for (int i = 0; i < 6; ++i)
    TransferRateReceive->addItem(QString::number(settings::BpsIndexToRate(i)));
  RecBPSSameAsSendButton =
      sameAsSend("RecBPSSameAsSendButton", &TPreferences::RecBPSSameAsSendButtonClick);
  b.question(QString::fromLatin1(kRateQuestion).arg(QStringLiteral("RECEIVING")));
  auto* rateLabel = new QLabel(QStringLiteral("Transfer Rate (BPS) for RECEIVING faxes"), page);
  rateLabel->setBuddy(TransferRateReceive);
  b.add(b.rowOf({rateLabel, TransferRateReceive, RecBPSSameAsSendButton}));

  ModemInitReceive = Named(new QLineEdit(page), "ModemInitReceive");
  ui::LimitToTableText(ModemInitReceive);
  RecInitSameAsSendButton =
      sameAsSend("RecInitSameAsSendButton", &TPreferences::RecInitSameAsSendButtonClick);
  GenericInitRecButton =
      Named(new QPushButton(QStringLiteral("Generic init string"), page), "GenericInitRecButton");
  GenericUSRInitRECbutton = Named(new QPushButton(QStringLiteral("US Robotics init string"), page),
                                  "GenericUSRInitRECbutton");
  HelpWithInitRECButton = Named(new QPushButton(QStringLiteral("Help with Init strings"), page),
                                "HelpWithInitRECButton");
  connect(GenericInitRecButton, &QPushButton::clicked, this,
          &TPreferences::GenericInitRecButtonClick);
  connect(GenericUSRInitRECbutton, &QPushButton::clicked, this,
          &TPreferences::GenericUSRInitRECbuttonClick);
  connect(HelpWithInitRECButton, &QPushButton::clicked, this,
          &TPreferences::HelpWithInitbuttonClick);
  b.question(QString::fromLatin1(kInitQuestion).arg(QStringLiteral("RECEIVING")), ModemInitReceive);
  auto* init = new QHBoxLayout;
  init->addWidget(ModemInitReceive, 1);
  init->addWidget(RecInitSameAsSendButton);
  b.add(init);
  b.add(b.rowOf({GenericInitRecButton, GenericUSRInitRECbutton, HelpWithInitRECButton}));
  b.finish();
  return page;
}

QWidget* TPreferences::buildAnsweringPage() {
  auto* page = new QWidget(this);
  PageBuilder b(page, questionNumber_);
  AnswerOnRing = Named(
      new ui::TRadioGroup(QStringLiteral("Answer on ring"),
                          {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}, 3, page),
      "AnswerOnRing");
  b.question(
      QStringLiteral("Select which ring the program should answer on, when in receive mode"));
  b.add(AnswerOnRing);
  ReceiveAtStartup =
      Named(new QCheckBox(QStringLiteral("Start Receiving at program startup"), page),
            "ReceiveAtStartup");
  b.question(
      QStringLiteral("Check this box to start receiving faxes as soon as the program starts up"));
  b.add(ReceiveAtStartup);
  UseECMReceive = Named(new QCheckBox(QStringLiteral("Use Fax Error Control when RECEIVING"), page),
                        "UseECMReceive");
  b.question(QString::fromLatin1(kEcmQuestion).arg(QStringLiteral("RECEIVING")));
  b.add(UseECMReceive);
  b.finish();
  return page;
}

QWidget* TPreferences::buildArrivalPage() {
  auto* page = new QWidget(this);
  PageBuilder b(page, questionNumber_);
  WaveFileEdit = Named(new QLineEdit(page), "WaveFileEdit");
  SelectWavButton = Named(new QPushButton(QStringLiteral("&Choose"), page), "SelectWavButton",
                          "Choose the WAV file");
  PlayWAVbutton = Named(new QPushButton(QStringLiteral("Play &Now"), page), "PlayWAVbutton",
                        "Listen to the WAV file");
  NoWAVButton = Named(new QPushButton(QStringLiteral("None"), page), "NoWAVButton",
                      "No sound when a fax arrives");
  connect(SelectWavButton, &QPushButton::clicked, this, &TPreferences::SelectWavButtonClick);
  connect(PlayWAVbutton, &QPushButton::clicked, this, &TPreferences::PlayWAVbuttonClick);
  connect(NoWAVButton, &QPushButton::clicked, this, &TPreferences::NoWAVButtonClick);
  b.question(QStringLiteral(
      "If you would like an audible alert when receiving a fax, fill in the details below"));
  auto* waveLabel =
      new QLabel(QStringLiteral("Select &WAV File to play when receiving a fax:"), page);
  waveLabel->setBuddy(WaveFileEdit);
  b.add(waveLabel);
  auto* wave = new QHBoxLayout;
  wave->addWidget(WaveFileEdit, 1);
  for (QPushButton* button : {SelectWavButton, PlayWAVbutton, NoWAVButton}) wave->addWidget(button);
  b.add(wave);

  PrintFaxOnReceipt = Named(
      new QCheckBox(QStringLiteral("Print each fax as it is received, on the following printer:"),
                    page),
      "PrintFaxOnReceipt");
  PrintFaxOnReceiptPrinter = Named(new QComboBox(page), "PrintFaxOnReceiptPrinter");
  // The stored default keeps its text and stands for the system's default printer.
  PrintFaxOnReceiptPrinter->addItem(QStringLiteral("Default Windows Printer"));
  PrintFaxOnReceiptPrinter->addItems(QPrinterInfo::availablePrinterNames());
  PrintFaxOnReceiptPrinter->setMinimumContentsLength(30);
  b.question(QStringLiteral(
      "If you would like to print each fax as it is received, please check below, and then "
      "select the printer to send faxes to. (we recommend leaving it as the Default Windows "
      "Printer)"));
  b.add(PrintFaxOnReceipt);
  b.add(b.rowOf({PrintFaxOnReceiptPrinter}));

  SavePdfOnReceipt = Named(
      new QCheckBox(QStringLiteral("Save a PDF copy of each received fax in folder:"), page),
      "SavePdfOnReceipt");
  SavePdfFolder = Named(new QLineEdit(page), "SavePdfFolder");
  SelectPdfFolderButton = Named(new QPushButton(QStringLiteral("C&hoose"), page),
                                "SelectPdfFolderButton", "Choose the folder for the PDF copies");
  connect(SelectPdfFolderButton, &QPushButton::clicked, this,
          &TPreferences::SelectPdfFolderButtonClick);
  connect(SavePdfOnReceipt, &QCheckBox::clicked, this, [this](bool on) {
    if (on && SavePdfFolder->text().trimmed().isEmpty()) SelectPdfFolderButtonClick();
  });
  b.question(QStringLiteral(
      "If you would like a PDF file of each fax as it is received (to keep, mail or archive), "
      "please check below, and then choose the folder for them"));
  b.add(SavePdfOnReceipt);
  auto* pdf = new QHBoxLayout;
  pdf->addWidget(SavePdfFolder, 1);
  pdf->addWidget(SelectPdfFolderButton);
  b.add(pdf);
  b.finish();
  return page;
}

}  // namespace app
