#include "rip.h"

#include <cmath>
#include <cstdint>

namespace vorrik {

namespace {

std::u16string Placeholder(std::int64_t items, std::u16string_view closing) {
  std::u16string text;
  text.reserve(static_cast<std::size_t>(items) * 3 + closing.size());
  for (std::int64_t i = 0; i < items; ++i) text += u"x, ";
  text += closing;
  return text;
}

}  // namespace

std::optional<std::u16string> RipText(float lineDelta) {
  if (lineDelta == 0.0f) return std::u16string();
  if (lineDelta == 1.0f) return std::u16string(u"x;");
  if (lineDelta == 1.5f) return std::u16string(u"-x;");
  // The comparison is false for NaN, which leaves the line as it is.
  if (!(lineDelta > 1.5f)) return std::nullopt;
  // No line can weigh this much (it would need a text of exabytes); the bound
  // keeps the conversion below defined for any float, infinity included.
  if (lineDelta >= 0x1p62f) return std::nullopt;

  // Counts are 64-bit: a line long enough to weigh more than 32,767 objects
  // still gets its full placeholder.
  if (std::floor(lineDelta) == lineDelta)
    return Placeholder(static_cast<std::int64_t>(lineDelta) - 1, u"x;");
  const auto halves = std::nearbyint(static_cast<double>(lineDelta) - 1.5);
  return Placeholder(static_cast<std::int64_t>(halves), u"-x;");
}

}  // namespace vorrik
