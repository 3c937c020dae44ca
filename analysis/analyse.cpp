#include "analyse.h"

#include <algorithm>
#include <vector>

#include "display.h"
#include "normalise.h"
#include "rip.h"
#include "tally.h"

namespace vorrik {

AnalysisEngine::AnalysisEngine() { InitCharClasses(); }

void AnalysisEngine::InitCharClasses() { vorrik::InitCharClasses(classes_); }

void AnalysisEngine::AnalyseLines(LineList& lines, const AnalysisMode& mode) {
  tally = 0.0f;
  ScanState state;
  bool inCode = false;

  // 64-bit bounds, so that no focused index or selected count can overflow.
  const int count = lines.count();
  std::int64_t firstLine = 0;
  std::int64_t lastLine = static_cast<std::int64_t>(count) - 1;
  const bool selectionRun = mode == AnalysisMode::Rip || mode == AnalysisMode::SelectionTally;
  if (selectionRun) {
    inCode = true;
    lastLine = lines.focusedIndex();
    firstLine = lastLine - lines.selectedCount() + 1;
  }

  // One buffer for the run's normalised lines: grown geometrically, so the run
  // allocates a few times at most, never per line.
  std::vector<char16_t> normBuffer(256);

  for (std::int64_t position = firstLine; position <= lastLine; ++position) {
    // Positions outside the list (below line 0 when more lines are selected
    // than lie up to the focus) hold no line: read as empty they would change
    // nothing, and they are never written.
    if (position < 0 || position >= count) continue;
    const int lineIndex = static_cast<int>(position);

    const std::u16string_view line = lines.text(lineIndex);
    if (normBuffer.size() < line.size()) normBuffer.resize(std::max(line.size(), 2 * normBuffer.size()));
    const std::u16string_view normLine = NormaliseLine(line, normBuffer);

    ApplyEndTest(normLine, inCode);
    if (inCode) {
      const float lineDelta = ScanLine(normLine, classes_, state, tally);
      if (lineScanned) lineScanned(lineIndex, lineDelta);
      if (mode == AnalysisMode::Rip) {
        // The scan goes on from normLine and the state; the new text is never
        // read back in this run.
        if (const auto ripText = RipText(lineDelta)) lines.setText(lineIndex, *ripText);
      }
    }
    ApplyCodeTest(normLine, inCode);
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
