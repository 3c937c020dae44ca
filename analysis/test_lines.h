#pragma once
// Test helpers for the analysis engine: a line list over a vector, and
// conversions between ASCII test text and the engine's UTF-16.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "analysis/analyse.h"
#include "analysis/display.h"
#include "analysis/recount_cache.h"

namespace vorrik::testing {

inline std::u16string U16(std::string_view text) {
  std::u16string out;
  for (char c : text) out.push_back(static_cast<unsigned char>(c));
  return out;
}

inline std::string Narrow(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) out.push_back(c < 128 ? static_cast<char>(c) : '?');
  return out;
}

/// A random line of up to maxPieces pieces.
inline std::u16string RandomLine(std::mt19937& random, const std::vector<std::u16string>& pieces,
                                 unsigned maxPieces) {
  std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
  std::u16string line;
  for (auto n = random() % (maxPieces + 1); n > 0; --n) line += pieces[pick(random)];
  return line;
}

/// A line list over a vector of lines. Every write is recorded, and a write or
/// read outside the list fails the test.
class VectorLines : public LineList {
 public:
  VectorLines() = default;
  explicit VectorLines(const std::vector<std::string>& lines) {
    for (const auto& line : lines) lines_.push_back(U16(line));
  }
  explicit VectorLines(std::vector<std::u16string> lines) : lines_(std::move(lines)) {}

  int count() const override { return static_cast<int>(lines_.size()); }
  std::u16string_view text(int i) const override {
    ++reads;
    if (i < 0 || i >= count()) {
      ADD_FAILURE() << "read of line " << i << " outside the list";
      return {};
    }
    return lines_[static_cast<std::size_t>(i)];
  }
  void setText(int i, std::u16string_view text) override {
    if (i < 0 || i >= count()) {
      ADD_FAILURE() << "write to line " << i << " outside the list";
      return;
    }
    lines_[static_cast<std::size_t>(i)] = text;
    written.push_back(i);
    if (cache != nullptr) cache->lineChanged(i);
  }
  int focusedIndex() const override { return focused; }
  int selectedCount() const override { return selected; }
  RecountCache* recountCache() override { return cache; }

  /// Focus on line `focus` with n lines selected.
  VectorLines& Select(int focus, int n) {
    focused = focus;
    selected = n;
    return *this;
  }
  std::string Line(int i) const { return Narrow(lines_[static_cast<std::size_t>(i)]); }

  int focused = -1;
  int selected = 0;
  std::vector<int> written;
  mutable int reads = 0;  // lines read
  /// Whole-list runs remember what they scanned here, told of every setText.
  RecountCache* cache = nullptr;

 private:
  std::vector<std::u16string> lines_;
};

/// The scanned lines of a run and their deltas, as "5:0 6:3.5 7:4".
inline std::string RunDeltas(AnalysisEngine& engine, LineList& lines, AnalysisMode mode) {
  std::string out;
  engine.lineScanned = [&](int index, float delta) {
    if (!out.empty()) out += ' ';
    out += std::to_string(index) + ":" + FormatTally(delta).substr(delta < 0 ? 0 : 1);
  };
  engine.AnalyseLines(lines, mode);
  engine.lineScanned = nullptr;
  return out;
}

}  // namespace vorrik::testing
