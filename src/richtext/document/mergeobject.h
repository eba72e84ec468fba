// Merge fields inside a QTextDocument: one object character whose character format
// carries the field's id, display name and current text, drawn by MergeFieldObject.
// Being one character, a field is selected, moved and deleted as one unit.
#pragma once

#include <QObject>
#include <QTextCharFormat>
#include <QTextObjectInterface>

class QTextDocument;

namespace richtext {

constexpr int kMergeFieldObjectType = QTextFormat::UserObject + 42;
enum : int {
  kPropFieldId = QTextFormat::UserProperty + 0x4300,
  kPropFieldName,
  kPropFieldText,
};

QTextCharFormat MergeFieldFormat(QTextCharFormat base, int id, const QString& name,
                                 const QString& text);
inline bool IsMergeField(const QTextCharFormat& f) {
  return f.objectType() == kMergeFieldObjectType;
}

// Draws fields: with marks (the editor) on a tinted background, without (pages) plain.
class MergeFieldObject : public QObject, public QTextObjectInterface {
  Q_OBJECT
  Q_INTERFACES(QTextObjectInterface)

 public:
  MergeFieldObject(bool marked, QObject* parent) : QObject(parent), marked_(marked) {}
  QSizeF intrinsicSize(QTextDocument* doc, int pos, const QTextFormat& format) override;
  void drawObject(QPainter* painter, const QRectF& rect, QTextDocument* doc, int pos,
                  const QTextFormat& format) override;

 private:
  bool marked_;
};

// Installs the field drawer on doc's layout (again after the layout is replaced).
void RegisterMergeFields(QTextDocument* doc, bool marked);

}  // namespace richtext
