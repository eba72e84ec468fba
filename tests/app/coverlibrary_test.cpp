// The cover-sheet library through the real main window and fax editor: templates made,
// cloned and deleted; a template picked into a fax with its fields merged and its looks
// kept; a template that reads back equal after the program starts again.
#include "compose/coverbrowse.h"
#include "compose/covereditor.h"
#include "compose/enteredit.h"
#include "compose/faxeditor.h"
#include "mainwindow_fixture.h"
#include "richtext/codec/mergefield.h"
#include "richtext/richtext.h"
#include "support/failat.h"
#include "ui/beep.h"
#include "ui/tablegrid.h"

#include <QAction>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTextBlock>
#include <QToolButton>

#include <optional>

using compose::TCoverBrowse;
using compose::TCoverEditor;
using compose::TFaxEditor;
using testutil::MainWindowTest;
using testutil::whenModal;

namespace {

const QDateTime kLoadedAt(QDate(2024, 3, 9), QTime(14, 5, 7));

// Types "To " and the five fields in bold 14-point Arial through the Insert menu.
void writeBoldTemplate(TCoverEditor& e) {
  QTextCharFormat f;
  f.setFontFamilies({QStringLiteral("Arial")});
  f.setFontPointSize(14);
  f.setFontWeight(QFont::Bold);
  e.RichCover->setCurrentCharFormat(f);
  e.RichCover->insertPlainText(QStringLiteral("To "));
  for (QAction* item : {e.mnuRecipient1, e.mnuFaxNumber1, e.mnuSubject, e.mnuDate, e.mnuTime}) {
    item->trigger();
    e.RichCover->insertPlainText(QStringLiteral(" "));
  }
}

// New in the browser; `fill` writes the template, which is then accepted.
template <class Fill>
void newTemplate(TCoverBrowse& b, Fill fill) {
  whenModal<TCoverEditor>([fill](TCoverEditor& e) {
    fill(e);
    e.OKbutton->click();
  });
  b.NewButton->click();
}

QStringList descriptions(TCoverBrowse& b) {
  QStringList out;
  QAbstractItemModel* m = b.CoverGrid->model();
  for (int r = 0; r < m->rowCount(); ++r) out << m->index(r, 0).data().toString();
  return out;
}

void selectGridRow(QTableView* grid, int r) {
  grid->selectionModel()->setCurrentIndex(
      grid->model()->index(r, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

QStringList fieldTexts(const richtext::TRichText* pane) {
  QStringList texts;
  for (const richtext::MergeFieldInfo& f : pane->MergeFieldList()) texts << f.text;
  return texts;
}

// Every piece of the pane's text, fields included, is bold at the given size.
bool allBoldAt(const richtext::TRichText* pane, double size) {
  for (QTextBlock b = pane->document()->begin(); b.isValid(); b = b.next())
    for (auto it = b.begin(); !it.atEnd(); ++it) {
      const QTextCharFormat f = it.fragment().charFormat();
      if (f.fontWeight() < QFont::Bold || f.fontPointSize() != size) return false;
    }
  return true;
}

class CoverLibrary : public MainWindowTest {
 protected:
  // A template stored straight into the cover table, as an earlier run left it.
  void addTemplate(const std::string& description) {
    TCoverEditor writer;
    writeBoldTemplate(writer);
    const QByteArray rtf = writer.RichCover->SaveRtf();
    appendTo(app::CoverTable(), [&](tables::Table& t) {
      t.append();
      t.putString("DESCRIPT", description);
      t.putMemo("COVER", rtf.toStdString());
      t.post();
    });
  }
};

}  // namespace

TEST_F(CoverLibrary, TemplatesAreMadeClonedAndDeletedInDescriptionOrder) {
  app::TMainScreen& w = open();
  QString firstDescription, cloneDescription, afterCloneDescription;
  int cloneFields = -1;
  bool afterCloneEmpty = false;
  QString question;
  QStringList afterNo, afterYes, listed;
  whenModal<TCoverBrowse>([&](TCoverBrowse& b) {
    EXPECT_TRUE(b.CloseButton->isVisible());
    EXPECT_FALSE(b.Acceptbutton->isVisible());
    newTemplate(b, [&](TCoverEditor& e) {
      firstDescription = e.CoverDescription->text();
      e.CoverDescription->setText(QStringLiteral("Zulu memo"));
      e.RichCover->insertPlainText(QStringLiteral("Memo"));
    });
    newTemplate(b, [](TCoverEditor& e) {
      e.CoverDescription->setText(QStringLiteral("Alpha letter"));
      writeBoldTemplate(e);
    });
    newTemplate(b, [](TCoverEditor& e) {
      e.CoverDescription->setText(QStringLiteral("A description far longer than the field holds"));
    });
    listed = descriptions(b);

    selectGridRow(b.CoverGrid, 1);  // Alpha letter
    whenModal<TCoverEditor>([&](TCoverEditor& e) {
      cloneDescription = e.CoverDescription->text();
      cloneFields = int(e.RichCover->MergeFieldList().size());
      e.OKbutton->click();
    });
    b.CloneButton->click();
    // Clone lasts for one New: the next starts afresh, and Cancel adds nothing.
    whenModal<TCoverEditor>([&](TCoverEditor& e) {
      afterCloneDescription = e.CoverDescription->text();
      afterCloneEmpty = e.RichCover->IsEmpty();
      e.CancelButton->click();
    });
    b.NewButton->click();

    selectGridRow(b.CoverGrid, int(descriptions(b).indexOf("Zulu memo")));
    answer = ui::mb::IdNo;
    b.DeleteButton->click();
    question = messages.back().first;
    afterNo = descriptions(b);
    answer = ui::mb::IdYes;
    b.DeleteButton->click();
    afterYes = descriptions(b);
    b.CloseButton->click();
  });
  w.mnuCover->trigger();

  EXPECT_EQ(firstDescription, "{description}");
  EXPECT_EQ(listed, (QStringList{"A description far longer than the f", "Alpha letter",
                                 "Zulu memo"}));  // cut to the field's 35 characters
  EXPECT_EQ(cloneDescription, "[clone]Alpha letter");
  EXPECT_EQ(cloneFields, 5);
  EXPECT_EQ(afterCloneDescription, "{description}");
  EXPECT_TRUE(afterCloneEmpty);
  EXPECT_TRUE(question.endsWith("\rZulu memo")) << question.toStdString();
  EXPECT_EQ(afterNo.size(), 4);
  EXPECT_TRUE(afterNo.contains("Zulu memo"));
  EXPECT_EQ(afterYes.size(), 3);
  EXPECT_FALSE(afterYes.contains("Zulu memo"));
  EXPECT_FALSE(w.Store.CoverTable.active());  // the library closes its table behind it
}

TEST_F(CoverLibrary, APickedTemplateTakesTheFaxsDataOnceAndKeepsItsLooks) {
  addTemplate("Bold cover");
  app::TMainScreen& w = open();
  QStringList merged, stillMerged;
  bool bold = false;
  QString shown;
  whenModal<TFaxEditor>([&](TFaxEditor& e) {
    e.Clock = [] { return kLoadedAt; };
    e.Recipient->setText(QStringLiteral("Zoë Müller"));
    e.FaxNumber->setText(QStringLiteral("+49 30 1234"));
    e.Subject->setText(QStringLiteral("Offer"));
    e.RichCover->setPlainText(QStringLiteral("an old cover"));
    whenModal<TCoverBrowse>([](TCoverBrowse& b) {
      EXPECT_FALSE(b.CloseButton->isVisible());
      b.Acceptbutton->click();
    });
    e.LoadCoverButton->defaultAction()->trigger();
    merged = fieldTexts(e.RichCover);
    bold = allBoldAt(e.RichCover, 14);
    shown = e.RichCover->PlainTextLines().join('\n');
    e.Recipient->setText(QStringLiteral("Someone else"));
    stillMerged = fieldTexts(e.RichCover);
    e.OKButton->click();
  });
  w.Newbutton->click();

  const QLocale locale = QLocale::system();
  EXPECT_EQ(merged, (QStringList{"Zoë Müller", "+49 30 1234", "Offer",
                                 locale.toString(kLoadedAt.date(), QLocale::ShortFormat),
                                 locale.toString(kLoadedAt.time(), QLocale::LongFormat)}));
  EXPECT_EQ(stillMerged, merged);
  EXPECT_TRUE(bold);
  EXPECT_TRUE(shown.startsWith("To Zoë Müller +49 30 1234 Offer ")) << shown.toStdString();
  EXPECT_FALSE(w.Store.CoverTable.active());
  // The fax keeps the merged cover; nothing merges it again later.
  richtext::TRichText stored;
  stored.LoadRtf(QByteArray::fromStdString(w.Store.FaxTable.table().getMemo("RTFCOVER")));
  EXPECT_EQ(fieldTexts(&stored), merged);
}

TEST_F(CoverLibrary, AcceptWithNoTemplateBeepsAndCancelKeepsTheCover) {
  app::TMainScreen& w = open();
  QString cover;
  int beeps = -1;
  whenModal<TFaxEditor>([&](TFaxEditor& e) {
    e.RichCover->setPlainText(QStringLiteral("mine"));
    whenModal<TCoverBrowse>([&](TCoverBrowse& b) {
      const int before = ui::BeepCount();
      b.Acceptbutton->click();
      beeps = ui::BeepCount() - before;
      EXPECT_TRUE(b.isVisible());
      b.reject();  // Escape
    });
    e.LoadCoverButton->defaultAction()->trigger();
    cover = e.RichCover->toPlainText();
    e.OKButton->click();
  });
  w.Newbutton->click();
  EXPECT_EQ(beeps, 1);
  EXPECT_EQ(cover, "mine");
}

// A write the cover table refuses brings the template editor back with its content.
TEST_F(CoverLibrary, ARefusedWriteBringsTheTemplateEditorBackWithItsContent) {
  app::TMainScreen& w = open();
  QString shownAgain;
  QStringList listed;
  whenModal<TCoverBrowse>([&](TCoverBrowse& b) {
    std::optional<testutil::FailAt> diskFull;
    diskFull.emplace(1, base::FaultInjector::Action::DiskFull, "BDLCOV");
    testutil::when([&] { return !messages.empty() && QApplication::activeModalWidget() != &b; },
                   [&] {
                     auto* e = qobject_cast<TCoverEditor*>(QApplication::activeModalWidget());
                     ASSERT_TRUE(e);
                     diskFull.reset();
                     shownAgain = e->CoverDescription->text() + "|" + e->RichCover->toPlainText();
                     e->OKbutton->click();
                   });
    newTemplate(b, [](TCoverEditor& e) {
      e.CoverDescription->setText("Letterhead");
      e.RichCover->setPlainText("Dear reader");
    });
    listed = descriptions(b);
    b.CloseButton->click();
  });
  w.mnuCover->trigger();
  EXPECT_EQ(messages.size(), 1u);
  EXPECT_EQ(shownAgain, "Letterhead|Dear reader");
  EXPECT_EQ(listed, QStringList{"Letterhead"});
}

TEST_F(CoverLibrary, ATemplateReadsBackEqualAfterTheProgramStartsAgain) {
  open();
  QByteArray written, readBack;
  whenModal<TCoverBrowse>([&](TCoverBrowse& b) {
    newTemplate(b, [&](TCoverEditor& e) {
      e.CoverDescription->setText(QStringLiteral("Kept"));
      writeBoldTemplate(e);
      written = e.RichCover->SaveRtf();
    });
    b.CloseButton->click();
  });
  window->mnuCover->trigger();
  window->close();
  window.reset();

  open();
  whenModal<TCoverBrowse>([&](TCoverBrowse& b) {
    whenModal<TCoverEditor>([&](TCoverEditor& e) {
      readBack = e.RichCover->SaveRtf();
      e.CancelButton->click();
    });
    b.ModifyButton->click();
    b.CloseButton->click();
  });
  window->mnuCover->trigger();
  EXPECT_FALSE(written.isEmpty());
  EXPECT_EQ(readBack, written);
}

TEST_F(CoverLibrary, ATableThatCannotBeOpenedIsNamedAndNoWindowOpens) {
  dir.write("BDLCOV.DBF", "not a table");
  app::TMainScreen& w = open();
  bool opened = false;
  QTimer::singleShot(0, [&] {
    if (QWidget* m = QApplication::activeModalWidget()) {
      opened = true;
      m->close();
    }
  });
  w.mnuCover->trigger();
  QApplication::processEvents();
  EXPECT_FALSE(opened);
  ASSERT_FALSE(messages.empty());
  EXPECT_TRUE(messages.back().first.contains("BDLCOV.DBF")) << messages.back().first.toStdString();
}
