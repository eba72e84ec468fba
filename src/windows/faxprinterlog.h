// TFxFaxPrinterLog: appends one line per print job event (start, finish, abort, fail) to
// a text file, "FAXPRINT.LOG" in the program folder unless told otherwise.
#pragma once

#include <QDateTime>
#include <QString>

namespace windows {

// The log text of one event, line ends included: a finished, aborted or failed job
// ends with an empty line.
QString PrintLogText(int code, const QString& faxFile, const QDateTime& when);

class TFxFaxPrinterLog {
 public:
  QString LogFileName = QStringLiteral("FAXPRINT.LOG");  // empty: no logging
  // The file written: a relative name lies in the program folder.
  QString LogFilePath() const;
  // Appends the event's text, making the file when it is missing. Throws
  // std::runtime_error when the file cannot be opened or written.
  void Log(int code, const QString& faxFile, const QDateTime& when = QDateTime::currentDateTime());
};

}  // namespace windows
