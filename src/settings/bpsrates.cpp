// Transfer-rate list.
#include "settings/bpsrates.h"

#include <array>

namespace settings {

namespace {
constexpr std::array<int, 6> kRates = {2400, 4800, 7200, 9600, 12000, 14400};
}

int BpsIndexToRate(int index) {
  if (index < 0 || index >= int(kRates.size())) return 9600;
  return kRates[std::size_t(index)];
}

int BpsRateToIndex(int rate) {
  for (std::size_t i = 0; i < kRates.size(); ++i)
    if (kRates[i] == rate) return int(i);
  return 3;
}

}  // namespace settings
