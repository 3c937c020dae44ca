// Benchmarks of the main window on the files that write-edge-files writes,
// driven by real events on the offscreen platform: opening one through the
// chooser's OK until the list has laid out and repainted, a click on a line,
// a keystroke in the edit box, a rip of every line and its undo, a Find
// that no line answers, each until the controls have repainted.
// One iteration each: these are seconds, not microseconds. The peak_MiB
// counter is the process's peak resident memory, so run one benchmark per
// process (bench/edge-figures does) to read it for that benchmark.
//
//   edge_bench DIR [benchmark options]

#include <sys/resource.h>

#include <QAction>
#include <QLineEdit>
#include <QPushButton>

#include <cstdio>
#include <string>

#include "bench/bench_window.h"

namespace {

QString gDir;

/// The main window over drive C: = the folder of edge files.
struct Program : vorrik::bench::BenchWindow {
  Program() : BenchWindow(gDir) {}

  bool open(const QString& name) {
    if (!prepareChooser(name)) return false;
    pressOk();
    QCoreApplication::processEvents();
    return form.document().lineModel().count() > 0 && shell.failure.isEmpty();
  }

  /// A click on the line, until the window has repainted.
  void clickAndWait(int row) {
    click(row);
    QCoreApplication::processEvents();
  }
};

void SetPeak(benchmark::State& state) {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// The line that a click or a keystroke works on: the long line itself, or a
// code line in the middle of a script.
int WorkLine(const Program& program) {
  const int count = program.form.document().lineModel().count();
  return count == 1 ? 0 : count / 2;
}

void BM_Open(benchmark::State& state, const QString& name) {
  Program program;
  for (auto _ : state) {
    state.PauseTiming();
    const bool ready = program.prepareChooser(name);
    state.ResumeTiming();
    if (!ready) return state.SkipWithError("the file is not in the folder");
    program.pressOk();
    QCoreApplication::processEvents();
  }
  if (program.form.document().lineModel().count() == 0 || !program.shell.failure.isEmpty())
    return state.SkipWithError("the file did not open");
  SetPeak(state);
}

void BM_Click(benchmark::State& state, const QString& name) {
  Program program;
  if (!program.open(name)) return state.SkipWithError("the file did not open");
  const int line = WorkLine(program);
  for (auto _ : state) program.clickAndWait(line);
  if (program.form.text1().text().isEmpty()) state.SkipWithError("the line was not loaded");
  SetPeak(state);
}

void BM_Keystroke(benchmark::State& state, const QString& name) {
  Program program;
  if (!program.open(name)) return state.SkipWithError("the file did not open");
  program.clickAndWait(WorkLine(program));
  for (auto _ : state) {
    QTest::keyClick(&program.form.text1(), Qt::Key_X);
    QCoreApplication::processEvents();
  }
  if (program.form.text5().text().isEmpty()) state.SkipWithError("the bank was not shown");
  SetPeak(state);
}

// Edit > Find... for a text that no line holds, then Find Next until the
// "Cannot find" box: every line of the file is read. The text is shorter than
// most lines and starts like some, so that their characters are compared.
void BM_FindNoMatch(benchmark::State& state, const QString& name) {
  Program program;
  if (!program.open(name)) return state.SkipWithError("the file did not open");
  program.clickAndWait(WorkLine(program));
  program.form.ShowFind();
  vorrik::FindWindow& find = *program.form.existingFind();
  find.findWhat().setText(QStringLiteral("Y=2;"));
  QCoreApplication::processEvents();
  for (auto _ : state) {
    program.shell.failure.clear();
    QTest::mouseClick(&find.findNext(), Qt::LeftButton);
    QCoreApplication::processEvents();
  }
  if (program.shell.failure != QStringLiteral("Cannot find \"Y=2;\".")) state.SkipWithError("no search ran");
  SetPeak(state);
}

/// Every line selected (a click on the first, Shift+End); false when not.
bool SelectAll(Program& program) {
  program.clickAndWait(0);
  program.form.list1().setFocus();
  QTest::keyClick(&program.form.list1(), Qt::Key_End, Qt::ShiftModifier);
  return program.form.SelectedCount() == program.form.document().lineModel().count();
}

// Every line selected, then "Rip apart selected lines" until the window has
// repainted.
void BM_RipAll(benchmark::State& state, const QString& name) {
  Program program;
  if (!program.open(name)) return state.SkipWithError("the file did not open");
  if (!SelectAll(program)) return state.SkipWithError("not every line was selected");
  for (auto _ : state) {
    QTest::mouseClick(&program.form.command1(), Qt::LeftButton);
    QCoreApplication::processEvents();
  }
  SetPeak(state);
}

// A rip of every line, then Edit > Undo until the window has repainted: the
// undo puts every line back.
void BM_UndoRipAll(benchmark::State& state, const QString& name) {
  Program program;
  if (!program.open(name)) return state.SkipWithError("the file did not open");
  if (!SelectAll(program)) return state.SkipWithError("not every line was selected");
  for (auto _ : state) {
    state.PauseTiming();
    QTest::mouseClick(&program.form.command1(), Qt::LeftButton);
    QCoreApplication::processEvents();
    state.ResumeTiming();
    program.form.findChild<QAction*>(QStringLiteral("mnuUndo"))->trigger();
    QCoreApplication::processEvents();
  }
  if (program.form.document().savedFlag != 1) state.SkipWithError("the undo did not bring the lines back");
  SetPeak(state);
}

}  // namespace

int main(int argc, char** argv) {
  return vorrik::bench::RunWindowBenchmarks(argc, argv, [](int left, char** args) {
    if (left != 2) {
      std::fputs("usage: edge_bench DIR [benchmark options]\n", stderr);
      return false;
    }
    gDir = QString::fromLocal8Bit(args[1]);
    const auto add = [](const char* what, void (*run)(benchmark::State&, const QString&), const char* file) {
      benchmark::RegisterBenchmark((std::string(what) + "/" + file).c_str(), run, QString::fromLatin1(file))
          ->Iterations(1)
          ->Unit(benchmark::kMillisecond)
          ->UseRealTime();
    };
    for (const char* file : {"crs-64MiB.cog", "lines-1M.cog", "lines-3M-short.cog", "line-64KB.cog", "line-1MB.cog",
                             "line-20MB.cog"})
      add("BM_Open", BM_Open, file);
    for (const char* file : {"lines-1M.cog", "line-64KB.cog", "line-1MB.cog", "line-20MB.cog"}) {
      add("BM_Click", BM_Click, file);
      add("BM_Keystroke", BM_Keystroke, file);
    }
    add("BM_Keystroke", BM_Keystroke, "lines-3M-short.cog");
    for (const char* file : {"lines-3M-short.cog", "lines-1M.cog"}) add("BM_FindNoMatch", BM_FindNoMatch, file);
    for (const char* file : {"crs-64MiB.cog", "lines-3M-short.cog"}) add("BM_RipAll", BM_RipAll, file);
    // Ripping empty lines changes none: only the short lines leave a step.
    add("BM_UndoRipAll", BM_UndoRipAll, "lines-3M-short.cog");
    return true;
  });
}
