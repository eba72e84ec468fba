// The rules of receive mode that need no window: what the status line says during a
// call, the message of a fax that failed, and the row a received fax gets.
#pragma once

#include "app/store/faxstore.h"

#include <QDateTime>
#include <QString>

#include <string>

namespace app {

// The receiver's progress text, trimmed; once the sender has named itself, followed by
// " from: " and the name, and from the first page on ", page " with its number. Empty
// while a call is being aborted, so that no stale "abort" stays on show. While the receiver
// waits for a call, the note on the last call that could not be received follows.
QString ReceiveStatusText(int progressCode, const std::string& remoteId, int page,
                          const QString& failedCallNote = {});

// What the status line keeps saying about a call that came in at `when` and could not be
// received, with the receiver's reason.
QString FailedCallNote(const QTime& when, int errorCode);

// The box for a fax that failed, with the text of the error the receiver reported.
QString ReceiveFailureText(int errorCode);

// The box for a receiver that stopped by itself (the modem went away or failed).
QString ReceiveModeEndedText(int errorCode);

// The row of a fax that arrived at `when` (code page 1252 texts, file name only), with the
// receiver's notes on one line.
ReceivedRecord ReceivedRow(const QDateTime& when, const std::string& remoteId, int pages,
                           const QString& faxFile, const QString& notes = {});

}  // namespace app
