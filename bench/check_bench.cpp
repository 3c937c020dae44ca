// Benchmarks of the script check on scripts of 32,767 lines (about 1.3 MB):
// the generated script the other benchmarks use (its code stops parsing
// early, as much hand-written code would), and one whose code parses to the
// end, so that every statement is read by the parser too.
//
//   check_bench [benchmark options]

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/bench_script.h"
#include "check/script_check.h"

namespace {

class VectorLines : public vorrik::CheckedLines {
 public:
  explicit VectorLines(std::vector<std::u16string> lines) : lines_(std::move(lines)) {}
  int count() const override { return static_cast<int>(lines_.size()); }
  std::u16string_view line(int i) const override { return lines_[static_cast<std::size_t>(i)]; }

 private:
  std::vector<std::u16string> lines_;
};

std::u16string Wide(std::string_view text) { return {text.begin(), text.end()}; }

/// A script of kScriptLines lines whose code the engine parses to its end.
std::vector<std::u16string> ParsingScript() {
  std::vector<std::u16string> lines;
  for (const char* line : {"flags=0x240", "symbols", "message startup", "message pulse", "thing player local",
                           "thing door", "sound hum", "int count=0 local", "flex speed=2.5", "end", "code"})
    lines.push_back(Wide(line));
  const char* const body[] = {
      "startup:",
      "    player = GetLocalPlayerThing();",
      "    count = GetThingHealth(player) + 1;   // a comment",
      "    if (count < 10) SetThingLight(door, count, 0.5); else Print(\"bright\");",
      "    while (count > 0) count = count - speed * 2;",
      "    for (i = 0; i < 3; i = i + 1) PlaySoundThing(hum, player, 1.0, -1, -1, 0x80);",
      "    do { count = count + 1; } while (count < 5 && !IsThingMoving(door));",
      "    SetThingPos(door, '1.0 2.0 3.0');",
      "    # another comment",
      "    stop;",
      "pulse:",
      "    SetPulse(0);",
      "    return;",
  };
  for (int i = 0; static_cast<int>(lines.size()) < vorrik::bench::kScriptLines - 1; ++i)
    lines.push_back(Wide(body[static_cast<std::size_t>(i) % std::size(body)]));
  lines.push_back(u"end");
  return lines;
}

void Run(benchmark::State& state, const VectorLines& lines) {
  std::size_t problems = 0;
  for (auto _ : state) {
    const vorrik::ScriptCheck check = vorrik::CheckScript(lines, vorrik::Game::JediKnight);
    problems = check.problems.size();
    benchmark::DoNotOptimize(problems);
  }
  state.counters["problems"] = static_cast<double>(problems);
}

void BM_CheckGeneratedScript(benchmark::State& state) { Run(state, VectorLines(vorrik::bench::TheScript().lines)); }
BENCHMARK(BM_CheckGeneratedScript)->Unit(benchmark::kMillisecond);

void BM_CheckParsingScript(benchmark::State& state) { Run(state, VectorLines(ParsingScript())); }
BENCHMARK(BM_CheckParsingScript)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
