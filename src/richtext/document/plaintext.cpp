// Plain text with merge fields shown as their text.
#include "richtext/document/plaintext.h"

#include "richtext/document/mergeobject.h"

#include <QTextBlock>
#include <QTextDocument>

namespace richtext {

QString PlainText(const QTextDocument& doc) {
  QString out;
  for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
    if (b != doc.begin()) out += '\n';
    for (auto it = b.begin(); !it.atEnd(); ++it) {
      QTextFragment f = it.fragment();
      QString text = f.text();
      if (!IsMergeField(f.charFormat())) {
        out += text;
        continue;
      }
      for (QChar c : text)
        out += c == QChar::ObjectReplacementCharacter
                   ? f.charFormat().stringProperty(kPropFieldText)
                   : QString(c);
    }
  }
  return out;
}

QStringList PlainTextLines(const QTextDocument& doc) {
  QString text = PlainText(doc);
  text.replace(QChar::LineSeparator, QLatin1Char('\n'));
  return text.split(QLatin1Char('\n'));
}

}  // namespace richtext
