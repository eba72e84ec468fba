#include "printededitor.h"

#include "compose/enteredit.h"
#include "compose/faxeditor.h"
#include "richtext/codec/rtfreader.h"
#include "richtext/richtext.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace testutil {

namespace {

int PicturesIn(richtext::TRichText* pane) {
  int n = 0;
  for (const richtext::RtfParagraph& p :
       richtext::ReadRtf(pane->SaveRtf().toStdString()).paragraphs)
    for (const richtext::RtfInline& item : p.items)
      n += item.kind == richtext::RtfInline::Kind::Picture;
  return n;
}

}  // namespace

void WhenEditorOpens(Opened& opened, bool ok) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, &opened, ok] {
    auto* e = qobject_cast<compose::TFaxEditor*>(QApplication::activeModalWidget());
    if (!e || !e->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    opened = {e->Subject->text(), PicturesIn(e->RichDoc), e->RichDoc->textCursor().atStart(), true};
    if (!ok) return e->CancelButton->click();  // untouched: the editor asks nothing
    e->Recipient->setText(QStringLiteral("Accounts"));
    e->FaxNumber->setText(QStringLiteral("555 0142"));
    e->OKButton->click();
  });
  timer->start(50);
}

}  // namespace testutil
