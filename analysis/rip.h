#pragma once

#include <optional>
#include <string>

namespace vorrik {

/// The placeholder that replaces a scanned line in a Rip run, chosen from its
/// lineDelta: "" for 0, "x;" for 1, "-x;" for 1.5, then k - 1 times "x, "
/// followed by "x;" (whole k) or "-x;" (k + .5). Nothing (the line stays as
/// it is) for .5 and for negative values.
std::optional<std::u16string> RipText(float lineDelta);

/// RipText into out, which keeps its capacity from line to line, so a run
/// over any number of lines allocates only as its longest placeholder
/// grows. Returns false (out unspecified) where the line stays as it is.
bool RipTextInto(float lineDelta, std::u16string& out);

}  // namespace vorrik
