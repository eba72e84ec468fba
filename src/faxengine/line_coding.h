// The coding of page data on a Class 1 line: what the user allows, what a DIS offers, which
// coding a call's pages use, and its name for the progress line, the fax history and the
// trace. Pages are stored MH whatever the line carries; line_recoder.h turns them over.
#pragma once

#include <string>

#include "faximage/t4_2d.h"

namespace faxengine {

using faximage::t4::Coding;

// The richest coding the user allows on the line; Auto allows them all.
enum class CodingChoice { Auto, Mh, Mr, Mmr };

// Codings beside MH (which every fax machine has) that a DIS offers.
struct LineCodings {
  bool mr = false;   // two-dimensional (MR)
  bool mmr = false;  // T.6 (MMR); valid only together with error correction
  bool operator==(const LineCodings&) const = default;
};

// What our DIS offers: MR unless only MH is allowed; MMR as well when error correction is
// offered too, since T.6 pages travel only in ECM frames.
LineCodings offeredCodings(CodingChoice allowed, bool ecmOffered);

// The coding of a call's pages: MMR when the session uses error correction and the far end
// offers T.6, otherwise MR when it offers 2-D, otherwise MH; never richer than allowed.
Coding chooseLineCoding(CodingChoice allowed, const LineCodings& remote, bool ecm);

// MR codes every K-th row one-dimensionally, so that a damaged row spoils at most K rows.
inline int mrK(bool fine) { return fine ? faximage::t4::kMrFineK : faximage::t4::kMrStandardK; }

// "MH", "MR" or "MMR".
const char* codingName(Coding c);
// "MH, ECM off" and the like: what the progress line, the history and the trace show.
std::string lineFacts(Coding c, bool ecm);

// Parses "auto", "mh", "mr" or "mmr" (as a user types it, any case); false otherwise.
bool parseCodingChoice(const std::string& text, CodingChoice& out);

}  // namespace faxengine
