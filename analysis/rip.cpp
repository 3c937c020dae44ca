#include "rip.h"

#include <cmath>
#include <cstdint>
#include <string_view>

namespace vorrik {

namespace {

void Placeholder(std::int64_t items, std::u16string_view closing, std::u16string& out) {
  out.clear();
  out.reserve(static_cast<std::size_t>(items) * 3 + closing.size());
  for (std::int64_t i = 0; i < items; ++i) out += u"x, ";
  out += closing;
}

}  // namespace

std::optional<std::u16string> RipText(float lineDelta) {
  std::u16string text;
  if (!RipTextInto(lineDelta, text)) return std::nullopt;
  return text;
}

bool RipTextInto(float lineDelta, std::u16string& out) {
  if (lineDelta == 0.0f) {
    out.clear();
    return true;
  }
  if (lineDelta == 1.0f) {
    out = u"x;";
    return true;
  }
  if (lineDelta == 1.5f) {
    out = u"-x;";
    return true;
  }
  // The comparison is false for NaN, which leaves the line as it is.
  if (!(lineDelta > 1.5f)) return false;
  // No line can weigh this much (it would need a text of exabytes); the bound
  // keeps the conversion below defined for any float, infinity included.
  if (lineDelta >= 0x1p62f) return false;

  // Counts are 64-bit: a line long enough to weigh more than 32,767 objects
  // still gets its full placeholder.
  if (std::floor(lineDelta) == lineDelta) {
    Placeholder(static_cast<std::int64_t>(lineDelta) - 1, u"x;", out);
  } else {
    const auto halves = std::nearbyint(static_cast<double>(lineDelta) - 1.5);
    Placeholder(static_cast<std::int64_t>(halves), u"-x;", out);
  }
  return true;
}

}  // namespace vorrik
