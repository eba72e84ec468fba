// What the composing windows need from the program's fax store, which sits above this
// module: the cover table it shares with them, the phone book opened into a window's own
// table, rich text between a pane and a memo field, and a list refresh. The main window
// implements it and hands it to the fax editor and the two libraries.
#pragma once

#include "tables/binding.h"

#include <string>

namespace richtext {
class TRichText;
}

namespace compose {

// A table component with the data source and binding the windows attach to.
struct TableSet {
  tables::Cursor& table;
  tables::DataSource& source;
  tables::TTableBinding& binding;
};

class TComposeStore {
 public:
  virtual ~TComposeStore() = default;

  // The cover table, open from OpenCoverDBF until CloseCoverDBF, in description order
  // and without deleted records. False (with the engine's reason in `error`) when it can
  // be neither opened nor created.
  virtual bool OpenCoverDBF(std::string* error) = 0;
  virtual void CloseCoverDBF() = 0;
  virtual TableSet Cover() = 0;

  // Opens the phone book into a window's own table and binding: created when missing,
  // in name order, without deleted records.
  virtual bool OpenPhoneDBF(tables::Cursor& table, tables::TTableBinding& binding,
                            std::string* error) = 0;

  // Rich text between a pane and a memo field of the binding's current record. Loading
  // a memo that cannot be read leaves the pane empty; saving needs the record in edit or
  // append state and throws when the text cannot be stored.
  virtual void LoadRichText(richtext::TRichText& pane, const std::string& memoField,
                            tables::TTableBinding& binding) = 0;
  virtual void SaveRichText(richtext::TRichText& pane, const std::string& memoField,
                            tables::TTableBinding& binding) = 0;

  // Closes and opens a table again, so that a list shows the file as it is now and a
  // table that refused a write takes writes again; the current record stays, or its
  // neighbour when it was deleted. Throws when the table cannot be opened again.
  virtual void Refresh(tables::Cursor& table, tables::TTableBinding& binding) = 0;
};

}  // namespace compose
