#pragma once

// The main window driven as a user drives it: the program over a scratch
// drive C: holding C:\\work\\t.cog, with real mouse and key events on the
// offscreen platform and message and input boxes answered by the shell.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <algorithm>
#include <string_view>

#include "document/drive_map.h"
#include "ui/main_window.h"
#include "ui/ui_test_shell.h"

namespace vorrik {

// Lines 0-10; the code section's lines tally 0, 2.5, 0, 2.5, .5 and 4.
inline const QByteArray kScript =
    "# test script\r\nsymbols\r\nend\r\ncode\r\nstartup:\r\n  x = 1;\r\n\r\n"
    "  Print(\"hi\");\r\n  return;\r\n  y = x + 2;\r\nend\r\n";

// The program over a drive C: in a scratch folder, holding C:\work\t.cog.
class MainWindowDriver {
 public:
  MainWindowDriver() : form(shell, DriveMap({Drive{QLatin1Char('C'), drive.path()}})) {
    shell.setWindow(&form);
    QDir(drive.path()).mkpath(QStringLiteral("work"));
    write(QStringLiteral("work/t.cog"), kScript);
    form.Load();
    form.show();
    form.activateWindow();
  }

  void write(const QString& relative, const QByteArray& bytes) {
    QFile file(drive.filePath(relative));
    if (file.open(QIODevice::WriteOnly)) file.write(bytes);
  }
  QByteArray read(const QString& relative) const {
    QFile file(drive.filePath(relative));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
  }

  bool open() { return form.document().OpenScript(QStringLiteral("C:\\work"), QStringLiteral("t.cog"), form.engine()); }

  QPoint rowCentre(int row) const {
    return form.list1().visualRect(form.document().lineModel().index(row)).center();
  }
  void click(int row, Qt::KeyboardModifiers modifiers = {}, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(form.list1().viewport(), button, modifiers, rowCentre(row));
  }
  void drag(int from, int to) {
    QWidget* viewport = form.list1().viewport();
    QTest::mousePress(viewport, Qt::LeftButton, {}, rowCentre(from));
    for (int row = from + 1; row <= to; ++row) QTest::mouseMove(viewport, rowCentre(row));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, rowCentre(to));
  }
  void key(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    QTest::keyClick(QApplication::focusWidget(), key, modifiers);
  }

  // Counts the list click handlings: each runs one selection tally.
  void countClickHandlings() {
    auto show = form.engine().showSelectionTally;
    form.engine().showSelectionTally = [this, show](const std::string& shown) {
      ++clickHandlings;
      show(shown);
    };
  }

  // The title as the window system shows it.
  QString shownTitle() const { return form.windowHandle() ? form.windowHandle()->title() : QString(); }

  // What the user sees, as one line.
  QString state() const {
    QStringList selected;
    for (const QModelIndex& index : form.document().selectionModel().selectedRows()) {
      selected << QString::number(index.row());
    }
    std::sort(selected.begin(), selected.end(), [](const QString& a, const QString& b) { return a.toInt() < b.toInt(); });
    const QWidget* focus = QApplication::focusWidget();
    return QStringLiteral("sel=%1 cur=%2 Text1=[%3] Text2=[%4] Text5=[%5] caption=[%6] focus=%7")
        .arg(selected.join(QLatin1Char(',')))
        .arg(form.FocusedIndex())
        .arg(form.text1().text(), form.text2().text(), form.text5().text(), shownTitle(),
             focus ? focus->objectName() : QStringLiteral("none"));
  }

  // Every line of the script as the list holds it, joined by CR LF.
  QString lines() const {
    QStringList all;
    const LineListModel& model = form.document().lineModel();
    for (int i = 0; i < model.count(); ++i) {
      const std::u16string_view line = model.line(i);
      all << QString::fromUtf16(line.data(), static_cast<qsizetype>(line.size()));
    }
    return all.join(QStringLiteral("\r\n"));
  }

  QTemporaryDir drive;
  UiTestShell shell;
  Form1 form;
  int clickHandlings = 0;
};

}  // namespace vorrik
