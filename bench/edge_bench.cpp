// Benchmarks of the main window on the files that write-edge-files writes,
// driven by real events on the offscreen platform: opening one through the
// chooser's OK until the list has laid out and repainted, a click on a line,
// and a keystroke in the edit box, each until the controls have repainted.
// One iteration each: these are seconds, not microseconds. The peak_MiB
// counter is the process's peak resident memory, so run one benchmark per
// process (bench/edge-figures does) to read it for that benchmark.
//
//   edge_bench DIR [benchmark options]

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <string>

#include "bench/bench_drive.h"
#include "ui/look.h"
#include "ui/main_window.h"

namespace {

QString gDir;

/// The main window over drive C: = the folder of edge files.
struct Program {
  Program() : form(shell, vorrik::DriveMap({{u'C', gDir}})) {
    form.Load();
    form.show();
    form.activateWindow();
    active = QTest::qWaitForWindowActive(&form);
  }

  /// Shows the chooser at C:\ with the file selected.
  bool prepareChooser(const QString& name) {
    form.ShowOpenDialog();
    vorrik::Dialog& chooser = form.chooser();
    chooser.setDir1Path(QStringLiteral("C:"));
    const QList<QListWidgetItem*> found = chooser.file1().findItems(name, Qt::MatchExactly);
    if (found.isEmpty()) return false;
    chooser.file1().setCurrentItem(found.first());
    return true;
  }

  bool open(const QString& name) {
    if (!prepareChooser(name)) return false;
    QTest::mouseClick(&form.chooser().okButton(), Qt::LeftButton);
    QCoreApplication::processEvents();
    return form.document().lineModel().count() > 0 && shell.failure.isEmpty();
  }

  void click(int row) {
    const QModelIndex index = form.document().lineModel().index(row);
    form.list1().scrollTo(index);
    QTest::mouseClick(form.list1().viewport(), Qt::LeftButton, {}, form.list1().visualRect(index).center());
    QCoreApplication::processEvents();
  }

  vorrik::bench::SilentShell shell;
  vorrik::Form1 form;
  bool active = false;
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
    QTest::mouseClick(&program.form.chooser().okButton(), Qt::LeftButton);
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
  for (auto _ : state) program.click(line);
  if (program.form.text1().text().isEmpty()) state.SkipWithError("the line was not loaded");
  SetPeak(state);
}

void BM_Keystroke(benchmark::State& state, const QString& name) {
  Program program;
  if (!program.open(name)) return state.SkipWithError("the file did not open");
  program.click(WorkLine(program));
  for (auto _ : state) {
    QTest::keyClick(&program.form.text1(), Qt::Key_X);
    QCoreApplication::processEvents();
  }
  if (program.form.text5().text().isEmpty()) state.SkipWithError("the bank was not shown");
  SetPeak(state);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  vorrik::InstallFontSubstitutes();
  benchmark::Initialize(&argc, argv);
  if (argc != 2) {
    std::fputs("usage: edge_bench DIR [benchmark options]\n", stderr);
    return 2;
  }
  gDir = QString::fromLocal8Bit(argv[1]);
  const auto add = [](const char* what, void (*run)(benchmark::State&, const QString&), const char* file) {
    benchmark::RegisterBenchmark((std::string(what) + "/" + file).c_str(), run, QString::fromLatin1(file))
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
  };
  for (const char* file : {"crs-64MiB.cog", "lines-1M.cog", "line-64KB.cog", "line-1MB.cog", "line-20MB.cog"})
    add("BM_Open", BM_Open, file);
  for (const char* file : {"lines-1M.cog", "line-64KB.cog", "line-1MB.cog", "line-20MB.cog"}) {
    add("BM_Click", BM_Click, file);
    add("BM_Keystroke", BM_Keystroke, file);
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
