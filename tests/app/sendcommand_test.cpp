// The Send command without a call: a dialog closed at once hands back "Cancelled".
#include "mainwindow_fixture.h"
#include "windows/sendfax.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

using testutil::MainWindowTest;

TEST_F(MainWindowTest, ClosingTheSendDialogStoresCancelledAndKeepsTheFaxUnsent) {
  addOutgoing({{"Figures", "Ann Example", "555 0100", "20240102", "09:15", false}});
  dir.write("BDL.INI", "[Dialing]\r\nDialAttempts=4\r\n[Modem]\r\nMaximumBPS=7300\r\n");
  app::TMainScreen& w = open();
  w.Store.FaxTable.edit();
  w.Store.FaxTable.table().putMemo("RTFDOC", "{\\rtf1\\ansi\\f0\\fs24 Hello\\par}");
  w.Store.FaxTable.post();
  QString faxFile, attempts, rate;
  testutil::whenModal<windows::TSendFaxForm>(
      [](windows::TSendFaxForm&) { return true; },
      [&](windows::TSendFaxForm& d) {
        faxFile = d.FaxFileName;
        attempts = d.sfDialAttempts->text();
        rate = d.TransferRate->currentText();
        d.sfDialAttempts->setText("many");  // not a number: the setting stays
        d.CloseButton->click();
      });
  find<QToolButton>("SendButton")->click();
  EXPECT_EQ(attempts, "4");
  EXPECT_EQ(rate, "9600");  // an unlisted rate shows as 9600
  EXPECT_FALSE(faxFile.isEmpty());
  EXPECT_FALSE(QFile::exists(faxFile));
  EXPECT_EQ(w.Store.FaxTable.table().getString("LASTRESULT"), "Cancelled");
  EXPECT_EQ(w.Store.FaxTable.table().getNumber("PAGES"), 1);
  EXPECT_FALSE(w.Store.FaxTable.table().getLogical("SENT"));
  EXPECT_EQ(w.Store.FaxTable.table().getString("DATESENT"), "20240102");
  EXPECT_EQ(settings::AppSettings.DialAttempts, 4);
}
