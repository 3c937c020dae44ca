// Find and Go To as a user drives them: real keys and clicks on the main
// window and the Find window, with message and input boxes answered by the
// shell.

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include <optional>

#include "ui/look.h"
#include "ui/main_window_driver.h"

namespace vorrik {
namespace {

using Program = MainWindowDriver;

// Lines 0-7; line 5 holds setthinglight past the 1,024 characters its row
// shows; lines 8-199 take the script past what the list shows.
bool OpenScript(Program& program) {
  QByteArray script = "code\r\nSetThingLight(a);\r\nx = 1;\r\n\r\ny = 2;\r\n" + QByteArray(2000, ' ') +
                      "setthinglight(door);\r\nz = 3;\r\nSETTHINGLIGHT(b);\r\n";
  for (int i = 8; i < 200; ++i) script += i == 190 ? "\xc9t\xe9 = 1;\r\n" : "w;\r\n";  // "Été" in Windows-1252
  program.write(QStringLiteral("work/t.cog"), script);
  return QTest::qWaitForWindowActive(&program.form) && program.open() && program.shell.takeLog().isEmpty();
}

// The selected lines and the focused one, as "sel=5 cur=5".
QString Picked(const Program& program) { return program.state().section(QLatin1Char(' '), 0, 1); }

bool WhollyInView(const Program& program) {
  const LineListView& list = program.form.list1();
  return list.viewport()->rect().contains(list.visualRect(list.currentIndex()));
}

}  // namespace

class FindWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { InstallFontSubstitutes(); }

  void findNext_data() {
    QTest::addColumn<int>("from");  // the line clicked first
    QTest::addColumn<QString>("what");
    QTest::addColumn<bool>("matchCase");
    QTest::addColumn<bool>("up");
    QTest::addColumn<int>("found");  // the line picked; from when none holds it
    QTest::newRow("past what a row shows") << 2 << "thinglight(door" << false << false << 5;
    QTest::newRow("wraps at the end") << 150 << "setthing" << false << false << 1;
    QTest::newRow("match case") << 1 << "SETTHING" << true << false << 7;
    QTest::newRow("up, round the start") << 1 << "SetThingLight" << false << true << 7;
    QTest::newRow("far below, letters beyond ASCII") << 2 << "ÉTÉ" << false << false << 190;
    QTest::newRow("not found") << 2 << "SetThingLight(c" << false << false << 2;
  }

  // Ctrl+F shows the Find window ready for typing; Enter there picks the
  // next line that holds the text as a click would, wholly in view, and the
  // window stays in front for the next search.
  void findNext() {
    QFETCH(int, from);
    QFETCH(QString, what);
    QFETCH(bool, matchCase);
    QFETCH(bool, up);
    QFETCH(int, found);
    Program program;
    QVERIFY(OpenScript(program));
    program.form.list1().scrollTo(program.form.document().lineModel().index(from));
    program.click(from);
    program.key(Qt::Key_F, Qt::ControlModifier);
    FindWindow* find = program.form.existingFind();
    // A window of the main one counts as active while the main one is:
    // wait for the focus itself.
    QVERIFY(find);
    QTRY_COMPARE(QApplication::focusWidget(), &find->findWhat());
    QTest::keyClicks(&find->findWhat(), what);
    if (matchCase) QTest::mouseClick(&find->matchCase(), Qt::LeftButton);
    if (up) QTest::mouseClick(&find->up(), Qt::LeftButton);
    QTest::keyClick(&find->findWhat(), Qt::Key_Return);

    QCOMPARE(Picked(program), QStringLiteral("sel=%1 cur=%1").arg(found));
    QVERIFY(WhollyInView(program));
    QCOMPARE(program.shell.takeLog(),
             found != from ? QString() : QStringLiteral("box [Find] Cannot find \"%1\".").arg(what));
    QCOMPARE(program.form.text1().line().size(), qsizetype(program.form.document().lineModel().line(found).size()));
    // The activation a search might ask for comes from the window system.
    QCoreApplication::processEvents();
    QCOMPARE(QApplication::activeWindow(), find);
  }

  // F3 and Shift+F3 search down and up again with the Find window's text,
  // the window hidden.
  void findAgainWithoutTheWindow() {
    Program program;
    QVERIFY(OpenScript(program));
    program.form.ShowFind();
    QTest::keyClicks(&program.form.existingFind()->findWhat(), QStringLiteral("setthing"));
    QTest::keyClick(&program.form.existingFind()->findWhat(), Qt::Key_Escape);
    QVERIFY(!program.form.existingFind()->isVisible());
    QTRY_VERIFY(program.form.isActiveWindow());
    QStringList picks;
    for (const Qt::KeyboardModifier modifier : {Qt::NoModifier, Qt::NoModifier, Qt::ShiftModifier, Qt::ShiftModifier}) {
      QTest::keyClick(&program.form.list1(), Qt::Key_F3, modifier);
      picks << QString::number(program.form.FocusedIndex());
    }
    QCOMPARE(picks.join(u' '), QStringLiteral("1 5 1 7"));
  }

  void goTo_data() {
    QTest::addColumn<QStringList>("typed");  // "cancel" cancels the box
    QTest::addColumn<int>("picked");
    QTest::addColumn<int>("refused");
    QTest::newRow("the first line") << QStringList{"1"} << 0 << 0;
    QTest::newRow("the last line") << QStringList{" 200 "} << 199 << 0;
    QTest::newRow("out of range, then in") << QStringList{"0", "201", "-3", "191"} << 190 << 3;
    QTest::newRow("not a number, then cancel") << QStringList{"12a", "cancel"} << 2 << 1;
  }

  // Ctrl+G asks for a line number counted from 1 and picks that line as a
  // click would; anything else is refused with the range and asked again.
  void goTo() {
    QFETCH(QStringList, typed);
    QFETCH(int, picked);
    QFETCH(int, refused);
    Program program;
    QVERIFY(OpenScript(program));
    program.click(2);
    QStringList expected;
    for (int i = 0; i < typed.size(); ++i) {
      program.shell.typed.push_back(typed[i] == QLatin1String("cancel") ? std::nullopt : std::optional(typed[i]));
      expected << QStringLiteral("input [Go To Line] Line number (1 to 200):");
      if (i < refused) expected << QStringLiteral("box [Go To Line] Enter a line number from 1 to 200. {warning}");
    }
    program.key(Qt::Key_G, Qt::ControlModifier);
    QCOMPARE(Picked(program), QStringLiteral("sel=%1 cur=%1").arg(picked));
    QVERIFY(WhollyInView(program));
    QCOMPARE(program.shell.log, expected);
  }
};

}  // namespace vorrik

QTEST_MAIN(vorrik::FindWindowTest)
#include "find_window_test.moc"
