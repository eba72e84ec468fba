// The fax store: the four tables with their fixed field lists and index tags, the
// routines that create, open, reopen and rebuild them in the program directory, and
// FaxStore, which owns the tables for the main window and the command-line tool. No
// widgets here: what the lists show is the main window's business.
#pragma once

#include "tables/binding.h"
#include "tables/errors.h"

#include <functional>
#include <set>
#include <string>
#include <vector>

namespace app {

// A table of the store: file, fields in file order, and its one index tag.
struct StoreTable {
  std::string fileName;
  std::vector<tables::FieldDef> fields;
  std::string tag;
  std::string keyExpr;  // the key of the tag, made on opening and rebuilt the same
  bool descending = false;
  std::string forExpr;
  // The status texts of the rebuild, naming the table as the user knows it.
  std::string removingText;
  std::string rebuildingText;
  // The memo that says so when a damaged memo file took a record's texts with it.
  std::string lostTextField;
};

const StoreTable& OutgoingTable();  // BDL.DBF
const StoreTable& ReceivedTable();  // BDLREC.DBF
const StoreTable& CoverTable();     // BDLCOV.DBF
const StoreTable& PhoneTable();     // BDLPB.DBF

// Every table hides marked records through this filter.
constexpr const char* kNotDeletedFilter = ".not. deleted()";

// The folder of received fax files: the program directory's folder "receive", whatever
// the case of its name; "receive" when there is none yet. No trailing slash.
std::string ReceiveDir();

// The index file of a table: its name with the last three characters replaced by "CDX".
std::string IndexFileName(const std::string& tableFileName);

// Creates the table in the program directory with its fields. True only when the engine
// reports success and the DBF exists afterwards; any error gives false.
bool MakeStoreTable(const StoreTable& t);

// How a table is opened: the two main lists are closed and opened again and move to
// their first record; the cover and phone tables are opened once and select their tag.
enum class OpenStyle { MainList, Library };

// Names, creates when missing, opens, builds the tag when the index file is missing,
// and sets the filter through the binding. False when the table cannot be opened; the
// engine's reason, naming the file, then goes to `error` when given.
// A table whose files are damaged is mended first when it can be (MendStoreTable); what
// was found and done then goes to `damage`, in paragraphs for the user.
bool OpenStoreTable(tables::Cursor& cursor, tables::TTableBinding& binding, const StoreTable& t,
                    OpenStyle style, std::string* error = nullptr, std::string* damage = nullptr);

// After an open failed with `failure`: when the table's files are damaged, copies them
// aside (named like the file plus ".damaged-" and the date and time) and keeps what can
// be read (tables::SalvageTable); records that lost their texts get a note saying so in
// the table's lostTextField. Returns whether the table can now be opened; `report` gets
// what was found, what was done and where the copies are, or is left empty when the
// failure was not damage to mend.
bool MendStoreTable(const StoreTable& t, const tables::TableError& failure, std::string& report);

// Closes and opens a list again after changes, returning to the remembered record
// when it still exists. The attached controls are disabled meanwhile; `pump` lets
// pending window messages run between the steps.
void CloseAndOpen(tables::Cursor& cursor, tables::TTableBinding& binding,
                  const std::function<void()>& pump);

// One table's part of the index rebuild: delete the index file, pack (retried once; a
// second failure is ignored), make the tag again and select it. `status` shows progress.
void RebuildStoreTable(tables::Cursor& cursor, const StoreTable& t,
                       const std::function<void(const std::string&)>& status);

// One row of the received list, as reception (or the recovery of an unlisted fax file)
// adds it. Texts are code page 1252.
struct ReceivedRecord {
  tables::Date date;
  std::string time;     // "hh:mm", 24-hour
  std::string from;     // the sender's station identifier; the field keeps 20 characters
  int pages = 0;        // the field holds two digits: more are stored as kMaxListedPages
  std::string faxFile;  // the file's name in the receive folder, without the folder
  std::string notes;    // what went wrong on the way (a page damaged, the call cut off);
                        // the field keeps 60 characters
};
inline constexpr int kMaxListedPages = 99;

// The program's four tables with their data sources and bindings. The outgoing list has
// the calculated field SentYesNo ("Yes" or "No ").
class FaxStore {
 public:
  FaxStore();
  FaxStore(const FaxStore&) = delete;
  FaxStore& operator=(const FaxStore&) = delete;

  tables::Cursor FaxTable, RecTable, CoverTable, PhoneTable;
  // Told what was found and done when a table's files were damaged (MendStoreTable).
  std::function<void(const std::string& report)> Damaged;
  tables::DataSource FaxDataSource, RecDataSource, CoverDataSource, PhoneDataSource;
  tables::TTableBinding FaxBinding, RecBinding, CoverBinding, PhoneBinding;

  // The two lists (OpenStyle::MainList) and the two libraries (OpenStyle::Library); the
  // lists then show in the order their content asks for (SettleListOrder).
  bool OpenOutgoing(std::string* error = nullptr);
  bool OpenReceived(std::string* error = nullptr);
  bool OpenCover(std::string* error = nullptr);
  bool OpenPhone();
  // The phone book opened into a window's own table and binding, as OpenPhone does.
  bool OpenPhoneInto(tables::Cursor& table, tables::TTableBinding& binding,
                     std::string* error = nullptr);
  // Closes and opens a list again after changes (CloseAndOpen); throws TableError.
  void ReopenOutgoing(const std::function<void()>& pump);
  void ReopenReceived(const std::function<void()>& pump);
  void CloseLists();

  // Appends the row to the received list and posts it; on failure the append is
  // cancelled and the TableError passed on.
  void AppendReceived(const ReceivedRecord& r);
  // The FAXFILE names of every received record not marked deleted, upper-cased. The list
  // stays on its current record.
  std::set<std::string> ListedReceivedFiles();

  // A list without a current record (none at all, or none the filter lets through).
  static bool IsEmpty(const tables::Cursor& list);
  // An empty list is shown in record order, a list with records in its tag order (from
  // its first record).
  void SettleListOrder();

  // Every table's part of the index rebuild, one after the other; one table's failure
  // is logged and does not stop the others. The lists end on their first record in the
  // order they settle in; the cover and phone tables are closed again.
  void RebuildIndexes(const std::function<void(const std::string&)>& status);

 private:
  bool openTable(tables::Cursor& cursor, tables::TTableBinding& binding, const StoreTable& t,
                 OpenStyle style, std::string* error);
};

}  // namespace app
