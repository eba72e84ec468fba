// Merge-field answers, by field id.
#include "compose/mergeanswer.h"

#include "richtext/codec/mergefield.h"

#include <QLocale>

namespace compose {

QString CutText(const QString& text, int limit) {
  if (text.size() <= limit) return text;
  int n = limit;
  if (n > 0 && text.at(n - 1).isHighSurrogate()) --n;
  return text.left(n);
}

std::optional<QString> MergeFieldAnswer(int id, const MergeSources& sources) {
  const QLocale locale = QLocale::system();
  QString text;
  switch (id) {
    case richtext::kFieldRecipient: text = sources.recipient; break;
    case richtext::kFieldFaxNumber: text = sources.faxNumber; break;
    case richtext::kFieldSubject: text = sources.subject; break;
    case richtext::kFieldDate:
      text = locale.toString(sources.now.date(), QLocale::ShortFormat);
      break;
    case richtext::kFieldTime:
      text = locale.toString(sources.now.time(), QLocale::LongFormat);
      break;
    default: return std::nullopt;
  }
  return CutText(text, kMergeTextLimit);
}

}  // namespace compose
