// Benchmarks of the analysis engine on a generated script of 32,767 lines of
// ordinary COG code (about 40 characters a line, 1.3 MB): whole-file runs, a
// selection tally and the splitting of file bytes into lines.
//
// Each benchmark reports bytes_per_second (one byte per character, as in the
// file) and allocs_per_run, the heap allocations one run makes, counted by the
// replacement operator new below.
//
//   analysis_bench [benchmark options]
//   analysis_bench --write-script=PATH   writes the generated script and exits

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/analyse.h"
#include "document/script_bytes.h"

// ---------------------------------------------------------------------------
// Allocation counter: every global operator new is counted.

namespace {
std::atomic<std::uint64_t> gAllocations{0};

void* CountedAlloc(std::size_t size) {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(size == 0 ? 1 : size);
}

void* CountedAlignedAlloc(std::size_t size, std::align_val_t align) {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  const auto alignment = static_cast<std::size_t>(align);
  // aligned_alloc wants a size that is a multiple of the alignment.
  const std::size_t rounded = (size + alignment - 1) / alignment * alignment;
  return std::aligned_alloc(alignment, rounded == 0 ? alignment : rounded);
}
}  // namespace

void* operator new(std::size_t size) {
  if (void* p = CountedAlloc(size)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
  if (void* p = CountedAlloc(size)) return p;
  throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return CountedAlloc(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return CountedAlloc(size); }
void* operator new(std::size_t size, std::align_val_t align) {
  if (void* p = CountedAlignedAlloc(size, align)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size, std::align_val_t align) {
  if (void* p = CountedAlignedAlloc(size, align)) return p;
  throw std::bad_alloc();
}
// GCC flags free() in a replacement operator delete as mismatched with new,
// though here every operator new allocates with malloc.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

namespace {

// ---------------------------------------------------------------------------
// The generated script.

constexpr int kScriptLines = 32767;
constexpr std::uint64_t kSeed = 0x5EED'C0DE'2024'0001;

/// SplitMix64: the same sequence on every platform and standard library,
/// unlike the <random> distributions.
class Rng {
 public:
  explicit Rng(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15u);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
  }
  std::size_t Below(std::size_t n) { return static_cast<std::size_t>(Next() % n); }
  template <typename T, std::size_t N>
  const T& Pick(const T (&items)[N]) {
    return items[Below(N)];
  }

 private:
  std::uint64_t state_;
};

constexpr const char* kVars[] = {"victim",     "player",      "doorThing",  "counter",   "liftSpeed",
                                 "damage",     "targetThing", "doorSector", "switchSurf", "destFrame",
                                 "keyNum",     "msgID",       "liftThing",  "soundChan", "ghostThing",
                                 "curFrame"};
constexpr const char* kLabels[] = {"startup", "activated", "pulse",   "timer",   "killed",  "damaged",
                                   "arrived", "touched",   "entered", "crossed", "blocked", "user0"};
constexpr const char* kGetters[] = {"GetLocalPlayerThing()", "GetSourceRef()",   "GetSenderRef()",
                                    "GetThingHealth(victim)", "GetCurFrame(door)", "Rand()",
                                    "GetInv(player, 41)",     "GetSenderId()",     "GetThingSector(player)"};
constexpr const char* kTexts[] = {"The door is locked",      "You need the red key", "You found a secret area",
                                  "The reactor is overloading", "Press the switch",   "Access denied"};
constexpr const char* kWords[] = {"open the door when the player is near", "wait for the lift to arrive",
                                  "TODO: tune this value",  "the player touched the switch",
                                  "Sounds from 0 to 3",     "see the level notes for the frames"};
constexpr const char* kIndents[] = {"\t", "\t\t", "\t\t", "\t\t\t", "    ", "        ", "\t  ", ""};
constexpr const char* kCompare[] = {"<", ">", "==", "!=", "<=", ">="};

/// Mixed case, as hand-written scripts have it: mostly as written, sometimes
/// all lower or all upper case.
std::string Cased(Rng& rng, std::string_view word) {
  std::string out(word);
  const std::size_t roll = rng.Below(20);
  if (roll < 3) {
    for (char& c : out)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  } else if (roll < 5) {
    for (char& c : out)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

std::string Number(Rng& rng) { return std::to_string(rng.Below(200)); }
std::string Flex(Rng& rng) { return std::to_string(rng.Below(10)) + "." + std::to_string(rng.Below(10)); }

std::string CodeLine(Rng& rng) {
  const std::string ind = rng.Pick(kIndents);
  const std::string a = rng.Pick(kVars);
  const std::string b = rng.Pick(kVars);
  switch (rng.Below(24)) {
    case 0: return ind + a + " = " + Cased(rng, rng.Pick(kGetters)) + ";";
    case 1: return ind + Cased(rng, "SetThingHealth") + "(" + a + ", " + Number(rng) + ");";
    case 2: return ind + Cased(rng, "if") + " (" + a + " " + rng.Pick(kCompare) + " " + Number(rng) + ") " + b + " = " + b + " + 1;";
    case 3: return ind + Cased(rng, "else") + " " + Cased(rng, "PlaySoundThing") + "(" + a + ", " + b + ", 1.0, -1, -1, 0);";
    case 4: return ind + Cased(rng, "while") + " (" + a + " < " + Number(rng) + ") " + a + " = " + a + " * 2;";
    case 5: return ind + Cased(rng, "for") + " (i = 0; i < " + Number(rng) + "; i = i + 1) {";
    case 6: return std::string(rng.Pick(kLabels)) + ":";
    case 7: return ind + "// " + rng.Pick(kWords) + " (" + a + ")";
    case 8: return "# " + std::string(rng.Pick(kWords));
    case 9: return ind + Cased(rng, "Print") + "(\"" + rng.Pick(kTexts) + "\");";
    case 10: return ind + "jkStringConcatAsciiString('" + rng.Pick(kTexts) + "');";
    case 11: return ind + a + " = " + a + " - " + Flex(rng) + ";  // " + rng.Pick(kWords);
    case 12: return ind + Cased(rng, "return") + ";";
    case 13: return ind + (rng.Below(2) ? "{" : "}") + "  // " + a;
    case 14: return ind + "if ((" + a + " == " + b + ") && (" + b + " != -1)) {";
    case 15: return ind + Cased(rng, "call") + " " + rng.Pick(kLabels) + ";";
    case 16: return ind + Cased(rng, "SetTimerEx") + "(" + Flex(rng) + ", 1, " + a + ", 0);";
    case 17: return ind + Cased(rng, "MoveToFrame") + "(" + a + ", " + Number(rng) + ", " + Flex(rng) + ");";
    case 18: return ind + Cased(rng, "SetSectorLight") + "(" + a + ", " + Flex(rng) + ", 0.5);\t# dim";
    case 19: return ind + Cased(rng, "SendMessageEx") + "(" + a + ", user1, " + b + ", 0, 0, 0);  // notify";
    case 20: return ind + a + " = VectorAdd(GetThingPos(" + b + "), VectorScale(" + a + ", 0.5));";
    case 21: return ind + Cased(rng, "PlaySoundLocal") + "(hitSound, 1.0, 0.0, 0x80);";
    case 22: return ind + Cased(rng, "ChangeInv") + "(" + a + ", " + Number(rng) + ", -1);";
    default: return "";
  }
}

/// The script as lines of text (ASCII), always the same for the same seed.
std::vector<std::string> GenerateScriptText() {
  std::vector<std::string> lines = {
      "# 00_BENCH.COG",
      "#",
      "# Door, lift and message logic for a test level.",
      "#==============================================================#",
      "symbols",
      "",
      "message\tstartup",
      "message\tactivated",
      "message\tpulse",
      "message\ttimer",
      "thing\tvictim\t\tlocal",
      "thing\tplayer\t\tlocal",
      "int\t\tcounter=0\tlocal",
      "flex\tspeed=1.5",
      "sound\thitSound=activate01.wav",
      "surface\tswitch\t\tlinkid=1",
      "sector\troom",
      "",
      "end",
      "",
      "#==============================================================#",
      "code",
  };
  Rng rng(kSeed);
  while (lines.size() < static_cast<std::size_t>(kScriptLines) - 1) lines.push_back(CodeLine(rng));
  lines.push_back("end");
  return lines;
}

struct Script {
  std::vector<std::u16string> lines;
  std::string bytes;         // as saved: every line followed by CR LF
  std::int64_t chars = 0;    // characters of all lines, line ends not counted
  int codeLines = 0;         // lines between "code" and "end"
  int firstCodeLine = 0;
};

const Script& TheScript() {
  static const Script script = [] {
    Script s;
    const auto text = GenerateScriptText();
    for (std::size_t i = 0; i < text.size(); ++i) {
      s.lines.emplace_back(text[i].begin(), text[i].end());
      s.bytes += text[i];
      s.bytes += "\r\n";
      s.chars += static_cast<std::int64_t>(text[i].size());
      if (text[i] == "code") s.firstCodeLine = static_cast<int>(i) + 1;
    }
    s.codeLines = kScriptLines - 1 - s.firstCodeLine;
    return s;
  }();
  return script;
}

/// A line list over a vector of lines.
class VectorLines : public vorrik::LineList {
 public:
  explicit VectorLines(std::vector<std::u16string> lines) : lines_(std::move(lines)) {}
  int count() const override { return static_cast<int>(lines_.size()); }
  std::u16string_view text(int i) const override { return lines_[static_cast<std::size_t>(i)]; }
  void setText(int i, std::u16string_view text) override { lines_[static_cast<std::size_t>(i)] = text; }
  int focusedIndex() const override { return focused; }
  int selectedCount() const override { return selected; }

  int focused = -1;
  int selected = 0;

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
    const std::uint64_t before = gAllocations.load(std::memory_order_relaxed);
    engine.AnalyseLines(lines, mode);
    allocations += gAllocations.load(std::memory_order_relaxed) - before;
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
    const std::uint64_t before = gAllocations.load(std::memory_order_relaxed);
    engine.AnalyseLines(lines, vorrik::AnalysisMode::SelectionTally);
    allocations += gAllocations.load(std::memory_order_relaxed) - before;
    benchmark::DoNotOptimize(shown.data());
  }
  if (shown.empty()) state.SkipWithError("no selection tally was shown");
  state.SetBytesProcessed(state.iterations() * chars);
  SetAllocCounter(state, allocations);
  state.counters["tally"] = static_cast<double>(engine.tally);
}

void BM_SplitScriptLines(benchmark::State& state) {
  const Script& script = TheScript();
  std::uint64_t allocations = 0;
  for (auto _ : state) {
    const std::uint64_t before = gAllocations.load(std::memory_order_relaxed);
    auto lines = vorrik::SplitScriptLines(script.bytes);
    allocations += gAllocations.load(std::memory_order_relaxed) - before;
    benchmark::DoNotOptimize(lines.data());
    if (lines.size() != script.lines.size()) {
      state.SkipWithError("split gave a different line count");
      break;
    }
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(script.bytes.size()));
  SetAllocCounter(state, allocations);
}

BENCHMARK(BM_Recount)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Baseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SelectionTally)->Arg(100)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SplitScriptLines)->Unit(benchmark::kMillisecond);

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
