#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "char_classes.h"

namespace vorrik {

class RecountCache;

/// Consecutive lines first to last, both included; either may lie outside
/// the list.
struct LineBlock {
  std::int64_t first;
  std::int64_t last;
};

/// What AnalyseLines needs of the line list control.
class LineList {
 public:
  virtual ~LineList() = default;
  /// Number of lines.
  virtual int count() const = 0;
  /// Text of line i (0 <= i < count()), valid until the list next changes.
  virtual std::u16string_view text(int i) const = 0;
  /// Replaces the text of line i (0 <= i < count()) in place.
  virtual void setText(int i, std::u16string_view text) = 0;
  /// Index of the focused line, -1 when there is none.
  virtual int focusedIndex() const = 0;
  /// Number of selected lines.
  virtual int selectedCount() const = 0;
  /// The lines a selection run visits, in blocks of consecutive lines in
  /// ascending order: the selected lines themselves where the list knows
  /// them; else, as here, the selectedCount() lines ending at the focused one.
  virtual std::vector<LineBlock> selectedBlocks() const;
  /// What the last whole-list run over these lines remembers, told of every
  /// change to them since; nullptr when the list keeps none, as here, and
  /// every whole-list run reads every line.
  virtual RecountCache* recountCache() { return nullptr; }
};

enum class AnalysisMode : std::int16_t { Baseline = 0, Recount = 1, Rip = 2, SelectionTally = 3 };

/// The analysis engine: the character sets, the three tallies that outlive a
/// run, and AnalyseLines.
class AnalysisEngine {
 public:
  /// Fills the character sets, so every run finds them ready.
  AnalysisEngine();

  /// Fills the character sets again with the same values.
  void InitCharClasses();

  /// One run over lines: Baseline and Recount tally the whole list into
  /// baselineTally / currentTally (scanning again only what changed since
  /// the last, where the list has a RecountCache and lineScanned is not
  /// set); SelectionTally tallies the selected blocks
  /// (LineList::selectedBlocks), each as a run of its own that starts in the
  /// code section, and shows their sum; Rip scans the same blocks and
  /// rewrites each scanned line as its placeholder.
  void AnalyseLines(LineList& lines, const AnalysisMode& mode);

  const CharClasses& charClasses() const { return classes_; }

  float tally = 0.0f;
  float baselineTally = 0.0f;
  float currentTally = 0.0f;

  /// Receives the display form of a SelectionTally run's result (the
  /// selection tally box in the program).
  std::function<void(const std::string&)> showSelectionTally;

  /// Called for every scanned line with its index and lineDelta, before a
  /// Rip run rewrites it.
  std::function<void(int lineIndex, float lineDelta)> lineScanned;

 private:
  CharClasses classes_;
};

}  // namespace vorrik
