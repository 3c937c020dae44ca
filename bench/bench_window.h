#pragma once
// What the benchmarks of the main window share: the window over a folder
// mapped as drive C:, driven by real events, and the set-up of the process.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <functional>

#include "bench/bench_drive.h"
#include "ui/look.h"
#include "ui/main_window.h"

namespace vorrik::bench {

/// The main window over drive C: = folder, shown and active.
struct BenchWindow {
  explicit BenchWindow(const QString& folder) : form(shell, DriveMap({{u'C', folder}})) {
    form.Load();
    form.show();
    form.activateWindow();
    active = QTest::qWaitForWindowActive(&form);
  }

  /// Shows the chooser at C:\ with the file selected; false when the folder
  /// holds no such file.
  bool prepareChooser(const QString& name) {
    form.ShowOpenDialog();
    Dialog& chooser = form.chooser();
    chooser.setDir1Path(QStringLiteral("C:"));
    const QList<QListWidgetItem*> found = chooser.file1().findItems(name, Qt::MatchExactly);
    if (found.isEmpty()) return false;
    chooser.file1().setCurrentItem(found.first());
    return true;
  }

  /// Presses the chooser's OK.
  void pressOk() { QTest::mouseClick(&form.chooser().okButton(), Qt::LeftButton); }

  /// Clicks the line at row, scrolled into view first.
  void click(int row) {
    const QModelIndex index = form.document().lineModel().index(row);
    form.list1().scrollTo(index);
    QTest::mouseClick(form.list1().viewport(), Qt::LeftButton, {}, form.list1().visualRect(index).center());
  }

  SilentShell shell;
  Form1 form;
  bool active = false;
};

/// The main() of a window benchmark program: the offscreen platform unless
/// another is asked for, the font stand-ins, then the benchmarks. setUp gets
/// the arguments left after the benchmark options and may register more
/// benchmarks; when it returns false the program ends with status 2.
inline int RunWindowBenchmarks(int argc, char** argv, const std::function<bool(int, char**)>& setUp = {}) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  InstallFontSubstitutes();
  benchmark::Initialize(&argc, argv);
  if (setUp && !setUp(argc, argv)) return 2;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

}  // namespace vorrik::bench
