// Status line, failure message and row of a received fax.
#include "app/mainwindow/receiverules.h"

#include "faxcodes/texts.h"
#include "faxengine/fax_types.h"
#include "ui/tabletext.h"

#include <QFileInfo>

namespace app {

QString ReceiveStatusText(int progressCode, const std::string& remoteId, int page,
                          const QString& failedCallNote) {
  QString text = QString::fromUtf8(faxcodes::statusText(progressCode)).trimmed();
  const QString remote = ui::FromTableText(remoteId).trimmed();
  if (!remote.isEmpty()) text += QStringLiteral(" from: ") + remote;
  // Before the first page there is no page to name.
  if (!remote.isEmpty() && page > 0) text += QStringLiteral(", page ") + QString::number(page);
  if (text.toUpper().contains(QStringLiteral("ABORT"))) return {};
  if (progressCode == faxengine::progress::kWaitingForCall && !failedCallNote.isEmpty())
    text += QStringLiteral(" - ") + failedCallNote;
  return text;
}

namespace {

QString ReasonText(int errorCode) {
  QString reason = errorCode == 0 ? QString() : QString::fromUtf8(faxcodes::errorText(errorCode));
  return reason.isEmpty() ? QStringLiteral("Unknown error") : reason;
}

}  // namespace

// Line breaks are line feeds here; a carriage return shows as nothing.
QString FailedCallNote(const QTime& when, int errorCode) {
  return QStringLiteral("a call at %1 could not be received: %2")
      .arg(when.toString(QStringLiteral("hh:mm")), ReasonText(errorCode));
}

QString ReceiveFailureText(int errorCode) {
  return QStringLiteral("Failed to receive incoming fax:\n\n") + ReasonText(errorCode);
}

QString ReceiveModeEndedText(int errorCode) {
  return QStringLiteral("Receive mode has ended:\n\n") + ReasonText(errorCode);
}

ReceivedRecord ReceivedRow(const QDateTime& when, const std::string& remoteId, int pages,
                           const QString& faxFile, const QString& notes) {
  ReceivedRecord r;
  const QDate d = when.date();
  r.date = {d.year(), d.month(), d.day()};
  r.time = when.time().toString(QStringLiteral("hh:mm")).toStdString();
  r.from = remoteId;
  r.pages = pages;
  r.faxFile = ui::ToTableText(QFileInfo(faxFile).fileName());
  r.notes = ui::ToTableText(QString(notes).replace(QLatin1Char('\n'), QLatin1Char(' ')));
  return r;
}

}  // namespace app
