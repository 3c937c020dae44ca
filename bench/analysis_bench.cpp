// Benchmarks of the analysis engine on a generated script of 32,767 lines of
// ordinary COG code (about 40 characters a line, 1.3 MB): whole-file runs, a
// recount after one line changed, a selection tally and the splitting of file
// bytes into lines.
//
// Each benchmark reports bytes_per_second (one byte per character, as in the
// file) and allocs_per_run, the heap allocations one run makes, counted by the
// replacement operator new of analysis/allocation_count.cpp.
//
//   analysis_bench [benchmark options]
//   analysis_bench --write-script=PATH   writes the generated script and exits

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/allocation_count.h"
#include "analysis/analyse.h"
#include "analysis/recount_cache.h"
#include "bench/bench_script.h"
#include "document/script_bytes.h"

namespace {

using vorrik::bench::Script;
using vorrik::bench::TheScript;

/// A line list over a vector of lines.
class VectorLines : public vorrik::LineList {
 public:
  explicit VectorLines(std::vector<std::u16string> lines) : lines_(std::move(lines)) {}
  int count() const override { return static_cast<int>(lines_.size()); }
  std::u16string_view text(int i) const override { return lines_[static_cast<std::size_t>(i)]; }
  void setText(int i, std::u16string_view text) override {
    lines_[static_cast<std::size_t>(i)] = text;
    if (cache != nullptr) cache->lineChanged(i);
  }
  int focusedIndex() const override { return focused; }
  int selectedCount() const override { return selected; }
  vorrik::RecountCache* recountCache() override { return cache; }
  const std::vector<std::u16string>& lines() const { return lines_; }

  int focused = -1;
  int selected = 0;
  vorrik::RecountCache* cache = nullptr;

 private:
  std::vector<std::u16string> lines_;
};

/// Checks that a whole-file run scans exactly the generated code section, so
/// that a generator change cannot silently shrink what is measured.
bool ScansWholeCodeSection(benchmark::State& state, vorrik::AnalysisEngine& engine, VectorLines& lines) {
  int scanned = 0;
  engine.lineScanned = [&](int, float) { ++scanned; };
  engine.AnalyseLines(lines, vorrik::AnalysisMode::Baseline);
  engine.lineScanned = nullptr;
  if (scanned != TheScript().codeLines || !(engine.baselineTally > 0.0f)) {
    state.SkipWithError("the generated script's code section is not scanned in full");
    return false;
  }
  return true;
}

void SetAllocCounter(benchmark::State& state, std::uint64_t allocations) {
  state.counters["allocs_per_run"] =
      benchmark::Counter(static_cast<double>(allocations), benchmark::Counter::kAvgIterations);
}

void WholeFileRun(benchmark::State& state, vorrik::AnalysisMode mode) {
  const Script& script = TheScript();
  VectorLines lines(script.lines);
  vorrik::AnalysisEngine engine;
  if (!ScansWholeCodeSection(state, engine, lines)) return;
  const float expected = engine.baselineTally;

  std::uint64_t allocations = 0;
  for (auto _ : state) {
    const std::uint64_t before = vorrik::AllocationCount();
    engine.AnalyseLines(lines, mode);
    allocations += vorrik::AllocationCount() - before;
    // Not DoNotOptimize(engine.tally): with GCC 12 its "+m,r" asm constraint
    // on this float left engine.tally reading 0 after the call (floating-point
    // lvalues are a known weak spot, google/benchmark#903).
    benchmark::ClobberMemory();
  }
  if (engine.tally != expected) state.SkipWithError("tally differs from the first run");
  state.SetBytesProcessed(state.iterations() * script.chars);
  SetAllocCounter(state, allocations);
  state.counters["tally"] = static_cast<double>(engine.tally);
}

void BM_Recount(benchmark::State& state) { WholeFileRun(state, vorrik::AnalysisMode::Recount); }
void BM_Baseline(benchmark::State& state) { WholeFileRun(state, vorrik::AnalysisMode::Baseline); }

// A keystroke's recount: a character typed into a line in the middle of the
// code section and erased in turn, the list's recount cache telling the run
// which block to scan again.
void BM_RecountOneLineChanged(benchmark::State& state) {
  const Script& script = TheScript();
  VectorLines lines(script.lines);
  vorrik::RecountCache cache;
  lines.cache = &cache;
  vorrik::AnalysisEngine engine;
  engine.AnalyseLines(lines, vorrik::AnalysisMode::Baseline);
  const auto line = static_cast<std::size_t>(script.firstCodeLine + script.codeLines / 2);
  const std::u16string texts[] = {script.lines[line] + u'x', script.lines[line]};

  std::uint64_t allocations = 0;
  std::size_t next = 0;
  for (auto _ : state) {
    lines.setText(static_cast<int>(line), texts[next]);
    next = 1 - next;
    const std::uint64_t before = vorrik::AllocationCount();
    engine.AnalyseLines(lines, vorrik::AnalysisMode::Recount);
    allocations += vorrik::AllocationCount() - before;
    benchmark::ClobberMemory();
  }
  VectorLines afresh(lines.lines());
  vorrik::AnalysisEngine whole;
  whole.AnalyseLines(afresh, vorrik::AnalysisMode::Recount);
  if (engine.currentTally != whole.currentTally) state.SkipWithError("the tally differs from a whole-file run");
  SetAllocCounter(state, allocations);
  state.counters["tally"] = static_cast<double>(engine.currentTally);
}

void BM_SelectionTally(benchmark::State& state) {
  const Script& script = TheScript();
  const int selected = static_cast<int>(state.range(0));
  VectorLines lines(script.lines);
  lines.focused = script.firstCodeLine + script.codeLines / 2;
  lines.selected = selected;
  std::int64_t chars = 0;
  for (int i = lines.focused - selected + 1; i <= lines.focused; ++i)
    chars += static_cast<std::int64_t>(script.lines[static_cast<std::size_t>(i)].size());

  vorrik::AnalysisEngine engine;
  std::string shown;
  engine.showSelectionTally = [&](const std::string& text) { shown = text; };

  std::uint64_t allocations = 0;
  for (auto _ : state) {
    const std::uint64_t before = vorrik::AllocationCount();
    engine.AnalyseLines(lines, vorrik::AnalysisMode::SelectionTally);
    allocations += vorrik::AllocationCount() - before;
    benchmark::DoNotOptimize(shown.data());
  }
  if (shown.empty()) state.SkipWithError("no selection tally was shown");
  state.SetBytesProcessed(state.iterations() * chars);
  SetAllocCounter(state, allocations);
  state.counters["tally"] = static_cast<double>(engine.tally);
}

void BM_LoadLines(benchmark::State& state) {
  const Script& script = TheScript();
  std::uint64_t allocations = 0;
  for (auto _ : state) {
    const std::uint64_t before = vorrik::AllocationCount();
    auto lines = vorrik::LineStore::FromBytes(script.bytes);
    allocations += vorrik::AllocationCount() - before;
    benchmark::DoNotOptimize(lines.line(0).data());
    if (static_cast<std::size_t>(lines.count()) != script.lines.size()) {
      state.SkipWithError("split gave a different line count");
      break;
    }
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(script.bytes.size()));
  SetAllocCounter(state, allocations);
}

BENCHMARK(BM_Recount)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Baseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecountOneLineChanged)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SelectionTally)->Arg(100)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadLines)->Unit(benchmark::kMillisecond);

int WriteScript(const char* path) {
  const Script& script = TheScript();
  std::ofstream out(path, std::ios::binary);
  out.write(script.bytes.data(), static_cast<std::streamsize>(script.bytes.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "analysis_bench: cannot write %s\n", path);
    return 1;
  }
  std::printf("%s: %zu lines, %zu bytes, %.1f characters a line\n", path, script.lines.size(),
              script.bytes.size(), static_cast<double>(script.chars) / static_cast<double>(script.lines.size()));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  constexpr std::string_view kWriteOption = "--write-script=";
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg.substr(0, kWriteOption.size()) == kWriteOption) return WriteScript(argv[i] + kWriteOption.size());
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
