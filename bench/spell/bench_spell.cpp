// The spelling engine next to Hunspell (en_US), both built from the same word list:
// - words checked per second over a 100,000-word text, once real prose (the licence texts
//   every Debian system carries, read over again to 100,000 words) and once words drawn
//   from the list with every word equally likely and 3 in 100 misspelled, the hardest
//   case for a dictionary read through a small cache;
// - for 500 misspellings made from dictionary words by one deletion, insertion,
//   substitution or transposition, how often the intended word is the first suggestion
//   and how often it is among the first five, with the time per suggestion list.
// Our ranking is the file format's own; the figures are to know, not to tune against.
#include <benchmark/benchmark.h>
#include <hunspell.hxx>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>

#include "spell/engine.h"
#include "spell/letters.h"
#include "wordlist.h"

namespace {

constexpr std::size_t kTextWords = 100000;
constexpr const char* kProseFolder = "/usr/share/common-licenses";
constexpr int kMisspellings = 500;

struct Word {
  std::string cp1252, utf8;
};

const std::vector<Word>& WordList() {
  static const std::vector<Word> words = [] {
    std::vector<Word> out;
    std::ifstream in(BRINDLE_WORD_LIST, std::ios::binary);
    for (std::string line; std::getline(in, line);)
      if (auto w = dictbuild::Utf8ToCp1252(line)) out.push_back({*w, line});
    return out;
  }();
  return words;
}

// One random edit of a lower-case ASCII word: kind 0 deletes, 1 inserts, 2 substitutes,
// 3 swaps two neighbours.
std::string Misspell(const std::string& w, int kind, std::mt19937& random) {
  std::string s = w;
  const std::size_t at = random() % s.size();
  const char letter = char('a' + random() % 26);
  switch (kind) {
    case 0: s.erase(at, 1); break;
    case 1: s.insert(at, 1, letter); break;
    case 2: s[at] = letter == s[at] ? char('a' + (letter - 'a' + 1) % 26) : letter; break;
    default: std::swap(s[std::min(at, s.size() - 2)], s[std::min(at, s.size() - 2) + 1]); break;
  }
  return s;
}

// The words of the licence texts in file order (letters with apostrophes inside; words
// holding digits are left out, as the editor's word walk leaves them out).
std::vector<Word> ProseText() {
  std::vector<Word> words;
  std::error_code error;
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(kProseFolder, error))
    if (entry.is_regular_file()) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  for (const auto& file : files) {
    std::ifstream in(file, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::string word;
    bool digits = false;
    for (std::size_t i = 0; i <= text.size(); ++i) {
      const char c = i < text.size() ? text[i] : ' ';
      const bool letter = std::isalpha(static_cast<unsigned char>(c));
      if (letter || std::isdigit(static_cast<unsigned char>(c)) ||
          (c == '\'' && !word.empty() && i + 1 < text.size() &&
           std::isalpha(static_cast<unsigned char>(text[i + 1])))) {
        digits |= !letter && c != '\'';
        word += c;
        continue;
      }
      if (!word.empty() && !digits) words.push_back({word, word});
      word.clear();
      digits = false;
    }
  }
  std::vector<Word> text;
  while (!words.empty() && text.size() < std::size_t(kTextWords))
    text.insert(text.end(), words.begin(),
                words.begin() + long(std::min(words.size(), kTextWords - text.size())));
  return text;
}

// Words drawn evenly from the list, 3 in 100 of them misspelled.
std::vector<Word> EvenText() {
  const auto& list = WordList();
  std::mt19937 random(2);
  std::vector<Word> text;
  while (text.size() < std::size_t(kTextWords)) {
    Word w = list[random() % list.size()];
    if (random() % 100 < 3 && w.utf8.size() > 2) {
      w.utf8 = Misspell(w.utf8, int(random() % 4), random);
      auto converted = dictbuild::Utf8ToCp1252(w.utf8);
      if (!converted) continue;
      w.cp1252 = *converted;
    }
    text.push_back(std::move(w));
  }
  return text;
}

spell::Engine& Ours() {
  static spell::Engine engine;
  static const bool opened = engine.OpenMain(BRINDLE_MAIN_DICTIONARY);
  if (!opened) std::fprintf(stderr, "cannot open %s\n", BRINDLE_MAIN_DICTIONARY);
  return engine;
}

Hunspell& Theirs() {
  static Hunspell h(HUNSPELL_DICTIONARY ".aff", HUNSPELL_DICTIONARY ".dic");
  return h;
}

double g_rate[2][2];  // [prose or even][ours or Hunspell]: words per second of CPU time

void BM_Check(benchmark::State& state) {
  const bool prose = state.range(0) == 0;
  const bool ours = state.range(1) == 0;
  const std::vector<Word> text = prose ? ProseText() : EvenText();
  std::size_t wrong = 0;
  // Processor time, so other work on a shared machine counts against neither.
  const std::clock_t start = std::clock();
  for (auto _ : state) {
    for (const Word& w : text)
      wrong += ours ? !Ours().CheckWord(w.cp1252) : !Theirs().spell(w.utf8);
  }
  const double seconds = double(std::clock() - start) / CLOCKS_PER_SEC;
  g_rate[prose ? 0 : 1][ours ? 0 : 1] = double(state.iterations()) * kTextWords / seconds;
  state.SetItemsProcessed(std::int64_t(state.iterations()) * kTextWords);
  state.counters["flagged"] = double(wrong) / double(state.iterations());
}
BENCHMARK(BM_Check)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->ArgNames({"evenly_drawn", "hunspell"})
    ->Unit(benchmark::kMillisecond);

struct Quality {
  int first = 0, topFive = 0;
  double seconds = 0;
};

bool SameWord(const std::string& a, const std::string& b) {
  return spell::UpperCase(a) == spell::UpperCase(b);
}

void Score(Quality& q, const std::vector<std::string>& list, const std::string& intended) {
  for (std::size_t i = 0; i < list.size() && i < 5; ++i) {
    if (!SameWord(list[i], intended)) continue;
    q.first += i == 0;
    ++q.topFive;
    break;
  }
}

void MeasureSuggestions() {
  const auto& list = WordList();
  std::mt19937 random(3);
  Quality ours, theirs;
  int made = 0;
  while (made < kMisspellings) {
    const std::string& word = list[random() % list.size()].utf8;
    if (word.size() < 4 ||
        !std::all_of(word.begin(), word.end(), [](char c) { return c >= 'a' && c <= 'z'; }))
      continue;
    const std::string wrong = Misspell(word, made % 4, random);
    if (Ours().CheckWord(wrong) || Theirs().spell(wrong)) continue;
    ++made;
    auto t0 = std::chrono::steady_clock::now();
    Score(ours, Ours().Suggest(wrong, 10), word);
    auto t1 = std::chrono::steady_clock::now();
    Score(theirs, Theirs().suggest(wrong), word);
    auto t2 = std::chrono::steady_clock::now();
    ours.seconds += std::chrono::duration<double>(t1 - t0).count();
    theirs.seconds += std::chrono::duration<double>(t2 - t1).count();
  }
  std::printf(
      "\nSuggestions for %d misspellings (deletion, insertion, substitution, transposition):\n",
      kMisspellings);
  std::printf("%-10s %12s %12s %16s\n", "", "first", "top five", "ms per list");
  for (const auto& [name, q] : {std::pair{"ours", ours}, std::pair{"hunspell", theirs}})
    std::printf("%-10s %11.1f%% %11.1f%% %16.3f\n", name, 100.0 * q.first / kMisspellings,
                100.0 * q.topFive / kMisspellings, 1000.0 * q.seconds / kMisspellings);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  std::printf("\nWords checked per second of processor time over %zu words:\n", kTextWords);
  std::printf("%-18s %14s %14s %8s\n", "text", "ours", "hunspell", "ratio");
  const char* names[2] = {"licence prose", "evenly drawn"};
  for (int t = 0; t < 2; ++t)
    std::printf("%-18s %14.0f %14.0f %8.2f\n", names[t], g_rate[t][0], g_rate[t][1],
                g_rate[t][1] > 0 ? g_rate[t][0] / g_rate[t][1] : 0.0);
  MeasureSuggestions();
  benchmark::Shutdown();
  return 0;
}
