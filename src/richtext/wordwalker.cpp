// Word walk over a QTextDocument.
#include "richtext/wordwalker.h"

#include <QTextDocument>

namespace richtext {
namespace {

bool IsApostrophe(QChar c) { return c == u'\'' || c == QChar(0x2019); }

}  // namespace

void WordWalker::Start(QTextDocument* doc) {
  next_ = QTextCursor(doc);
  word_ = QTextCursor();
}

QString WordWalker::Next() {
  if (next_.isNull()) return {};
  QTextDocument* doc = next_.document();
  const int end = doc->characterCount() - 1;
  int pos = next_.position();
  while (pos < end) {
    while (pos < end && !doc->characterAt(pos).isLetterOrNumber()) ++pos;
    int start = pos;
    bool digits = false;
    while (pos < end) {
      QChar c = doc->characterAt(pos);
      if (c.isLetterOrNumber()) {
        digits |= c.isDigit();
        ++pos;
      } else if (IsApostrophe(c) && pos + 1 < end && doc->characterAt(pos + 1).isLetter()) {
        ++pos;
      } else {
        break;
      }
    }
    if (pos > start && !digits) {
      word_ = QTextCursor(doc);
      word_.setPosition(start);
      word_.setPosition(pos, QTextCursor::KeepAnchor);
      next_.setPosition(pos);
      return word_.selectedText();
    }
  }
  next_.setPosition(end);
  word_ = QTextCursor();
  return {};
}

void WordWalker::Replace(const QString& text) {
  if (word_.isNull() || !word_.hasSelection()) return;
  word_.insertText(text);  // keeps the word's character format
  next_.setPosition(word_.position());
  word_.clearSelection();
}

void WordWalker::End() {
  next_ = QTextCursor();
  word_ = QTextCursor();
}

}  // namespace richtext
