// Rich text between editor and memo field.
#include "app/mainwindow/richtextmemo.h"

#include "base/log.h"
#include "faxcodes/texts.h"

#include "richtext/richtext.h"
#include "settings/appsettings.h"

#include <QFile>
#include <stdexcept>

namespace app {

std::string TemporaryRtfPath() { return settings::ProgramDir() + "Eraseme.rtf"; }

void LoadRichText(richtext::TRichText* editor, const std::string& memoField,
                  tables::TTableBinding& binding) {
  editor->Clear();
  tables::Table* table = binding.table();
  const std::string path = TemporaryRtfPath();
  try {
    if (!table || !table->blobToFile(memoField, path)) return;
  } catch (const std::exception& e) {
    base::LogFailure(memoField, e.what());  // the editor stays empty
    return;
  }
  const QString file = QString::fromStdString(path);
  editor->LoadFromFile(file);
  editor->Reformat();
  QFile::remove(file);
}

void SaveRichText(richtext::TRichText* editor, const std::string& memoField,
                  tables::TTableBinding& binding) {
  tables::Table* table = binding.table();
  if (!table) throw std::runtime_error("No table to store the text in");
  const std::string path = TemporaryRtfPath();
  const int rc = editor->SaveToFile(QString::fromStdString(path));
  if (rc != richtext::kErrNone)
    throw std::runtime_error("Unable to write to " + path + ": " + faxcodes::errorText(rc));
  table->fileToBlob(memoField, path);
}

}  // namespace app
