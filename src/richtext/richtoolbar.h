// TRichToolBar: the standard tool bar of a rich-text pane (font name and size lists,
// Normal, Bold, Italic, Underline, the four alignments, Copy, Cut, Paste, Spell check).
// Callers append their own buttons with the usual QToolBar calls. Enter and Escape typed
// into the lists stay there: Enter applies the typed name or size, Escape puts back the
// caret's, and neither reaches the window's default or cancel button.
#pragma once

#include <QToolBar>

class QAction;
class QComboBox;
class QFontComboBox;
class QTextCharFormat;

namespace richtext {

class TRichText;

class TRichToolBar : public QToolBar {
  Q_OBJECT

 public:
  explicit TRichToolBar(QWidget* parent = nullptr);

  void SetEditor(TRichText* editor);  // the pane the items act on; may be null
  TRichText* Editor() const { return editor_; }

  // Items, each with the object name shown in brackets.
  QFontComboBox* FontName() const { return fontName_; }    // "FontName"
  QComboBox* FontSize() const { return fontSize_; }        // "FontSize"
  QAction* NormalAction() const { return normal_; }        // "NormalAction"
  QAction* BoldAction() const { return bold_; }            // "BoldAction"
  QAction* ItalicAction() const { return italic_; }        // "ItalicAction"
  QAction* UnderlineAction() const { return underline_; }  // "UnderlineAction"
  QAction* LeftAction() const { return left_; }            // "LeftAction"
  QAction* RightAction() const { return right_; }          // "RightAction"
  QAction* JustifyAction() const { return justify_; }      // "JustifyAction"
  QAction* CenterAction() const { return center_; }        // "CenterAction"
  QAction* CopyAction() const { return copy_; }            // "CopyAction"
  QAction* CutAction() const { return cut_; }              // "CutAction"
  QAction* PasteAction() const { return paste_; }          // "PasteAction"
  QAction* SpellAction() const { return spell_; }          // "SpellAction"

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QAction* addItem(const char* objectName, const QString& text, const QString& hint,
                   bool checkable);
  void buildItems();
  void connectItems();
  void syncFromEditor();
  void applyFormat(const QTextCharFormat& format);
  void applyAlignment(Qt::Alignment alignment);
  void applyFamily(const QString& family);
  void applySize(const QString& text);
  void keepKeysInside(QComboBox* box);

  TRichText* editor_ = nullptr;
  QMetaObject::Connection formatConn_, cursorConn_, destroyedConn_;
  QFontComboBox* fontName_ = nullptr;
  QComboBox* fontSize_ = nullptr;
  QAction *normal_ = nullptr, *bold_ = nullptr, *italic_ = nullptr, *underline_ = nullptr;
  QAction *left_ = nullptr, *right_ = nullptr, *justify_ = nullptr, *center_ = nullptr;
  QAction *copy_ = nullptr, *cut_ = nullptr, *paste_ = nullptr, *spell_ = nullptr;
};

}  // namespace richtext
