// Moving rich text between an editor pane and a memo field of the current record,
// through the temporary file "Eraseme.rtf" in the program directory.
#pragma once

#include "tables/binding.h"

#include <string>

namespace richtext {
class TRichText;
}

namespace app {

std::string TemporaryRtfPath();

// Clears the editor and fills it with the RTF of the memo field; a memo that cannot be
// copied out leaves the editor empty.
void LoadRichText(richtext::TRichText* editor, const std::string& memoField,
                  tables::TTableBinding& binding);

// Stores the editor's content as RTF into the memo field; the record must be in edit or
// append state (the caller posts). Throws when the text cannot be stored.
void SaveRichText(richtext::TRichText* editor, const std::string& memoField,
                  tables::TTableBinding& binding);

}  // namespace app
