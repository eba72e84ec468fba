// The rules of sending that the send dialog and its caller share: the header line of the
// pages, the init string handed to the sender, the dial numbers typed by the user, and
// what a finished call hands back.
#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

namespace windows {

// The header line template ("$P" page, "$N" pages, "$I" station ID) stamped on every
// page: "Page $P of $N, Sent by <name>, $I  on 6 Dec 2026 at 03:05pm".
QString BuildHeader(const QString& name, const QString& stationId, const QDateTime& now);

// The user's init string as the sender gets it: "AT" in front unless its upper-cased
// form already holds "AT" somewhere; nothing for an empty one (the sender keeps its own).
std::optional<QString> SenderModemInit(const QString& typed);

// A whole decimal number typed by the user, or nothing.
std::optional<int> WholeNumber(const QString& text);

// The engine's text for a finished call's code ("OK" for success).
QString FinishText(int code);
// What the dialog hands back for a finished call: "Sent" on success, else FinishText.
QString CallResultText(int code);
// True for a result that marks the fax sent ("SENT" or "OK" in any case).
bool IsSentResult(const QString& result);

// What the send dialog hands back: the result text of its last finished call, and when a
// call of it went through (null when none did). A later failed attempt from the same
// dialog does not take back a fax that was sent.
struct SendOutcome {
  QString resultText = QStringLiteral("Cancelled");
  QDateTime sentAt;
};

// Texts handed to the sender are cut to this length.
inline constexpr int kMaxSenderText = 255;

}  // namespace windows
