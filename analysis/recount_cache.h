#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "analysis/char_classes.h"
#include "analysis/tally.h"

namespace vorrik {

class LineList;

/// What the last whole-list run over a line list leaves behind, so that the
/// next one scans only what changed since: the scan state and inCode at the
/// first line of every block of lines (kBlockLines), and the tally of each
/// block. The list's owner calls lineChanged() for every line it sets and
/// clear() when it replaces the lines; a run then rescans each block with a
/// changed line, and the blocks after it only while the state at their first
/// line differs from the one remembered (a quote, an operator or a word
/// carried on, a changed "code" or "end" line). The tally is bit for bit
/// that of a whole-list run: where single precision could round one of that
/// run's partial sums, the whole list is scanned as that run would.
class RecountCache {
 public:
  /// Lines a block holds: a change rescans at most this many lines (and
  /// those its state reaches), and a block costs 24 bytes.
  static constexpr int kBlockLines = 128;

  /// Blocks of blockLines lines (at least 1); tests take small ones.
  explicit RecountCache(int blockLines = kBlockLines) : blockLines_(blockLines < 1 ? 1 : blockLines) {}

  /// The tally of a whole-list run (inCode 0 at line 0) over lines, which
  /// must be the list this cache has been told the changes of.
  float Recount(const LineList& lines, const CharClasses& classes);

  /// Line i has been set to other text.
  void lineChanged(int i);
  /// Every line may have changed (the lines were replaced): the next run
  /// scans the whole list.
  void clear();

  /// Whether the next run can scan only what changed.
  bool ready() const { return ready_; }

 private:
  /// The state of a whole-list run at a block's first line.
  struct Checkpoint {
    std::uint64_t word = 0;  // ScanState::word
    std::uint8_t flags = 0;  // inCode, inQuote, inApos, inWord, opRun (0 or 1 between lines)
    std::uint8_t wordLength = 0;

    bool operator==(const Checkpoint&) const = default;
  };
  static Checkpoint Save(const ScanState& state, bool inCode);
  static void Restore(const Checkpoint& at, ScanState& state, bool& inCode);

  /// Scans every line, remembering the blocks as it goes.
  float Rebuild(const LineList& lines, const CharClasses& classes);
  /// Scans block b again from its checkpoint; returns whether the state after
  /// it differs from the next block's checkpoint, which then takes it.
  bool Rescan(std::size_t b, const LineList& lines, const CharClasses& classes);
  /// Scans the lines of block b from state and inCode, t being the tally,
  /// widening the bounds below by what it meets.
  void ScanBlock(std::size_t b, const LineList& lines, const CharClasses& classes, ScanState& state, bool& inCode,
                 float& t);
  /// Whether the bounds keep every partial sum of a whole-list run exact.
  bool Exact() const;

  /// The tallies of blocks [0, b) in halves, summed (a Fenwick tree).
  std::int64_t HalvesBefore(std::size_t b) const;
  void AddHalves(std::size_t b, std::int64_t halves);

  int blockLines_;
  bool ready_ = false;
  int lineCount_ = 0;
  std::vector<Checkpoint> blocks_;
  std::vector<std::int64_t> sums_;      // the Fenwick tree of the block tallies
  std::vector<std::uint32_t> changed_;  // blocks with a line changed since the last run

  // Bounds under which the sum of the block tallies is that of a whole-list
  // run: no tally at the start of a scanned line (or at the end) beyond
  // maxTally_ in magnitude, and no scanned line longer than maxLength_.
  double maxTally_ = 0.0;
  std::size_t maxLength_ = 0;
};

}  // namespace vorrik
