#pragma once

#include <string_view>
#include <vector>

namespace vorrik {

/// Reduces one line to its normLine: "A"-"Z" lower-cased, every blank and tab
/// removed, and everything from the first "//" or "#" on cut off. The result is
/// written into buffer (grown as needed, never shrunk, so a run allocates only
/// until the buffer fits its longest line) and returned as a view of it.
std::u16string_view NormaliseLine(std::u16string_view line, std::vector<char16_t>& buffer);

/// The section test made before a line's scan: a line reading "end" closes
/// the code section.
inline void ApplyEndTest(std::u16string_view normLine, bool& inCode) {
  if (inCode && normLine == u"end") inCode = false;
}

/// The section test made after a line's scan: a line reading "code" opens the
/// code section, whatever it was.
inline void ApplyCodeTest(std::u16string_view normLine, bool& inCode) {
  if (normLine == u"code") inCode = true;
}

}  // namespace vorrik
