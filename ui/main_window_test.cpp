// The main window driven as a user drives it: real mouse and key events on
// the offscreen platform, with message and input boxes answered by the shell.

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QKeySequence>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QPaintEvent>
#include <QTest>
#include <QWindow>

#include "document/drive_map.h"
#include "ui/look.h"
#include "ui/main_window.h"
#include "ui/qt_shell.h"
#include "ui/main_window_driver.h"
#include "ui/ui_test_shell.h"

namespace vorrik {
namespace {

using Program = MainWindowDriver;

// Runs a little script of user actions: "click 5", "ctrl 7", "shift 6",
// "ctrlshift 9", "right 5", "middle 5" (other mouse buttons), "drag 4-6",
// "key Down", "key Shift+PgUp" (a key with its modifiers, to the focused
// widget), "save", "clicktext" (into the edit box), "type z,", "enter".
void Perform(Program& program, const QString& actions) {
  for (const QString& action : actions.split(QStringLiteral(", "), Qt::SkipEmptyParts)) {
    const QString verb = action.section(QLatin1Char(' '), 0, 0);
    const QString arg = action.section(QLatin1Char(' '), 1);
    if (verb == QLatin1String("click")) program.click(arg.toInt());
    else if (verb == QLatin1String("ctrl")) program.click(arg.toInt(), Qt::ControlModifier);
    else if (verb == QLatin1String("shift")) program.click(arg.toInt(), Qt::ShiftModifier);
    else if (verb == QLatin1String("ctrlshift")) program.click(arg.toInt(), Qt::ControlModifier | Qt::ShiftModifier);
    else if (verb == QLatin1String("right")) program.click(arg.toInt(), {}, Qt::RightButton);
    else if (verb == QLatin1String("middle")) program.click(arg.toInt(), {}, Qt::MiddleButton);
    else if (verb == QLatin1String("drag")) program.drag(arg.section(QLatin1Char('-'), 0, 0).toInt(), arg.section(QLatin1Char('-'), 1).toInt());
    else if (verb == QLatin1String("key")) {
      const QKeyCombination key = QKeySequence::fromString(arg)[0];
      if (key.key() == Qt::Key_unknown) QFAIL(qPrintable(QStringLiteral("unknown key ") + arg));
      program.key(key.key(), key.keyboardModifiers());
    }
    else if (verb == QLatin1String("enter")) program.key(Qt::Key_Return);
    else if (verb == QLatin1String("type")) QTest::keyClicks(QApplication::focusWidget(), arg);
    else if (verb == QLatin1String("save")) program.form.document().Save();
    else if (verb == QLatin1String("clicktext")) QTest::mouseClick(&program.form.text1(), Qt::LeftButton);
    else QFAIL(qPrintable(QStringLiteral("unknown action ") + action));
  }
}

// Runs the current row of a table of actions ("actions", "state",
// "handlings") on the test script, and checks what the user sees, the number
// of click handlings, and that every line is as the file holds it.
void PerformTableRow() {
  QFETCH(QString, actions);
  QFETCH(QString, state);
  QFETCH(int, handlings);
  Program program;
  QVERIFY(QTest::qWaitForWindowActive(&program.form));
  QVERIFY(program.open());
  program.countClickHandlings();
  Perform(program, actions);
  QCOMPARE(program.state(), state);
  QCOMPARE(program.clickHandlings, handlings);
  // Loading a line writes it back unchanged; nothing else touches the lines.
  QCOMPARE(program.lines() + QStringLiteral("\r\n"), QString::fromLatin1(kScript));
}

QAction* Action(Form1& form, const char* name) { return form.findChild<QAction*>(QString::fromLatin1(name)); }

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { InstallFontSubstitutes(); }

  void startUp() {
    UiTestShell shell;
    Form1 form(shell, DriveMap(QList<Drive>{}));
    shell.setWindow(&form);
    QCOMPARE(form.windowTitle(), QStringLiteral("VORRIK by Orvel_Tand"));
    form.Load();
    QCOMPARE(form.windowTitle(), QStringLiteral("VORRIK by Orvel_Tand - Powered by the Kestrimar"));
    form.show();
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QCOMPARE(form.document().lineModel().count(), 0);
    QCOMPARE(QApplication::focusWidget(), &form.list1());
    QVERIFY(form.text1().text().isEmpty() && form.text2().text().isEmpty() && form.text5().text().isEmpty());
    // Typing into the edit box with nothing open changes nothing else.
    QTest::keyClicks(&form.text1(), QStringLiteral("abc"));
    QCOMPARE(form.windowTitle(), QStringLiteral("VORRIK by Orvel_Tand - Powered by the Kestrimar"));
    QVERIFY(form.text5().text().isEmpty());
    QVERIFY(shell.log.isEmpty());
    QVERIFY(!form.existingChooser() && !form.existingHelp() && !form.existingAbout());
  }

  void layout_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("place");
    QTest::addColumn<QRect>("grown");  // in a client area 200 wider and 120 higher
    QTest::newRow("List1") << "List1" << QRect(8, 8, 473, 446) << QRect(8, 8, 673, 566);
    QTest::newRow("Text1") << "Text1" << QRect(8, 472, 473, 25) << QRect(8, 592, 673, 25);
    QTest::newRow("Command1") << "Command1" << QRect(552, 144, 89, 49) << QRect(752, 144, 89, 49);
    QTest::newRow("Text5") << "Text5" << QRect(544, 48, 113, 41) << QRect(744, 48, 113, 41);
    QTest::newRow("Label4") << "Label4" << QRect(512, 8, 177, 33) << QRect(712, 8, 177, 33);
    QTest::newRow("Label1") << "Label1" << QRect(512, 240, 177, 81) << QRect(712, 240, 177, 81);
    QTest::newRow("Label2") << "Label2" << QRect(512, 336, 177, 81) << QRect(712, 336, 177, 81);
    QTest::newRow("Text2") << "Text2" << QRect(544, 472, 113, 37) << QRect(744, 592, 113, 37);
    QTest::newRow("Label3") << "Label3" << QRect(512, 440, 177, 25) << QRect(712, 560, 177, 25);
  }

  // Every control stands where the table puts it at the first size, and
  // after the window is made smaller. Made larger, the list and the edit
  // box take the room and the column of counters keeps to the right edge,
  // its bottom level with the edit box.
  void layout() {
    QFETCH(QString, name);
    QFETCH(QRect, place);
    QFETCH(QRect, grown);
    Program program;
    QVERIFY(QTest::qWaitForWindowExposed(&program.form));
    QCOMPARE(program.form.centralWidget()->size(), QSize(709, 518));
    auto* control = program.form.centralWidget()->findChild<QWidget*>(name);
    QVERIFY(control);
    QCOMPARE(control->geometry(), place);
    const QSize first = program.form.size();
    program.form.resize(300, 200);
    QCOMPARE(control->geometry(), place);
    program.form.resize(first + QSize(200, 120));
    QCOMPARE(program.form.centralWidget()->size(), QSize(909, 638));
    QCOMPARE(control->geometry(), grown);
    program.form.resize(first);
    QCOMPARE(control->geometry(), place);
    if (auto* label = qobject_cast<QLabel*>(control)) {
      QVERIFY(label->wordWrap());
      QVERIFY2(label->heightForWidth(place.width()) <= place.height(), "the label's text is clipped");
    }
  }

  void rulesFontsAndTabOrder() {
    Program program;
    Form1& form = program.form;
    auto* area = static_cast<RuledArea*>(form.centralWidget());
    const std::vector<QLine> rules{QLine(496, 8, 496, 512), QLine(496, 112, 688, 112), QLine(496, 224, 688, 224),
                                   QLine(496, 432, 688, 432)};
    QVERIFY(area->rules() == rules);
    // The rules follow the column of counters; the one beside it grows.
    form.resize(form.size() + QSize(200, 120));
    const std::vector<QLine> grown{QLine(696, 8, 696, 632), QLine(696, 112, 888, 112), QLine(696, 224, 888, 224),
                                   QLine(696, 552, 888, 552)};
    QVERIFY(area->rules() == grown);

    QCOMPARE(form.text5().font().pointSizeF(), 18.0);
    QCOMPARE(form.findChild<QLabel*>(QStringLiteral("Label4"))->font().pointSizeF(), 18.0);
    QCOMPARE(form.text2().font().pointSizeF(), 13.5);
    QCOMPARE(form.findChild<QLabel*>(QStringLiteral("Label3"))->font().pointSizeF(), 12.0);
    QCOMPARE(form.list1().font().pointSizeF(), 8.0);
    const QFont bank = form.text5().font();
    QVERIFY(!bank.bold() && !bank.italic() && !bank.underline() && !bank.strikeOut());
    // The stand-in that the dependency script installs.
    QCOMPARE(QFontInfo(form.text1().font()).family(), QStringLiteral("Liberation Sans"));
    QCOMPARE(form.text5().alignment(), Qt::AlignCenter);

    QStringList order;
    QWidget* widget = &form.list1();
    do {
      if (widget->focusPolicy() & Qt::TabFocus) order << widget->objectName();
      widget = widget->nextInFocusChain();
    } while (widget != &form.list1() && order.size() < 10);
    QCOMPARE(order.join(QLatin1Char(' ')), QStringLiteral("List1 Text1 Command1 Text5 Text2"));

    const QList<QSize> sizes = form.windowIcon().availableSizes();
    QVERIFY(sizes.contains(QSize(16, 16)) && sizes.contains(QSize(32, 32)));
  }

  void menuTree() {
    Program program;
    QStringList tree;
    for (QAction* heading : program.form.menuBar()->actions()) {
      tree << heading->menu()->objectName() + QLatin1Char('=') + heading->text();
      for (QAction* item : heading->menu()->actions()) {
        QString shown = item->isSeparator() ? QStringLiteral("-") : item->text();
        if (!item->shortcuts().isEmpty())
          shown += QLatin1Char('\t') + QKeySequence::listToString(item->shortcuts(), QKeySequence::PortableText);
        if (!item->isEnabled()) shown += QStringLiteral(" (off)");
        tree << QStringLiteral("  ") + item->objectName() + QLatin1Char('=') + shown;
        QVERIFY(item->isVisible());
      }
    }
    QCOMPARE(tree.join(QLatin1Char('\n')),
             QStringLiteral("mnuFile=&File\n  mnuOpen=&Open a COG...\tCtrl+O\n  mnuNULL2=-\n"
                            "  mnuSave=&Save COG\tCtrl+S\n"
                            "  mnuSaveAs=Save COG &As...\n  mnuNULL1=-\n  mnuExit=&Exit\n"
                            "mnuEdit=&Edit\n  mnuUndo=&Undo\tCtrl+Z (off)\n  mnuRedo=&Redo\tCtrl+Y; Ctrl+Shift+Z (off)\n"
                            "  mnuNULL4=-\n  mnuFind=&Find...\tCtrl+F\n  mnuFindNext=Find &Next\tF3\n"
                            "  mnuFindPrevious=Find &Previous\tShift+F3\n  mnuGoTo=&Go To...\tCtrl+G\n"
                            "mnuScript=&Script\n  mnuCheckScript=&Check Script\tF7\n"
                            "mnuHelp=Help\n  mnuHowtouse=How to use\n  mnuNULL3=-\n  mnuAbout=About"));
  }

  void accessKeys_data() {
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<QString>("shown");
    QTest::newRow("O opens the chooser") << Qt::Key_O << "chooser";
    QTest::newRow("S saves") << Qt::Key_S << "box [VORRIK] This COG has no file name yet, so it was not saved.\n\n"
                                              "Use Save COG As... to give it one. {warning}";
    QTest::newRow("A saves as") << Qt::Key_A << "input [New name] Please enter new name for file";
    QTest::newRow("E exits") << Qt::Key_E << "end";
  }

  // Alt+F opens the File menu, and a letter chooses its item.
  void accessKeys() {
    QFETCH(Qt::Key, key);
    QFETCH(QString, shown);
    Program program;
    QVERIFY(QTest::qWaitForWindowActive(&program.form));
    auto* file = program.form.findChild<QMenu*>(QStringLiteral("mnuFile"));
    QTest::keyClick(&program.form, Qt::Key_F, Qt::AltModifier);
    QTRY_VERIFY(file->isVisible());
    QTest::keyClick(file, key);
    QTRY_VERIFY(!file->isVisible());
    if (shown == QLatin1String("chooser")) {
      QVERIFY(program.form.existingChooser() && program.form.existingChooser()->isVisible());
      QVERIFY(program.shell.log.isEmpty());
    } else {
      QCOMPARE(program.shell.log.value(0), shown);
    }
  }

  // Ctrl+S and Ctrl+O reach the menu from the edit box, which takes other
  // Ctrl keys.
  void openAndSaveKeys() {
    Program program;
    QVERIFY(QTest::qWaitForWindowActive(&program.form));
    QVERIFY(program.open());
    Perform(program, QStringLiteral("click 5, type z, key Ctrl+S"));
    QCOMPARE(program.shownTitle(), QStringLiteral("C:\\work\\t.cog"));
    QVERIFY(program.read(QStringLiteral("work/t.cog")).contains("  x = 1;z"));
    program.key(Qt::Key_O, Qt::ControlModifier);
    QVERIFY(program.form.existingChooser() && program.form.existingChooser()->isVisible());
  }

  void helpMenuHasNoAccessKey() {
    Program program;
    QVERIFY(QTest::qWaitForWindowActive(&program.form));
    QTest::keyClick(&program.form, Qt::Key_H, Qt::AltModifier);
    QVERIFY(!program.form.findChild<QMenu*>(QStringLiteral("mnuHelp"))->isVisible());
  }

  void selection_data() {
    QTest::addColumn<QString>("actions");
    QTest::addColumn<QString>("state");
    QTest::addColumn<int>("handlings");
    const QString saved = QStringLiteral("caption=[C:\\work\\t.cog]");
    QTest::newRow("click a line") << "click 5"
        << "sel=5 cur=5 Text1=[  x = 1;] Text2=[ 2.5] Text5=[ 0] " + saved + " focus=Text1" << 1;
    QTest::newRow("click an empty line") << "click 6"
        << "sel=6 cur=6 Text1=[] Text2=[ 0] Text5=[ 0] " + saved + " focus=Text1" << 1;
    QTest::newRow("click a second line") << "click 5, click 9"
        << "sel=9 cur=9 Text1=[  y = x + 2;] Text2=[ 4] Text5=[ 0] " + saved + " focus=Text1" << 2;
    QTest::newRow("ctrl-click a second line") << "click 5, ctrl 7"
        << "sel=5,7 cur=7 Text1=[] Text2=[ 5] Text5=[ 0] " + saved + " focus=List1" << 2;
    QTest::newRow("ctrl-click toggles off") << "click 5, ctrl 5"
        << "sel= cur=5 Text1=[] Text2=[ 0] Text5=[ 0] " + saved + " focus=List1" << 2;
    QTest::newRow("the focused line is loaded") << "click 5, ctrl 7, ctrl 5"
        << "sel=7 cur=5 Text1=[  x = 1;] Text2=[ 2.5] Text5=[ 0] " + saved + " focus=Text1" << 3;
    QTest::newRow("shift-click") << "click 5, shift 7"
        << "sel=5,6,7 cur=7 Text1=[] Text2=[ 5] Text5=[ 0] " + saved + " focus=List1" << 2;
    QTest::newRow("drag") << "drag 7-9"
        << "sel=7,8,9 cur=9 Text1=[] Text2=[ 7] Text5=[ 0] " + saved + " focus=List1" << 1;
    QTest::newRow("down from the list") << "click 7, shift 8, key Down"
        << "sel=9 cur=9 Text1=[  y = x + 2;] Text2=[ 4] Text5=[ 0] " + saved + " focus=Text1" << 3;
    QTest::newRow("a second arrow goes to the edit box") << "click 7, shift 8, key Down, key Up"
        << "sel=9 cur=9 Text1=[  y = x + 2;] Text2=[ 4] Text5=[ 0] " + saved + " focus=Text1" << 3;
    QTest::newRow("down right after a load: line 0 is focused") << "key Down"
        << "sel=1 cur=1 Text1=[symbols] Text2=[ 0] Text5=[ 0] " + saved + " focus=Text1" << 1;
    QTest::newRow("right and middle clicks do nothing") << "right 5, middle 7"
        << "sel= cur=0 Text1=[] Text2=[] Text5=[ 0] " + saved + " focus=List1" << 0;
    QTest::newRow("a right click leaves the selection and the focus") << "click 5, right 7, middle 9"
        << "sel=5 cur=5 Text1=[  x = 1;] Text2=[ 2.5] Text5=[ 0] " + saved + " focus=Text1" << 1;
    QTest::newRow("save, then ctrl-click") << "click 5, save, ctrl 7"
        << "sel=5,7 cur=7 Text1=[] Text2=[ 5] Text5=[ 0] " + saved + " focus=List1" << 2;
    QTest::newRow("typing with two lines selected") << "click 5, shift 7, clicktext, type abc"
        << "sel=5,6,7 cur=7 Text1=[abc] Text2=[ 5] Text5=[ 0] " + saved + " focus=Text1" << 2;
    QTest::newRow("a click on the line selected alone changes nothing") << "click 5, click 5"
        << "sel=5 cur=5 Text1=[  x = 1;] Text2=[ 2.5] Text5=[ 0] " + saved + " focus=List1" << 1;

    // Ranges from the anchor, the line last picked without Shift.
    QTest::newRow("shift-click drops ctrl picks") << "click 2, ctrl 7, shift 9"
        << "sel=7,8,9 cur=9 Text1=[] Text2=[ 7] Text5=[ 0] " + saved + " focus=List1" << 3;
    QTest::newRow("ctrl-shift-click adds the range") << "click 2, ctrl 5, ctrlshift 9"
        << "sel=2,5,6,7,8,9 cur=9 Text1=[] Text2=[ 9.5] Text5=[ 0] " + saved + " focus=List1" << 3;
    QTest::newRow("ctrl-shift-click keeps a line ctrl-clicked off") << "click 5, ctrl 7, ctrl 7, key Shift+Tab, key Ctrl+Down, ctrlshift 9"
        << "sel=5,8,9 cur=9 Text1=[] Text2=[ 7] Text5=[ 0] " + saved + " focus=List1" << 5;
    QTest::newRow("a second shift-click keeps the anchor") << "click 7, shift 9, shift 5"
        << "sel=5,6,7 cur=5 Text1=[] Text2=[ 5] Text5=[ 0] " + saved + " focus=List1" << 3;
    QTest::newRow("shift-click right after a load starts at line 0") << "shift 2"
        << "sel=0,1,2 cur=2 Text1=[] Text2=[ 0] Text5=[ 0] " + saved + " focus=List1" << 1;
    QTest::newRow("shift-down drops ctrl picks") << "click 2, ctrl 7, key Shift+Down"
        << "sel=7,8 cur=8 Text1=[] Text2=[ 3] Text5=[ 0] " + saved + " focus=List1" << 3;
    QTest::newRow("shift-end selects to the last line") << "click 2, ctrl 7, key Shift+End"
        << "sel=7,8,9,10 cur=10 Text1=[] Text2=[ 7] Text5=[ 0] " + saved + " focus=List1" << 3;
    QTest::newRow("ctrl-up moves the focus alone") << "click 8, shift 10, key Ctrl+Up"
        << "sel=8,9,10 cur=9 Text1=[] Text2=[ 4.5] Text5=[ 0] " + saved + " focus=List1" << 3;
    QTest::newRow("ctrl-down moves the anchor") << "click 7, shift 8, key Ctrl+Down, key Shift+Down"
        << "sel=9,10 cur=10 Text1=[] Text2=[ 4] Text5=[ 0] " + saved + " focus=List1" << 4;

    // A key that lands on the line already current selects it alone.
    const QString first = "sel=0 cur=0 Text1=[# test script] Text2=[ 0] Text5=[ 0] " + saved + " focus=Text1";
    QTest::newRow("home right after a load selects line 0") << "key Home" << first << 1;
    QTest::newRow("up right after a load selects line 0") << "key Up" << first << 1;
    QTest::newRow("pageup right after a load selects line 0") << "key PgUp" << first << 1;
    QTest::newRow("shift-home right after a load selects line 0") << "key Shift+Home" << first << 1;
    const QString last = "sel=10 cur=10 Text1=[end] Text2=[ 0] Text5=[ 0] " + saved + " focus=Text1";
    QTest::newRow("down on the last line selects it alone") << "click 8, shift 10, key Down" << last << 3;
    QTest::newRow("end on the last line selects it alone") << "click 8, shift 10, key End" << last << 3;
    QTest::newRow("pagedown on the last line selects it alone") << "click 8, shift 10, key PgDown" << last << 3;

    // Keys that change nothing run no handling.
    const QString range = "sel=8,9,10 cur=10 Text1=[] Text2=[ 4.5] Text5=[ 0] " + saved + " focus=List1";
    QTest::newRow("shift-end on the last line changes nothing") << "click 8, shift 10, key Shift+End" << range << 2;
    QTest::newRow("ctrl-down on the last line changes nothing") << "click 8, shift 10, key Ctrl+Down" << range << 2;
    QTest::newRow("left and right change nothing") << "click 8, shift 10, key Left, key Right" << range << 2;
  }

  // One handling per user action, run after the view applied it, and what
  // the boxes and the caption show afterwards.
  void selection() { PerformTableRow(); }

  void keysOverALongScript_data() {
    QTest::addColumn<QString>("actions");
    QTest::addColumn<QString>("state");  // the selection and the current line
    QTest::addColumn<int>("handlings");
    // Shift+Tab takes the focus back from the edit box to the list.
    QTest::newRow("End goes to the last line") << "key End" << "sel=99 cur=99" << 1;
    QTest::newRow("Home goes to the first line") << "key End, key Shift+Tab, key Home" << "sel=0 cur=0" << 2;
    QTest::newRow("PageDown within a page of the end goes to the last line")
        << "key End, key Shift+Tab, key Up, key Shift+Tab, key PgDown" << "sel=99 cur=99" << 3;
    QTest::newRow("PageUp within a page of the start goes to the first line")
        << "key Down, key Shift+Tab, key Down, key Shift+Tab, key PgUp" << "sel=0 cur=0" << 3;
    QTest::newRow("type-ahead ignores case") << "type s" << "sel=50 cur=50" << 1;
    QTest::newRow("type-ahead with Shift held picks the line alone")
        << "key Down, key Shift+Tab, key Shift+S" << "sel=50 cur=50" << 2;
  }

  // Keys over a script longer than the list reach their lines, select them
  // and bring them into view.
  void keysOverALongScript() {
    QFETCH(QString, actions);
    QFETCH(QString, state);
    QFETCH(int, handlings);
    Program program;
    QByteArray script = "code\r\n";
    for (int i = 1; i < 99; ++i) script += i == 50 ? QByteArray("Startup:\r\n") : "  x = " + QByteArray::number(i) + ";\r\n";
    program.write(QStringLiteral("work/t.cog"), script + "end\r\n");
    QVERIFY(QTest::qWaitForWindowActive(&program.form));
    QVERIFY(program.open());
    program.countClickHandlings();
    Perform(program, actions);
    QCOMPARE(program.state().section(QLatin1Char(' '), 0, 1), state);
    QCOMPARE(program.clickHandlings, handlings);
    const LineListView& list = program.form.list1();
    QVERIFY(list.viewport()->rect().contains(list.visualRect(list.currentIndex())));
  }

  // Typing writes the line at once and the bank follows every keystroke.
  void typingMovesTheBank() {
    Program program;
    QVERIFY(QTest::qWaitForWindowActive(&program.form));
    QVERIFY(program.open());
    program.click(5);
    QCOMPARE(program.form.text5().text(), QStringLiteral(" 0"));
    QTest::keyClick(&program.form.text1(), Qt::Key_Home);
    QTest::keyClick(&program.form.text1(), Qt::Key_Z);
    QCOMPARE(program.form.document().lineModel().line(5), std::u16string(u"z  x = 1;"));
    QCOMPARE(program.form.text5().text(), QStringLiteral(" 0"));
    QTest::keyClick(&program.form.text1(), Qt::Key_Comma);
    QCOMPARE(program.form.document().lineModel().line(5), std::u16string(u"z,  x = 1;"));
    QCOMPARE(program.form.text5().text(), QStringLiteral("-1"));
    QCOMPARE(program.form.list1().model()->index(5, 0).data().toString(), QStringLiteral("z,  x = 1;"));
    // The selection tally is the edited line's own, "z" counted.
    QCOMPARE(program.form.text2().text(), QStringLiteral(" 3.5"));
  }

  void enter_data() {
    QTest::addColumn<QString>("actions");
    QTest::addColumn<QString>("state");
    QTest::addColumn<int>("handlings");
    QTest::newRow("moves down") << "click 4, enter"
        << "sel=5 cur=5 Text1=[  x = 1;] Text2=[ 2.5] Text5=[ 0] caption=[C:\\work\\t.cog] focus=Text1" << 4;
    QTest::newRow("from an empty line") << "click 6, enter"
        << "sel=7 cur=7 Text1=[  Print(\"hi\");] Text2=[ 2.5] Text5=[ 0] caption=[C:\\work\\t.cog] focus=Text1" << 4;
    QTest::newRow("right after a load: from line 0") << "clicktext, enter"
        << "sel=1 cur=1 Text1=[symbols] Text2=[ 0] Text5=[ 0] caption=[C:\\work\\t.cog] focus=Text1" << 2;
    QTest::newRow("the last line stays") << "click 10, enter, enter"
        << "sel=10 cur=10 Text1=[end] Text2=[ 0] Text5=[ 0] caption=[C:\\work\\t.cog] focus=Text1" << 1;
    QTest::newRow("other selected lines stay") << "click 4, ctrl 8, ctrl 5, clicktext, enter"
        << "sel=4,6,8 cur=6 Text1=[] Text2=[ .5] Text5=[ 0] caption=[C:\\work\\t.cog] focus=Text1" << 6;
    QTest::newRow("shift-enter moves up") << "click 5, key Shift+Return"
        << "sel=4 cur=4 Text1=[startup:] Text2=[ 0] Text5=[ 0] caption=[C:\\work\\t.cog] focus=Text1" << 4;
    QTest::newRow("shift-enter on the first line stays") << "click 0, key Shift+Return"
        << "sel=0 cur=0 Text1=[# test script] Text2=[ 0] Text5=[ 0] caption=[C:\\work\\t.cog] focus=Text1" << 1;
  }

  // Enter deselects the focused line, focuses the next one (Shift+Enter:
  // the one before) and selects it, each step running the click handling.
  void enter() { PerformTableRow(); }

  // An empty line is loaded without a change of the edit box, so Enter from
  // an empty line onto another leaves the caption and the bank alone.
  void enterOntoAnEmptyLineKeepsTheCaption() {
    Program program;
    program.write(QStringLiteral("work/t.cog"), "code\r\n\r\n\r\nx;\r\n");
    QVERIFY(QTest::qWaitForWindowActive(&program.form));
    QVERIFY(program.open());
    program.click(1);
    program.key(Qt::Key_Return);
    QCOMPARE(program.state(),
             QStringLiteral("sel=2 cur=2 Text1=[] Text2=[ 0] Text5=[ 0] caption=[C:\\work\\t.cog] focus=Text1"));
  }

  void enterInAnEmptyList() {
    Program program;
    QVERIFY(QTest::qWaitForWindowActive(&program.form));
    program.form.text1().setFocus();
    program.key(Qt::Key_Return);
    QCOMPARE(program.state(), QStringLiteral("sel= cur=-1 Text1=[] Text2=[] Text5=[] "
                                             "caption=[VORRIK by Orvel_Tand - Powered by the Kestrimar] focus=Text1"));
  }

  // Rip rewrites the selected lines and marks the script modified, and
  // touches nothing else.
  void ripLeavesTheBoxesAlone() {
    Program program;
    QVERIFY(QTest::qWaitForWindowActive(&program.form));
    QVERIFY(program.open());
    program.click(5);
    QVERIFY(program.form.document().Save());
    const QString before = program.state();
    QTest::mouseClick(&program.form.command1(), Qt::LeftButton);
    QCOMPARE(program.form.document().lineModel().line(5), std::u16string(u"x, -x;"));
    QCOMPARE(program.state().section(QStringLiteral(" focus="), 0, 0),
             before.section(QStringLiteral(" focus="), 0, 0).replace(QStringLiteral("t.cog]"), QStringLiteral("t.cog *]")));
    QCOMPARE(program.form.document().savedFlag, 0);
  }

  // A rip is one step: Edit > Undo names it, takes it back to the saved
  // lines (the mark goes) and picks its first line as a click would;
  // Ctrl+Y in the list makes it again (the mark comes back).
  void undoAndRedoARip() {
    Program program;
    QVERIFY(QTest::qWaitForWindowActive(&program.form));
    QVERIFY(program.open());
    Perform(program, QStringLiteral("click 9, shift 5"));
    QTest::mouseClick(&program.form.command1(), Qt::LeftButton);
    const QString ripped = program.lines();
    QCOMPARE(program.shownTitle(), QStringLiteral("C:\\work\\t.cog *"));
    QCOMPARE(Action(program.form, "mnuUndo")->text(), QStringLiteral("&Undo Rip of 3 lines"));
    Action(program.form, "mnuUndo")->trigger();
    QCOMPARE(program.lines() + QStringLiteral("\r\n"), QString::fromLatin1(kScript));
    QCOMPARE(program.state(), QStringLiteral("sel=5 cur=5 Text1=[  x = 1;] Text2=[ 2.5] Text5=[ 0] "
                                             "caption=[C:\\work\\t.cog] focus=Text1"));
    QCOMPARE(Action(program.form, "mnuUndo")->isEnabled(), false);
    QCOMPARE(Action(program.form, "mnuRedo")->text(), QStringLiteral("&Redo Rip of 3 lines"));
    program.form.list1().setFocus();
    program.key(Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(program.lines(), ripped);
    QCOMPARE(program.shownTitle(), QStringLiteral("C:\\work\\t.cog *"));
    QCOMPARE(program.form.text5().text(), QStringLiteral(" 0"));
  }

  // Typing in a line is one step until another line is loaded; undoing each
  // puts its line back, selects it and loads it into the edit box, and the
  // bank follows. Ctrl+Z in the edit box is the box's own undo of its line.
  void undoTypingLineByLine() {
    Program program;
    QVERIFY(QTest::qWaitForWindowActive(&program.form));
    QVERIFY(program.open());
    Perform(program, QStringLiteral("click 5, type +2;, enter, type zz;"));
    QCOMPARE(program.form.text5().text(), QStringLiteral("-2.5"));
    QCOMPARE(Action(program.form, "mnuUndo")->text(), QStringLiteral("&Undo Typing in line 7"));
    Action(program.form, "mnuUndo")->trigger();
    QCOMPARE(program.state(), QStringLiteral("sel=6 cur=6 Text1=[] Text2=[ 0] Text5=[-1.5] "
                                             "caption=[C:\\work\\t.cog *] focus=Text1"));
    QCOMPARE(Action(program.form, "mnuUndo")->text(), QStringLiteral("&Undo Typing in line 6"));
    // In the edit box Ctrl+Z is the box's: the script's step stays.
    program.click(9);
    QTest::keyClicks(&program.form.text1(), QStringLiteral("q"));
    QTest::keyClick(&program.form.text1(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(program.form.text1().text(), QStringLiteral("  y = x + 2;"));
    QCOMPARE(Action(program.form, "mnuUndo")->text(), QStringLiteral("&Undo Typing in line 6"));
    // From the list, Ctrl+Z is the script's.
    program.form.list1().setFocus();
    program.key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(program.lines() + QStringLiteral("\r\n"), QString::fromLatin1(kScript));
    QCOMPARE(program.state(), QStringLiteral("sel=5 cur=5 Text1=[  x = 1;] Text2=[ 2.5] Text5=[ 0] "
                                             "caption=[C:\\work\\t.cog] focus=Text1"));
    QCOMPARE(Action(program.form, "mnuRedo")->text(), QStringLiteral("&Redo Typing in line 6"));
  }

  // Right after an open, a click on the empty space under the last row
  // picks nothing and runs no handling: the tally box stays blank.
  void aClickUnderTheLastRowAfterAnOpenDoesNothing() {
    Program program;
    QVERIFY(QTest::qWaitForWindowActive(&program.form));
    QVERIFY(program.open());
    program.countClickHandlings();
    const QRect last = program.form.list1().visualRect(program.form.document().lineModel().index(10));
    QVERIFY(last.bottom() + 20 < program.form.list1().viewport()->height());
    QTest::mouseClick(program.form.list1().viewport(), Qt::LeftButton, {},
                      last.center() + QPoint(0, 20 + last.height()));
    QCOMPARE(program.clickHandlings, 0);
    QCOMPARE(program.state(),
             QStringLiteral("sel= cur=0 Text1=[] Text2=[] Text5=[ 0] caption=[C:\\work\\t.cog] focus=List1"));
  }

  // Save and Save As leave the three boxes as they were; an Open starts them
  // afresh for the script it opens.
  void fileCommandsAndTheBoxes() {
    Program program;
    QVERIFY(QTest::qWaitForWindowActive(&program.form));
    QVERIFY(program.open());
    program.click(5);
    QTest::keyClick(&program.form.text1(), Qt::Key_Home);
    QTest::keyClick(&program.form.text1(), Qt::Key_Comma);
    const auto boxes = [&program] {
      return program.form.text1().text() + QLatin1Char('|') + program.form.text2().text() + QLatin1Char('|') +
             program.form.text5().text();
    };
    const QString before = boxes();
    QCOMPARE(before, QStringLiteral(",  x = 1;| 2.5| 0"));
    Action(program.form, "mnuSave")->trigger();
    QCOMPARE(boxes(), before);
    program.form.chooser().setDir1Path(QStringLiteral("C:\\work"));
    program.shell.typed = {QStringLiteral("copy")};
    Action(program.form, "mnuSaveAs")->trigger();
    QCOMPARE(program.read(QStringLiteral("work/copy.cog")).left(15), QByteArray("# test script\r\n"));
    QCOMPARE(boxes(), before);
    QCOMPARE(program.form.windowTitle(), QStringLiteral("C:\\work\\copy.cog"));
    QVERIFY(program.open());
    QCOMPARE(boxes(), QStringLiteral("|| 0"));
  }

  void exit_data() {
    QTest::addColumn<bool>("modified");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("ends");
    QTest::newRow("saved") << false << -1 << true;
    QTest::newRow("modified, Save") << true << int(Answer::Save) << true;
    QTest::newRow("modified, Don't Save") << true << int(Answer::DontSave) << true;
    QTest::newRow("modified, Cancel") << true << int(Answer::Cancel) << false;
  }

  // Exit and the window's close control ask only when modified, whether to
  // save first: Save saves and ends, Don't Save ends, Cancel stays.
  void exit() {
    QFETCH(bool, modified);
    QFETCH(int, answer);
    QFETCH(bool, ends);
    for (const bool byFrame : {false, true}) {
      Program program;
      QVERIFY(QTest::qWaitForWindowExposed(&program.form));
      QVERIFY(program.open());
      program.click(5);
      if (modified) {
        QTest::keyClicks(&program.form.text1(), QStringLiteral("z"));
        program.shell.answers = {Answer(answer), Answer(answer)};
      }
      if (byFrame) {
        QCOMPARE(program.form.close(), ends);
      } else {
        Action(program.form, "mnuExit")->trigger();
      }
      QCOMPARE(program.shell.log.contains(QStringLiteral("end")), ends);
      QCOMPARE(program.shell.log.contains(QStringLiteral("box [You wanna save?] Your current COG is not saved.\n\n"
                                                         "Do you want to save your changes before you quit? "
                                                         "{SaveDontSaveCancel, default Save}")),
               modified);
      QCOMPARE(program.form.isVisible(), !(byFrame && ends));
      QCOMPARE(program.read(QStringLiteral("work/t.cog")).contains("  x = 1;z"), answer == int(Answer::Save));
    }
  }

  // About takes the main window's place; Close brings it back unchanged.
  void aboutHidesTheMainWindow() {
    for (const bool byFrame : {false, true}) {
      Program program;
      QVERIFY(QTest::qWaitForWindowExposed(&program.form));
      QVERIFY(program.open());
      program.click(5, {});
      program.click(7, Qt::ShiftModifier);
      const QString before = program.state().section(QStringLiteral(" focus="), 0, 0);
      Action(program.form, "mnuAbout")->trigger();
      QVERIFY(!program.form.isVisible());
      Form3* about = program.form.existingAbout();
      QVERIFY(about && about->isVisible());
      if (byFrame) {
        about->close();
      } else {
        QTest::mouseClick(&about->command1(), Qt::LeftButton);
        QVERIFY(!about->isVisible());
      }
      QVERIFY(program.form.isVisible());
      QCOMPARE(program.state().section(QStringLiteral(" focus="), 0, 0), before);
    }
  }

  void howToUseTwiceLeavesOneWindow() {
    Program program;
    Action(program.form, "mnuHowtouse")->trigger();
    Form2* help = program.form.existingHelp();
    QVERIFY(help && help->isVisible());
    Action(program.form, "mnuHowtouse")->trigger();
    QCOMPARE(program.form.existingHelp(), help);
    QCOMPARE(QApplication::topLevelWidgets().count(QPointer<QWidget>(help).data()), 1);
    QVERIFY(program.form.isVisible());
    QTest::mouseClick(&help->command1(), Qt::LeftButton);
    QVERIFY(!help->isVisible());
    QVERIFY(program.form.isVisible());
  }

  // The title is the path as it is: Qt's "[*]" placeholder, which the real
  // shell's titles pass through, takes none of it, modified or not.
  void aTitleShowsThePathAsItIs() {
#ifdef Q_OS_WIN
    QSKIP("A Windows file name cannot hold \"*\", so no path there holds Qt's \"[*]\"");
#endif
    Program program;
    QDir(program.drive.path()).mkpath(QStringLiteral("a[*]b"));
    program.write(QStringLiteral("a[*]b/t.cog"), kScript);
    QVERIFY(QTest::qWaitForWindowExposed(&program.form));
    QVERIFY(program.form.document().OpenScript(QStringLiteral("C:\\a[*]b"), QStringLiteral("t.cog"),
                                               program.form.engine()));
    QCOMPARE(program.shownTitle(), QStringLiteral("C:\\a[*]b\\t.cog"));
    program.click(5);
    QTest::keyClicks(&program.form.text1(), QStringLiteral("x"));
    QCOMPARE(program.shownTitle(), QStringLiteral("C:\\a[*]b\\t.cog *"));
  }

  // A script opens at its top, its first line focused, wherever the list
  // was scrolled to before.
  void anOpenShowsTheFirstLine() {
    Program program;
    QByteArray longScript;
    for (int i = 0; i < 200; ++i) longScript += "x" + QByteArray::number(i) + "\r\n";
    program.write(QStringLiteral("work/t.cog"), longScript);
    QVERIFY(QTest::qWaitForWindowExposed(&program.form));
    QVERIFY(program.open());
    LineListView& list = program.form.list1();
    list.scrollToBottom();
    QVERIFY(list.verticalScrollBar()->value() > 0);
    QVERIFY(program.open());
    QCOMPARE(program.form.FocusedIndex(), 0);
    QTRY_VERIFY(list.viewport()->rect().contains(list.visualRect(list.model()->index(0, 0))));
  }

  // The list takes its row width from the last line, so that line growing
  // must measure the rows again: the list can then scroll across to it.
  void theLastLineGrowingWidensTheList() {
    Program program;
    QVERIFY(QTest::qWaitForWindowExposed(&program.form));
    QVERIFY(program.open());
    const QScrollBar* across = program.form.list1().horizontalScrollBar();
    QCOMPARE(across->maximum(), 0);
    // The layout the load has asked for runs first, so that it cannot be
    // what widens the rows.
    QCoreApplication::processEvents();
    program.click(10);
    QTest::keyClick(&program.form.text1(), Qt::Key_End);
    QTest::keyClicks(&program.form.text1(), QString(120, u'w'));
    QTRY_VERIFY(across->maximum() > 0);
  }

  // A changed line has its row repainted (the list skips laying out every
  // row again, so it must ask for the repaint itself).
  void aChangedLineIsRepainted() {
    Program program;
    QVERIFY(QTest::qWaitForWindowExposed(&program.form));
    QVERIFY(program.open());
    struct PaintSpy : QObject {
      QRegion painted;
      bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted += static_cast<QPaintEvent*>(event)->region();
        return false;
      }
    } spy;
    QWidget* viewport = program.form.list1().viewport();
    viewport->installEventFilter(&spy);
    // Every paint pending since the load first, then only the change.
    viewport->update();
    QTRY_VERIFY(spy.painted.contains(viewport->rect()));
    spy.painted = QRegion();
    program.form.document().lineModel().setLine(5, u"changed");
    const QRect row = program.form.list1().visualRect(program.form.document().lineModel().index(5));
    QTRY_VERIFY_WITH_TIMEOUT(spy.painted.contains(row), 1000);
  }

  void aLongLineIsKeptWhole_data() {
    QTest::addColumn<int>("length");
    QTest::newRow("40,000 characters: the whole line in the box") << 40000;
    QTest::newRow("300,000 characters: a stretch of it in the box") << 300000;
  }

  // A long line is loaded, edited at both ends and saved whole: the default
  // limit of a line edit (32,767 characters) must not cut it, and a line
  // too long to lay out at once is edited through a stretch of it.
  void aLongLineIsKeptWhole() {
    QFETCH(int, length);
    Program program;
    const QByteArray line(length, 'a');
    program.write(QStringLiteral("work/t.cog"), "code\r\n" + line + "\r\nend\r\n");
    QVERIFY(QTest::qWaitForWindowActive(&program.form));
    QVERIFY(program.open());
    program.click(1);
    EditBox& text1 = program.form.text1();
    QCOMPARE(text1.line().size(), length);
    QCOMPARE(text1.showsStretch(), length > EditBox::kWholeLimit);
    QTest::keyClick(&text1, Qt::Key_End);
    QTest::keyClick(&text1, Qt::Key_B);
    QTest::keyClick(&text1, Qt::Key_Home);
    QTest::keyClicks(&text1, QStringLiteral("x,"));
    QCOMPARE(program.form.document().lineModel().line(1).size(), std::size_t(length) + 3);
    QCOMPARE(program.form.text5().text(), QStringLiteral("-1"));  // "x" is one word more
    QVERIFY(program.form.document().Save());
    QCOMPARE(program.read(QStringLiteral("work/t.cog")), "code\r\nx," + line + "b\r\nend\r\n");
  }

  // A script of 300,000 empty lines and one more: End, PageUp and clicks
  // work at its end, and assistive tools see it as a list of its lines.
  void aLongScriptWorksAtItsEnd() {
    Program program;
    const int last = 300000;
    program.write(QStringLiteral("work/t.cog"), QByteArray(last, '\r') + "last");
    QVERIFY(QTest::qWaitForWindowActive(&program.form));
    QVERIFY(program.open());
    LineListView& list = program.form.list1();
    const LineListModel& lines = program.form.document().lineModel();
    QCOMPARE(lines.count(), last + 1);

    program.key(Qt::Key_End);
    QCOMPARE(program.form.FocusedIndex(), last);
    QCOMPARE(program.form.text1().text(), QStringLiteral("last"));
    const QRect lastRow = list.visualRect(lines.index(last));
    QVERIFY(list.viewport()->rect().contains(lastRow));
    QVERIFY(lastRow.bottom() + lastRow.height() > list.viewport()->height());

    // A page up from the last line lands on the top line in view, which
    // stays where it is.
    const int top = list.indexAt(QPoint(1, 0)).row();
    QVERIFY(top > 0 && top < last - 10);
    list.setFocus();
    program.key(Qt::Key_PageUp);
    QCOMPARE(program.form.FocusedIndex(), top);
    QCOMPARE(list.visualRect(lines.index(top)).top(), 0);

    program.click(last);
    program.click(last - 2, Qt::ShiftModifier);
    QCOMPARE(program.state().section(QLatin1Char(' '), 0, 1),
             QStringLiteral("sel=%1,%2,%3 cur=%1").arg(last - 2).arg(last - 1).arg(last));

    QAccessibleInterface* shown = QAccessible::queryAccessibleInterface(&list);
    QVERIFY(shown);
    QCOMPARE(shown->role(), QAccessible::List);
    QCOMPARE(shown->childCount(), last + 1);
    QAccessibleInterface* line = shown->child(last);
    QVERIFY(line && line->role() == QAccessible::ListItem);
    QCOMPARE(line->text(QAccessible::Name), QStringLiteral("last"));
    QVERIFY(line->state().selected && !shown->child(last - 3)->state().selected);
    QCOMPARE(shown->indexOfChild(line), last);
    QCOMPARE(shown->childAt(line->rect().center().x(), line->rect().center().y()), line);
  }

  // A row shows (and is measured by) the first 1,024 characters of its
  // line, while the edit box gets the line whole.
  void aLongLineIsShownCut() {
    Program program;
    QVERIFY(QTest::qWaitForWindowExposed(&program.form));
    const QScrollBar* across = program.form.list1().horizontalScrollBar();
    // The list's rows are as wide as its last line.
    const auto widthWithLast = [&program, across](const QByteArray& lastLine) {
      program.write(QStringLiteral("work/t.cog"), "code\r\n" + lastLine);
      if (!program.open()) return -1;
      QCoreApplication::processEvents();  // a layout the load has asked for
      return across->maximum();
    };
    const int shorter = widthWithLast(QByteArray(1023, 'w'));
    const int cut = widthWithLast(QByteArray(1024, 'w'));
    QVERIFY(shorter > 0 && shorter < cut);
    QCOMPARE(widthWithLast(QByteArray(1024, 'w') + QByteArray(5000, 'm')), cut);
    program.click(1);
    QCOMPARE(program.form.text1().text(), QString(1024, u'w') + QString(5000, u'm'));
  }

  // Save As before any Open creates the chooser hidden and saves into the
  // folder it starts at.
  void saveAsBeforeOpenUsesAHiddenChooser() {
    Program program;
    QVERIFY(QTest::qWaitForWindowExposed(&program.form));
    program.shell.typed = {QStringLiteral("new")};
    Action(program.form, "mnuSaveAs")->trigger();
    QVERIFY(program.form.existingChooser());
    QVERIFY(!program.form.existingChooser()->isVisible());
    QCOMPARE(program.read(QStringLiteral("new.cog")), QByteArray());
    QCOMPARE(program.shell.log.last(), QStringLiteral("box [File saved] File saved as:\rC:\\new.cog"));
  }

  void chooserOk_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("message");
    QTest::newRow("a file in a folder") << "C:\\work" << "t.cog" << "C:\\work\\t.cog" << "";
    QTest::newRow("a file in the root") << "C:" << "t.cog" << "C:\\t.cog" << "";
    QTest::newRow("no file selected") << "C:\\work" << "" << "C:\\work\\old.cog"
        << "box [VORRIK] Cannot open C:\\work\\\n\nIt is a folder, not a file. {warning}";
  }

  // The chooser's OK opens the selected file, or tells why not and keeps
  // the open script, the caption and the chooser.
  void chooserOk() {
    QFETCH(QString, folder);
    QFETCH(QString, file);
    QFETCH(QString, caption);
    QFETCH(QString, message);
    Program program;
    program.write(QStringLiteral("t.cog"), kScript);
    program.write(QStringLiteral("work/old.cog"), "code\r\nx;\r\n");
    QVERIFY(program.form.document().OpenScript(QStringLiteral("C:\\work"), QStringLiteral("old.cog"),
                                               program.form.engine()));
    Action(program.form, "mnuOpen")->trigger();
    Dialog& chooser = program.form.chooser();
    QVERIFY(chooser.setDir1Path(folder));
    QListWidget& files = chooser.file1();
    const QList<QListWidgetItem*> found = files.findItems(file, Qt::MatchExactly);
    if (!file.isEmpty()) {
      QCOMPARE(found.size(), 1);
      QTest::mouseClick(files.viewport(), Qt::LeftButton, {}, files.visualItemRect(found.first()).center());
    }
    QTest::mouseClick(&chooser.okButton(), Qt::LeftButton);
    QCOMPARE(program.form.windowTitle(), caption);
    QCOMPARE(program.shell.log.join(QLatin1Char('\n')), message);
    QCOMPARE(chooser.isVisible(), !message.isEmpty());
    QCOMPARE(program.form.document().lineModel().count(), message.isEmpty() ? 11 : 2);
    QCOMPARE(program.form.engine().baselineTally, message.isEmpty() ? 9.5f : 1.0f);
  }

  // Open shows the same chooser again, as it was left; its close control
  // destroys it and the next Open starts afresh at C:.
  void chooserIsKeptUntilClosed() {
    Program program;
    Action(program.form, "mnuOpen")->trigger();
    QPointer<Dialog> chooser = program.form.existingChooser();
    QVERIFY(chooser && chooser->setDir1Path(QStringLiteral("C:\\work")));
    chooser->file1().setCurrentRow(0);
    QTest::mouseClick(&chooser->cancelButton(), Qt::LeftButton);
    QVERIFY(!chooser->isVisible());
    Action(program.form, "mnuOpen")->trigger();
    QCOMPARE(program.form.existingChooser(), chooser.data());
    QVERIFY(chooser->isVisible());
    QCOMPARE(chooser->dir1Path() + QLatin1Char('|') + chooser->fileName(), QStringLiteral("C:\\work|t.cog"));
    chooser->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!chooser);
    QVERIFY(program.form.isVisible());
    Action(program.form, "mnuOpen")->trigger();
    QCOMPARE(program.form.existingChooser()->dir1Path(), QStringLiteral("C:\\"));
  }

  // Coming back to the window after another program changed the open script
  // offers to read it again, once the window is active; Yes shows the file
  // as it is now.
  void returningAfterAnotherProgramChangedTheFile() {
    Program program;
    QVERIFY(QTest::qWaitForWindowActive(&program.form));
    QVERIFY(program.open());
    program.shell.takeLog();
    QWidget other;  // stands for the other program's window
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    program.write(QStringLiteral("work/t.cog"), "code\r\nchanged();\r\nend\r\n");
    QCOMPARE(program.shell.takeLog(), QString());
    program.shell.answers = {Answer::Yes};
    program.form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&program.form));
    QTRY_COMPARE(program.lines(), QStringLiteral("code\r\nchanged();\r\nend"));
    QCOMPARE(program.shell.takeLog(), QStringLiteral("box [VORRIK] C:\\work\\t.cog was changed by another program."
                                                     "\n\nRead it again? {YesNo, default Yes}"));
    QCOMPARE(program.shownTitle(), QStringLiteral("C:\\work\\t.cog"));
  }

  // The one lone CR of the Save As confirmation breaks the line on screen.
  void messageBoxText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("lone CR") << "File saved as:\rC:\\a.cog" << "File saved as:\nC:\\a.cog";
    QTest::newRow("CR LF") << "a\r\nb" << "a\nb";
    QTest::newRow("LF") << "a\n\nb" << "a\n\nb";
  }
  void messageBoxText() {
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QCOMPARE(MessageBoxText(text), shown);
  }

  // The road of a piece of work: open through the chooser, edit a line, rip
  // a range, save, and find the file on disk as expected.
  void endToEnd() {
    Program program;
    QVERIFY(QTest::qWaitForWindowActive(&program.form));
    Action(program.form, "mnuOpen")->trigger();
    Dialog* chooser = program.form.existingChooser();
    QVERIFY(chooser && chooser->isVisible());
    QVERIFY(chooser->setDir1Path(QStringLiteral("C:\\work")));
    QListWidget& files = chooser->file1();
    QCOMPARE(files.count(), 1);
    QTest::mouseClick(files.viewport(), Qt::LeftButton, {}, files.visualItemRect(files.item(0)).center());
    QTest::mouseClick(&chooser->okButton(), Qt::LeftButton);
    QVERIFY(!chooser->isVisible());
    QCOMPARE(program.form.windowTitle(), QStringLiteral("C:\\work\\t.cog"));
    QCOMPARE(program.form.engine().baselineTally, 9.5f);

    program.click(5);
    QTest::keyClick(&program.form.text1(), Qt::Key_Home);
    QTest::keyClicks(&program.form.text1(), QStringLiteral("z,"));
    QCOMPARE(program.form.text5().text(), QStringLiteral("-1"));

    program.click(7);
    program.click(9, Qt::ShiftModifier);
    QCOMPARE(program.form.text2().text(), QStringLiteral(" 7"));
    QTest::mouseClick(&program.form.command1(), Qt::LeftButton);

    Action(program.form, "mnuSave")->trigger();
    QCOMPARE(program.form.windowTitle(), QStringLiteral("C:\\work\\t.cog"));
    QCOMPARE(program.read(QStringLiteral("work/t.cog")),
             QByteArray("# test script\r\nsymbols\r\nend\r\ncode\r\nstartup:\r\nz,  x = 1;\r\n\r\n"
                        "x, -x;\r\n  return;\r\nx, x, x, x;\r\nend\r\n"));
    QVERIFY(program.shell.log.isEmpty());
  }
};

}  // namespace vorrik

QTEST_MAIN(vorrik::MainWindowTest)
#include "main_window_test.moc"
