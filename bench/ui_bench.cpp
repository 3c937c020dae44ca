// Benchmarks of the main window on the generated 32,767-line script, driven
// by real events on the offscreen platform: a keystroke in the edit box (with
// the script check window hidden and shown) and a
// click on a line, each until the changed controls have repainted (the posted
// update requests are delivered), and the file chooser's OK (load, model,
// baseline) until the list has laid out and repainted its new rows.
//
//   ui_bench [benchmark options]

#include <QTemporaryDir>

#include "bench/bench_script.h"
#include "bench/bench_window.h"

namespace {

using vorrik::bench::TheScript;

/// The folder for drive C:, made before the window that maps it.
struct ScratchDrive {
  QTemporaryDir dir;
};

/// The main window over a temporary drive C: holding the script as bench.cog.
struct Program : ScratchDrive, vorrik::bench::BenchWindow {
  Program() : BenchWindow(dir.path()) {
    written = vorrik::bench::WriteScriptFile(dir.filePath(QStringLiteral("bench.cog")));
  }

  bool open() {
    if (!prepareChooser(QStringLiteral("bench.cog"))) return false;
    pressOk();
    return written && form.document().lineModel().count() == vorrik::bench::kScriptLines &&
           shell.failure.isEmpty();
  }

  bool written = false;
};

// A code line in the middle of the file.
int MiddleCodeLine() { return TheScript().firstCodeLine + TheScript().codeLines / 2; }

// With checkOpen (argument 1) the script check window is shown, as it is
// while a modder watches it: a keystroke then also restarts its pause.
void BM_Keystroke(benchmark::State& state) {
  Program program;
  if (!program.active || !program.open()) return state.SkipWithError("the script did not open");
  if (state.range(0) == 1) program.form.ShowCheck();
  program.click(MiddleCodeLine());
  vorrik::EditBox& text1 = program.form.text1();
  bool type = true;
  for (auto _ : state) {
    // Typing and erasing a character keep the line the same length.
    QTest::keyClick(&text1, type ? Qt::Key_X : Qt::Key_Backspace);
    QCoreApplication::sendPostedEvents();
    type = !type;
  }
  if (program.form.text5().text().isEmpty()) state.SkipWithError("the bank was not shown");
}
BENCHMARK(BM_Keystroke)->ArgName("checkOpen")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OpenThroughChooser(benchmark::State& state) {
  Program program;
  for (auto _ : state) {
    state.PauseTiming();
    const bool ready = program.prepareChooser(QStringLiteral("bench.cog"));
    state.ResumeTiming();
    if (!ready) return state.SkipWithError("the script is not in the folder");
    program.pressOk();
    // Until the list has laid out its new rows and repainted (the layout
    // waits for a zero timer, so posted events alone would not reach it).
    QCoreApplication::processEvents();
  }
  if (program.form.document().lineModel().count() != vorrik::bench::kScriptLines) {
    state.SkipWithError("the script did not open");
  }
}
BENCHMARK(BM_OpenThroughChooser)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ClickLine(benchmark::State& state) {
  Program program;
  if (!program.open()) return state.SkipWithError("the script did not open");
  const int rows[] = {MiddleCodeLine(), MiddleCodeLine() + 1};
  program.click(rows[0]);
  int next = 1;
  for (auto _ : state) {
    program.click(rows[next]);
    QCoreApplication::sendPostedEvents();
    next = 1 - next;
  }
}
BENCHMARK(BM_ClickLine)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) { return vorrik::bench::RunWindowBenchmarks(argc, argv); }
