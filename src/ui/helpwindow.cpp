// Help pages are compiled into the program as resources named by context number.
#include "ui/helpwindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QShortcut>
#include <QTextBrowser>
#include <QVBoxLayout>

// The pages live in a static library, whose resources must be registered by hand.
static void registerHelpPages() {
  static const bool registered = [] {
    Q_INIT_RESOURCE(help);
    return true;
  }();
  (void)registered;
}

namespace ui {

QString HelpPageFor(int context) {
  registerHelpPages();
  const QString page = QStringLiteral(":/help/%1.html").arg(context);
  return QFile::exists(page) ? page : QStringLiteral(":/help/%1.html").arg(helpctx::Contents);
}

THelpWindow::THelpWindow(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("THelpWindow"));
  setWindowTitle(QStringLiteral("Brindle Help"));
  auto* layout = new QVBoxLayout(this);
  HelpText = new QTextBrowser(this);
  HelpText->setObjectName(QStringLiteral("HelpText"));
  HelpText->setOpenLinks(true);
  HelpText->setSearchPaths({QStringLiteral(":/help")});
  layout->addWidget(HelpText);
  resize(560, 480);
}

void THelpWindow::ShowContext(int context) {
  HelpText->setSource(QUrl(QStringLiteral("qrc") + HelpPageFor(context)));
}

Seam<void(int)>& HelpRequests() {
  static Seam<void(int)> seam;
  return seam;
}

void ShowHelpContext(int context, QWidget* parent) {
  if (HelpRequests()) {
    HelpRequests()(context);
    return;
  }
  // A modal window blocks every window except its own children, so help opened while one
  // is up belongs to it; it is then usable, and its keys (Escape too) stay in it.
  QWidget* owner = QApplication::activeModalWidget();
  if (!owner) owner = parent;
  static QPointer<THelpWindow> window;
  if (window && window->parentWidget() != owner) delete window;
  if (!window) {
    window = new THelpWindow(owner);
    window->setAttribute(Qt::WA_DeleteOnClose);
  }
  window->ShowContext(context);
  window->show();
  window->raise();
  window->activateWindow();
}

void AddHelpKey(QAbstractButton* helpButton) {
  auto* key = new QShortcut(QKeySequence::HelpContents, helpButton->window());
  key->setContext(Qt::WindowShortcut);
  QObject::connect(key, &QShortcut::activated, helpButton, &QAbstractButton::click);
}

}  // namespace ui
