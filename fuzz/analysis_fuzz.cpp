// libFuzzer target for the analysis engine.
//
// Input: byte 0 picks the focused line (-1 .. count-1), byte 1 the number of
// selected lines (0 .. count+2, so selections reach below line 0), and the
// remaining bytes are a script file, split into lines as the program loads it.
//
// Every mode is run, and any broken property ends the process through Check()
// (std::abort), which libFuzzer reports as a crash with the input saved:
//   - the engine reads and writes lines only within 0..count-1;
//   - a Rip run rewrites only scanned lines inside the selection, each as
//     RipText of its lineDelta, and leaves every other line alone;
//   - a Rip run scans the same lines with the same deltas as a SelectionTally
//     run over the same selection, and the tally it leaves in engine.tally,
//     formatted, is what the SelectionTally run showed;
//   - Baseline and Recount give the same tally;
//   - a Recount through a RecountCache, told of the lines a Rip run wrote and
//     then of their old texts put back, gives the whole-file tally bit for
//     bit each time;
//   - every lineDelta is a whole number of halves (the tallies here stay far
//     below the range where single precision loses halves);
//   - ScanLine (which takes the bit-mask path where it can) and the general
//     scanner agree on every line, with the state carried from line to line;
//   - for each scanned line of a whole-file run whose lineDelta is 0 or at
//     least 1, RipText(lineDelta) tallied alone with fresh state yields that
//     lineDelta again, and ripping the ripped text leaves it unchanged;
//   - the script check reads the lines only within 0..count-1, never fails,
//     and gives every problem a line from 1 to the last line (1 for an empty
//     script), a sentence, and counts that the problems agree with;
//   - the script's bytes read as a file is read, in blocks of byte 0's size,
//     give the lines and line ends of the whole bytes; saving them and
//     reading that again gives the same lines and ends; and bytes whose
//     every line ends with the line end they are saved with (CR LF, or LF in
//     a file with LF ends) save as they were.

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "analysis/analyse.h"
#include "analysis/display.h"
#include "analysis/normalise.h"
#include "analysis/recount_cache.h"
#include "analysis/rip.h"
#include "analysis/tally.h"
#include "check/script_check.h"
#include "document/script_bytes.h"
#include "document/script_file.h"

namespace {

// Script bytes beyond this are ignored: long inputs only slow the fuzzer
// down, and run-fuzz passes a smaller -max_len anyway.
constexpr std::size_t kMaxFuzzBytes = 1 << 16;

void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "analysis_fuzz: property broken: %s\n", what);
  std::abort();
}

/// A line list over a vector that aborts on any access outside the list and
/// records which lines were written.
class CheckedLines : public vorrik::LineList {
 public:
  explicit CheckedLines(std::vector<std::u16string> lines, int focused = -1, int selected = 0)
      : lines_(std::move(lines)), focused_(focused), selected_(selected) {}

  int count() const override { return static_cast<int>(lines_.size()); }
  std::u16string_view text(int i) const override {
    Check(i >= 0 && i < count(), "text() called with an index outside the list");
    return lines_[static_cast<std::size_t>(i)];
  }
  void setText(int i, std::u16string_view text) override {
    Check(i >= 0 && i < count(), "setText() called with an index outside the list");
    lines_[static_cast<std::size_t>(i)] = text;
    written.push_back(i);
    if (cache != nullptr) cache->lineChanged(i);
  }
  int focusedIndex() const override { return focused_; }
  int selectedCount() const override { return selected_; }
  vorrik::RecountCache* recountCache() override { return cache; }

  const std::vector<std::u16string>& lines() const { return lines_; }
  std::vector<int> written;
  vorrik::RecountCache* cache = nullptr;

 private:
  std::vector<std::u16string> lines_;
  int focused_;
  int selected_;
};

struct Scanned {
  int index;
  float delta;
  bool operator==(const Scanned& other) const {
    // Bitwise float comparison on purpose: the two runs must compute the same
    // values, not merely close ones.
    return index == other.index && delta == other.delta;
  }
};

/// Runs one mode with a fresh recorder of scanned lines; returns them.
std::vector<Scanned> Run(vorrik::AnalysisEngine& engine, vorrik::LineList& lines, vorrik::AnalysisMode mode) {
  std::vector<Scanned> scanned;
  engine.lineScanned = [&](int index, float delta) { scanned.push_back({index, delta}); };
  engine.AnalyseLines(lines, mode);
  engine.lineScanned = nullptr;
  return scanned;
}

bool WholeHalves(float value) { return std::isfinite(value) && std::floor(value * 2.0f) == value * 2.0f; }

/// The rip property for one lineDelta of a whole-file run.
void CheckRipRoundTrip(float delta) {
  if (!(delta == 0.0f || delta >= 1.0f)) return;
  const std::optional<std::u16string> ripped = vorrik::RipText(delta);
  Check(ripped.has_value(), "RipText gave nothing for a lineDelta of 0 or at least 1");

  // Scanned on its own, with a fresh state.
  std::vector<char16_t> buffer;
  vorrik::CharClasses classes;
  vorrik::InitCharClasses(classes);
  vorrik::ScanState state;
  float tally = 0.0f;
  const float scanDelta = vorrik::ScanLine(vorrik::NormaliseLine(*ripped, buffer), classes, state, tally);
  Check(scanDelta == delta, "ScanLine of RipText(lineDelta) differs from lineDelta");

  // Tallied alone as a selection by a new engine.
  vorrik::AnalysisEngine engine;
  std::string shown;
  bool wasShown = false;
  engine.showSelectionTally = [&](const std::string& text) {
    shown = text;
    wasShown = true;
  };
  CheckedLines one({*ripped}, 0, 1);
  const auto scanned = Run(engine, one, vorrik::AnalysisMode::SelectionTally);
  Check(wasShown, "a SelectionTally run showed nothing");
  Check(scanned.size() == 1 && scanned[0].index == 0 && scanned[0].delta == delta,
        "the selection tally of RipText(lineDelta) alone has a different lineDelta");
  Check(shown == vorrik::FormatTally(delta), "the selection tally of RipText(lineDelta) alone is shown differently");

  // Ripping the placeholder again changes nothing.
  vorrik::AnalysisEngine ripEngine;
  CheckedLines again({*ripped}, 0, 1);
  Run(ripEngine, again, vorrik::AnalysisMode::Rip);
  Check(again.lines()[0] == *ripped, "ripping a ripped line changed it");
}

}  // namespace

std::vector<std::u16string> LinesOf(const vorrik::LineStore& store) {
  std::vector<std::u16string> lines;
  for (int i = 0; i < store.count(); ++i) lines.emplace_back(store.line(i));
  return lines;
}

/// Whether every line of bytes ends with end and no other line end: then
/// saving the lines gives bytes back.
bool EndsEveryLineWith(std::string_view bytes, vorrik::LineEnds ends) {
  if (ends == vorrik::LineEnds::Lf)
    return bytes.find('\r') == std::string_view::npos && (bytes.empty() || bytes.back() == '\n');
  for (std::size_t cr = bytes.find('\r'); cr != std::string_view::npos; cr = bytes.find('\r', cr + 1))
    if (cr + 1 == bytes.size() || bytes[cr + 1] != '\n') return false;
  return bytes.empty() || bytes.ends_with("\r\n");
}

void CheckReadAndSave(std::string_view bytes, std::size_t blockSize) {
  const vorrik::LineStore whole = vorrik::LineStore::FromBytes(bytes);
  vorrik::LineStore read;
  vorrik::LineStoreSink sink(read);
  vorrik::BytesSource source(bytes, blockSize);
  vorrik::ReadScriptBlocks(source, bytes.size(), sink);
  read.finishBytes();
  Check(LinesOf(read) == LinesOf(whole), "reading in blocks gave other lines than the whole bytes");
  Check(read.lineEnds() == whole.lineEnds(), "reading in blocks gave other line ends than the whole bytes");
  const vorrik::EncodedScript saved = vorrik::JoinScriptLines(whole);
  Check(!saved.error.has_value(), "lines read from bytes could not be saved");
  const vorrik::LineStore again = vorrik::LineStore::FromBytes(saved.bytes);
  Check(LinesOf(again) == LinesOf(whole), "saved lines read again differ");
  Check(again.lineEnds() == whole.lineEnds() || whole.count() == 0, "saved lines read again have other line ends");
  if (EndsEveryLineWith(bytes, whole.lineEnds())) Check(saved.bytes == bytes, "a file did not save byte for byte");
}

/// The lines of the store as the script check reads them, aborting on any
/// read outside them.
class StoreLines : public vorrik::CheckedLines {
 public:
  explicit StoreLines(const vorrik::LineStore& store) : store_(store) {}
  int count() const override { return store_.count(); }
  std::u16string_view line(int i) const override {
    Check(i >= 0 && i < count(), "the script check read a line outside the list");
    return store_.line(i);
  }

 private:
  const vorrik::LineStore& store_;
};

void CheckScriptCheck(const vorrik::LineStore& store) {
  const StoreLines lines(store);
  for (const vorrik::Game game : {vorrik::Game::JediKnight, vorrik::Game::MysteriesOfTheSith}) {
    const vorrik::ScriptCheck check = vorrik::CheckScript(lines, game);
    int over = 0;
    for (const vorrik::Problem& problem : check.problems) {
      Check(problem.line >= 1 && problem.line <= std::max(1, store.count()), "a problem's line is outside the script");
      Check(!problem.sentence.empty(), "a problem has no sentence");
      if (problem.sentence.starts_with("Here the script passes")) ++over;
    }
    for (const vorrik::LimitCount& count : check.counts) {
      Check(count.count >= 0, "a count is negative");
      over -= count.over() ? 1 : 0;
    }
    Check(over == 0, "a count over its limit and the errors that say so disagree");
  }
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 2,
                               std::min(size - 2, kMaxFuzzBytes));
  CheckReadAndSave(bytes, 1 + data[0] % 64);
  const vorrik::LineStore store = vorrik::LineStore::FromBytes(bytes);
  CheckScriptCheck(store);
  std::vector<std::u16string> original;
  for (int i = 0; i < store.count(); ++i) original.emplace_back(store.line(i));
  const int count = static_cast<int>(original.size());
  const int focused = static_cast<int>(data[0] % (count + 1)) - 1;
  const int selected = static_cast<int>(data[1] % (count + 3));
  const std::int64_t first = static_cast<std::int64_t>(focused) - selected + 1;

  vorrik::AnalysisEngine engine;

  // Whole-file runs: Baseline and Recount agree, line by line too.
  CheckedLines whole(original, focused, selected);
  const auto baselineLines = Run(engine, whole, vorrik::AnalysisMode::Baseline);
  const auto recountLines = Run(engine, whole, vorrik::AnalysisMode::Recount);
  Check(whole.written.empty(), "a whole-file run wrote a line");
  Check(engine.baselineTally == engine.currentTally, "Baseline and Recount tallies differ");
  Check(baselineLines == recountLines, "Baseline and Recount scanned different lines or deltas");
  float sum = 0.0f;
  for (const Scanned& line : baselineLines) {
    Check(WholeHalves(line.delta), "a lineDelta is not a whole number of halves");
    sum += line.delta;
  }
  Check(sum == engine.currentTally, "the lineDeltas do not add up to the whole-file tally");

  // SelectionTally, then Rip over the same selection.
  std::string shown;
  bool wasShown = false;
  engine.showSelectionTally = [&](const std::string& text) {
    shown = text;
    wasShown = true;
  };
  CheckedLines selection(original, focused, selected);
  const auto selectionLines = Run(engine, selection, vorrik::AnalysisMode::SelectionTally);
  Check(wasShown, "a SelectionTally run showed nothing");
  Check(selection.written.empty(), "a SelectionTally run wrote a line");
  wasShown = false;

  CheckedLines ripped(original, focused, selected);
  vorrik::RecountCache cache(1 + data[1] % 8);  // small blocks: many in a short script
  ripped.cache = &cache;
  vorrik::AnalysisEngine cached;
  cached.AnalyseLines(ripped, vorrik::AnalysisMode::Recount);
  const float wholeTally = engine.currentTally;
  const auto ripLines = Run(engine, ripped, vorrik::AnalysisMode::Rip);
  Check(!wasShown, "a Rip run showed a selection tally");
  Check(ripLines == selectionLines, "Rip and SelectionTally scanned different lines or deltas");
  Check(shown == vorrik::FormatTally(engine.tally), "the selection tally shown differs from the Rip run's tally");
  Check(ripped.count() == count, "a Rip run changed the line count");

  // Each line ends as RipText of its delta when it was scanned and RipText
  // gave a text, and as it was otherwise; every write lies in the selection.
  std::vector<std::optional<std::u16string>> expected(original.size());
  for (const Scanned& line : ripLines) {
    Check(line.index >= first && line.index <= focused, "a scanned line lies outside the selection");
    expected[static_cast<std::size_t>(line.index)] = vorrik::RipText(line.delta);
  }
  for (std::size_t i = 0; i < original.size(); ++i) {
    const std::u16string& want = expected[i] ? *expected[i] : original[i];
    Check(ripped.lines()[i] == want, "a line after Rip is neither its RipText nor unchanged");
  }
  // Exactly the scanned lines with a placeholder are written, once each, in
  // order (so a write outside the selection is caught too).
  std::vector<int> wantWritten;
  for (const Scanned& line : ripLines)
    if (expected[static_cast<std::size_t>(line.index)]) wantWritten.push_back(line.index);
  Check(ripped.written == wantWritten, "a Rip run wrote other lines than the scanned ones with a placeholder");

  // The recount cache after the rip, and after the old lines are put back.
  CheckedLines rippedCopy(ripped.lines());
  engine.AnalyseLines(rippedCopy, vorrik::AnalysisMode::Recount);
  for (const float whole : {engine.currentTally, wholeTally}) {
    cached.AnalyseLines(ripped, vorrik::AnalysisMode::Recount);
    Check(std::bit_cast<std::uint32_t>(cached.currentTally) == std::bit_cast<std::uint32_t>(whole),
          "a Recount through the cache differs from the whole-file tally");
    for (const int i : wantWritten) ripped.setText(i, original[static_cast<std::size_t>(i)]);
  }

  // The bit-mask path against the general scanner, every line scanned in one
  // run as a selection run over the whole script would.
  {
    vorrik::ScanState fast;
    vorrik::ScanState general;
    float fastTally = 0.0f;
    float generalTally = 0.0f;
    for (const std::u16string& line : original) {
      const float fastDelta = vorrik::ScanLine(line, engine.charClasses(), fast, fastTally);
      const float generalDelta =
          vorrik::ScanLineGeneral(line, engine.charClasses(), general, generalTally);
      Check(fastDelta == generalDelta && fastTally == generalTally,
            "ScanLine and the general scanner weigh a line differently");
      Check(fast.inQuote == general.inQuote && fast.inApos == general.inApos &&
                fast.inWord == general.inWord && fast.opRun == general.opRun &&
                fast.word == general.word && fast.wordLength == general.wordLength,
            "ScanLine and the general scanner hand on different states");
    }
  }

  // Each distinct lineDelta once: most lines share a handful of values.
  std::vector<float> deltas;
  for (const Scanned& line : baselineLines) deltas.push_back(line.delta);
  std::sort(deltas.begin(), deltas.end());
  deltas.erase(std::unique(deltas.begin(), deltas.end()), deltas.end());
  for (const float delta : deltas) CheckRipRoundTrip(delta);
  return 0;
}
