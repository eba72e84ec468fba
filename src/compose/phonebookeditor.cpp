// The phone-book entry editor.
#include "compose/phonebookeditor.h"

#include "compose/controls.h"
#include "ui/helpwindow.h"
#include "ui/refusedtyping.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace compose {

namespace {

// The phone book stores its fields in code page 1252; a number keeps to what can be dialled.
QLineEdit* makeEdit(QWidget* parent, const char* name, int maxLength, const char* hint,
                    ui::TypingRule rule) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setMaxLength(maxLength);
  edit->setToolTip(QString::fromUtf8(hint));
  ui::RefuseTyping(edit, std::move(rule));
  return edit;
}

}  // namespace

TPhoneBookEditor::TPhoneBookEditor(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("PhoneBookEditor"));
  setWindowTitle(QStringLiteral("Phone Book Editor"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  Name = makeEdit(this, "Name", 35, "Type the recipient's name here", ui::TableTextRule());
  Number = makeEdit(this, "Number", 25, "Type the fax number here", ui::FaxNumberRule());
  OKButton = MakeButton(this, "OKButton", QStringLiteral("&Accept"),
                        QStringLiteral("Accept changes made and exit"));
  OKButton->setDefault(true);
  Cancelbutton = MakeButton(this, "Cancelbutton", QStringLiteral("Cance&l"),
                            QStringLiteral("Cancel changes made and exit"));
  Helpbutton = MakeButton(this, "Helpbutton", QStringLiteral("&Help"));

  auto* layout = new QGridLayout(this);
  layout->addWidget(MakeLabel(this, QStringLiteral("&Name"), Name), 0, 0);
  layout->addWidget(Name, 0, 1);
  layout->addWidget(MakeLabel(this, QStringLiteral("&Fax Number"), Number), 1, 0);
  layout->addWidget(Number, 1, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  for (QPushButton* b : {OKButton, Cancelbutton, Helpbutton}) buttons->addWidget(b);
  layout->addLayout(buttons, 2, 0, 1, 2);
  Name->setMinimumWidth(Name->fontMetrics().averageCharWidth() * 36);
  setFixedSize(sizeHint());

  connect(OKButton, &QPushButton::clicked, this, [this] { done(kModalOk); });
  connect(Cancelbutton, &QPushButton::clicked, this, [this] { done(kModalCancel); });
  connect(Helpbutton, &QPushButton::clicked, this,
          [this] { ui::ShowHelpContext(ui::helpctx::PhoneBookEditor, this); });
  ui::AddHelpKey(Helpbutton);
}

void TPhoneBookEditor::reject() { done(kModalCancel); }

}  // namespace compose
