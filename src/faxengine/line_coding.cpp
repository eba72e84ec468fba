// Choosing the coding of page data on the line.
#include "faxengine/line_coding.h"

#include <algorithm>
#include <cctype>

namespace faxengine {

namespace {

// Codings from the poorest to the richest, to cap one by another.
int rank(Coding c) { return c == Coding::Mh ? 0 : c == Coding::Mr ? 1 : 2; }

Coding richest(CodingChoice allowed) {
  switch (allowed) {
    case CodingChoice::Mh: return Coding::Mh;
    case CodingChoice::Mr: return Coding::Mr;
    default: return Coding::Mmr;
  }
}

}  // namespace

LineCodings offeredCodings(CodingChoice allowed, bool ecmOffered) {
  const int cap = rank(richest(allowed));
  return {cap >= 1, cap >= 2 && ecmOffered};
}

Coding chooseLineCoding(CodingChoice allowed, const LineCodings& remote, bool ecm) {
  const int cap = rank(richest(allowed));
  if (cap >= 2 && remote.mmr && ecm) return Coding::Mmr;
  if (cap >= 1 && remote.mr) return Coding::Mr;
  return Coding::Mh;
}

const char* codingName(Coding c) {
  switch (c) {
    case Coding::Mh: return "MH";
    case Coding::Mr: return "MR";
    case Coding::Mmr: return "MMR";
  }
  return "?";
}

std::string lineFacts(Coding c, bool ecm) {
  return std::string(codingName(c)) + (ecm ? ", ECM on" : ", ECM off");
}

bool parseCodingChoice(const std::string& text, CodingChoice& out) {
  std::string t = text;
  std::transform(t.begin(), t.end(), t.begin(), [](unsigned char ch) { return std::tolower(ch); });
  static constexpr std::pair<const char*, CodingChoice> kNames[] = {
      {"auto", CodingChoice::Auto},
      {"mh", CodingChoice::Mh},
      {"mr", CodingChoice::Mr},
      {"mmr", CodingChoice::Mmr}};
  for (const auto& [name, choice] : kNames) {
    if (t == name) {
      out = choice;
      return true;
    }
  }
  return false;
}

}  // namespace faxengine
