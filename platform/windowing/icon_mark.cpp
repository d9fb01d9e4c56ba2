#include "internal/icon_mark.h"

#include <algorithm>

namespace kelvane {
namespace {

// The pixels [first, last) of half `half` (0 or 1) of a side; an image one
// pixel wide gives that pixel to both halves.
std::pair<LONG, LONG> HalfOf(LONG side, int half) {
  const LONG first = half * side / 2;
  return {first, std::max(first + 1, (half + 1) * side / 2)};
}

COLORREF AverageColour(const IconImage& image, int column, int row) {
  const auto xs = HalfOf(image.width, column), ys = HalfOf(image.height, row);
  long r = 0, g = 0, b = 0, count = 0;
  for (LONG y = ys.first; y < ys.second; ++y)
    for (LONG x = xs.first; x < xs.second; ++x) {
      const COLORREF colour = image.At(x, y);
      r += GetRValue(colour);
      g += GetGValue(colour);
      b += GetBValue(colour);
      ++count;
    }
  return RGB(r / count, g / count, b / count);
}

}  // namespace

IconMark MarkOf(const Icon& icon) {
  const IconImage& image = *std::min_element(icon.images.begin(), icon.images.end(), [](const auto& a, const auto& b) {
    return a.width * a.height < b.width * b.height;
  });
  return {{AverageColour(image, 0, 0), AverageColour(image, 1, 0)},
          {AverageColour(image, 0, 1), AverageColour(image, 1, 1)}};
}

}  // namespace kelvane
