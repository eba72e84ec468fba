// Merge-field ids and display names.
#include "richtext/codec/mergefield.h"

#include <array>

namespace richtext {
namespace {

constexpr std::array<std::string_view, 6> kNames = {"",          "[RECIPIENT]", "[FAX#]",
                                                    "[SUBJECT]", "[DATE]",      "[TIME]"};

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = char(x - 32);
    if (y >= 'a' && y <= 'z') y = char(y - 32);
    if (x != y) return false;
  }
  return true;
}

}  // namespace

std::string_view MergeFieldDisplayName(int id) {
  if (id < 1 || id >= int(kNames.size())) return {};
  return kNames[size_t(id)];
}

int MergeFieldIdFromName(std::string_view name) {
  for (size_t id = 1; id < kNames.size(); ++id) {
    std::string_view full = kNames[id];
    if (SameIgnoringCase(name, full) || SameIgnoringCase(name, full.substr(1, full.size() - 2)))
      return int(id);
  }
  return kFieldNone;
}

}  // namespace richtext
