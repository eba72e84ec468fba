// WordWalker: steps through the words of a document for the spell checker. A word is
// a run of letters with apostrophes inside it; words holding digits and merge fields
// are passed over.
#pragma once

#include <QString>
#include <QTextCursor>

class QTextDocument;

namespace richtext {

class WordWalker {
 public:
  void Start(QTextDocument* doc);
  QString Next();  // empty at the end
  const QTextCursor& Word() const { return word_; }
  void Replace(const QString& text);  // the current word
  void End();
  bool Active() const { return !next_.isNull(); }

 private:
  QTextCursor next_;  // where the search goes on; moves with edits before it
  QTextCursor word_;  // the current word, selected
};

}  // namespace richtext
