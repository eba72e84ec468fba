// Memo fields through files.
#include "app/store/memofile.h"

#include "base/log.h"
#include "settings/appsettings.h"

#include <stdexcept>

namespace app {

std::string TemporaryRtfPath() { return settings::ProgramDir() + "Eraseme.rtf"; }

bool CopyMemoToFile(tables::TTableBinding& binding, const std::string& memoField,
                    const std::string& path) {
  tables::Table* table = binding.table();
  try {
    return table && table->blobToFile(memoField, path);
  } catch (const std::exception& e) {
    base::LogFailure(memoField, e.what());  // the text stays empty
    return false;
  }
}

tables::Table& TableToStoreIn(tables::TTableBinding& binding) {
  tables::Table* table = binding.table();
  if (!table) throw std::runtime_error("No table to store the text in");
  return *table;
}

void CopyFileToMemo(tables::TTableBinding& binding, const std::string& memoField,
                    const std::string& path) {
  TableToStoreIn(binding).fileToBlob(memoField, path);
}

}  // namespace app
