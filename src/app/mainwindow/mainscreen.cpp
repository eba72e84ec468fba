// Main window life cycle: settings are loaded on creation and saved on close.
#include "app/mainwindow/mainscreen.h"

#include "app/appsettings.h"
#include "app/inifile.h"
#include "app/messages.h"
#include "app/placement.h"

#include <QCloseEvent>

namespace app {

TMainScreen::TMainScreen(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("TMainScreen"));
    setWindowTitle(QStringLiteral("Brindle "));
    resize(592, 383);
    SetMainForm(this);
    FormCreate();
}

void TMainScreen::FormCreate()
{
    FirstActivation = true;
    LoadSettings();
}

void TMainScreen::closeEvent(QCloseEvent* event)
{
    FormClose();
    event->accept();
}

void TMainScreen::FormClose()
{
    try {
        SaveSettings();
    } catch (const IniWriteError& e) {
        ShowInfo(QString::fromStdString(e.what()));
    }
}

}  // namespace app
