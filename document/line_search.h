#pragma once

#include <string_view>

#include "document/script_bytes.h"

namespace vorrik {

/// What Find looks for in the lines, and which way it goes.
struct LineSearch {
  std::u16string_view what;
  bool matchCase = false;
  bool up = false;
};

/// The first line that holds search.what anywhere in its whole text, going
/// from the line after from (before it, up) to the end of the lines, then
/// on from the other end round to from itself; -1 when no line holds it or
/// it is empty. With from -1 (no focused line) the search starts at the
/// first line (the last, up). Without matchCase, letters match in either
/// case (Unicode simple case folding).
int FindLine(const LineStore& lines, const LineSearch& search, int from);

}  // namespace vorrik
