// Help contexts lead to our own pages; unknown ones to the contents.
#include "ui/helpwindow.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QTextBrowser>

TEST(Help, EveryContextOfTheMainWindowHasAPageAndUnknownOnesShowTheContents) {
  for (int ctx : {ui::helpctx::Contents, ui::helpctx::Troubleshooting, ui::helpctx::Faq,
                  ui::helpctx::FaxEditor}) {
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
