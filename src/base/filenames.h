// File-name rules shared by the modules: the extension is the text after the last '.' of
// the last path component ("/" separates components).
#pragma once

#include <string>
#include <string_view>

namespace base {

bool HasExtension(std::string_view name);
std::string WithoutExtension(std::string_view name);
// Replaces the extension (or adds one); ext is given without its dot.
std::string WithExtension(std::string_view name, std::string_view ext);
// The extension without its dot; empty when there is none.
std::string ExtensionOf(std::string_view name);

}  // namespace base
