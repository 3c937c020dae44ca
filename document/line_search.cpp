#include "document/line_search.h"

#include <QChar>

#include <array>
#include <string>

namespace vorrik {

namespace {

using FoldTable = std::array<char16_t, 0x10000>;

/// Every UTF-16 unit's simple case folding, made once: a lookup a character.
const FoldTable& Folding() {
  static const FoldTable table = [] {
    FoldTable t{};
    for (char32_t c = 0; c < 0x10000; ++c) t[c] = static_cast<char16_t>(QChar::toCaseFolded(c));
    return t;
  }();
  return table;
}

bool HoldsExactly(std::u16string_view line, std::u16string_view what) { return line.find(what) != line.npos; }

/// Whether line holds folded (already folded) with its letters folded.
bool HoldsFolded(std::u16string_view line, std::u16string_view folded, const FoldTable& fold) {
  if (line.size() < folded.size()) return false;
  const std::size_t last = line.size() - folded.size();
  const char16_t first = folded[0];
  for (std::size_t i = 0; i <= last; ++i) {
    if (fold[line[i]] != first) continue;
    std::size_t k = 1;
    while (k < folded.size() && fold[line[i + k]] == folded[k]) ++k;
    if (k == folded.size()) return true;
  }
  return false;
}

}  // namespace

// Measured: edge_bench's BM_FindNoMatch reads every line of 3 million.
int FindLine(const LineStore& lines, const LineSearch& search, int from) {
  const int count = lines.count();
  if (count == 0 || search.what.empty()) return -1;
  const FoldTable& fold = Folding();
  std::u16string folded(search.what);
  for (char16_t& c : folded) c = fold[c];
  const auto holds = [&](int i) {
    return search.matchCase ? HoldsExactly(lines.line(i), search.what) : HoldsFolded(lines.line(i), folded, fold);
  };
  if (search.up) {
    const int start = from < 0 || from >= count ? count : from;
    for (int i = start - 1; i >= 0; --i)
      if (holds(i)) return i;
    for (int i = count - 1; i >= start; --i)
      if (holds(i)) return i;
  } else {
    const int start = from < 0 || from >= count ? -1 : from;
    for (int i = start + 1; i < count; ++i)
      if (holds(i)) return i;
    for (int i = 0; i <= start; ++i)
      if (holds(i)) return i;
  }
  return -1;
}

}  // namespace vorrik
