// The fax history.
#include "faxengine/fax_log.h"

#include <cstdio>
#include <ctime>

#include "faxengine/errors.h"
#include "faxengine/fax_component.h"
#include "faxengine/header_line.h"

namespace faxengine {

std::string faxLogEntry(int logCode, const FaxLogFacts& f, const std::string& dateTime) {
  const std::string crlf = "\r\n";
  const std::string hangup = std::to_string(f.hangupCode);
  const std::string error = std::string("  (") + errorText(f.errorCode) + ")";
  const std::string facts = f.lineFacts.empty() ? "" : "  " + f.lineFacts + crlf;
  if (f.sender) {
    const std::string prefix = "Transmit ";
    switch (logCode) {
      case 1: return prefix + f.faxFile + " to " + f.phoneNumber + " started at " + dateTime + crlf;
      case 2:
        return prefix + "to " + f.remoteId + " finished OK at " + dateTime + " " + hangup + crlf +
               facts + crlf;
      case 3: return prefix + "failed at " + dateTime + crlf + error + " " + hangup + crlf + crlf;
      default: return "";
    }
  }
  const std::string prefix = "Receive ";
  switch (logCode) {
    case 4: return prefix + f.faxFile + " from " + f.remoteId + " started at " + dateTime + crlf;
    case 5: return prefix + "finished OK at " + dateTime + crlf + facts + crlf;
    case 6: return prefix + "skipped at " + dateTime + crlf + crlf;
    case 7: return prefix + "failed at " + dateTime + crlf + error + crlf + crlf;
    default: return "";
  }
}

TFxFaxLog::~TFxFaxLog() {
  if (Fax && Fax->FaxLog() == this) Fax->SetFaxLog(nullptr);
}

void TFxFaxLog::UpdateLog(int logCode) {
  if (FaxHistoryName.empty() || !Fax) return;
  FaxLogFacts f = Fax->LogFacts();
  std::time_t now = std::time(nullptr);
  std::string entry = faxLogEntry(logCode, f, shortDateText(now) + " " + shortTimeText(now));
  std::FILE* file = std::fopen(FaxHistoryName.c_str(), "ab");
  if (!file) return;
  std::fwrite(entry.data(), 1, entry.size(), file);
  std::fclose(file);
}

}  // namespace faxengine
