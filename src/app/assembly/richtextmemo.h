// Rich text between a memo field of the current record and an editor pane (TRichText)
// or a window-less document (TRichDocument), through the temporary file of memofile.h.
#pragma once

#include "app/store/memofile.h"
#include "faxcodes/texts.h"

#include <QFile>
#include <QString>

#include <stdexcept>
#include <string>

namespace app {

// Clears the text and fills it with the RTF of the memo field; a memo that cannot be
// copied out leaves the text empty.
template <class Text>
void LoadRichText(Text& text, const std::string& memoField, tables::TTableBinding& binding) {
  text.Clear();
  const std::string path = TemporaryRtfPath();
  if (!CopyMemoToFile(binding, memoField, path)) return;
  const QString file = QString::fromStdString(path);
  text.LoadFromFile(file);
  if constexpr (requires { text.Reformat(); }) text.Reformat();
  QFile::remove(file);
}

// Stores the editor's content as RTF into the memo field; the record must be in edit or
// append state (the caller posts). Throws when the text cannot be stored.
template <class Editor>
void SaveRichText(Editor& editor, const std::string& memoField, tables::TTableBinding& binding) {
  TableToStoreIn(binding);
  const std::string path = TemporaryRtfPath();
  if (const int rc = editor.SaveToFile(QString::fromStdString(path)))
    throw std::runtime_error("Unable to write to " + path + ": " + faxcodes::errorText(rc));
  CopyFileToMemo(binding, memoField, path);
}

}  // namespace app
