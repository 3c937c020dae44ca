#include "analyse.h"

#include <algorithm>

#include "display.h"
#include "normalise.h"
#include "recount_cache.h"
#include "rip.h"
#include "tally.h"

namespace vorrik {

AnalysisEngine::AnalysisEngine() { InitCharClasses(); }

void AnalysisEngine::InitCharClasses() { vorrik::InitCharClasses(classes_); }

std::vector<LineBlock> LineList::selectedBlocks() const {
  // 64-bit bounds, so that no focused index or selected count can overflow.
  const std::int64_t last = focusedIndex();
  return {{last - selectedCount() + 1, last}};
}

void AnalysisEngine::AnalyseLines(LineList& lines, const AnalysisMode& mode) {
  tally = 0.0f;
  const int count = lines.count();
  // Placeholders are built here, in room kept from line to line.
  std::u16string placeholder;
  // One run over a block of lines: selection runs start in the code section,
  // and what a block leaves pending is dropped at its end.
  const auto run = [&](LineBlock block, bool inCode) {
    ScanState state;
    // Positions outside the list (below line 0 when more lines are selected
    // than lie up to the focus) hold no line: read as empty they would
    // change nothing, so the walk skips them, and they are never written.
    const std::int64_t firstLine = std::max<std::int64_t>(block.first, 0);
    const std::int64_t lastLine = std::min<std::int64_t>(block.last, static_cast<std::int64_t>(count) - 1);
    for (std::int64_t position = firstLine; position <= lastLine; ++position) {
      const auto lineIndex = static_cast<int>(position);
      // The line is normalised on the fly by the section test and the scan,
      // without a copy.
      const std::u16string_view line = lines.text(lineIndex);
      const SectionWord section = SectionWordOf(line);
      if (inCode && section == SectionWord::kEnd) inCode = false;
      if (inCode) {
        const float lineDelta = ScanLine(line, classes_, state, tally);
        if (lineScanned) lineScanned(lineIndex, lineDelta);
        if (mode == AnalysisMode::Rip) {
          // Setting the text ends the life of `line`; nothing reads it after
          // this, and the new text is never read back in this run.
          if (RipTextInto(lineDelta, placeholder)) lines.setText(lineIndex, placeholder);
        }
      }
      if (section == SectionWord::kCode) inCode = true;
    }
  };

  if (mode == AnalysisMode::Rip || mode == AnalysisMode::SelectionTally) {
    // Each selected block is a run of its own; the tally is their sum.
    for (const LineBlock& block : lines.selectedBlocks()) run(block, true);
  } else if (RecountCache* cache = lines.recountCache(); cache != nullptr && !lineScanned) {
    // Measured: a keystroke's recount scans again the block of the line typed in.
    tally = cache->Recount(lines, classes_);
  } else {
    // Measured: a whole-list run, kept free of allocation.
    run({0, static_cast<std::int64_t>(count) - 1}, false);
  }

  switch (mode) {
    case AnalysisMode::Baseline: baselineTally = tally; break;
    case AnalysisMode::Recount: currentTally = tally; break;
    case AnalysisMode::SelectionTally:
      if (showSelectionTally) showSelectionTally(FormatTally(tally));
      break;
    case AnalysisMode::Rip: break;
  }
}

}  // namespace vorrik
