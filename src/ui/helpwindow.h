// The help window: one HTML page of our own per numeric help context.
#pragma once

#include "ui/testseam.h"

#include <QDialog>

class QAbstractButton;
class QTextBrowser;

namespace ui {

namespace helpctx {
constexpr int Contents = 1009;
constexpr int Troubleshooting = 1026;
constexpr int Faq = 911;
constexpr int FaxEditor = 1015;
constexpr int SendFax = 1016;
constexpr int CoverBrowse = 1017;
constexpr int CoverEditor = 1018;
constexpr int PhoneBook = 1019;
constexpr int PhoneBookEditor = 1020;
constexpr int Viewer = 1021;
constexpr int Preferences = 1022;
constexpr int PrefsModemPort = 3501;
constexpr int PrefsSending = 3502;
constexpr int PrefsReceiving = 3503;
}  // namespace helpctx

// The resource path of a context's page; unknown contexts lead to the contents page.
QString HelpPageFor(int context);

class THelpWindow : public QDialog {
  Q_OBJECT
 public:
  explicit THelpWindow(QWidget* parent = nullptr);
  void ShowContext(int context);
  QTextBrowser* HelpText;
};

// Opens (or brings forward) the program's help window at a context, or hands the
// context to the handler installed in HelpRequests. While a modal window is up, the help
// window is owned by it, so that it can be used and closed on its own.
void ShowHelpContext(int context, QWidget* parent = nullptr);
Seam<void(int)>& HelpRequests();

// F1 anywhere in the button's window presses it.
void AddHelpKey(QAbstractButton* helpButton);

}  // namespace ui
