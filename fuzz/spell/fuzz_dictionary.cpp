// Writes arbitrary bytes as a dictionary file, opens it as a main and as a user
// dictionary, and checks, suggests and adds words against it. Any hang, crash or read
// outside the file is a fault.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "spell/engine.h"

namespace {

std::string ScratchPath() {
  const char* dir = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  return std::string(dir) + "/brindle-fuzz-dict-" + std::to_string(::getpid()) + ".dct";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = ScratchPath();
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  // The last bytes of the input are a word too, so the search follows unusual paths.
  const std::string tail(
      reinterpret_cast<const char*>(data) + size - std::min<std::size_t>(size, 12),
      std::min<std::size_t>(size, 12));
  spell::Engine engine;
  engine.OpenMain(path);
  const int handle = engine.OpenUser(path);
  for (const std::string& word :
       {std::string("cat"), std::string("thw"), std::string("Brindle's"), tail}) {
    engine.CheckWord(word);
    engine.Suggest(word, 220);
  }
  if (handle >= 0) {
    engine.AddWord("zebra", handle);
    engine.AddWord(tail, handle);
    engine.CheckWord("zebra");
  }
  return 0;
}
