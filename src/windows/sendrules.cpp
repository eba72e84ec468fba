// Header line, init string, dial numbers and call results.
#include "windows/sendrules.h"

#include "faxcodes/texts.h"

#include <QLocale>

namespace windows {

QString BuildHeader(const QString& name, const QString& stationId, const QDateTime& now) {
  QString line = QStringLiteral("Page $P of $N, Sent ");
  if (!(name + stationId).trimmed().isEmpty()) line += QStringLiteral("by ");
  if (!name.isEmpty()) line += name + QStringLiteral(",");
  if (!stationId.isEmpty()) line += QStringLiteral(" $I ");
  // English month names and a 12-hour clock with two-digit hours, whatever the locale.
  const QLocale c = QLocale::c();
  line += QStringLiteral(" on ") + c.toString(now.date(), QStringLiteral("d MMM yyyy")) +
          QStringLiteral(" at ") + c.toString(now.time(), QStringLiteral("hh:mmap"));
  return line;
}

std::optional<QString> SenderModemInit(const QString& typed) {
  if (typed.isEmpty()) return std::nullopt;
  if (typed.toUpper().contains(QStringLiteral("AT"))) return typed;
  return QStringLiteral("AT") + typed;
}

std::optional<int> WholeNumber(const QString& text) {
  bool ok = false;
  const int n = text.trimmed().toInt(&ok, 10);
  if (!ok) return std::nullopt;
  return n;
}

QString FinishText(int code) {
  return code == 0 ? QStringLiteral("OK") : QString::fromUtf8(faxcodes::errorText(code));
}

QString CallResultText(int code) {
  const QString text = FinishText(code);
  return code == 0 || text.toUpper() == QStringLiteral("OK") ? QStringLiteral("Sent") : text;
}

bool IsSentResult(const QString& result) {
  const QString upper = result.toUpper();
  return upper == QStringLiteral("SENT") || upper == QStringLiteral("OK");
}

}  // namespace windows
