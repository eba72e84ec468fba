// The plain text of a rich text: merge fields as the text they show, paragraphs and
// line breaks as line ends.
#pragma once

#include <QString>
#include <QStringList>

class QTextDocument;

namespace richtext {

// Paragraphs joined by '\n'; line breaks inside a paragraph stay as they are.
QString PlainText(const QTextDocument& doc);
// Split at paragraph and line breaks.
QStringList PlainTextLines(const QTextDocument& doc);

}  // namespace richtext
