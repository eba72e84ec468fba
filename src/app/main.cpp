// Program entry: options, the single-copy guard, application title, the main window,
// the hidden receive-mode window and the message loop.
#include "app/closeonsignal.h"
#include "app/mainwindow/mainscreen.h"
#include "app/mainwindow/singleinstance.h"
#include "settings/appsettings.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);

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
    settings::SetProgramDir(dir.toStdString());
  }

  app::SingleInstance guard(QString::fromStdString(settings::ProgramDir()));
  if (guard.AnotherCopyRuns()) return 0;

  QApplication::processEvents();
  // The application title is the application name. A display name would be appended to
  // every window title by the platform ("Brindle  — Brindle"), so none is set.
  QApplication::setApplicationName(QStringLiteral("Brindle"));
  QGuiApplication::setDesktopFileName(QStringLiteral("brindle"));
  // The main window makes the hidden receive-mode window with itself.
  app::TMainScreen mainScreen;
  guard.Listen([&mainScreen] {
    if (mainScreen.isMinimized()) mainScreen.showNormal();
    mainScreen.raise();
    mainScreen.activateWindow();
  });
  app::CloseOnTerminationSignals(&mainScreen);
  mainScreen.show();
  return QApplication::exec();
}
