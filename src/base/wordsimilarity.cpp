// Word similarity: common runs, longest first, over the total length.
#include "base/wordsimilarity.h"

namespace base {

namespace {

// Positions are 1-based as in the scoring rules; a[0] and b[0] are unused pads.
struct SimilarityMatcher {
  const std::string& a;
  const std::string& b;
  int total = 0;

  void match(int s1, int e1, int s2, int e2) {
    if (s1 == e1 || s2 == e2) return;
    int best = 0, bestI = 0, bestJ = 0;
    int la = e1, lb = e2;
    for (int i = s1; i <= la; ++i) {
      int j = s2;
      while (j <= lb) {
        if (a[std::size_t(i)] != b[std::size_t(j)]) {
          ++j;
          continue;
        }
        int run = 0;
        while (i + run <= la && j + run <= lb && a[std::size_t(i + run)] == b[std::size_t(j + run)])
          ++run;
        if (run > best) {
          best = run;
          bestI = i;
          bestJ = j;
          la = e1 - best - 1;
          lb = e2 - best - 1;
          i += run;
        }
        j += run;
        if (i > la || i >= int(a.size())) break;
      }
    }
    if (best == 0) return;
    total += 2 * best;
    match(bestI + best, e1, bestJ + best, e2);
    match(s1, bestI - 1, s2, bestJ - 1);
  }
};

}  // namespace

std::int16_t WordSimilarity(const std::string& a, const std::string& b) {
  const std::string pa = " " + a.substr(0, 255);
  const std::string pb = " " + b.substr(0, 255);
  const int la = int(pa.size()) - 1, lb = int(pb.size()) - 1;
  if (la + lb == 0) return 0;
  SimilarityMatcher m{pa, pb};
  m.match(1, la, 1, lb);
  int score = m.total * 100 / (la + lb);
  if (score > 49 && la > 0 && lb > 0 && pa[1] == pb[1] && static_cast<unsigned char>(pa[1]) < 8)
    score += score / 3;
  return std::int16_t(score);
}

}  // namespace base
