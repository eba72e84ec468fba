// Extensions of file names.
#include "base/filenames.h"

namespace base {

namespace {
std::size_t extensionDot(std::string_view name) {
  const std::size_t slash = name.find_last_of('/');
  const std::size_t dot = name.find_last_of('.');
  if (dot == std::string_view::npos) return dot;
  if (slash != std::string_view::npos && dot < slash) return std::string_view::npos;
  return dot;
}
}  // namespace

bool HasExtension(std::string_view name) { return extensionDot(name) != std::string_view::npos; }

std::string WithoutExtension(std::string_view name) {
  return std::string(name.substr(0, extensionDot(name)));
}

std::string WithExtension(std::string_view name, std::string_view ext) {
  return WithoutExtension(name) + "." + std::string(ext);
}

std::string ExtensionOf(std::string_view name) {
  const std::size_t dot = extensionDot(name);
  return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot + 1));
}

}  // namespace base
