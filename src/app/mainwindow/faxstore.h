// The four tables of the fax store: their fixed field lists and index tags, and the
// routines that create, open, reopen and rebuild them in the program directory.
#pragma once

#include "tables/binding.h"

#include <functional>
#include <string>
#include <vector>

namespace app {

// A table of the store: file, fields in file order, and its one index tag.
struct StoreTable {
  std::string fileName;
  std::vector<tables::FieldDef> fields;
  std::string tag;
  std::string keyExpr;         // the key given when the tag is made on opening
  std::string rebuildKeyExpr;  // the key given when the tag is rebuilt
  bool descending = false;
  std::string forExpr;
  // The status texts of the rebuild, naming the table as the user knows it.
  std::string removingText;
  std::string rebuildingText;
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
bool OpenStoreTable(tables::Cursor& cursor, tables::TTableBinding& binding, const StoreTable& t,
                    OpenStyle style, std::string* error = nullptr);

// Closes and opens a list again after changes, returning to the remembered record
// when it still exists. The attached controls are disabled meanwhile; `pump` lets
// pending window messages run between the steps.
void CloseAndOpen(tables::Cursor& cursor, tables::TTableBinding& binding,
                  const std::function<void()>& pump);

// One table's part of the index rebuild: delete the index file, pack (retried once; a
// second failure is ignored), make the tag again and select it. `status` shows progress.
void RebuildStoreTable(tables::Cursor& cursor, const StoreTable& t,
                       const std::function<void(const std::string&)>& status);

}  // namespace app
