// dictbuild WORDLIST OUTPUT: compiles a UTF-8 word list into a main spelling dictionary.
#include <cstdio>

#include "base/atomicfile.h"
#include "dictbuilder.h"
#include "wordlist.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s WORDLIST OUTPUT\n", argv[0]);
    return 2;
  }
  std::vector<std::string> words;
  std::size_t unconverted = 0;
  if (!dictbuild::ReadWordList(argv[1], words, unconverted)) {
    std::fprintf(stderr, "dictbuild: cannot read %s\n", argv[1]);
    return 1;
  }
  const dictbuild::BuildResult built = dictbuild::BuildMainDictionary(words);
  if (base::ReplaceFile(argv[2], built.bytes) != 0) {
    std::fprintf(stderr, "dictbuild: cannot write %s\n", argv[2]);
    return 1;
  }
  std::printf("dictbuild: %zu words in %zu sections, %zu dropped, %zu not in the code page\n",
              built.words, built.sections, built.dropped, unconverted);
  return 0;
}
