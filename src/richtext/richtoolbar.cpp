// TRichToolBar: items act on the attached pane and follow its caret.
#include "richtext/richtoolbar.h"

#include "richtext/richtext.h"

#include <QAction>
#include <QComboBox>
#include <QFontComboBox>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QTextBlock>

#include <utility>

namespace richtext {
namespace {

constexpr int kSizes[] = {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};

}  // namespace

TRichToolBar::TRichToolBar(QWidget* parent) : QToolBar(parent) {
  buildItems();
  connectItems();
  setEnabled(false);
}

QAction* TRichToolBar::addItem(const char* objectName, const QString& text, const QString& hint,
                               bool checkable) {
  QAction* action = addAction(text);
  action->setObjectName(QString::fromLatin1(objectName));
  action->setToolTip(hint);
  action->setCheckable(checkable);
  return action;
}

void TRichToolBar::buildItems() {
  fontName_ = new QFontComboBox(this);
  fontName_->setObjectName(QStringLiteral("FontName"));
  fontName_->setFontFilters(QFontComboBox::ScalableFonts);
  // Sized for a typical family name, not the longest one installed.
  fontName_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  fontName_->setMinimumContentsLength(14);
  fontName_->setToolTip(tr("Font name"));
  addWidget(fontName_);
  fontSize_ = new QComboBox(this);
  fontSize_->setObjectName(QStringLiteral("FontSize"));
  fontSize_->setEditable(true);
  fontSize_->setToolTip(tr("Font size"));
  for (int size : kSizes) fontSize_->addItem(QString::number(size));
  addWidget(fontSize_);
  keepKeysInside(fontName_);
  keepKeysInside(fontSize_);
  addSeparator();
  normal_ =
      addItem("NormalAction", tr("Normal"), tr("Plain text: no bold, italic or underline"), false);
  bold_ = addItem("BoldAction", tr("B"), tr("Bold"), true);
  italic_ = addItem("ItalicAction", tr("I"), tr("Italic"), true);
  underline_ = addItem("UnderlineAction", tr("U"), tr("Underline"), true);
  // The usual keys work while the pane has the focus; each tool bar adds them to its own
  // pane only, so two panes of one window do not compete for them.
  const std::pair<QAction*, QKeySequence::StandardKey> keys[] = {
      {bold_, QKeySequence::Bold},
      {italic_, QKeySequence::Italic},
      {underline_, QKeySequence::Underline}};
  for (const auto& [action, key] : keys) {
    action->setShortcut(key);
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  }
  addSeparator();
  left_ = addItem("LeftAction", tr("Left"), tr("Align left"), true);
  right_ = addItem("RightAction", tr("Right"), tr("Align right"), true);
  justify_ = addItem("JustifyAction", tr("Justify"), tr("Justify"), true);
  center_ = addItem("CenterAction", tr("Center"), tr("Center"), true);
  addSeparator();
  copy_ = addItem("CopyAction", tr("Copy"), tr("Copy"), false);
  cut_ = addItem("CutAction", tr("Cut"), tr("Cut"), false);
  paste_ = addItem("PasteAction", tr("Paste"), tr("Paste"), false);
  spell_ = addItem("SpellAction", tr("Spell"), tr("Check spelling"), false);
}

void TRichToolBar::connectItems() {
  connect(fontName_, &QFontComboBox::textActivated, this, &TRichToolBar::applyFamily);
  connect(fontSize_, &QComboBox::textActivated, this, &TRichToolBar::applySize);
  connect(normal_, &QAction::triggered, this, [this] {
    QTextCharFormat f;
    f.setFontWeight(QFont::Normal);
    f.setFontItalic(false);
    f.setFontUnderline(false);
    applyFormat(f);
  });
  connect(bold_, &QAction::triggered, this, [this](bool on) {
    QTextCharFormat f;
    f.setFontWeight(on ? QFont::Bold : QFont::Normal);
    applyFormat(f);
  });
  connect(italic_, &QAction::triggered, this, [this](bool on) {
    QTextCharFormat f;
    f.setFontItalic(on);
    applyFormat(f);
  });
  connect(underline_, &QAction::triggered, this, [this](bool on) {
    QTextCharFormat f;
    f.setFontUnderline(on);
    applyFormat(f);
  });
  connect(left_, &QAction::triggered, this,
          [this] { applyAlignment(Qt::AlignLeft | Qt::AlignAbsolute); });
  connect(right_, &QAction::triggered, this,
          [this] { applyAlignment(Qt::AlignRight | Qt::AlignAbsolute); });
  connect(justify_, &QAction::triggered, this, [this] { applyAlignment(Qt::AlignJustify); });
  connect(center_, &QAction::triggered, this, [this] { applyAlignment(Qt::AlignHCenter); });
  connect(copy_, &QAction::triggered, this, [this] {
    if (editor_) editor_->copy();
  });
  connect(cut_, &QAction::triggered, this, [this] {
    if (editor_) editor_->cut();
  });
  connect(paste_, &QAction::triggered, this, [this] {
    if (editor_) editor_->paste();
  });
  connect(spell_, &QAction::triggered, this, [this] {
    if (editor_) editor_->RequestSpellCheck();
  });
}

void TRichToolBar::keepKeysInside(QComboBox* box) {
  box->installEventFilter(this);
  if (box->lineEdit()) box->lineEdit()->installEventFilter(this);
}

// An open list or completion handles its own keys before they get here.
bool TRichToolBar::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QToolBar::eventFilter(watched, event);
  const int key = static_cast<QKeyEvent*>(event)->key();
  const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
  if (!enter && key != Qt::Key_Escape) return QToolBar::eventFilter(watched, event);
  QWidget* box = qobject_cast<QWidget*>(watched);
  if (box && box != fontName_ && box != fontSize_) box = box->parentWidget();
  if (enter && box == fontName_) {
    applyFamily(fontName_->currentText());
  } else if (enter && box == fontSize_) {
    applySize(fontSize_->currentText());
  } else {
    syncFromEditor();
  }
  return true;
}

void TRichToolBar::applyFamily(const QString& typed) {
  const int index = fontName_->findText(typed.trimmed(), Qt::MatchFixedString);
  if (index < 0) {  // not a font of the list: the caret's font stays
    syncFromEditor();
    return;
  }
  QTextCharFormat f;
  f.setFontFamilies(QStringList{fontName_->itemText(index)});
  applyFormat(f);
}

void TRichToolBar::applySize(const QString& text) {
  bool ok = false;
  const double size = text.trimmed().toDouble(&ok);
  if (!ok || size < 1 || size > 1638) {
    syncFromEditor();
    return;
  }
  QTextCharFormat f;
  f.setFontPointSize(size);
  applyFormat(f);
}

void TRichToolBar::SetEditor(TRichText* editor) {
  disconnect(formatConn_);
  disconnect(cursorConn_);
  disconnect(destroyedConn_);
  if (editor_)
    for (QAction* a : {bold_, italic_, underline_}) editor_->removeAction(a);
  editor_ = editor;
  setEnabled(editor != nullptr);
  if (!editor) return;
  editor->addActions({bold_, italic_, underline_});
  formatConn_ =
      connect(editor, &QTextEdit::currentCharFormatChanged, this, [this] { syncFromEditor(); });
  cursorConn_ =
      connect(editor, &QTextEdit::cursorPositionChanged, this, [this] { syncFromEditor(); });
  destroyedConn_ = connect(editor, &QObject::destroyed, this, [this] {
    editor_ = nullptr;  // a pane being destroyed has no actions left to remove
    SetEditor(nullptr);
  });
  syncFromEditor();
}

void TRichToolBar::syncFromEditor() {
  if (!editor_) return;
  CharAttributes a = editor_->CurrentCharAttributes();
  QSignalBlocker nameBlock(fontName_), sizeBlock(fontSize_);
  fontName_->setCurrentFont(QFont(a.fontName));
  // The list opens on the size in use; a size it does not hold is shown as typed.
  const QString size = QString::number(a.pointSize);
  fontSize_->setCurrentIndex(fontSize_->findText(size));
  fontSize_->setEditText(size);
  bold_->setChecked(a.bold);
  italic_->setChecked(a.italic);
  underline_->setChecked(a.underline);
  Qt::Alignment align = editor_->textCursor().blockFormat().alignment();
  justify_->setChecked(align & Qt::AlignJustify);
  center_->setChecked(align & Qt::AlignHCenter);
  right_->setChecked(align & (Qt::AlignRight | Qt::AlignTrailing));
  left_->setChecked(!justify_->isChecked() && !center_->isChecked() && !right_->isChecked());
}

void TRichToolBar::applyFormat(const QTextCharFormat& format) {
  if (!editor_ || editor_->isReadOnly()) return;
  editor_->mergeCurrentCharFormat(format);
  editor_->setFocus();
  syncFromEditor();
}

void TRichToolBar::applyAlignment(Qt::Alignment alignment) {
  if (!editor_ || editor_->isReadOnly()) return;
  editor_->setAlignment(alignment);
  editor_->setFocus();
  syncFromEditor();
}

}  // namespace richtext
