// Finding received fax files without a row, and the rows their headers give.
#include "app/mainwindow/unlistedfaxes.h"

#include "base/asciitext.h"
#include "faximage/brx_file.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>

namespace app {

namespace {

// The date and "hh:mm" of a moment in local time.
void setTime(ReceivedRecord& r, int year, int month, int day, int hour, int minute) {
  r.date = {year, month, day};
  char text[8];
  std::snprintf(text, sizeof text, "%02d:%02d", hour % 100, minute % 100);
  r.time = text;
}

bool setFileSystemTime(ReceivedRecord& r, const std::string& path) {
  struct stat st {};
  std::tm tm{};
  if (::stat(path.c_str(), &st) != 0 || !localtime_r(&st.st_mtime, &tm)) return false;
  setTime(r, tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min);
  return true;
}

// Names longer than the FAXFILE field could not be found again from their rows.
std::size_t storableNameLength() {
  for (const tables::FieldDef& f : ReceivedTable().fields)
    if (f.name == "FAXFILE") return std::size_t(f.width);
  return 0;
}

}  // namespace

std::optional<ReceivedRecord> RecordOfFaxFile(const std::string& path) {
  faximage::BrxReader reader;
  if (reader.openFile(path) != faximage::ecOK || reader.pageCount() == 0) return std::nullopt;
  // A file cut short (the program ended while writing it) is not offered.
  faximage::BrxPage last;
  if (reader.page(unsigned(reader.pageCount()), last) != faximage::ecOK || last.truncated)
    return std::nullopt;
  ReceivedRecord r;
  r.from = reader.header().senderIdText();
  r.pages = reader.pageCount();
  r.faxFile = std::filesystem::path(path).filename().string();
  const faximage::FileDateParts d = faximage::unpackFileDate(reader.header().fileDate);
  if (d.year != 0)
    setTime(r, d.year, d.month, d.day, d.hour, d.minute);
  else
    setFileSystemTime(r, path);
  return r;
}

std::vector<ReceivedRecord> UnlistedFaxes(const std::string& folder,
                                          const std::set<std::string>& listed) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    const std::string name = entry.path().filename().string();
    if (!entry.is_regular_file(ec) || name.size() > storableNameLength() ||
        !base::EqualsIgnoreCase(entry.path().extension().string(), ".brx"))
      continue;
    if (!listed.count(base::UpperAscii(name))) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  std::vector<ReceivedRecord> found;
  for (const std::string& name : names)
    if (auto r = RecordOfFaxFile(folder + "/" + name)) found.push_back(*r);
  return found;
}

}  // namespace app
