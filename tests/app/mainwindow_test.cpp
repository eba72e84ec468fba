// The main window driven through its controls: start-up on an empty folder, the lists,
// the enabling rules, deleting, notes, the index rebuild and damaged tables.
#include "app/mainwindow/buttonstates.h"
#include "app/mainwindow/smallforms.h"
#include "app/preferences/preferences.h"
#include "compose/defaultfont.h"
#include "faxengine/device_paths.h"
#include "mainwindow_fixture.h"
#include "settings/appsettings.h"
#include "settings/inifile.h"
#include "support/accessiblenames.h"
#include "ui/beep.h"
#include "ui/helpwindow.h"
#include "windows/faxviewer.h"
#include "windows/sendfax.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <filesystem>
#include <fstream>

using testutil::MainWindowTest;
using testutil::whenModal;
namespace fs = std::filesystem;

namespace {

bool enabled(MainWindowTest& t, app::TMainScreen& w, const char* name) {
  if (auto* b = w.findChild<QToolButton*>(name)) return b->isEnabled();
  if (auto* a = w.findChild<QAction*>(name)) return a->isEnabled();
  ADD_FAILURE() << "no control " << name;
  (void)t;
  return false;
}

}  // namespace

TEST_F(MainWindowTest, EmptyFolderGetsBothTablesWithTheirTagsAndEmptyLists) {
  app::TMainScreen& w = open();
  for (const char* f : {"BDL.DBF", "BDL.FPT", "BDL.CDX", "BDLREC.DBF", "BDLREC.CDX"})
    EXPECT_TRUE(fs::exists(dir.path(f))) << f;
  EXPECT_EQ(w.Store.FaxTable.table().tagArea("DATESENT"), 1);
  EXPECT_EQ(w.Store.RecTable.table().tagArea("DATETIME"), 1);
  const tables::TagInfo tag = w.Store.FaxTable.table().tagInfo(1);
  EXPECT_EQ(tag.keyExpr, "DTOS(DATESENT)+TIMESENT");
  EXPECT_TRUE(tag.descending);
  EXPECT_EQ(rows("FaxGrid"), 0);
  EXPECT_EQ(rows("RecFaxGrid"), 0);
  EXPECT_EQ(w.windowTitle(), "Brindle ");
  EXPECT_TRUE(messages.empty());
}

// Commands reached with nothing selected (a shortcut, a double-click) beep, and every beep
// is one the program counts.
TEST_F(MainWindowTest, CommandsOnEmptyListsBeep) {
  app::TMainScreen& w = open();
  const int before = ui::BeepCount();
  w.CloneButtonClick();
  w.EditButtonClick();
  w.DeleteButtonClick();
  w.mnuViewPrintClick();
  selectTab(int(app::ListPage::Received));
  w.EditButtonClick();
  w.mnuViewPrintClick();
  EXPECT_EQ(ui::BeepCount() - before, 6);
  EXPECT_TRUE(messages.empty());
}

TEST_F(MainWindowTest, PortsSectionNamesTheDeviceBehindEachComNumber) {
  dir.write("BDL.INI", "[Ports]\r\nCom2=/dev/ttyFAKE7\r\n");
  open();
  EXPECT_EQ(faxengine::comDevicePath(2), "/dev/ttyFAKE7");
  EXPECT_EQ(faxengine::comDevicePath(1), "/dev/ttyS0");
}

TEST_F(MainWindowTest, EmptyOutgoingListAllowsOnlyNewAndUsesRecordOrder) {
  app::TMainScreen& w = open();
  EXPECT_TRUE(enabled(*this, w, "Newbutton"));
  for (const char* name :
       {"EditButton", "CloneButton", "DeleteButton", "SendButton", "ViewFaxButton", "mnuEdit",
        "mnuClone", "mnuDelete", "mnuSend", "mnuViewPrint"})
    EXPECT_FALSE(enabled(*this, w, name)) << name;
  EXPECT_TRUE(enabled(*this, w, "ReceiveButton"));
  EXPECT_FALSE(find<QTableView>("FaxGrid")->isEnabled());
  EXPECT_EQ(w.Store.FaxTable.table().indexOrd(), 0);
}

TEST_F(MainWindowTest, ListsShowTheirColumnsNewestFirst) {
  addOutgoing({{"first", "Ann", "555-1", "20240101", "09:00", false},
               {"third", "Cy", "555-3", "20240102", "08:00", true},
               {"second", "Bo", "555-2", "20240101", "17:30", false}});
  addReceived({{"20240305", "10:15", "REMOTE ONE", "FAX0001.BRX", "call back", 3}});
  app::TMainScreen& w = open();
  auto* grid = find<QTableView>("FaxGrid");
  QStringList titles;
  for (int c = 0; c < grid->model()->columnCount(); ++c)
    titles << grid->model()->headerData(c, Qt::Horizontal).toString();
  EXPECT_EQ(titles, QStringList({"Sent", "Date Sent", "Time Sent", "Recipient", "Phone", "Pages",
                                 "Subject", "Last Attempt"}));
  ASSERT_EQ(rows("FaxGrid"), 3);
  EXPECT_EQ(row("FaxGrid", 0)[0], "Yes");
  EXPECT_EQ(row("FaxGrid", 0)[6], "third");
  EXPECT_EQ(row("FaxGrid", 1)[6], "second");
  EXPECT_EQ(row("FaxGrid", 2)[0], "No ");  // with the trailing blank
  EXPECT_EQ(row("FaxGrid", 2)[5], "");     // pages never set
  EXPECT_EQ(w.Store.FaxTable.table().indexOrd(), 1);
  EXPECT_TRUE(enabled(*this, w, "SendButton"));

  ASSERT_EQ(rows("RecFaxGrid"), 1);
  const QStringList r = row("RecFaxGrid", 0);
  EXPECT_EQ(r[1], "10:15");
  EXPECT_EQ(r[2], "REMOTE ONE");
  EXPECT_EQ(r[3], "3");
  EXPECT_EQ(r[4], "call back");
  EXPECT_EQ(r[5], "FAX0001.BRX");
}

TEST_F(MainWindowTest, FirstSizeShowsEveryOutgoingColumnAndWholeDates) {
  const QLocale before;
  QLocale::setDefault(QLocale::c());  // dates as "28 Dec 2026"
  addOutgoing({{"subject", "Ann", "555-1", "20261228", "09:00", true}});
  open();
  auto* grid = find<QTableView>("FaxGrid");
  // Every title whole; every column but the last whole in view, and the last at least as
  // far as its title (the test screen is narrower than the list's full width).
  const int last = grid->model()->columnCount() - 1;
  for (int c = 0; c <= last; ++c) {
    const int title = grid->horizontalHeader()->sectionSizeHint(c);
    EXPECT_GE(grid->columnWidth(c), title) << c;
    EXPECT_LE(grid->columnViewportPosition(c) + (c < last ? grid->columnWidth(c) : title),
              grid->viewport()->width())
        << c;
  }
  // The whole date, not "28 Dec …": the text and the cell's margins fit.
  const QString date = grid->model()->index(0, 1).data().toString();
  EXPECT_GE(grid->columnWidth(1), grid->fontMetrics().horizontalAdvance(date) + 8) << date.toStdString();
  QLocale::setDefault(before);
}

TEST_F(MainWindowTest, ReceivedPageDisablesNewCloneAndSend) {
  addOutgoing({{"a", "Ann", "1", "20240101", "09:00", false}});
  addReceived({{"20240305", "10:15", "X", "FAX0001.BRX", "", 1}});
  app::TMainScreen& w = open();
  selectTab(1);
  EXPECT_EQ(w.NoteBook->currentIndex(), 1);
  for (const char* name :
       {"Newbutton", "CloneButton", "SendButton", "mnuNew", "mnuClone", "mnuSend"})
    EXPECT_FALSE(enabled(*this, w, name)) << name;
  EXPECT_TRUE(enabled(*this, w, "EditButton"));
  EXPECT_TRUE(enabled(*this, w, "ViewFaxButton"));
}

TEST(ButtonStates, ReceiveModeBlocksSendingAndSettingsButNotViewing) {
  app::ListState s;
  s.page = app::ListPage::Received;
  s.sentEmpty = false;
  s.recEmpty = false;
  s.receiveMode = true;
  const app::ButtonStates b = app::ComputeButtonStates(s);
  EXPECT_FALSE(b.edit);
  EXPECT_FALSE(b.del);
  EXPECT_TRUE(b.view);
  EXPECT_FALSE(b.preferences);
  EXPECT_FALSE(b.rebuildIndexes);
  EXPECT_TRUE(b.receive);
  s.page = app::ListPage::Outgoing;
  const app::ButtonStates out = app::ComputeButtonStates(s);
  EXPECT_FALSE(out.send);
  EXPECT_TRUE(out.edit);
  EXPECT_TRUE(out.clone);
}

TEST_F(MainWindowTest, DeletingAnOutgoingFaxAsksWithItsSubjectAndHidesTheRecord) {
  addOutgoing({{"Quarterly", "Ann", "1", "20240101", "09:00", false}});
  app::TMainScreen& w = open();
  answer = ui::mb::IdNo;
  find<QToolButton>("DeleteButton")->click();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].first, "Delete the current fax?\r\n(subject: \"Quarterly\")");
  EXPECT_EQ(messages[0].second, "Delete");
  EXPECT_EQ(rows("FaxGrid"), 1);

  answer = ui::mb::IdYes;
  find<QToolButton>("DeleteButton")->click();
  EXPECT_EQ(rows("FaxGrid"), 0);
  EXPECT_EQ(w.Store.FaxTable.table().recCount(), 1u);  // still in the file until a rebuild
  EXPECT_FALSE(enabled(*this, w, "DeleteButton"));
  EXPECT_FALSE(enabled(*this, w, "CloneButton"));
}

TEST_F(MainWindowTest, DeletingAReceivedFaxRemovesItsFileEvenWhenTheFileIsGone) {
  addReceived({{"20240305", "10:15", "SENDER A", "FAX0001.BRX", "", 1},
               {"20240306", "11:00", "SENDER B", "FAX0002.BRX", "", 1}});
  fs::create_directory(dir.path("receive"));
  dir.write("receive/FAX0001.BRX", "x");
  app::TMainScreen& w = open();
  selectTab(1);
  ASSERT_EQ(rows("RecFaxGrid"), 2);
  selectRow("RecFaxGrid", 1);  // the older fax, FAX0001
  find<QToolButton>("DeleteButton")->click();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].first, "Delete the current fax?\r\n(from: \"SENDER A\")");
  EXPECT_FALSE(fs::exists(dir.path("receive/FAX0001.BRX")));
  ASSERT_EQ(rows("RecFaxGrid"), 1);
  EXPECT_EQ(row("RecFaxGrid", 0)[2], "SENDER B");

  selectRow("RecFaxGrid", 0);  // its file was never there
  find<QToolButton>("DeleteButton")->click();
  EXPECT_EQ(rows("RecFaxGrid"), 0);
  EXPECT_FALSE(enabled(*this, w, "DeleteButton"));
}

TEST_F(MainWindowTest, AStoredFileNameNeverReachesOutsideTheReceiveFolder) {
  addReceived({{"20240305", "10:15", "EVIL", "../BDL.FPT", "", 1}});
  open();
  selectTab(1);
  find<QToolButton>("DeleteButton")->click();
  EXPECT_EQ(rows("RecFaxGrid"), 0);
  EXPECT_TRUE(fs::exists(dir.path("BDL.FPT")));
}

TEST_F(MainWindowTest, ReceivedNotesAreEditedAndCancelKeepsThem) {
  addReceived({{"20240305", "10:15", "SENDER A", "FAX0001.BRX", "old note", 1}});
  app::TMainScreen& w = open();
  selectTab(1);
  QString shownFrom;
  QStringList unnamed;
  whenModal<app::TEditReceiveNotes>([&](app::TEditReceiveNotes& d) {
    shownFrom = d.Descript->text();
    unnamed = testutil::UnnamedFields(&d);
    d.Notes->setText(QString(80, 'n'));  // longer than the field
    d.OKButton->click();
  });
  find<QToolButton>("EditButton")->click();
  EXPECT_EQ(shownFrom, "From: SENDER A");
  EXPECT_EQ(unnamed, QStringList{});
  EXPECT_EQ(w.Store.RecTable.table().getString("NOTES"), std::string(60, 'n'));

  whenModal<app::TEditReceiveNotes>([](app::TEditReceiveNotes& d) {
    d.Notes->setText("changed");
    d.Cancelbutton->click();
  });
  find<QToolButton>("EditButton")->click();
  EXPECT_EQ(w.Store.RecTable.table().getString("NOTES"), std::string(60, 'n'));
}

TEST_F(MainWindowTest, RebuildPacksEveryTableAndKeepsTheListInDateAndTimeOrder) {
  // Neither the order of entry nor its reverse is the order of the day.
  addOutgoing({{"noon", "A", "1", "20240101", "12:00", false},
               {"evening", "C", "3", "20240101", "17:00", false},
               {"gone", "B", "2", "20240102", "10:00", false},
               {"morning", "D", "4", "20240101", "09:00", false}});
  app::TMainScreen& w = open();
  selectRow("FaxGrid", 0);  // "gone", the newest
  find<QToolButton>("DeleteButton")->click();
  ASSERT_EQ(w.Store.FaxTable.table().recCount(), 4u);

  QStringList shown;
  whenModal<app::TRebuildInd>([&shown](app::TRebuildInd& d) {
    QObject::connect(&d, &QDialog::finished, [&shown, &d] { shown << d.WhatAmIDoing->text(); });
  });
  w.mnuRebuildIndexes->trigger();
  EXPECT_EQ(w.Store.FaxTable.table().recCount(), 3u);
  EXPECT_EQ(shown, QStringList({"Rebuilding COVER file indexes"}));
  for (const char* f :
       {"BDLPB.DBF", "BDLPB.CDX", "BDLCOV.DBF", "BDLCOV.FPT", "BDLCOV.CDX", "BDL.CDX"})
    EXPECT_TRUE(fs::exists(dir.path(f))) << f;
  // Faxes of one day stay newest first after the rebuild.
  ASSERT_EQ(rows("FaxGrid"), 3);
  EXPECT_EQ(QStringList({row("FaxGrid", 0)[6], row("FaxGrid", 1)[6], row("FaxGrid", 2)[6]}),
            QStringList({"evening", "noon", "morning"}));
  EXPECT_TRUE(w.FaxGrid->isEnabled());
}

TEST_F(MainWindowTest, AMissingIndexFileIsRebuiltSilently) {
  addOutgoing(
      {{"a", "A", "1", "20240101", "09:00", false}, {"b", "B", "2", "20240301", "10:00", false}});
  {
    app::TMainScreen& w = open();
    w.close();
    window.reset();
  }
  ASSERT_TRUE(fs::remove(dir.path("BDL.CDX")));
  open();
  EXPECT_TRUE(fs::exists(dir.path("BDL.CDX")));
  ASSERT_EQ(rows("FaxGrid"), 2);
  EXPECT_EQ(row("FaxGrid", 0)[6], "b");
  EXPECT_TRUE(messages.empty());
}

TEST_F(MainWindowTest, ATableThatCannotBeMadeClosesTheProgramWithItsMessage) {
  fs::create_directory(dir.path("BDLREC.DBF"));  // in the way of the received table
  app::TMainScreen& w = open();
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages.back().first,
            "Unable to open/create the FAX RECEIVE datafile - closing program");
  EXPECT_TRUE(testutil::waitFor([&w] { return !w.isVisible(); }));
}

TEST_F(MainWindowTest, ShowHintsIsStoredAtOnce) {
  app::TMainScreen& w = open();
  EXPECT_TRUE(w.mnuShowHint->isChecked());
  w.mnuShowHint->trigger();
  settings::IniFile ini(settings::SettingsFilePath());
  ini.load();
  EXPECT_FALSE(ini.readBool("Hints", "On", true));
}

TEST_F(MainWindowTest, DateAndTimeOfTheCurrentFaxForCaptions) {
  addReceived({{"20241224", "15:05", "X", "FAX0001.BRX", "", 1}});
  addOutgoing({{"a", "A", "1", "20240101", "ab:cd", false}});
  app::TMainScreen& w = open();
  const QLocale l;
  EXPECT_EQ(w.GetDatetimeAsString(true), l.toString(QDate(2024, 12, 24), QLocale::ShortFormat) +
                                             " at " +
                                             l.toString(QTime(15, 5), QLocale::ShortFormat));
  EXPECT_TRUE(w.GetDatetimeAsString(false).endsWith(" at ab:cd"));
}

TEST_F(MainWindowTest, DefaultEditorFontOpensTheDefaultFontDialog) {
  app::TMainScreen& w = open();
  compose::FontDialogAnswers().Install([](const QFont&) -> std::optional<QFont> {
    return QFont(QStringLiteral("DejaVu Serif"), 15);
  });
  w.DefaultEditorFont1->trigger();
  compose::FontDialogAnswers().Install({});
  EXPECT_EQ(settings::AppSettings.FontName, "DejaVu Serif");
  EXPECT_EQ(settings::AppSettings.FontSize, 15);
}

// F1 opens help in the main window and in the windows it opens, each at a page of its own;
// the Help menu offers no web address the project does not have.
TEST_F(MainWindowTest, F1OpensHelpInEveryWindowAtItsOwnPage) {
  app::TMainScreen& w = open();
  std::vector<int> topics;
  ui::HelpRequests().Install([&topics](int context) { topics.push_back(context); });
  auto pressF1 = [](QWidget& window) {
    window.show();
    QApplication::setActiveWindow(&window);
    QTest::keyClick(window.focusWidget() ? window.focusWidget() : &window, Qt::Key_F1);
  };
  pressF1(w);
  windows::TSendFaxForm send(&w);
  pressF1(send);
  windows::TFaxViewer viewer(&w);
  pressF1(viewer);
  app::TPreferences preferences(&w);
  pressF1(preferences);
  ui::HelpRequests().Install({});
  ASSERT_EQ(topics.size(), 4u);
  EXPECT_EQ(topics[0], ui::helpctx::Contents);
  for (std::size_t i = 1; i < topics.size(); ++i)
    EXPECT_NE(ui::HelpPageFor(topics[i]), ui::HelpPageFor(ui::helpctx::Contents)) << i;
  for (QAction* a : w.findChild<QMenu*>("Help1")->actions())
    EXPECT_FALSE(a->text().contains("Web", Qt::CaseInsensitive)) << a->text().toStdString();
}

TEST_F(MainWindowTest, AboutBoxShowsTheVersionCentredOverTheWindow) {
  app::TMainScreen& w = open();
  QStringList texts;
  QPoint offCentre;
  whenModal<app::TSplashform>([&](app::TSplashform& d) {
    for (QLabel* l : d.findChildren<QLabel*>()) texts << l->text();
    texts << d.windowTitle();
    offCentre = d.frameGeometry().center() - w.frameGeometry().center();
    d.OkButton->click();
  });
  w.About1->trigger();
  EXPECT_TRUE(texts.contains("About Brindle"));
  EXPECT_TRUE(texts.contains("32-bit version"));
  EXPECT_TRUE(texts.contains("Version 2.8d"));
  EXPECT_LE(offCentre.manhattanLength(), 4) << offCentre.x() << "," << offCentre.y();
}
