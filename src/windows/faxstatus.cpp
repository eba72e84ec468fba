// The progress display: value rules, the two timers and the window's layout.
#include "windows/faxstatus.h"

#include "faxcodes/texts.h"
#include "faxengine/fax_types.h"
#include "windows/fxmeter.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace windows {

namespace pc = faxengine::progress;

std::string FormatCallTime(long seconds) {
  if (seconds < 0) seconds = 0;
  char text[32];
  std::snprintf(text, sizeof text, "%ld:%02ld", seconds / 60, seconds % 60);
  const std::string t = text;
  return t.size() < 6 ? std::string(6 - t.size(), ' ') + t : t;
}

std::string ShortFileName(const std::string& path) {
  const auto slash = path.find_last_of("/\\");
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.size() > 20) name = name.substr(0, 20) + "...";
  return name;
}

int PagePercent(long bytesSent, long pageLength) {
  if (pageLength <= 0) return 0;
  return int(std::lround(double(bytesSent) / double(pageLength) * 100.0));
}

void CallTimers::Update(int code, int dialRetryWait, faxengine::Ticks now) {
  // The call is timed from its first report (opening the port, preparing the modem) to
  // its end; the time it ended at stays on show.
  if (!started_) {
    elapsed_ = faxengine::newTimer(now, 0);
    started_ = timing_ = true;
  } else if (timing_ &&
             (code == pc::kUserAbort || code == pc::kFinished || code == pc::kGotHangup)) {
    endedAfter_ = ElapsedSeconds(now);
    timing_ = false;
  }
  if (!redialing_ && code == pc::kBusyWait) {
    redial_ = faxengine::newTimer(now, faxengine::secondsToTicks(dialRetryWait));
    redialing_ = true;
  } else if (redialing_ && code != pc::kBusyWait) {
    redialing_ = false;
  }
}

long CallTimers::ElapsedSeconds(faxengine::Ticks now) const {
  if (!timing_) return endedAfter_;
  return long(faxengine::ticksToSeconds(faxengine::elapsedTicks(elapsed_, now)));
}

long CallTimers::RedialSecondsLeft(faxengine::Ticks now) const {
  return long(faxengine::ticksToSeconds(faxengine::remainingTicks(redial_, now)));
}

FaxStatusTexts StatusTexts(const FaxStatusValues& v, const CallTimers& timers,
                           faxengine::Ticks now) {
  FaxStatusTexts t;
  t.phoneNumber = v.sender ? v.phoneNumber : "";
  t.faxFile = ShortFileName(v.faxFile);
  t.coverFile = v.sender ? ShortFileName(v.coverFile) : "";
  t.totalPages = std::to_string(v.totalPages);
  // The first attempt is under way before its number is dialled.
  t.dialAttempt = v.sender ? std::to_string(std::max(v.dialAttempt, 1)) : "1";
  t.remoteId = v.remoteStationId;
  t.connectBps = std::to_string(v.sessionBps);
  t.resolution = (v.sessionFine & 127) ? "high" : "standard";
  t.width = (v.sessionWide & 127) ? "2048" : "1728";
  t.errorControl = (v.sessionEcm & 127) ? "on" : "off";
  t.currentPage = v.currentPage == 0 ? "<cover page>" : std::to_string(v.currentPage);
  t.pageLength = std::to_string(v.currentPageLength);
  t.bytesTransferred = std::to_string(v.pageBytesSent);
  t.elapsedTime = FormatCallTime(timers.ElapsedSeconds(now));
  t.status = faxcodes::statusText(v.progressCode);
  if (v.progressCode == pc::kBusyWait) t.status += FormatCallTime(timers.RedialSecondsLeft(now));
  t.showMeter = v.sender;
  t.percent = v.sender ? PagePercent(v.pageBytesSent, v.currentPageLength) : 0;
  return t;
}

// ---- the window --------------------------------------------------------------------------

namespace {

QLabel* valueLabel(QWidget* parent, const char* name, const char* designText) {
  auto* l = new QLabel(QString::fromLatin1(designText), parent);
  l->setObjectName(QString::fromLatin1(name));
  l->setMinimumWidth(120);
  return l;
}

QFrame* panel(QWidget* parent) {
  auto* f = new QFrame(parent);
  f->setFrameShape(QFrame::StyledPanel);
  f->setFrameShadow(QFrame::Sunken);
  return f;
}

QString q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

TStandardFaxDisplay::TStandardFaxDisplay(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TStandardFaxDisplay"));
  setWindowTitle(QStringLiteral("Fax Status"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

  auto* outer = new QVBoxLayout(this);

  // Caption and value pairs, two to a row, in three panels: the call, the session as
  // negotiated, and the page being sent.
  struct Place {
    QLabel* TStandardFaxDisplay::*member;
    int panel, row, column;
    const char *caption, *name, *designText;
  };
  static const Place kPlaces[] = {
      {&TStandardFaxDisplay::fsPhoneNumber, 0, 0, 0, "Phone number:", "fsPhoneNumber", "555-1212"},
      {&TStandardFaxDisplay::fsTotalPages, 0, 0, 1, "Total pages:", "fsTotalPages", "99"},
      {&TStandardFaxDisplay::fsRemoteID, 0, 1, 0, "Remote ID:", "fsRemoteID", "remoteid"},
      {&TStandardFaxDisplay::fsDialAttempt, 0, 1, 1, "Dial attempt:", "fsDialAttempt", "1"},
      {&TStandardFaxDisplay::fsFaxFileName, 0, 2, 0, "Fax file name:", "fsFaxFileName", "noname"},
      {&TStandardFaxDisplay::fsCoverFileName, 0, 2, 1, "Cover file name:", "fsCoverFileName",
       "noname"},
      {&TStandardFaxDisplay::fsConnectBPS, 1, 0, 0, "Connect BPS:", "fsConnectBPS", "9600"},
      {&TStandardFaxDisplay::fsResolution, 1, 0, 1, "Resolution:", "fsResolution", "Normal"},
      {&TStandardFaxDisplay::fsWidth, 1, 1, 0, "Width:", "fsWidth", "1728"},
      {&TStandardFaxDisplay::fsErrorControl, 1, 1, 1, "Error control:", "fsErrorControl", "off"},
      {&TStandardFaxDisplay::fsCurrentPage, 2, 0, 0, "Current page:", "fsCurrentPage", "1"},
      {&TStandardFaxDisplay::fsPageLength, 2, 0, 1, "Page length:", "fsPageLength", "9999"},
      {&TStandardFaxDisplay::fsBytesTransferred, 2, 1, 0,
       "Bytes transferred:", "fsBytesTransferred", "9999"},
      {&TStandardFaxDisplay::fsElapsedTime, 2, 1, 1, "Elapsed time:", "fsElapsedTime", "99:99"},
      {&TStandardFaxDisplay::fsStatusMsg, 2, 2, 0, "Status:", "fsStatusMsg", "OK"},
  };
  QGridLayout* grids[3];
  for (QGridLayout*& grid : grids) {
    QFrame* f = panel(this);
    grid = new QGridLayout(f);
    outer->addWidget(f);
  }
  for (const Place& p : kPlaces) {
    QWidget* parent = grids[p.panel]->parentWidget();
    auto* caption = new QLabel(QString::fromLatin1(p.caption), parent);
    QLabel* value = valueLabel(parent, p.name, p.designText);
    grids[p.panel]->addWidget(caption, p.row, p.column * 2);
    grids[p.panel]->addWidget(value, p.row, p.column * 2 + 1, 1,
                              p.member == &TStandardFaxDisplay::fsStatusMsg ? 3 : 1);
    this->*p.member = value;
    // The file names stay hidden, captions included.
    if (p.member == &TStandardFaxDisplay::fsFaxFileName ||
        p.member == &TStandardFaxDisplay::fsCoverFileName) {
      caption->hide();
      value->hide();
    }
  }

  // The meter sits at a fixed place in its panel, right of its caption.
  QFrame* progress = panel(this);
  progress->setFixedSize(510, 34);
  fsLabel19 = new QLabel(QStringLiteral("Page progress:"), progress);
  fsLabel19->setObjectName(QStringLiteral("fsLabel19"));
  fsLabel19->setGeometry(8, 7, 200, 20);
  Meter = new TFxMeter(progress);
  Meter->setObjectName(QStringLiteral("Meter"));
  Meter->setGeometry(120, 7, 380, 20);
  Meter->SetStep(10);
  Meter->SetPosition(0);
  outer->addWidget(progress);

  fsCancel = new QPushButton(QStringLiteral("Cancel"), this);
  fsCancel->setObjectName(QStringLiteral("fsCancel"));
  connect(fsCancel, &QPushButton::clicked, this, [this] {
    if (OnCancel) OnCancel();
  });
  outer->addWidget(fsCancel, 0, Qt::AlignHCenter);

  // The elapsed time and a redial countdown move on between the session's reports too.
  clock_ = new QTimer(this);
  clock_->setInterval(1000);
  connect(clock_, &QTimer::timeout, this, &TStandardFaxDisplay::RefreshClock);

  setFixedSize(sizeHint());
}

void TStandardFaxDisplay::Restart() { timers_ = CallTimers(); }

void TStandardFaxDisplay::RefreshClock() {
  const FaxStatusTexts t = StatusTexts(last_, timers_, faxengine::tickCount(*TimeSource));
  fsElapsedTime->setText(q(t.elapsedTime));
  fsStatusMsg->setText(q(t.status));
}

void TStandardFaxDisplay::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  clock_->start();
}

void TStandardFaxDisplay::hideEvent(QHideEvent* event) {
  clock_->stop();
  QDialog::hideEvent(event);
}

void TStandardFaxDisplay::UpdateValues(const FaxStatusValues& v) {
  const faxengine::Ticks now = faxengine::tickCount(*TimeSource);
  timers_.Update(v.progressCode, v.dialRetryWait, now);
  last_ = v;
  const FaxStatusTexts t = StatusTexts(v, timers_, now);
  fsPhoneNumber->setText(q(t.phoneNumber));
  fsFaxFileName->setText(q(t.faxFile));
  fsCoverFileName->setText(q(t.coverFile));
  fsTotalPages->setText(q(t.totalPages));
  fsDialAttempt->setText(q(t.dialAttempt));
  fsRemoteID->setText(q(t.remoteId));
  fsConnectBPS->setText(q(t.connectBps));
  fsResolution->setText(q(t.resolution));
  fsWidth->setText(q(t.width));
  fsErrorControl->setText(q(t.errorControl));
  fsCurrentPage->setText(q(t.currentPage));
  fsPageLength->setText(q(t.pageLength));
  fsBytesTransferred->setText(q(t.bytesTransferred));
  fsElapsedTime->setText(q(t.elapsedTime));
  fsStatusMsg->setText(q(t.status));
  if (t.showMeter) {
    Meter->show();
    fsLabel19->setText(QStringLiteral("Page progress:"));
    Meter->SetMin(0);
    Meter->SetMax(100);
    Meter->SetPosition(t.percent);
  } else {
    Meter->hide();
    fsLabel19->setText(QStringLiteral("Page progress: N/A"));
  }
}

// Escape or the window manager would only hide the window while the call goes on; Cancel
// is the way to end the call.
void TStandardFaxDisplay::reject() {}

}  // namespace windows
