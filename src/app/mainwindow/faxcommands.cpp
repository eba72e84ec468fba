// Main window: the commands on the fax lists: New, Clone, Edit (an outgoing fax in the
// fax editor, the notes of a received one) and Delete, and new faxes from printed jobs.
#include "app/assembly/richtextmemo.h"
#include "app/mainwindow/mainscreen.h"
#include "app/mainwindow/printedjobs.h"
#include "app/mainwindow/smallforms.h"
#include "compose/defaultfont.h"
#include "compose/enteredit.h"
#include "compose/faxeditor.h"
#include "compose/insertcommands.h"
#include "richtext/richtext.h"
#include "ui/beep.h"
#include "ui/messages.h"
#include "ui/placement.h"
#include "ui/tabletext.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTabBar>
#include <QTextCursor>
#include <QTimer>

namespace app {

void TMainScreen::NewbuttonClick() {
  composeNewFax([this](compose::TFaxEditor& editor) {
    if (CloneMode) {
      loadEditor(editor, QStringLiteral("[clone]"));
    } else {
      compose::ApplyDefaultFont(editor.RichCover);
      compose::ApplyDefaultFont(editor.RichDoc);
    }
    return true;
  });
}

bool TMainScreen::composeNewFax(const std::function<bool(compose::TFaxEditor&)>& prepare) {
  bool stored = false;
  {
    compose::TFaxEditor editor(this);
    editor.Store = composeStore_.get();
    if (prepare(editor)) {
      // A refused write brings the editor back with everything in it, to try again or to
      // copy the text out.
      while (!stored && editor.exec() == compose::kModalOk) stored = storeEditor(editor, true);
      reopen(&FaxStore::ReopenOutgoing);
      PumpMessages();
    }
  }
  CloneMode = false;
  SetButtons();
  return stored;
}

void TMainScreen::TakePrintedJobs() {
  if (!printedJobs_ || takingJobs_ || closing_ || closeQueued_) return;
  // Another window (a fax being sent, the Preferences) has the user's attention first.
  if (QApplication::activeModalWidget()) {
    QTimer::singleShot(1000, this, &TMainScreen::TakePrintedJobs);
    return;
  }
  takingJobs_ = true;
  // Jobs printed while an editor is open are found on the next pass.
  for (bool more = true; more && !closing_ && !closeQueued_;) {
    more = false;
    for (const QString& job : printedJobs_->Waiting()) {
      if (jobsKept_.contains(job)) continue;
      faxPrintedJob(job);
      more = true;
      break;
    }
  }
  takingJobs_ = false;
}

void TMainScreen::faxPrintedJob(const QString& job) {
  const QString title = PrintedJobs::Title(job);
  TabSet1->setCurrentIndex(int(ListPage::Outgoing));
  CloneMode = false;
  bool pagesIn = false;
  const bool stored = composeNewFax([&](compose::TFaxEditor& editor) {
    compose::ApplyDefaultFont(editor.RichCover);
    compose::ApplyDefaultFont(editor.RichDoc);
    editor.Subject->setText(title.left(editor.Subject->maxLength()));
    pagesIn = compose::InsertDocumentFile(editor.RichDoc, job, this);
    // The document shows from its first page, not from where the insertion ended.
    editor.RichDoc->moveCursor(QTextCursor::Start);
    return pagesIn;
  });
  // A job that cannot be read was reported by name: offering it again would fail again.
  const bool keep = !stored && pagesIn &&
                    ui::AskYesNo(QStringLiteral("Keep the printed document \"%1\" to fax later? "
                                                "It opens again when Brindle next starts.")
                                     .arg(title.isEmpty() ? QFileInfo(job).fileName() : title),
                                 QStringLiteral("Printed document"));
  if (keep)
    jobsKept_ << job;
  else
    QFile::remove(job);
}

void TMainScreen::loadEditor(compose::TFaxEditor& editor, const QString& subjectPrefix) {
  LoadRichText(*editor.RichCover, "RTFCOVER", Store.FaxBinding);
  LoadRichText(*editor.RichDoc, "RTFDOC", Store.FaxBinding);
  editor.Recipient->setText(ui::FieldText(Store.FaxTable, "RECIPIENT"));
  editor.Subject->setText(subjectPrefix + ui::FieldText(Store.FaxTable, "SUBJECT"));
  editor.FaxNumber->setText(ui::FieldText(Store.FaxTable, "PHONE"));
}

bool TMainScreen::storeEditor(compose::TFaxEditor& editor, bool append) {
  try {
    if (append) {
      Store.FaxTable.append();
      PumpMessages();
    } else {
      Store.FaxTable.edit();
    }
    SaveRichText(*editor.RichCover, "RTFCOVER", Store.FaxBinding);
    SaveRichText(*editor.RichDoc, "RTFDOC", Store.FaxBinding);
    ui::PutFieldText(Store.FaxTable, "RECIPIENT", editor.Recipient->text());
    ui::PutFieldText(Store.FaxTable, "SUBJECT", editor.Subject->text());
    ui::PutFieldText(Store.FaxTable, "PHONE", editor.FaxNumber->text());
    Store.FaxTable.post();
    PumpMessages();
    return true;
  } catch (const std::exception& e) {
    Store.FaxTable.cancel();
    ui::ReportFailure(e);
  }
  // A table that refused a write takes writes again once reopened (on the same record).
  reopen(&FaxStore::ReopenOutgoing);
  return false;
}

void TMainScreen::CloneButtonClick() {
  if (FaxStore::IsEmpty(Store.FaxTable)) {
    ui::Beep();
    return;
  }
  CloneMode = true;
  NewbuttonClick();
}

void TMainScreen::EditButtonClick() {
  if (Page() == ListPage::Received)
    EditReceivedFax();
  else
    EditSentFax();
}

void TMainScreen::EditSentFax() {
  if (FaxStore::IsEmpty(Store.FaxTable)) {
    ui::Beep();
    return;
  }
  compose::TFaxEditor editor(this);
  editor.Store = composeStore_.get();
  loadEditor(editor, QString());
  while (editor.exec() == compose::kModalOk && !storeEditor(editor, false)) {
  }
}

void TMainScreen::EditReceivedFax() {
  if (FaxStore::IsEmpty(Store.RecTable)) {
    ui::Beep();
    return;
  }
  const std::uint32_t remembered = Store.RecTable.recNo();
  TEditReceiveNotes dialog(this);
  dialog.Descript->setText(QStringLiteral("From: ") + ui::FieldText(Store.RecTable, "FROM"));
  dialog.Notes->setText(ui::FieldText(Store.RecTable, "NOTES"));
  ui::CenterFormDefault(&dialog);
  if (dialog.exec() != QDialog::Accepted) return;
  if (remembered == 0 || remembered > Store.RecTable.table().recCount()) return;
  try {
    Store.RecTable.go(remembered);
    Store.RecTable.edit();
    ui::PutFieldText(Store.RecTable, "NOTES", dialog.Notes->text());
    Store.RecTable.post();
  } catch (const std::exception& e) {
    Store.RecTable.cancel();
    ui::ReportFailure(e);
  }
}

QString TMainScreen::CurrentReceivedFaxPath() {
  // Only the file name counts: a stored name never reaches outside the receive folder.
  const QString name = QFileInfo(ui::FieldText(Store.RecTable, "FAXFILE").trimmed()).fileName();
  if (name.isEmpty()) return {};
  return QString::fromStdString(ReceiveDir()) + QLatin1Char('/') + name;
}

void TMainScreen::DeleteButtonClick() {
  const bool received = Page() == ListPage::Received;
  tables::Cursor& table = received ? Store.RecTable : Store.FaxTable;
  if (FaxStore::IsEmpty(table)) {
    ui::Beep();
    return;
  }
  const QString what = received ? QStringLiteral("from") : QStringLiteral("subject");
  const QString value = ui::FieldText(table, received ? "FROM" : "SUBJECT");
  const QString question =
      QStringLiteral("Delete the current fax?\r\n(%1: \"%2\")").arg(what, value);
  if (!ui::AskYesNoDefaultNo(question, QStringLiteral("Delete"))) return;
  const QString faxFile = received ? CurrentReceivedFaxPath() : QString();
  try {
    table.deleteRecord();
  } catch (const std::exception& e) {
    ui::ReportFailure(e);
    SetButtons();
    return;
  }
  if (received) {
    reopen(&FaxStore::ReopenReceived);
    if (!faxFile.isEmpty()) QFile::remove(faxFile);
  } else {
    reopen(&FaxStore::ReopenOutgoing);
  }
  SetButtons();
}

}  // namespace app
