// Help contexts lead to our own pages; unknown ones to the contents.
#include "ui/helpwindow.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

TEST(Help, EveryContextOfTheMainWindowHasAPageAndUnknownOnesShowTheContents) {
  for (int ctx : {ui::helpctx::Contents, ui::helpctx::Troubleshooting, ui::helpctx::Faq,
                  ui::helpctx::FaxEditor, ui::helpctx::Viewer}) {
    QFile page(ui::HelpPageFor(ctx));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly)) << ctx;
    EXPECT_GT(page.size(), 200) << ctx;
    EXPECT_TRUE(ui::HelpPageFor(ctx).contains(QString::number(ctx)));
  }
  EXPECT_EQ(ui::HelpPageFor(4242), ui::HelpPageFor(ui::helpctx::Contents));
  ui::THelpWindow w;
  w.ShowContext(ui::helpctx::Troubleshooting);
  EXPECT_TRUE(w.HelpText->toPlainText().contains("Troubleshooting Tips"));
}

TEST(Help, HelpOpenedOverAModalWindowTakesItsOwnKeysAndClosesAlone) {
  QDialog modal;
  bool helpShown = false, helpClosedByEscape = false, modalStillOpen = false;
  QTimer::singleShot(0, &modal, [&] {
    ui::ShowHelpContext(ui::helpctx::Contents);
    ui::THelpWindow* help = nullptr;
    for (QWidget* w : QApplication::allWidgets())
      if (auto* h = qobject_cast<ui::THelpWindow*>(w); h && h->isVisible()) help = h;
    helpShown = help && help->isVisible();
    if (helpShown) {
      // Sent as the window system delivers it: a blocked window would never see it.
      QTest::keyClick(help->windowHandle(), Qt::Key_Escape);
      helpClosedByEscape = !help->isVisible();
    }
    modalStillOpen = modal.isVisible();
    modal.accept();
  });
  modal.exec();
  EXPECT_TRUE(helpShown);
  EXPECT_TRUE(helpClosedByEscape);
  EXPECT_TRUE(modalStillOpen);
}
