// Benchmarks of the document on the generated 32,767-line script: loading
// it into the line list model, saving it, and the chooser's Open sequence
// (load and baseline tally). The files live in a temporary folder mapped as
// drive C:.
//
//   document_bench [benchmark options]

#include <benchmark/benchmark.h>

#include <QFileInfo>
#include <QTemporaryDir>

#include "bench/bench_script.h"
#include "bench/bench_drive.h"
#include "document/script_document.h"

namespace {

using vorrik::bench::SilentShell;
using vorrik::bench::TheScript;

/// A temporary drive C: holding the script as bench.cog.
struct Fixture {
  Fixture() : doc(shell, vorrik::DriveMap({{u'C', dir.path()}})) {
    ok = vorrik::bench::WriteScriptFile(dir.filePath(QStringLiteral("bench.cog")));
  }

  bool Check(benchmark::State& state) {
    if (!ok || !shell.failure.isEmpty()) {
      state.SkipWithError(("setup or run failed: " + shell.failure.toStdString()).c_str());
      return false;
    }
    if (doc.lineModel().count() != vorrik::bench::kScriptLines) {
      state.SkipWithError("the script did not load in full");
      return false;
    }
    return true;
  }

  QTemporaryDir dir;
  SilentShell shell;
  vorrik::ScriptDocument doc;
  bool ok = false;
};

void SetBytes(benchmark::State& state) {
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(TheScript().bytes.size()));
}

void BM_LoadScript(benchmark::State& state) {
  Fixture f;
  for (auto _ : state) f.doc.LoadScript(QStringLiteral("C:\\bench.cog"));
  if (f.Check(state)) SetBytes(state);
}

void BM_SaveScript(benchmark::State& state) {
  Fixture f;
  f.doc.LoadScript(QStringLiteral("C:\\bench.cog"));
  for (auto _ : state) f.doc.SaveScript(QStringLiteral("C:\\saved.cog"));
  if (!f.Check(state)) return;
  if (QFileInfo(f.dir.filePath(QStringLiteral("saved.cog"))).size() != static_cast<qint64>(TheScript().bytes.size()))
    state.SkipWithError("the saved file differs in size");
  SetBytes(state);
}

void BM_OpenScript(benchmark::State& state) {
  Fixture f;
  vorrik::AnalysisEngine engine;
  for (auto _ : state) f.doc.OpenScript(QStringLiteral("C:"), QStringLiteral("bench.cog"), engine);
  if (!(engine.baselineTally > 0.0f)) state.SkipWithError("no baseline was taken");
  if (f.Check(state)) SetBytes(state);
}

BENCHMARK(BM_LoadScript)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveScript)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenScript)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
