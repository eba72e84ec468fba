// The progress component between a fax session and its window.
#include "windows/fxfaxstatus.h"

#include <QGuiApplication>
#include <QScreen>

namespace windows {

FaxStatusValues ReadStatusValues(faxengine::TFxCustomAbstractFax& fax) {
  FaxStatusValues v;
  v.progressCode = fax.ProgressCode();
  v.faxFile = fax.FaxFile();
  v.remoteStationId = fax.RemoteStationId();
  v.totalPages = fax.TotalPages();
  v.sessionBps = fax.SessionBps();
  v.sessionFine = fax.SessionFine();
  v.sessionWide = fax.SessionWide();
  v.sessionEcm = fax.SessionEcm();
  v.currentPage = fax.CurrentPage();
  v.currentPageLength = fax.CurrentPageLength();
  v.pageBytesSent = fax.PageBytesSent();
  if (auto* sender = dynamic_cast<faxengine::TFxCustomSendFax*>(&fax)) {
    v.sender = true;
    v.phoneNumber = sender->PhoneNumber;
    v.coverFile = sender->CoverFile;
    v.dialAttempt = sender->DialAttempt();
    v.dialRetryWait = sender->DialRetryWait;
  } else {
    v.sender = false;
  }
  return v;
}

TFxFaxStatus::TFxFaxStatus(QWidget* owner) : owner_(owner) { CreateDisplay(); }

TFxFaxStatus::~TFxFaxStatus() = default;

void TFxFaxStatus::CreateDisplay() {
  display_ = std::make_unique<TStandardFaxDisplay>(owner_);
  display_->OnCancel = [this] {
    if (Fax) Fax->AbortFax();
  };
}

void TFxFaxStatus::DestroyDisplay() { display_.reset(); }

void TFxFaxStatus::UpdateDisplay(bool first, bool last) {
  if (!display_ || !Fax) return;
  if (last) {
    display_->hide();
    Visible = false;
    return;
  }
  if (first) display_->Restart();
  display_->UpdateValues(ReadStatusValues(*Fax));
  if (first) {
    // Centred on the screen.
    if (QScreen* screen = QGuiApplication::primaryScreen())
      display_->move(screen->availableGeometry().center() - display_->rect().center());
    display_->show();
    display_->raise();
    Visible = true;
  }
}

}  // namespace windows
