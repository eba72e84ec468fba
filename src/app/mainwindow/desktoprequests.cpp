// Requests from the desktop: a fax file to view, receive mode, and the notice of a fax
// that arrived.
#include "app/mainwindow/arrivalnotice.h"
#include "app/mainwindow/mainscreen.h"
#include "windows/faxviewer.h"

#include <QFile>

namespace app {

void TMainScreen::ShowFaxFile(const QString& file) {
  // A window of its own, not modal: several files may be opened, and the main window
  // stays usable beside them. The file is the user's: it is never deleted.
  auto* viewer = new windows::TFaxViewer(this);
  viewer->setAttribute(Qt::WA_DeleteOnClose);
  viewer->setWindowModality(Qt::NonModal);
  viewer->FaxFileName = QFile::encodeName(file).toStdString();
  viewer->show();
  viewer->raise();
  viewer->activateWindow();
}

void TMainScreen::StartReceiveMode() {
  if (!ReceiveMode) ReceiveButtonClick();
}

void TMainScreen::noticeArrival(const ArrivedFax& fax) {
  if (!arrivalNotifier_) {
    arrivalNotifier_ = new FaxArrivalNotifier(
        [this](const QString& file) {
          ShowFaxFile(file);
        },
        QDBusConnection::sessionBus(), this);
  }
  arrivalNotifier_->Notify(fax.file, QString::fromStdString(fax.from), fax.pages);
}

}  // namespace app
