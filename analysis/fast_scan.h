#pragma once

#include <string_view>

#include "tally.h"

namespace vorrik {

/// The longest line the fast path takes; longer lines take the general scanner.
inline constexpr std::size_t kFastScanMaxLength = 128;

/// Scans one code line as ScanLine does, with bit masks over the whole line
/// instead of a step per character, when the line is of the common kind: at
/// most 128 characters, no quoted stretch left open and not both kinds of
/// quotes before its comment, no "/" but a comment's, no word of six characters or fewer parted by blanks, and no
/// word still open at its end; the state carries nothing in; and the tally is
/// small enough that every partial sum is exact in single precision, so the
/// order of the additions cannot matter. Returns false, changing nothing, for
/// any other line or when FastScanAvailable() is false; true after adding the
/// line's weight to tally, updating the state and storing lineDelta.
bool ScanLineFast(std::u16string_view line, ScanState& state, float& tally, float& lineDelta);

/// Whether ScanLineFast takes any line: this build has the bit-mask path, the
/// processor has the instructions it needs, and it is not switched off by
/// setting VORRIK_NO_FAST_SCAN to anything but "" or "0" (so that the general
/// scanner alone can be tested on any machine). Decided once, on first use.
bool FastScanAvailable();

}  // namespace vorrik
