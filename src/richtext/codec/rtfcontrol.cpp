// Control-word tables of the RTF reader.
#include "richtext/codec/rtfcontrol.h"

#include <algorithm>
#include <array>
#include <utility>

namespace richtext {
namespace {

constexpr std::array<std::string_view, 47> kSkipped = {
    "stylesheet",
    "info",
    "objdata",
    "objclass",
    "header",
    "headerl",
    "headerr",
    "headerf",
    "footer",
    "footerl",
    "footerr",
    "footerf",
    "footnote",
    "annotation",
    "atnid",
    "atnauthor",
    "xe",
    "tc",
    "listtable",
    "listoverridetable",
    "revtbl",
    "rsidtbl",
    "generator",
    "themedata",
    "colorschememapping",
    "datastore",
    "latentstyles",
    "xmlnstbl",
    "filetbl",
    "pgdsctbl",
    "mmathPr",
    "shpinst",
    "nonshppict",
    "template",
    "userprops",
    "docvar",
    "ftnsep",
    "ftnsepc",
    "aftnsep",
    "aftnsepc",
    "pnseclvl",
    "listpicture",
    "fldtype",
    "bkmkstart",
    "bkmkend",
    "txe",
    "rxe",
};

constexpr std::array<std::string_view, 11> kUnderline = {"ul",       "uld",    "uldash",  "uldashd",
                                                         "uldashdd", "uldb",   "ulhwave", "ulth",
                                                         "ulw",      "ulwave", "ulthd"};

constexpr std::array<std::pair<std::string_view, char16_t>, 10> kSymbols = {{
    {"emdash", 0x2014},
    {"endash", 0x2013},
    {"lquote", 0x2018},
    {"rquote", 0x2019},
    {"ldblquote", 0x201C},
    {"rdblquote", 0x201D},
    {"bullet", 0x2022},
    {"emspace", 0x2003},
    {"enspace", 0x2002},
    {"qmspace", 0x2005},
}};

}  // namespace

bool IsSkippedRtfDestination(std::string_view word) {
  return std::find(kSkipped.begin(), kSkipped.end(), word) != kSkipped.end();
}

bool IsRtfUnderlineWord(std::string_view word) {
  return std::find(kUnderline.begin(), kUnderline.end(), word) != kUnderline.end();
}

char16_t RtfSymbolWord(std::string_view word) {
  for (const auto& [name, c] : kSymbols)
    if (name == word) return c;
  return 0;
}

}  // namespace richtext
