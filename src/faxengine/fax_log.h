// TFxFaxLog: the fax history, one human-readable entry per log point of a fax session,
// appended to FaxHistoryName (opened and closed for every entry).
#pragma once

#include <string>

namespace faxengine {

class TFxCustomAbstractFax;

// What an entry says about a fax.
struct FaxLogFacts {
  bool sender = true;
  std::string faxFile;
  std::string phoneNumber;
  std::string remoteId;
  int hangupCode = 0;
  int errorCode = 0;
  std::string lineFacts;  // the page coding and error correction of the call ("MR, ECM off")
};

// The entry for a log code ("" when the code does not belong to the fax's direction);
// line breaks are CR LF. A fax that went through says, on a line of its own, how its pages
// were coded on the line, when that is known.
std::string faxLogEntry(int logCode, const FaxLogFacts& f, const std::string& dateTime);

class TFxFaxLog {
 public:
  virtual ~TFxFaxLog();                        // unlinks itself from its fax
  std::string FaxHistoryName = "MERLFAX.HIS";  // empty: no history
  TFxCustomAbstractFax* Fax = nullptr;         // the fax component being logged

  // Appends the entry for the code; input/output errors are swallowed.
  virtual void UpdateLog(int logCode);
};

}  // namespace faxengine
