// Creating, opening and rebuilding the store's tables.
#include "app/store/faxstore.h"

#include "base/log.h"
#include "richtext/codec/rtfwriter.h"
#include "tables/salvage.h"

#include "base/asciitext.h"

#include "settings/appsettings.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <filesystem>

namespace app {

namespace {

namespace fs = std::filesystem;

bool exists(const std::string& path) {
  std::error_code ec;
  return fs::exists(path, ec);
}

void makeTag(tables::Cursor& cursor, const StoreTable& t) {
  cursor.table().indexTag(t.tag, t.keyExpr, t.descending, t.forExpr);
}

// The local date and time as "YYYYMMDD-HHMMSS" (names of copies) or "YYYY-MM-DD HH:MM".
std::string now(const char* format) {
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  char text[32];
  return std::strftime(text, sizeof text, format, &tm) ? text : "";
}

std::string joined(const std::vector<std::string>& parts, const char* separator) {
  std::string all;
  for (const std::string& p : parts) all += (all.empty() ? "" : separator) + p;
  return all;
}

// The paragraph naming the copies of the damaged files, which all lie beside the table.
std::string copiesParagraph(const std::vector<std::string>& copies) {
  std::vector<std::string> names;
  for (const std::string& c : copies) names.push_back(fs::path(c).filename().string());
  const char* kept = copies.size() == 1 ? "A copy of the damaged file was kept in "
                                        : "Copies of the damaged files were kept in ";
  return kept + settings::ProgramDir() + ":\n" + joined(names, "\n");
}

// The note a record gets in place of the texts it lost, as rich text. It names the copies
// without their folder, which is the table's own, so the note is plain ASCII.
std::string lostTextNote(const tables::SalvageReport& r) {
  std::string why;
  for (const std::string& p : r.problems)
    if (p.find("memo file") != std::string::npos) why = p;
  std::vector<std::string> names;
  for (const std::string& c : r.copies) names.push_back(fs::path(c).filename().string());
  const std::string note = "This text was lost on " + now("%Y-%m-%d at %H:%M") + ". " + why +
                           ". The damaged files were kept beside the table as " +
                           joined(names, " and ") + ".";
  richtext::RtfDocument doc;
  doc.defaultFont = "Arial";
  richtext::RtfInline text;
  text.text.assign(note.begin(), note.end());
  text.props.halfPoints = 20;
  richtext::RtfParagraph para;
  para.items.push_back(text);
  doc.paragraphs.push_back(para);
  return richtext::WriteRtf(doc);
}

// Puts the note into the lost-text memo of every record that lost its texts.
void noteLostTexts(const StoreTable& t, const tables::SalvageReport& r) {
  if (t.lostTextField.empty() || r.lostMemos.empty()) return;
  const std::string note = lostTextNote(r);
  tables::Table table;
  table.open(settings::ProgramDir(), t.fileName);
  table.setHideDeleted(false);
  for (std::uint32_t rec : r.lostMemos) {
    table.go(rec);
    table.edit();
    table.putMemo(t.lostTextField, note);
    table.post();
  }
}

}  // namespace

const StoreTable& OutgoingTable() {
  static const StoreTable t{"BDL.DBF",
                            {{"SUBJECT", 'C', 50, 0},
                             {"SENT", 'L', 1, 0},
                             {"DATESENT", 'D', 8, 0},
                             {"TIMESENT", 'C', 5, 0},
                             {"RECIPIENT", 'C', 35, 0},
                             {"PHONE", 'C', 25, 0},
                             {"PAGES", 'N', 2, 0},
                             {"LASTRESULT", 'C', 100, 0},
                             {"RTFCOVER", 'M', 10, 0},
                             {"RTFDOC", 'M', 10, 0}},
                            "DATESENT",
                            "DTOS(DATESENT)+TIMESENT",
                            true,
                            kNotDeletedFilter,
                            "Removing FAX file records marked for deletion",
                            "Rebuilding FAX file indexes",
                            "RTFDOC"};
  return t;
}

const StoreTable& ReceivedTable() {
  static const StoreTable t{"BDLREC.DBF",
                            {{"DATEREC", 'D', 8, 0},
                             {"TIMEREC", 'C', 5, 0},
                             {"FROM", 'C', 20, 0},
                             {"PAGES", 'N', 2, 0},
                             {"FAXFILE", 'C', 12, 0},
                             {"NOTES", 'C', 60, 0}},
                            "DATETIME",
                            "DTOS(DATEREC)+TIMEREC",
                            true,
                            kNotDeletedFilter,
                            "Removing Received FAX records marked for deletion",
                            "Rebuilding Received FAX indexes"};
  return t;
}

const StoreTable& CoverTable() {
  static const StoreTable t{"BDLCOV.DBF",
                            {{"DESCRIPT", 'C', 35, 0}, {"COVER", 'M', 10, 0}},
                            "DESCRIPT",
                            "DESCRIPT",
                            false,
                            kNotDeletedFilter,
                            "Removing COVER file records marked for deletion",
                            "Rebuilding COVER file indexes",
                            "COVER"};
  return t;
}

const StoreTable& PhoneTable() {
  static const StoreTable t{"BDLPB.DBF",
                            {{"NAME", 'C', 35, 0}, {"PHONE", 'C', 25, 0}},
                            "NAME",
                            "NAME",
                            false,
                            kNotDeletedFilter,
                            "Removing PHONE file records marked for deletion",
                            "Rebuilding PHONE file indexes"};
  return t;
}

std::string ReceiveDir() {
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(settings::ProgramDir(), ec)) {
    const std::string name = entry.path().filename().string();
    if (base::EqualsIgnoreCase(name, "receive") && entry.is_directory(ec))
      return settings::ProgramDir() + name;
  }
  return settings::ProgramDir() + "receive";
}

std::string IndexFileName(const std::string& tableFileName) {
  if (tableFileName.size() < 3) return tableFileName + "CDX";
  return tableFileName.substr(0, tableFileName.size() - 3) + "CDX";
}

bool MakeStoreTable(const StoreTable& t) {
  const std::string path = settings::ProgramDir() + t.fileName;
  try {
    tables::Table maker;
    maker.createNew(path, int(t.fields.size()));
    for (const tables::FieldDef& f : t.fields)
      maker.createField(f.name, f.type, f.width, f.decimals);
    maker.createExec();
  } catch (const std::exception& e) {
    base::LogFailure(path, e.what());  // the caller reports that the table is missing
    return false;
  }
  return exists(path);
}

bool MendStoreTable(const StoreTable& t, const tables::TableError& failure, std::string& report) {
  report.clear();
  const int code = failure.code();
  if (code != tables::err::kBadDbf && code != tables::err::kBadFpt &&
      code != tables::err::kNotFound)
    return false;  // a table held elsewhere, a failing disk: nothing to mend in the files
  tables::SalvageReport r;
  try {
    r = tables::SalvageTable(settings::ProgramDir(), t.fileName, now("%Y%m%d-%H%M%S"));
  } catch (const std::exception& e) {
    base::LogFailure(t.fileName + " salvage", e.what());
    return false;
  }
  using Outcome = tables::SalvageReport::Outcome;
  if (r.outcome == Outcome::Intact) return false;
  if (r.outcome == Outcome::Unreadable) {
    report = t.fileName + " cannot be read at all and was left as it is.\n\n" +
             copiesParagraph(r.copies);
    return false;
  }
  report =
      t.fileName + " was found damaged and has been mended:\n" + joined(r.problems, ".\n") + ".";
  try {
    noteLostTexts(t, r);
    if (!r.lostMemos.empty() && !t.lostTextField.empty())
      report +=
          "\n\n" + std::to_string(r.lostMemos.size()) +
          (r.lostMemos.size() == 1 ? " record lost its text; it says so in its text now."
                                   : " records lost their texts; each says so in its text now.");
  } catch (const std::exception& e) {
    base::LogFailure(t.fileName + " lost-text notes", e.what());
  }
  report += "\n\n" + copiesParagraph(r.copies);
  return true;
}

bool OpenStoreTable(tables::Cursor& cursor, tables::TTableBinding& binding, const StoreTable& t,
                    OpenStyle style, std::string* error, std::string* damage) {
  cursor.directory = settings::ProgramDir();
  cursor.tableName = t.fileName;
  cursor.exclusive = true;
  if (!exists(settings::ProgramDir() + t.fileName) && !MakeStoreTable(t)) return false;
  const auto open = [&] {
    if (style == OpenStyle::MainList) cursor.close();
    if (!cursor.active()) cursor.open();
  };
  try {
    try {
      open();
    } catch (const tables::TableError& e) {
      std::string report;
      const bool mended = MendStoreTable(t, e, report);
      if (damage) *damage = report;
      if (!mended) throw;
      open();
    }
  } catch (const std::exception& e) {
    if (error) *error = e.what();
    return false;
  }
  // Once the table is open it counts as opened: a failure to build the tag or to set
  // the filter only costs the order.
  try {
    if (!exists(settings::ProgramDir() + IndexFileName(t.fileName)) ||
        cursor.table().tagArea(t.tag) == 0)
      makeTag(cursor, t);
    if (style == OpenStyle::Library) cursor.table().setOrder(t.tag);
  } catch (const std::exception& e) {
    base::LogFailure(t.fileName + " index", e.what());
  }
  try {
    binding.setFilter(kNotDeletedFilter);
    if (style == OpenStyle::MainList) cursor.first();
  } catch (const std::exception& e) {
    base::LogFailure(t.fileName + " filter", e.what());
  }
  return true;
}

void CloseAndOpen(tables::Cursor& cursor, tables::TTableBinding& binding,
                  const std::function<void()>& pump) {
  const std::uint32_t remembered = cursor.active() ? cursor.recNo() : 0;
  cursor.disableControls();
  try {
    cursor.close();
    if (pump) pump();
    cursor.open();
    binding.setFilter(kNotDeletedFilter);
    try {
      cursor.go(remembered);
      // A record deleted meanwhile is not in the list: take its neighbour instead.
      if (cursor.table().isDeleted()) {
        cursor.next();
        if (cursor.eof()) cursor.last();
      }
    } catch (const std::exception&) {
      // The remembered record is gone (or was past the end): stay where the open left us.
    }
  } catch (...) {
    cursor.enableControls();
    throw;
  }
  cursor.enableControls();
}

void RebuildStoreTable(tables::Cursor& cursor, const StoreTable& t,
                       const std::function<void(const std::string&)>& status) {
  status(t.removingText);
  tables::Table& table = cursor.table();
  table.closeIndex();
  std::error_code ec;
  fs::remove(settings::ProgramDir() + IndexFileName(t.fileName), ec);
  try {
    table.pack();
  } catch (const std::exception&) {
    try {
      table.pack();
    } catch (const std::exception& e) {
      // The marked records stay until the next rebuild; the tag is made all the same.
      base::LogFailure(t.fileName + " pack", e.what());
    }
  }
  status(t.rebuildingText);
  makeTag(cursor, t);
  table.setOrder(t.tag);
  cursor.notify(tables::Change::Packed);
}

FaxStore::FaxStore() {
  FaxDataSource.dataSet = &FaxTable;
  RecDataSource.dataSet = &RecTable;
  CoverDataSource.dataSet = &CoverTable;
  PhoneDataSource.dataSet = &PhoneTable;
  FaxBinding.setDataSource(&FaxDataSource);
  RecBinding.setDataSource(&RecDataSource);
  CoverBinding.setDataSource(&CoverDataSource);
  PhoneBinding.setDataSource(&PhoneDataSource);
  FaxTable.addCalculatedField("SentYesNo", 3);
  FaxTable.setCalcHandler([](tables::Cursor& c) {
    tables::Field* sent = c.findField("SENT");
    c.fieldByName("SentYesNo").setCalcValue(sent && sent->asLogical() ? "Yes" : "No ");
  });
}

bool FaxStore::openTable(tables::Cursor& cursor, tables::TTableBinding& binding,
                         const StoreTable& t, OpenStyle style, std::string* error) {
  std::string damage;
  const bool ok = OpenStoreTable(cursor, binding, t, style, error, &damage);
  if (!damage.empty() && Damaged) Damaged(damage);
  return ok;
}

bool FaxStore::OpenOutgoing(std::string* error) {
  const bool ok = openTable(FaxTable, FaxBinding, OutgoingTable(), OpenStyle::MainList, error);
  SettleListOrder();
  return ok;
}

bool FaxStore::OpenReceived(std::string* error) {
  const bool ok = openTable(RecTable, RecBinding, ReceivedTable(), OpenStyle::MainList, error);
  SettleListOrder();
  return ok;
}

bool FaxStore::OpenCover(std::string* error) {
  return openTable(CoverTable, CoverBinding, app::CoverTable(), OpenStyle::Library, error);
}

bool FaxStore::OpenPhone() { return OpenPhoneInto(PhoneTable, PhoneBinding); }

bool FaxStore::OpenPhoneInto(tables::Cursor& table, tables::TTableBinding& binding,
                             std::string* error) {
  return openTable(table, binding, app::PhoneTable(), OpenStyle::Library, error);
}

void FaxStore::ReopenOutgoing(const std::function<void()>& pump) {
  CloseAndOpen(FaxTable, FaxBinding, pump);
  SettleListOrder();
}

void FaxStore::ReopenReceived(const std::function<void()>& pump) {
  CloseAndOpen(RecTable, RecBinding, pump);
  SettleListOrder();
}

void FaxStore::CloseLists() {
  FaxTable.close();
  RecTable.close();
}

void FaxStore::AppendReceived(const ReceivedRecord& r) {
  try {
    RecTable.append();
    tables::Table& t = RecTable.table();
    t.putDate("DATEREC", r.date);
    t.putString("TIMEREC", r.time);
    t.putString("FROM", r.from);
    t.putNumber("PAGES", std::clamp(r.pages, 0, kMaxListedPages));
    t.putString("FAXFILE", r.faxFile);
    t.putString("NOTES", r.notes);
    RecTable.post();
  } catch (...) {
    RecTable.cancel();
    throw;
  }
}

std::set<std::string> FaxStore::ListedReceivedFiles() {
  std::set<std::string> names;
  if (!RecTable.active()) return names;
  tables::Table& t = RecTable.table();
  const std::uint32_t remembered = t.recNo();
  RecTable.disableControls();
  try {
    for (std::uint32_t n = 1; n <= t.recCount(); ++n) {
      t.go(n);
      if (!t.isDeleted()) names.insert(base::UpperAscii(base::TrimSpaces(t.getString("FAXFILE"))));
    }
    if (remembered >= 1 && remembered <= t.recCount()) {
      t.go(remembered);
    } else {
      t.last();  // the list was past its end: back there
      t.next();
    }
  } catch (...) {
    RecTable.enableControls();
    throw;
  }
  RecTable.enableControls();
  return names;
}

bool FaxStore::IsEmpty(const tables::Cursor& list) {
  if (!list.active()) return true;
  const tables::Table& t = list.table();
  return t.recNo() == t.recCount() + 1;
}

void FaxStore::SettleListOrder() {
  auto settle = [](tables::Cursor& cursor, const std::string& tag) {
    if (!cursor.active()) return;
    const bool empty = IsEmpty(cursor);
    try {
      tables::Table& t = cursor.table();
      if (empty && t.indexOrd() != 0) {
        t.setOrder(0);
      } else if (!empty && t.indexOrd() == 0 && t.tagArea(tag) != 0) {
        t.setOrder(tag);
        cursor.first();
      }
    } catch (const std::exception& e) {
      base::LogFailure("list order", e.what());  // the list keeps the order it has
    }
  };
  settle(FaxTable, OutgoingTable().tag);
  settle(RecTable, ReceivedTable().tag);
}

void FaxStore::RebuildIndexes(const std::function<void(const std::string&)>& status) {
  auto rebuild = [&status](tables::Cursor& cursor, const StoreTable& t) {
    try {
      RebuildStoreTable(cursor, t, status);
    } catch (const std::exception& e) {
      // One table's failure does not stop the others.
      base::LogFailure(t.fileName, e.what());
    }
  };
  rebuild(FaxTable, OutgoingTable());
  rebuild(RecTable, ReceivedTable());
  for (tables::Cursor* c : {&FaxTable, &RecTable}) {
    try {
      if (c->active()) c->first();
    } catch (const std::exception& e) {
      base::LogFailure("list position", e.what());
    }
  }
  SettleListOrder();
  if (OpenPhone()) {
    rebuild(PhoneTable, app::PhoneTable());
    PhoneTable.close();
  }
  if (!OpenCover()) return;
  rebuild(CoverTable, app::CoverTable());
  CoverTable.close();
}

}  // namespace app
