// The edit box as a user works in it: pastes, drops and input methods that
// carry line breaks, and a line too long for the box held as a stretch, with
// real keys, the real clipboard and the saved file as the proof.

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QMenu>
#include <QMimeData>
#include <QTest>

#include "analysis/display.h"
#include "ui/main_window_driver.h"

namespace vorrik {
namespace {

using Program = MainWindowDriver;

// A line of 300,000 characters: words of 15 letters and a blank, each
// word different from its neighbours so that every position is told apart.
QString LongLine() {
  QString line;
  line.reserve(300000);
  for (int word = 0; line.size() < 300000; ++word) {
    line += QStringLiteral("w%1").arg(word, 14, 10, QChar(u'0'));
    line += u' ';
  }
  line.truncate(300000);
  return line;
}

// The bank the program should show once line 1 of "code", original, "end"
// reads now: the engine's tally of each, subtracted.
QString ExpectedBank(const QString& original, const QString& now) {
  const auto tally = [](const QString& line) {
    LineListModel model;
    const std::u16string_view text(reinterpret_cast<const char16_t*>(line.utf16()),
                                   static_cast<std::size_t>(line.size()));
    model.replaceLines({u"code", text, u"end"});
    QItemSelectionModel selection(&model);
    ModelLineList lines(model, selection);
    AnalysisEngine engine;
    engine.AnalyseLines(lines, AnalysisMode::Recount);
    return engine.currentTally;
  };
  return QString::fromStdString(FormatTally(tally(original) - tally(now)));
}

// The program with "code", line, "end" open and line 1 in the edit box.
struct LongLineProgram : Program {
  explicit LongLineProgram(const QString& line) : original(line) {
    write(QStringLiteral("work/t.cog"), "code\r\n" + line.toLatin1() + "\r\nend\r\n");
  }
  bool start() {
    if (!QTest::qWaitForWindowActive(&form) || !open()) return false;
    click(1);
    return form.text1().line() == original && QApplication::focusWidget() == &form.text1();
  }
  EditBox& box() { return form.text1(); }
  void press(Qt::Key key, Qt::KeyboardModifiers modifiers = {}, int times = 1) {
    for (int i = 0; i < times; ++i) QTest::keyClick(&box(), key, modifiers);
  }
  // Walks the cursor to position with the arrow keys alone; false when it
  // stops short (it would, were the stretch never to move on).
  bool walkTo(qsizetype position) {
    for (qsizetype steps = 0; box().lineCursor() != position; ++steps) {
      if (steps > 400000) return false;
      const qsizetype left = position - box().lineCursor();
      const bool words = std::abs(left) > 32;
      press(left > 0 ? Qt::Key_Right : Qt::Key_Left, words ? Qt::ControlModifier : Qt::NoModifier);
    }
    return true;
  }
  // The line in the list, in the box and in the saved file, and the bank,
  // all as expected.
  void check(const QString& expected) {
    QCOMPARE(box().line(), expected);
    const std::u16string_view inList = form.document().lineModel().line(1);
    QCOMPARE(QString::fromUtf16(inList.data(), static_cast<qsizetype>(inList.size())), expected);
    QCOMPARE(form.text5().text(), ExpectedBank(original, expected));
  }
  void checkSaved(const QString& expected) {
    QVERIFY(form.document().Save());
    QCOMPARE(read(QStringLiteral("work/t.cog")), "code\r\n" + expected.toLatin1() + "\r\nend\r\n");
  }
  QString original;
};

QString Clipboard() { return QGuiApplication::clipboard()->text(); }

}  // namespace

class EditBoxTest : public QObject {
  Q_OBJECT

 private slots:
  void aPasteStopsAtItsFirstLineBreak_data() {
    QTest::addColumn<QString>("way");
    QTest::addColumn<bool>("isLong");
    QTest::addColumn<QString>("carried");
    for (const bool isLong : {false, true}) {
      const char* length = isLong ? ", long line" : "";
      QTest::addRow("Ctrl+V, CR LF%s", length) << "Ctrl+V" << isLong << "a;\r\nb;";
      QTest::addRow("Shift+Insert, CR%s", length) << "Shift+Insert" << isLong << "a;\rb;";
      QTest::addRow("context menu, LF%s", length) << "menu" << isLong << "a;\nb;";
      QTest::addRow("drop, CR LF%s", length) << "drop" << isLong << "a;\r\nb;";
      QTest::addRow("input method, LF%s", length) << "input method" << isLong << "a;\nb;";
    }
  }

  // Whichever way text enters the box, it stops at its first CR or LF: the
  // script keeps its lines, and the line its text.
  void aPasteStopsAtItsFirstLineBreak() {
    QFETCH(QString, way);
    QFETCH(bool, isLong);
    QFETCH(QString, carried);
    LongLineProgram program(isLong ? LongLine() : QStringLiteral("x = 1;"));
    QVERIFY(program.start());
    EditBox& box = program.box();
    program.press(Qt::Key_End);
    QGuiApplication::clipboard()->setText(carried);
    if (way == QLatin1String("Ctrl+V")) {
      program.press(Qt::Key_V, Qt::ControlModifier);
    } else if (way == QLatin1String("Shift+Insert")) {
      program.press(Qt::Key_Insert, Qt::ShiftModifier);
    } else if (way == QLatin1String("menu")) {
      QContextMenuEvent event(QContextMenuEvent::Keyboard, box.rect().center(), box.mapToGlobal(box.rect().center()));
      QApplication::sendEvent(&box, &event);
      QMenu* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      QVERIFY(menu);
      QAction* paste = nullptr;
      for (QAction* action : menu->actions())
        if (action->text().startsWith(QLineEdit::tr("&Paste"))) paste = action;
      QVERIFY(paste && paste->isEnabled());
      QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(paste).center());
      QTRY_VERIFY(!QApplication::activePopupWidget());
    } else if (way == QLatin1String("drop")) {
      QMimeData data;
      data.setText(carried);
      const QPointF end(box.inputMethodQuery(Qt::ImCursorRectangle).toRect().center());
      QDragEnterEvent enter(end.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, {});
      QApplication::sendEvent(&box, &enter);
      QDropEvent drop(end, Qt::CopyAction, &data, Qt::LeftButton, {});
      QApplication::sendEvent(&box, &drop);
      QVERIFY(drop.isAccepted());
    } else {
      QInputMethodEvent event;
      event.setCommitString(carried);
      QApplication::sendEvent(&box, &event);
    }
    const QString expected = program.original + QStringLiteral("a;");
    program.check(expected);
    QCOMPARE(program.form.document().lineModel().count(), 3);
    program.checkSaved(expected);
  }

  // A selection made up to the end of the stretch in the box, where the
  // stretch moves on, is kept whole, and the keys that act on a selection
  // act on it: typing replaces it, Backspace and Delete remove it, Ctrl+C
  // copies it and Ctrl+X cuts it.
  void keysActOnASelectionAtTheStretchsEnd() {
    LongLineProgram program(LongLine());
    QVERIFY(program.start());
    QString expected = program.original;
    program.press(Qt::Key_Home);
    // Selects 60 characters from 300 before the end of the stretch shown:
    // the stretch moves on while the selection grows.
    const auto selectToTheEdge = [&program]() -> qsizetype {
      const qsizetype stretchEnd = program.box().stretchStart() + EditBox::kStretch;
      if (!program.walkTo(stretchEnd - 300)) return -1;
      program.press(Qt::Key_Right, Qt::ShiftModifier, 60);
      if (program.box().stretchStart() + EditBox::kStretch == stretchEnd) return -1;  // it did not move
      return stretchEnd - 300;
    };
    qsizetype at = selectToTheEdge();
    QVERIFY(at > 0);
    QCOMPARE(program.box().selectedLineText(), expected.mid(at, 60));
    program.press(Qt::Key_Q);
    expected.replace(at, 60, QStringLiteral("q"));
    program.check(expected);

    for (const Qt::Key key : {Qt::Key_Backspace, Qt::Key_Delete}) {
      at = selectToTheEdge();
      QVERIFY(at > 0);
      program.press(key);
      expected.remove(at, 60);
      program.check(expected);
    }

    at = selectToTheEdge();
    QVERIFY(at > 0);
    program.press(Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(Clipboard(), expected.mid(at, 60));
    program.check(expected);
    program.press(Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(Clipboard(), expected.mid(at, 60));
    expected.remove(at, 60);
    program.check(expected);
    program.checkSaved(expected);
  }

  // Shift+Home and Shift+End select to the ends of the line, far past the
  // stretch, and the selection is copied, replaced or removed whole.
  void shiftHomeAndEndSelectToTheLinesEnds() {
    LongLineProgram program(LongLine());
    QVERIFY(program.start());
    QString expected = program.original;
    program.press(Qt::Key_Home);
    QVERIFY(program.walkTo(20000));
    program.press(Qt::Key_Home, Qt::ShiftModifier);
    QCOMPARE(program.box().selectedLineText(), expected.left(20000));
    program.press(Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(Clipboard(), expected.left(20000));
    // Typed with AltGr, as "@" is on many keyboards (Ctrl+Alt on Windows).
    QTest::keyClick(&program.box(), '@', Qt::ControlModifier | Qt::AltModifier);
    expected.replace(0, 20000, QStringLiteral("@"));
    program.check(expected);
    QCOMPARE(program.box().lineCursor(), 1);

    QVERIFY(program.walkTo(5000));
    program.press(Qt::Key_End, Qt::ShiftModifier);
    QCOMPARE(program.box().selectedLineText().size(), expected.size() - 5000);
    program.press(Qt::Key_Delete);
    expected.truncate(5000);
    program.check(expected);
    program.checkSaved(expected);
  }

  // Undo and redo reach across moves of the stretch: what was typed at the
  // end and then at the start of the line goes, in turn, and comes back.
  void undoReachesAcrossStretchMoves() {
    LongLineProgram program(LongLine());
    QVERIFY(program.start());
    const QString original = program.original;
    program.press(Qt::Key_End);
    QTest::keyClicks(&program.box(), QStringLiteral("abc"));
    program.press(Qt::Key_Home);
    QTest::keyClicks(&program.box(), QStringLiteral("x, "));
    program.check(QStringLiteral("x, ") + original + QStringLiteral("abc"));
    program.press(Qt::Key_End);
    program.press(Qt::Key_Z, Qt::ControlModifier);
    program.check(original + QStringLiteral("abc"));
    program.press(Qt::Key_Z, Qt::ControlModifier);
    program.check(original);
    QCOMPARE(program.form.text5().text(), QStringLiteral(" 0"));
    program.press(Qt::Key_Y, Qt::ControlModifier);
    program.check(original + QStringLiteral("abc"));
    program.checkSaved(original + QStringLiteral("abc"));
  }

  // A new edit after an undo ends what could be redone: Ctrl+Y then brings
  // nothing back before it.
  void aNewEditAfterAnUndoEndsTheRedo() {
    LongLineProgram program(LongLine());
    QVERIFY(program.start());
    const QString original = program.original;
    program.press(Qt::Key_End);
    QTest::keyClicks(&program.box(), QStringLiteral("abc"));
    program.press(Qt::Key_Z, Qt::ControlModifier);
    program.check(original);
    QTest::keyClicks(&program.box(), QStringLiteral("q"));
    program.press(Qt::Key_Y, Qt::ControlModifier);
    program.check(original + QStringLiteral("q"));
    program.checkSaved(original + QStringLiteral("q"));
  }

  // The arrow keys walk the whole line: the stretch moves on as the cursor
  // nears its ends, and a letter typed far along goes where the cursor is.
  void arrowKeysWalkTheWholeLine() {
    LongLineProgram program(LongLine());
    QVERIFY(program.start());
    program.press(Qt::Key_Home);
    for (int i = 0; i < 20000; ++i) program.press(Qt::Key_Right);
    QCOMPARE(program.box().lineCursor(), 20000);
    QVERIFY(program.box().stretchStart() > 0);
    program.press(Qt::Key_End);
    for (int i = 0; i < 20000; ++i) program.press(Qt::Key_Left);
    QCOMPARE(program.box().lineCursor(), 280000);
    QVERIFY(program.box().stretchStart() < 300000 - EditBox::kStretch);
    program.press(Qt::Key_K);
    QString expected = program.original;
    expected.insert(280000, u'k');
    program.check(expected);
    program.checkSaved(expected);
  }

  // Edits to lines all through a script, in every position of the 64-line
  // words in which the line store marks its changed lines, are shown in the
  // list and saved.
  void editsAllThroughTheScriptAreKept() {
    Program program;
    QByteArray script;
    for (int i = 0; i < 200; ++i) script += "line " + QByteArray::number(i) + "\r\n";
    program.write(QStringLiteral("work/t.cog"), script);
    QVERIFY(QTest::qWaitForWindowActive(&program.form));
    QVERIFY(program.open());
    for (const int row : {3, 31, 32, 40, 63, 64, 100, 127, 128, 150, 199}) {
      program.click(row);
      QTest::keyClick(&program.form.text1(), Qt::Key_End);
      QTest::keyClick(&program.form.text1(), Qt::Key_E);
      script.replace("line " + QByteArray::number(row) + "\r\n", "line " + QByteArray::number(row) + "e\r\n");
      QCOMPARE(program.form.list1().model()->index(row, 0).data().toString(),
               QStringLiteral("line %1e").arg(row));
    }
    QCOMPARE(program.lines() + QStringLiteral("\r\n"), QString::fromLatin1(script));
    QVERIFY(program.form.document().Save());
    QCOMPARE(program.read(QStringLiteral("work/t.cog")), script);
  }
};

}  // namespace vorrik

QTEST_MAIN(vorrik::EditBoxTest)
#include "edit_box_test.moc"
