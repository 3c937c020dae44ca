// The script check window over the real main window: opened with F7, its
// meters and problem rows as the script is opened, typed into, undone and
// replaced, and a problem's line picked by a double click or Enter.

#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>

#include "ui/check_window.h"
#include "ui/look.h"
#include "ui/main_window_driver.h"

namespace vorrik {
namespace {

// A door script whose call names "dor" where "door" is declared (line 48),
// under forty comment lines that put it below the first screenful, and whose
// next line uses a verb that only the Mysteries of the Sith engine knows.
QByteArray FaultyScript() {
  QByteArray script = "symbols\r\nmessage startup\r\nthing door\r\nint x local\r\nend\r\ncode\r\nstartup:\r\n";
  for (int i = 0; i < 40; ++i) script += "  # wait " + QByteArray::number(i) + "\r\n";
  return script + "  SetThingLight(dor, 1, 0);\r\n  x = sin(1);\r\n  stop;\r\nend\r\n";
}
constexpr int kDorLine = 48;

// The figures as the meters show them, or as the check itself gives them
// for the lines open now.
QString Figures(const CheckWindow& window) {
  QStringList figures;
  for (int i = 0; i < kLimitCount; ++i) figures << window.figure(static_cast<Limit>(i)).text();
  return figures.join(QStringLiteral(", "));
}
QString Figures(const LineListModel& lines, Game game) {
  QStringList figures;
  for (const LimitCount& count : CheckScript(LinesOf(lines), game).counts)
    figures << QStringLiteral("%1 of %2%3").arg(count.count).arg(count.maximum).arg(count.over() ? " (over)" : "");
  return figures.join(QStringLiteral(", "));
}

// The problem rows as "LINE:Kind ..."; a row without a sentence reads "?".
QString Rows(const CheckWindow& window) {
  const QAbstractItemModel& model = *window.problemList().model();
  QStringList rows;
  for (int row = 0; row < model.rowCount(); ++row)
    rows << model.index(row, ProblemTableModel::LineColumn).data().toString() + u':' +
                model.index(row, ProblemTableModel::KindColumn).data().toString() +
                (model.index(row, ProblemTableModel::SentenceColumn).data().toString().isEmpty() ? "?" : "");
  return rows.join(u' ');
}

// The program with the faulty script open as C:\work\door.cog.
struct Opened : MainWindowDriver {
  Opened() {
    write(QStringLiteral("work/door.cog"), FaultyScript());
    ok = QTest::qWaitForWindowActive(&form) && form.OpenNativeFile(drive.filePath(QStringLiteral("work/door.cog")));
  }
  // F7 in the main window, and the check window it shows.
  CheckWindow* pressF7() {
    QTest::keyClick(&form.list1(), Qt::Key_F7);
    return form.existingCheck() && form.existingCheck()->isVisible() ? form.existingCheck() : nullptr;
  }
  // Back to the main window's list, as a user's click on the window does.
  void backToList() {
    form.activateWindow();
    QTRY_VERIFY(form.isActiveWindow());
    key(Qt::Key_Tab, Qt::ShiftModifier);
  }
  bool ok = false;
};

}  // namespace

class CheckWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { InstallFontSubstitutes(); }

  // The counts and problems for the game chosen, checked again when the
  // game changes, once typing pauses (not on each key), after an undo, on
  // being shown after a redo made while hidden, and after another script is
  // opened, whose count over a limit reads as over.
  void followsTheScript() {
    Opened program;
    QVERIFY(program.ok);
    CheckWindow* check = program.pressF7();
    QVERIFY(check);
    QCOMPARE(Figures(*check), Figures(program.form.document().lineModel(), Game::JediKnight));
    QCOMPARE(Rows(*check), QStringLiteral("48:Warning 49:Warning"));
    QCOMPARE(check->summary().text(), QStringLiteral("2 warnings"));

    QTest::keyClick(&check->gameChoice(), Qt::Key_Down);
    QCOMPARE(check->gameChoice().currentText(), QStringLiteral("Mysteries of the Sith"));
    QCOMPARE(Figures(*check), Figures(program.form.document().lineModel(), Game::MysteriesOfTheSith));
    QCOMPARE(Rows(*check), QStringLiteral("48:Warning"));

    QSignalSpy checks(check, &CheckWindow::checked);
    program.backToList();
    program.form.list1().scrollTo(program.form.document().lineModel().index(kDorLine - 1));
    program.click(kDorLine - 1);
    QTest::keyClick(&program.form.text1(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(&program.form.text1(), QStringLiteral("  SetThingLight(door, 1, 0);"));
    QCOMPARE(checks.count(), 0);
    QTRY_COMPARE(Rows(*check), QString());
    QCOMPARE(checks.count(), 1);
    QCOMPARE(check->summary().text(), QStringLiteral("No problems found."));

    program.backToList();
    program.key(Qt::Key_Z, Qt::ControlModifier);
    QTRY_COMPARE(Rows(*check), QStringLiteral("48:Warning"));

    // F7 raises the same window; Escape hides it.
    QCOMPARE(program.pressF7(), check);
    QTRY_VERIFY(check->isActiveWindow());
    QTest::keyClick(&check->problemList(), Qt::Key_Escape);
    QVERIFY(!check->isVisible());
    program.backToList();
    program.key(Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(program.pressF7(), check);
    QCOMPARE(Rows(*check), QString());

    QByteArray many = "symbols\r\n";
    for (int i = 0; i < 33; ++i) many += "message user" + QByteArray::number(i % 8) + "\r\n";
    program.write(QStringLiteral("work/many.cog"), many + "end\r\ncode\r\nuser0: stop;\r\nend\r\n");
    QVERIFY(program.form.OpenNativeFile(program.drive.filePath(QStringLiteral("work/many.cog"))));
    QTRY_COMPARE(Figures(*check), Figures(program.form.document().lineModel(), Game::MysteriesOfTheSith));
    const QLabel& messages = check->figure(Limit::Messages);
    QCOMPARE(messages.text(), QStringLiteral("33 of 32 (over)"));
    QVERIFY(messages.font().bold() && !check->figure(Limit::Symbols).font().bold());
    QCOMPARE(messages.palette().color(QPalette::WindowText), QColor(Qt::red));
    QCOMPARE(check->meter(Limit::Messages).value(), check->meter(Limit::Messages).maximum());
  }

  void picksTheProblemLine_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("double click") << "double click";
    QTest::newRow("enter") << "enter";
    QTest::newRow("a line past the end picks the last") << "past the end";
  }

  // A problem's line is picked in the main window as a click on it picks
  // it: selected alone, focused, loaded into the edit box with its tally,
  // in view, and that window in front.
  void picksTheProblemLine() {
    QFETCH(QString, how);
    Opened program;
    QVERIFY(program.ok);
    program.click(2);  // a line picked before, which the pick replaces
    CheckWindow* check = program.pressF7();
    QVERIFY(check);
    QTRY_VERIFY(check->isActiveWindow());
    QTreeView& list = check->problemList();
    const QPoint centre = list.visualRect(list.model()->index(0, ProblemTableModel::SentenceColumn)).center();
    const int lines = program.form.document().lineModel().count();
    if (how == "double click") {
      // As the window system sends one: press, release, press, double click, release.
      QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, centre);
      QTest::mousePress(list.viewport(), Qt::LeftButton, {}, centre);
      QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, centre);
      QTest::mouseRelease(list.viewport(), Qt::LeftButton, {}, centre);
    } else if (how == "enter") {
      QTest::keyClick(&list, Qt::Key_Home);
      QTest::keyClick(&list, Qt::Key_Return);
    } else {
      program.form.PickLine(lines + 3);
    }
    QTRY_VERIFY(program.form.isActiveWindow());
    QVERIFY(check->isVisible());
    const QString picked = program.state();
    const int row = program.form.FocusedIndex();
    QCOMPARE(row, how == "past the end" ? lines - 1 : kDorLine - 1);
    QVERIFY(program.form.list1().viewport()->rect().contains(program.rowCentre(row)));
    program.click(row - 1);
    program.click(row);
    QCOMPARE(program.state(), picked);
  }
};

}  // namespace vorrik

QTEST_MAIN(vorrik::CheckWindowTest)
#include "check_window_test.moc"
