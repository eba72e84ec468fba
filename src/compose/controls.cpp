// Controls shared by the composing windows.
#include "compose/controls.h"

#include "richtext/richtext.h"

#include <QLabel>
#include <QPushButton>

namespace compose {

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption,
                        const QString& hint) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(QString::fromLatin1(name));
  if (!hint.isEmpty()) button->setToolTip(hint);
  return button;
}

QLabel* MakeLabel(QWidget* parent, const QString& caption, QWidget* buddy) {
  auto* label = new QLabel(caption, parent);
  label->setBuddy(buddy);
  return label;
}

void SetUpPane(richtext::TRichText* pane, int pointSize) {
  const QFont font(QStringLiteral("Arial"), pointSize);
  pane->setFont(font);
  pane->document()->setDefaultFont(font);
  pane->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  pane->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  pane->setTabChangesFocus(false);
  pane->setOverwriteMode(false);
  pane->setAcceptDrops(false);
  pane->viewport()->setAcceptDrops(false);
}

}  // namespace compose
