// Memo fields to and from files: rich text moves between a memo of the current record
// and an editor through the temporary file "Eraseme.rtf" in the program directory.
#pragma once

#include "tables/binding.h"

#include <string>

namespace app {

std::string TemporaryRtfPath();

// Copies the memo field of the current record into the file. False when there is no
// table, nothing to copy, or the copy fails (logged); the file is then not to be read.
bool CopyMemoToFile(tables::TTableBinding& binding, const std::string& memoField,
                    const std::string& path);

// The table of the binding; throws when it has none.
tables::Table& TableToStoreIn(tables::TTableBinding& binding);

// Stores the file into the memo field; the record must be in edit or append state (the
// caller posts). Throws when there is no table or the engine refuses.
void CopyFileToMemo(tables::TTableBinding& binding, const std::string& memoField,
                    const std::string& path);

}  // namespace app
