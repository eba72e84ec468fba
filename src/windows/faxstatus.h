// The progress display of a fax call: TStandardFaxDisplay ("Fax Status") shows what the
// session is doing, and TFxFaxStatus, the component a fax session reports to, owns it.
// What the window shows is worked out from a snapshot of the fax's values by plain
// functions, so the rules can be checked without a call.
#pragma once

#include "faxengine/clock.h"
#include "faxengine/ticks.h"

#include <QDialog>

#include <functional>
#include <string>

class QLabel;
class QTimer;

namespace windows {

class TFxMeter;

// What the display reads from the fax it serves.
struct FaxStatusValues {
  bool sender = true;
  int progressCode = 0;
  std::string phoneNumber, faxFile, coverFile, remoteStationId;
  int dialAttempt = 0;
  int dialRetryWait = 0;  // seconds
  int totalPages = 0;
  int sessionBps = 0;
  int sessionFine = 0, sessionWide = 0, sessionEcm = 0;
  int currentPage = 0;
  long currentPageLength = 0;
  long pageBytesSent = 0;
};

// Minutes, ":", two-digit seconds, padded with blanks on the left to 6 characters; the
// window shows every elapsed time so, from the call's start ("  0:00") on.
std::string FormatCallTime(long seconds);
// A file name without its folder, cut to 20 characters plus "..." when longer.
std::string ShortFileName(const std::string& path);
// Share of the page sent, in whole percent rounded to nearest; 0 for an empty page.
int PagePercent(long bytesSent, long pageLength);

// The elapsed-call and redial timers, driven by the status codes of successive reports:
// the call is timed from its first report to its end, the redial while it waits.
class CallTimers {
 public:
  void Update(int progressCode, int dialRetryWait, faxengine::Ticks now);
  bool Timing() const { return timing_; }
  bool Redialing() const { return redialing_; }
  long ElapsedSeconds(faxengine::Ticks now) const;
  long RedialSecondsLeft(faxengine::Ticks now) const;

 private:
  bool started_ = false, timing_ = false, redialing_ = false;
  long endedAfter_ = 0;  // seconds, once the call has ended
  faxengine::TickTimer elapsed_, redial_;
};

// The texts of the value labels for one report.
struct FaxStatusTexts {
  std::string phoneNumber, faxFile, coverFile, totalPages, dialAttempt, remoteId, connectBps,
      resolution, width, errorControl, currentPage, pageLength, bytesTransferred, elapsedTime,
      status;
  bool showMeter = true;
  int percent = 0;
};
FaxStatusTexts StatusTexts(const FaxStatusValues& v, const CallTimers& timers,
                           faxengine::Ticks now);

class TStandardFaxDisplay : public QDialog {
  Q_OBJECT
 public:
  explicit TStandardFaxDisplay(QWidget* parent = nullptr);

  QLabel *fsPhoneNumber, *fsFaxFileName, *fsCoverFileName, *fsTotalPages, *fsDialAttempt,
      *fsRemoteID, *fsConnectBPS, *fsResolution, *fsWidth, *fsErrorControl, *fsCurrentPage,
      *fsPageLength, *fsBytesTransferred, *fsElapsedTime, *fsStatusMsg, *fsLabel19;
  TFxMeter* Meter;
  class QPushButton* fsCancel;

  // Called when Cancel is pressed.
  std::function<void()> OnCancel;
  // The clock of the elapsed and redial timers (tests move a FakeClock).
  const faxengine::Clock* TimeSource = &faxengine::steadyClock();

  // Clears both timers for a new session.
  void Restart();
  // Refreshes every value from a report of the fax.
  void UpdateValues(const FaxStatusValues& values);
  // Moves the elapsed time and a redial countdown on without a report (every second
  // while the window is shown).
  void RefreshClock();

 protected:
  void reject() override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  CallTimers timers_;
  FaxStatusValues last_;
  QTimer* clock_ = nullptr;
};

}  // namespace windows
