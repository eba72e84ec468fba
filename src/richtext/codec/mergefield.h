// Merge fields: the placeholders a cover-sheet template holds for recipient data,
// their numeric ids and the bracketed names they show until they are merged.
#pragma once

#include <string_view>

namespace richtext {

enum MergeFieldId : int {
  kFieldNone = 0,
  kFieldRecipient = 1,
  kFieldFaxNumber = 2,
  kFieldSubject = 3,
  kFieldDate = 4,
  kFieldTime = 5,
};

// Object kind under which templates insert merge fields (the code of '*').
constexpr int kMergeFieldObjectKind = 42;

// The display name of a known id ("[RECIPIENT]" ...), empty for any other id.
std::string_view MergeFieldDisplayName(int id);

// The id whose display name (or bare name, without brackets) equals name,
// compared without regard to ASCII case; kFieldNone when there is none.
int MergeFieldIdFromName(std::string_view name);

}  // namespace richtext
