// Benchmarks of the main window on the generated 32,767-line script, driven
// by real events on the offscreen platform: a keystroke in the edit box and a
// click on a line, each until the changed controls have repainted (the posted
// update requests are delivered), and the file chooser's OK (load, model,
// baseline) until the list has laid out and repainted its new rows.
//
//   ui_bench [benchmark options]

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "bench/bench_script.h"
#include "bench/bench_drive.h"
#include "ui/look.h"
#include "ui/main_window.h"

namespace {

using vorrik::bench::SilentShell;
using vorrik::bench::TheScript;

/// The main window over a temporary drive C: holding the script as bench.cog.
struct Program {
  Program() : form(shell, vorrik::DriveMap({{u'C', dir.path()}})) {
    written = vorrik::bench::WriteScriptFile(dir.filePath(QStringLiteral("bench.cog")));
    form.Load();
    form.show();
    form.activateWindow();
    active = QTest::qWaitForWindowActive(&form);
  }

  /// Shows the chooser at C:\ with bench.cog selected.
  void prepareChooser() {
    form.ShowOpenDialog();
    vorrik::Dialog& chooser = form.chooser();
    chooser.setDir1Path(QStringLiteral("C:"));
    QListWidget& files = chooser.file1();
    if (files.count() > 0) files.setCurrentRow(0);
  }

  bool open() {
    prepareChooser();
    QTest::mouseClick(&form.chooser().okButton(), Qt::LeftButton);
    return written && form.document().lineModel().count() == vorrik::bench::kScriptLines &&
           shell.failure.isEmpty();
  }

  void click(int row) {
    const QModelIndex index = form.document().lineModel().index(row);
    form.list1().scrollTo(index);
    QTest::mouseClick(form.list1().viewport(), Qt::LeftButton, {}, form.list1().visualRect(index).center());
  }

  QTemporaryDir dir;
  SilentShell shell;
  vorrik::Form1 form;
  bool written = false;
  bool active = false;
};

// A code line in the middle of the file.
int MiddleCodeLine() { return TheScript().firstCodeLine + TheScript().codeLines / 2; }

void BM_Keystroke(benchmark::State& state) {
  Program program;
  if (!program.active || !program.open()) return state.SkipWithError("the script did not open");
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
BENCHMARK(BM_Keystroke)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OpenThroughChooser(benchmark::State& state) {
  Program program;
  for (auto _ : state) {
    state.PauseTiming();
    program.prepareChooser();
    state.ResumeTiming();
    QTest::mouseClick(&program.form.chooser().okButton(), Qt::LeftButton);
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

int main(int argc, char** argv) {
  // No display needed unless one is asked for.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  vorrik::InstallFontSubstitutes();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
