// Help contexts lead to our own pages; unknown ones to the contents.
#include "app/helpwindow.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QTextBrowser>

TEST(Help, EveryContextOfTheMainWindowHasAPageAndUnknownOnesShowTheContents) {
  for (int ctx : {app::helpctx::Contents, app::helpctx::Troubleshooting, app::helpctx::Faq,
                  app::helpctx::FaxEditor}) {
    QFile page(app::HelpPageFor(ctx));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly)) << ctx;
    EXPECT_GT(page.size(), 200) << ctx;
    EXPECT_TRUE(app::HelpPageFor(ctx).contains(QString::number(ctx)));
  }
  EXPECT_EQ(app::HelpPageFor(4242), app::HelpPageFor(app::helpctx::Contents));
  app::THelpWindow w;
  w.ShowContext(app::helpctx::Troubleshooting);
  EXPECT_TRUE(w.HelpText->toPlainText().contains("Troubleshooting Tips"));
}
