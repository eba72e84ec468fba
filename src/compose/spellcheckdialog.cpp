// The Spell Check dialog: its controls, the walk through the pane, and what each button
// does to the pane and the user dictionary.
#include "compose/spellcheckdialog.h"

#include "compose/controls.h"
#include "compose/speller.h"
#include "richtext/richtext.h"
#include "ui/messages.h"
#include "ui/placement.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace compose {

int CheckPaneSpelling(richtext::TRichText* pane, QWidget* parent) {
  TSpellCheckDialog dialog(parent);
  dialog.SetPane(pane);
  dialog.adjustSize();  // centre it at the size it will be shown with
  ui::CenterFormDefault(&dialog);
  return dialog.exec();
}

TSpellCheckDialog::TSpellCheckDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("SpellCheckDialog"));
  setWindowTitle(QStringLiteral("Spell Check"));
  buildControls();
  FormCreate();
}

void TSpellCheckDialog::buildControls() {
  Speller1 = new TSpeller(this);
  Speller1->setObjectName(QStringLiteral("Speller1"));

  Word = new QLineEdit(this);
  Word->setObjectName(QStringLiteral("Word"));
  Word->setToolTip(QStringLiteral("The spell checker does not have this word in its dictionary"));
  ReplaceAs = new QLineEdit(this);
  ReplaceAs->setObjectName(QStringLiteral("ReplaceAs"));
  ReplaceAs->setToolTip(
      QStringLiteral("The spelling error will be replaced with this word if you click Replace"));
  WordList = new QListWidget(this);
  WordList->setObjectName(QStringLiteral("WordList"));
  WordList->setToolTip(QStringLiteral(
      "Click one of these suggested replacements to move it into the Replace With box"));

  Replace =
      MakeButton(this, "Replace", QStringLiteral("Replace "), QStringLiteral("Replace the word"));
  Replace->setDefault(true);
  Cancelbutton = MakeButton(this, "Cancelbutton", QStringLiteral("Cancel"),
                            QStringLiteral("Cancel the spell check"));
  GetNextWordButton = MakeButton(this, "GetNextWordButton", QStringLiteral("&Skip Word"),
                                 QStringLiteral("Skip the word"));
  Addbutton = MakeButton(this, "Addbutton", QStringLiteral("&Add Word"),
                         QStringLiteral("Add the word to the user dictionary"));

  auto* fields = new QGridLayout;
  fields->addWidget(MakeLabel(this, QStringLiteral("Possible spelling error"), Word), 0, 0);
  fields->addWidget(Word, 1, 0);
  fields->addWidget(MakeLabel(this, QStringLiteral("Replace with"), ReplaceAs), 2, 0);
  fields->addWidget(ReplaceAs, 3, 0);
  fields->addWidget(MakeLabel(this, QStringLiteral("Possible replacements"), WordList), 4, 0);
  fields->addWidget(WordList, 5, 0);
  auto* buttons = new QVBoxLayout;
  for (QPushButton* b : {Replace, GetNextWordButton, Addbutton, Cancelbutton}) {
    b->setAutoDefault(false);
    buttons->addWidget(b);
  }
  buttons->addStretch();
  auto* layout = new QGridLayout(this);
  layout->addLayout(fields, 0, 0);
  layout->addLayout(buttons, 0, 1);
  WordList->setMinimumHeight(140);
  Word->setMinimumWidth(220);

  connect(Replace, &QPushButton::clicked, this, &TSpellCheckDialog::ReplaceClick);
  connect(GetNextWordButton, &QPushButton::clicked, this, &TSpellCheckDialog::NextMisspelled);
  connect(Addbutton, &QPushButton::clicked, this, &TSpellCheckDialog::AddbuttonClick);
  connect(Cancelbutton, &QPushButton::clicked, this, &TSpellCheckDialog::reject);
  connect(WordList, &QListWidget::itemClicked, this, &TSpellCheckDialog::WordListClick);
  connect(WordList, &QListWidget::itemDoubleClicked, this, &TSpellCheckDialog::WordListClick);
}

// A main dictionary that cannot be opened is not reported: the check then finds words
// only in the user dictionary.
void TSpellCheckDialog::FormCreate() {
  Speller1->OpenDictionary(MainDictionaryPath(QString::fromLatin1(kMainDictionaryName)));
  const QString user = UserDictionaryPath(QString::fromLatin1(kUserDictionaryName));
  if (QFileInfo::exists(user))
    userHandle_ = Speller1->OpenUserDictionary(user);
  else
    createUserOnAdd_ = true;
  Addbutton->setEnabled(userHandle_ != -1 || createUserOnAdd_);
}

void TSpellCheckDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!firstActivation_) return;
  firstActivation_ = false;
  QTimer::singleShot(0, this, &TSpellCheckDialog::FormActivate);
}

void TSpellCheckDialog::FormActivate() {
  if (closing_) return;
  if (pane_) pane_->StartWordWalk();
  NextMisspelled();
}

void TSpellCheckDialog::NextMisspelled() {
  QString word;
  WordList->clear();
  while (pane_ && !closing_) {
    word = pane_->NextWord();
    if (word.isEmpty() || !Speller1->CheckWord(word)) break;
  }
  if (!word.isEmpty()) {
    WordList->addItems(Speller1->Suggest(word));
    pane_->SelectWord();
  }
  Word->setText(word);
  ReplaceAs->setText(WordList->count() > 0 ? WordList->item(0)->text() : word);
  if (!word.isEmpty() || closing_) return;
  setResult(kModalCancel);
  hide();
  ui::ShowInfo(QStringLiteral("Spell check complete"));
  QMetaObject::invokeMethod(this, &TSpellCheckDialog::reject, Qt::QueuedConnection);
}

void TSpellCheckDialog::ReplaceClick() {
  if (pane_ && !Word->text().isEmpty()) pane_->ReplaceWord(ReplaceAs->text());
  NextMisspelled();
  if (pane_) pane_->viewport()->update();
}

void TSpellCheckDialog::AddbuttonClick() {
  if (!Word->text().isEmpty()) {
    if (createUserOnAdd_) {
      createUserOnAdd_ = false;
      userHandle_ = Speller1->CreateUserDictionary(
          UserDictionaryPath(QString::fromLatin1(kUserDictionaryName)), {});
      Addbutton->setEnabled(userHandle_ != -1);
    }
    if (userHandle_ != -1) Speller1->AddWord(Word->text(), userHandle_);
  }
  NextMisspelled();
}

void TSpellCheckDialog::WordListClick(QListWidgetItem* item) {
  if (item) ReplaceAs->setText(item->text());
}

void TSpellCheckDialog::reject() { done(kModalCancel); }

void TSpellCheckDialog::done(int result) {
  EndWalk();
  QDialog::done(result);
}

TSpellCheckDialog::~TSpellCheckDialog() { EndWalk(); }

// Whichever way the dialog goes, the pane loses its walk and selection mark once.
void TSpellCheckDialog::EndWalk() {
  if (closing_) return;
  closing_ = true;
  if (pane_) pane_->EndWordWalk();
  Speller1->CloseDictionaries();
}

}  // namespace compose
