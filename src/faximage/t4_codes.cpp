// The T.4 Modified Huffman code tables, written as the bit strings of the recommendation.
#include "faximage/t4_codes.h"

#include <array>
#include <string_view>

namespace faximage::t4 {

namespace {

constexpr Code code(std::string_view s) {
  std::uint16_t v = 0;
  for (char c : s) v = std::uint16_t((v << 1) | (c == '1'));
  return Code{v, std::uint8_t(s.size())};
}

constexpr std::array<Code, 64> kWhiteTerm{
    code("00110101"), code("000111"),   code("0111"),     code("1000"),     code("1011"),
    code("1100"),     code("1110"),     code("1111"),     code("10011"),    code("10100"),
    code("00111"),    code("01000"),    code("001000"),   code("000011"),   code("110100"),
    code("110101"),   code("101010"),   code("101011"),   code("0100111"),  code("0001100"),
    code("0001000"),  code("0010111"),  code("0000011"),  code("0000100"),  code("0101000"),
    code("0101011"),  code("0010011"),  code("0100100"),  code("0011000"),  code("00000010"),
    code("00000011"), code("00011010"), code("00011011"), code("00010010"), code("00010011"),
    code("00010100"), code("00010101"), code("00010110"), code("00010111"), code("00101000"),
    code("00101001"), code("00101010"), code("00101011"), code("00101100"), code("00101101"),
    code("00000100"), code("00000101"), code("00001010"), code("00001011"), code("01010010"),
    code("01010011"), code("01010100"), code("01010101"), code("00100100"), code("00100101"),
    code("01011000"), code("01011001"), code("01011010"), code("01011011"), code("01001010"),
    code("01001011"), code("00110010"), code("00110011"), code("00110100")};

// Make-up codes 64 .. 1728.
constexpr std::array<Code, 27> kWhiteMakeUp{
    code("11011"),     code("10010"),     code("010111"),    code("0110111"),   code("00110110"),
    code("00110111"),  code("01100100"),  code("01100101"),  code("01101000"),  code("01100111"),
    code("011001100"), code("011001101"), code("011010010"), code("011010011"), code("011010100"),
    code("011010101"), code("011010110"), code("011010111"), code("011011000"), code("011011001"),
    code("011011010"), code("011011011"), code("010011000"), code("010011001"), code("010011010"),
    code("011000"),    code("010011011")};

constexpr std::array<Code, 64> kBlackTerm{
    code("0000110111"),   code("010"),          code("11"),           code("10"),
    code("011"),          code("0011"),         code("0010"),         code("00011"),
    code("000101"),       code("000100"),       code("0000100"),      code("0000101"),
    code("0000111"),      code("00000100"),     code("00000111"),     code("000011000"),
    code("0000010111"),   code("0000011000"),   code("0000001000"),   code("00001100111"),
    code("00001101000"),  code("00001101100"),  code("00000110111"),  code("00000101000"),
    code("00000010111"),  code("00000011000"),  code("000011001010"), code("000011001011"),
    code("000011001100"), code("000011001101"), code("000001101000"), code("000001101001"),
    code("000001101010"), code("000001101011"), code("000011010010"), code("000011010011"),
    code("000011010100"), code("000011010101"), code("000011010110"), code("000011010111"),
    code("000001101100"), code("000001101101"), code("000011011010"), code("000011011011"),
    code("000001010100"), code("000001010101"), code("000001010110"), code("000001010111"),
    code("000001100100"), code("000001100101"), code("000001010010"), code("000001010011"),
    code("000000100100"), code("000000110111"), code("000000111000"), code("000000100111"),
    code("000000101000"), code("000001011000"), code("000001011001"), code("000000101011"),
    code("000000101100"), code("000001011010"), code("000001100110"), code("000001100111")};

constexpr std::array<Code, 27> kBlackMakeUp{
    code("0000001111"),    code("000011001000"),  code("000011001001"),  code("000001011011"),
    code("000000110011"),  code("000000110100"),  code("000000110101"),  code("0000001101100"),
    code("0000001101101"), code("0000001001010"), code("0000001001011"), code("0000001001100"),
    code("0000001001101"), code("0000001110010"), code("0000001110011"), code("0000001110100"),
    code("0000001110101"), code("0000001110110"), code("0000001110111"), code("0000001010010"),
    code("0000001010011"), code("0000001010100"), code("0000001010101"), code("0000001011010"),
    code("0000001011011"), code("0000001100100"), code("0000001100101")};

// Make-up codes 1792 .. 2560, shared by both colours.
constexpr std::array<Code, 13> kExtendedMakeUp{
    code("00000001000"),  code("00000001100"),  code("00000001101"),  code("000000010010"),
    code("000000010011"), code("000000010100"), code("000000010101"), code("000000010110"),
    code("000000010111"), code("000000011100"), code("000000011101"), code("000000011110"),
    code("000000011111")};

constexpr Code lookup(const std::array<Code, 64>& term, const std::array<Code, 27>& makeUp,
                      int run) {
  if (run >= 0 && run < 64) return term[std::size_t(run)];
  if (run < 64 || run > kMaxMakeUp || run % 64 != 0) return Code{0, 0};
  int k = run / 64 - 1;
  return k < 27 ? makeUp[std::size_t(k)] : kExtendedMakeUp[std::size_t(k - 27)];
}

constexpr std::uint32_t reverse(std::uint32_t v, int n) {
  std::uint32_t r = 0;
  for (int i = 0; i < n; ++i) r |= ((v >> i) & 1u) << (n - 1 - i);
  return r;
}

// Appends code b after code a, both in transmission order.
constexpr std::uint32_t joined(Code a, Code b) {
  const std::uint32_t bits = reverse(a.bits, a.length) | reverse(b.bits, b.length) << a.length;
  return bits << 5 | std::uint32_t(a.length + b.length);
}

// White runs, then black runs.
using JoinedTable = std::array<std::uint32_t, 2 * kJoinedCodes>;

constexpr void fillJoined(std::uint32_t* t, const std::array<Code, 64>& term,
                          const std::array<Code, 27>& makeUp) {
  for (int run = 0; run <= kMaxMakeUp; ++run)
    t[run] = joined(run < 64 ? Code{0, 0} : lookup(term, makeUp, run & ~63), term[run & 63]);
  t[kMaxMakeUp + 1] = joined(lookup(term, makeUp, kMaxMakeUp), Code{0, 0});
}

constexpr JoinedTable joinedTable() {
  JoinedTable t{};
  fillJoined(t.data(), kWhiteTerm, kWhiteMakeUp);
  fillJoined(t.data() + kJoinedCodes, kBlackTerm, kBlackMakeUp);
  return t;
}

constexpr JoinedTable kJoined = joinedTable();

// The encoder sizes its output on this: no run of r >= 1 pixels takes more than 6 r bits.
constexpr bool atMostSixBitsPerPixel() {
  for (int run = 1; run <= kMaxMakeUp; ++run)
    for (int colour : {0, 1})
      if (joinedLength(kJoined[std::size_t(colour * kJoinedCodes + run)]) > 6u * unsigned(run))
        return false;
  return true;
}
static_assert(atMostSixBitsPerPixel());

}  // namespace

Code whiteCode(int run) { return lookup(kWhiteTerm, kWhiteMakeUp, run); }
Code blackCode(int run) { return lookup(kBlackTerm, kBlackMakeUp, run); }

const std::uint32_t* joinedCodes() { return kJoined.data(); }

}  // namespace faximage::t4
