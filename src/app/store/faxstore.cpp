// Creating, opening and rebuilding the store's tables.
#include "app/store/faxstore.h"

#include "base/log.h"

#include "base/asciitext.h"

#include "settings/appsettings.h"

#include <cctype>
#include <filesystem>

namespace app {

namespace {

namespace fs = std::filesystem;

bool exists(const std::string& path) {
  std::error_code ec;
  return fs::exists(path, ec);
}

void makeTag(tables::Cursor& cursor, const StoreTable& t, const std::string& keyExpr) {
  cursor.table().indexTag(t.tag, keyExpr, t.descending, t.forExpr);
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
                            "datesent",
                            true,
                            kNotDeletedFilter,
                            "Removing FAX file records marked for deletion",
                            "Rebuilding FAX file indexes"};
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
                            "DESCRIPT",
                            false,
                            kNotDeletedFilter,
                            "Removing COVER file records marked for deletion",
                            "Rebuilding COVER file indexes"};
  return t;
}

const StoreTable& PhoneTable() {
  static const StoreTable t{"BDLPB.DBF",
                            {{"NAME", 'C', 35, 0}, {"PHONE", 'C', 25, 0}},
                            "NAME",
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

bool OpenStoreTable(tables::Cursor& cursor, tables::TTableBinding& binding, const StoreTable& t,
                    OpenStyle style, std::string* error) {
  cursor.directory = settings::ProgramDir();
  cursor.tableName = t.fileName;
  cursor.exclusive = true;
  if (!exists(settings::ProgramDir() + t.fileName) && !MakeStoreTable(t)) return false;
  try {
    if (style == OpenStyle::MainList) cursor.close();
    if (!cursor.active()) cursor.open();
  } catch (const std::exception& e) {
    if (error) *error = e.what();
    return false;
  }
  // Once the table is open it counts as opened: a failure to build the tag or to set
  // the filter only costs the order.
  try {
    if (!exists(settings::ProgramDir() + IndexFileName(t.fileName)) ||
        cursor.table().tagArea(t.tag) == 0)
      makeTag(cursor, t, t.keyExpr);
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
  makeTag(cursor, t, t.rebuildKeyExpr);
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

bool FaxStore::OpenOutgoing(std::string* error) {
  const bool ok = OpenStoreTable(FaxTable, FaxBinding, OutgoingTable(), OpenStyle::MainList, error);
  SettleListOrder();
  return ok;
}

bool FaxStore::OpenReceived(std::string* error) {
  const bool ok = OpenStoreTable(RecTable, RecBinding, ReceivedTable(), OpenStyle::MainList, error);
  SettleListOrder();
  return ok;
}

bool FaxStore::OpenCover() {
  return OpenStoreTable(CoverTable, CoverBinding, app::CoverTable(), OpenStyle::Library);
}

bool FaxStore::OpenPhone() {
  return OpenStoreTable(PhoneTable, PhoneBinding, app::PhoneTable(), OpenStyle::Library);
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
