// Page layouts kept within what the layout can hold.
#include "richtext/document/richtypes.h"

#include <algorithm>

namespace richtext {

PageLayout SanitizedLayout(PageLayout l) {
  l.width = std::clamp(l.width, 1440, 2 * kMaxTwips);
  l.height = std::clamp(l.height, 1440, 2 * kMaxTwips);
  auto margin = [](int m, int room) { return std::clamp(m, 0, std::max(0, room)); };
  l.marginLeft = margin(l.marginLeft, l.width - 720);
  l.marginRight = margin(l.marginRight, l.width - 720 - l.marginLeft);
  l.marginTop = margin(l.marginTop, l.height - 720);
  l.marginBottom = margin(l.marginBottom, l.height - 720 - l.marginTop);
  return l;
}

}  // namespace richtext
