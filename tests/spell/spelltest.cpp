// Scratch folders and small dictionaries for the spelling tests.
#include "spelltest.h"

#include <unistd.h>

#include <atomic>
#include <fstream>
#include <iterator>

#include "dictbuilder.h"

namespace spelltest {

ScratchDir::ScratchDir() {
  static std::atomic<int> counter{0};
  path_ = std::filesystem::temp_directory_path() /
          ("brindle-spell-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
  std::filesystem::create_directories(path_);
}

ScratchDir::~ScratchDir() { std::filesystem::remove_all(path_); }

void WriteMainDictionary(const std::string& path, const std::vector<std::string>& words) {
  WriteBytes(path, dictbuild::BuildMainDictionary(words).bytes);
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

}  // namespace spelltest
