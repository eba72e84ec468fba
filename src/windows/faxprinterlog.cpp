#include "windows/faxprinterlog.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <stdexcept>

#include "settings/appsettings.h"
#include "windows/faxprinter.h"

namespace windows {

QString PrintLogText(int code, const QString& faxFile, const QDateTime& when) {
  static const char* const verbs[] = {" started at ", " finished at ", " aborted at ",
                                      " failed at "};
  const QLocale locale;
  const QString stamp = locale.toString(when.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
                        locale.toString(when.time(), QLocale::LongFormat);
  QString text = QStringLiteral("Printing ") + faxFile +
                 QLatin1String(verbs[code >= lcStart && code <= lcFail ? code : lcFail]) + stamp +
                 QLatin1Char('\n');
  if (code != lcStart) text += QLatin1Char('\n');
  return text;
}

QString TFxFaxPrinterLog::LogFilePath() const {
  return QDir(QString::fromStdString(settings::ProgramDir())).filePath(LogFileName);
}

void TFxFaxPrinterLog::Log(int code, const QString& faxFile, const QDateTime& when) {
  if (LogFileName.isEmpty()) return;
  QFile f(LogFilePath());
  const QByteArray bytes = PrintLogText(code, faxFile, when).toLocal8Bit();
  if (!f.open(QIODevice::Append | QIODevice::Text) || f.write(bytes) != bytes.size())
    throw std::runtime_error("Unable to write to " + f.fileName().toStdString());
}

}  // namespace windows
