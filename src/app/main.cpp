// Program entry: options, the single-copy guard, application title, the main window,
// the hidden receive-mode window and the message loop.
#include "app/closeonsignal.h"
#include "app/mainwindow/mainscreen.h"
#include "app/mainwindow/singleinstance.h"
#include "settings/appsettings.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);

  QCommandLineParser options;
  options.setApplicationDescription(QStringLiteral("Brindle fax program"));
  options.addHelpOption();
  const QCommandLineOption dataDir(QStringLiteral("data-dir"),
                                   QStringLiteral("Folder for the settings, tables and faxes."),
                                   QStringLiteral("DIR"));
  options.addOption(dataDir);
  const QCommandLineOption receive(QStringLiteral("receive"),
                                   QStringLiteral("Start receiving faxes."));
  options.addOption(receive);
  options.addPositionalArgument(QStringLiteral("FILE"),
                                QStringLiteral("Fax files (.brx) to open in the viewer."),
                                QStringLiteral("[FILE...]"));
  options.process(application);
  if (options.isSet(dataDir)) {
    const QString dir = QDir(options.value(dataDir)).absolutePath();
    QDir().mkpath(dir);
    settings::SetProgramDir(dir.toStdString());
  }
  app::StartRequest request;
  request.receive = options.isSet(receive);
  // Absolute, so that a running copy started elsewhere finds them.
  for (const QString& file : options.positionalArguments())
    request.faxFiles << QFileInfo(file).absoluteFilePath();

  app::SingleInstance guard(QString::fromStdString(settings::ProgramDir()));
  if (guard.AnotherCopyRuns(request)) return 0;

  QApplication::processEvents();
  // The application title is the application name. A display name would be appended to
  // every window title by the platform ("Brindle  — Brindle"), so none is set.
  QApplication::setApplicationName(QStringLiteral("Brindle"));
  QGuiApplication::setDesktopFileName(QStringLiteral("brindle"));
  // The main window makes the hidden receive-mode window with itself.
  app::TMainScreen mainScreen;
  const auto carryOut = [&mainScreen](const app::StartRequest& r) {
    if (mainScreen.isMinimized()) mainScreen.showNormal();
    mainScreen.raise();
    mainScreen.activateWindow();
    for (const QString& file : r.faxFiles) mainScreen.ShowFaxFile(file);
    if (r.receive) mainScreen.StartReceiveMode();
  };
  guard.Listen(carryOut);
  app::CloseOnTerminationSignals(&mainScreen);
  mainScreen.show();
  // After the first activation has run (placement, the first-run wizard).
  if (!request.faxFiles.isEmpty() || request.receive)
    QTimer::singleShot(0, &mainScreen, [carryOut, request] { carryOut(request); });
  return QApplication::exec();
}
