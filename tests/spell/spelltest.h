// Shared pieces of the spelling tests: a scratch folder and small dictionaries in it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace spelltest {

class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// Builds a main dictionary of the words (code page 1252) at path.
void WriteMainDictionary(const std::string& path, const std::vector<std::string>& words);
std::vector<std::uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace spelltest
