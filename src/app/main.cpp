// Program entry: options, application title, the main window and the message loop.
#include "app/appsettings.h"
#include "app/closeonsignal.h"
#include "app/mainwindow/mainscreen.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brindle"));

    QCommandLineParser options;
    options.setApplicationDescription(QStringLiteral("Brindle fax program"));
    options.addHelpOption();
    const QCommandLineOption dataDir(QStringLiteral("data-dir"),
                                     QStringLiteral("Folder for the settings, tables and faxes."),
                                     QStringLiteral("DIR"));
    options.addOption(dataDir);
    options.process(application);
    if (options.isSet(dataDir)) {
        const QString dir = QDir(options.value(dataDir)).absolutePath();
        QDir().mkpath(dir);
        app::SetProgramDir(dir.toStdString());
    }

    QApplication::processEvents();
    app::TMainScreen mainScreen;
    app::CloseOnTerminationSignals(&mainScreen);
    mainScreen.show();
    return QApplication::exec();
}
