// What a screen reader finds in the six windows: the accessible tree each
// window exposes, the name and role of every control in it, and the bank's
// value as it changes.

#include <QAccessible>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QStringListModel>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <map>

#include "ui/line_list_accessible.h"
#include "ui/line_list_view.h"
#include "ui/program.h"
#include "ui/shown_window.h"

namespace vorrik {

namespace {

struct Control {
  QString object;  // its object name
  QAccessible::Role role;
  QString name;
};

/// Every widget reached by walking the window's accessible tree, as a
/// screen reader would, with its interface.
std::map<QWidget*, QAccessibleInterface*> AccessibleTree(QWidget* window) {
  std::map<QWidget*, QAccessibleInterface*> found;
  const std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* node) {
    if (auto* widget = qobject_cast<QWidget*>(node->object())) found[widget] = node;
    // The line list's rows are made on demand; the list itself is what counts.
    if (node->role() == QAccessible::List) return;
    for (int i = 0; i < node->childCount(); ++i)
      if (QAccessibleInterface* child = node->child(i)) walk(child);
  };
  walk(QAccessible::queryAccessibleInterface(window));
  return found;
}

QString RoleName(QAccessible::Role role) {
  return QString::fromLatin1(QMetaEnum::fromType<QAccessible::Role>().valueToKey(role));
}

}  // namespace

class AccessibilityTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    SetUpApplication();
    QVERIFY(drive_.isValid());
    QVERIFY(QDir(drive_.path()).mkpath(QStringLiteral("cog")));
    QFile file(drive_.filePath(QStringLiteral("cog/door.cog")));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("code\r\nx = 1;\r\nend\r\n") > 0);
  }

  void everyControlIsNamed_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<QAccessible::Role>("role");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QList<Control>>("controls");
    QTest::newRow("main") << "main" << QAccessible::Window << "C:\\cog\\door.cog"
                          << QList<Control>{{"List1", QAccessible::List, "Script lines"},
                                            {"Text1", QAccessible::EditableText, "Line being edited"},
                                            {"Command1", QAccessible::Button, "Rip apart selected lines"},
                                            {"Text5", QAccessible::EditableText, "Object bank"},
                                            {"Text2", QAccessible::EditableText, "Objects in selected lines"}};
    QTest::newRow("chooser") << "chooser" << QAccessible::Dialog << "Select a COG file"
                             << QList<Control>{{"OKButton", QAccessible::Button, "OK"},
                                               {"CancelButton", QAccessible::Button, "Cancel"},
                                               {"Drive1", QAccessible::ComboBox, "Drive"},
                                               {"Dir1", QAccessible::List, "Folders"},
                                               {"File1", QAccessible::List, "COG files"},
                                               {"Command1", QAccessible::Button, "JK DIR"}};
    QTest::newRow("check") << "check" << QAccessible::Window << "Script check"
                           << QList<Control>{{"Game", QAccessible::ComboBox, "Game"},
                                             {"SymbolsMeter", QAccessible::ProgressBar, "Symbols"},
                                             {"ReferencesMeter", QAccessible::ProgressBar, "Reference entries"},
                                             {"MessagesMeter", QAccessible::ProgressBar, "Messages"},
                                             {"JumpSlotsMeter", QAccessible::ProgressBar, "Jump slots"},
                                             {"Problems", QAccessible::Tree, "Problems"},
                                             {"Command1", QAccessible::Button, "Close"}};
    QTest::newRow("find") << "find" << QAccessible::Dialog << "Find"
                          << QList<Control>{{"FindWhat", QAccessible::EditableText, "Find what"},
                                            {"MatchCase", QAccessible::CheckBox, "Match case"},
                                            {"Up", QAccessible::RadioButton, "Up"},
                                            {"Down", QAccessible::RadioButton, "Down"},
                                            {"FindNext", QAccessible::Button, "Find Next"},
                                            {"CancelButton", QAccessible::Button, "Cancel"}};
    QTest::newRow("help") << "help" << QAccessible::Window << "How to use VORRIK"
                          << QList<Control>{{"Command1", QAccessible::Button, "Close"}};
    QTest::newRow("about") << "about" << QAccessible::Dialog << "About VORRIK"
                           << QList<Control>{{"Command1", QAccessible::Button, "Close"}};
  }

  // The window reads as a window or dialog named by its caption; every
  // control that takes the focus, and every display box or meter, is in its tree
  // with a name, and the named controls read as the table says.
  void everyControlIsNamed() {
    QFETCH(QString, window);
    QFETCH(QAccessible::Role, role);
    QFETCH(QString, caption);
    QFETCH(QList<Control>, controls);

    MainProgram program(DriveMap({{u'C', drive_.path()}}), drive_.filePath(QStringLiteral("cog/door.cog")));
    Form1& form = program.form1();
    QWidget* shown = ShowWindow(form, window);
    QVERIFY(shown && shown->isVisible());

    QAccessibleInterface* top = QAccessible::queryAccessibleInterface(shown);
    QCOMPARE(RoleName(top->role()), RoleName(role));
    QCOMPARE(top->text(QAccessible::Name), caption);

    const std::map<QWidget*, QAccessibleInterface*> tree = AccessibleTree(shown);
    int checked = 0;
    for (QWidget* widget : shown->findChildren<QWidget*>()) {
      auto* edit = qobject_cast<QLineEdit*>(widget);
      const bool display = (edit && edit->isReadOnly()) || qobject_cast<QProgressBar*>(widget);
      if (!widget->isVisibleTo(shown) || (widget->focusPolicy() == Qt::NoFocus && !display)) continue;
      const auto node = tree.find(widget);
      QVERIFY2(node != tree.end(), qPrintable(widget->objectName() + QStringLiteral(" is not in the tree")));
      QVERIFY2(!node->second->text(QAccessible::Name).isEmpty(), qPrintable(widget->objectName()));
      ++checked;
    }
    QVERIFY(checked >= controls.size());
    // Nor may anything else in the tree that a screen reader can focus, such
    // as the drive list's popup list, go unnamed.
    for (const auto& [widget, node] : tree)
      if (node->state().focusable)
        QVERIFY2(!node->text(QAccessible::Name).isEmpty(), qPrintable(widget->metaObject()->className()));

    for (const Control& control : controls) {
      auto* widget = shown->findChild<QWidget*>(control.object);
      QVERIFY2(widget && tree.count(widget), qPrintable(control.object));
      QAccessibleInterface* node = tree.at(widget);
      QCOMPARE(RoleName(node->role()), RoleName(control.role));
      QCOMPARE(node->text(QAccessible::Name), control.name);
    }
  }

  // The Edit menu reads as the others do, between File and Script: each item
  // by what it would do, with its keys, and greyed when there is nothing.
  void editMenuSaysWhatItUndoes() {
    MainProgram program(DriveMap({{u'C', drive_.path()}}), drive_.filePath(QStringLiteral("cog/door.cog")));
    Form1& form = program.form1();
    const QRect line = form.list1().visualRect(form.document().lineModel().index(1));
    QTest::mouseClick(form.list1().viewport(), Qt::LeftButton, {}, line.center());
    QTest::mouseClick(&form.command1(), Qt::LeftButton);

    QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(form.menuBar());
    QStringList headings;
    for (int i = 0; i < bar->childCount(); ++i) headings << bar->child(i)->text(QAccessible::Name);
    QCOMPARE(headings, (QStringList{"File", "Edit", "Script", "Help"}));
    QAccessibleInterface* menu =
        QAccessible::queryAccessibleInterface(form.findChild<QMenu*>(QStringLiteral("mnuEdit")));
    QStringList items;
    for (int i = 0; i < menu->childCount(); ++i) {
      QAccessibleInterface* item = menu->child(i);
      items << item->text(QAccessible::Name) + u'|' + item->text(QAccessible::Accelerator) +
                   (item->state().disabled ? QStringLiteral(" (off)") : QString());
    }
    QCOMPARE(items.join(u'\n'), QStringLiteral("Undo Rip of 1 line|Ctrl+Z\nRedo|Ctrl+Y (off)\n| (off)\nFind...|Ctrl+F\n"
                                              "Find Next|F3\nFind Previous|Shift+F3\nGo To...|Ctrl+G"));
  }

  // The titles above the two counters are their labels, and the bank's
  // value follows the bank.
  void bankIsReadWithItsTitle() {
    MainProgram program(DriveMap({{u'C', drive_.path()}}), drive_.filePath(QStringLiteral("cog/door.cog")));
    Form1& form = program.form1();
    for (const auto& [box, label] : {std::pair{"Text5", "Label4"}, std::pair{"Text2", "Label3"}}) {
      QAccessibleInterface* node = QAccessible::queryAccessibleInterface(form.findChild<QWidget*>(box));
      QAccessibleInterface* title = QAccessible::queryAccessibleInterface(form.findChild<QLabel*>(label));
      QStringList labels;
      for (const auto& [other, relation] : node->relations(QAccessible::Label)) labels << other->text(QAccessible::Name);
      QCOMPARE(labels, QStringList{title->text(QAccessible::Name)});
    }

    const QRect line = form.list1().visualRect(form.document().lineModel().index(1));
    QTest::mouseClick(form.list1().viewport(), Qt::LeftButton, {}, line.center());
    QTest::keyClick(&form.text1(), Qt::Key_Space);
    const QString zero = form.text5().text();
    QTest::keyClick(&form.text1(), Qt::Key_Backspace);
    QTest::keyClick(&form.text1(), Qt::Key_Backspace);

    // A space changes no count: the bank is 0 against the start-up baseline.
    QCOMPARE(zero, QStringLiteral(" 0"));
    const QString bank = form.text5().text();
    QVERIFY(bank != zero);
    QAccessibleInterface* node = QAccessible::queryAccessibleInterface(&form.text5());
    QCOMPARE(node->text(QAccessible::Value), bank);
  }

  // A screen reader that reads a long script makes an item per line; they
  // go when another script replaces it.
  void lineItemsGoWithTheirScript() {
    QByteArray script;
    for (int i = 0; i < 2000; ++i) script += "line " + QByteArray::number(i) + "\r\n";
    QFile file(drive_.filePath(QStringLiteral("cog/long.cog")));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(script) == script.size());
    file.close();
    MainProgram program(DriveMap({{u'C', drive_.path()}}), file.fileName());
    Form1& form = program.form1();
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(&form.list1());
    QCOMPARE(list->childCount(), 2000);
    const int before = LineAccessible::liveCount();
    for (int row = 0; row < 2000; ++row) QVERIFY(list->child(row));
    QCOMPARE(LineAccessible::liveCount(), before + 2000);

    QVERIFY(form.OpenNativeFile(drive_.filePath(QStringLiteral("cog/door.cog"))));
    QCOMPARE(LineAccessible::liveCount(), before);
    QCOMPARE(list->child(1)->text(QAccessible::Name), QStringLiteral("x = 1;"));
  }

  // Items of removed rows go, and so do those of the rows after them, which
  // hold other lines now; the rows before keep theirs. The list's own
  // interface takes the rest with it.
  void lineItemsOfRemovedRowsGo() {
    const int before = LineAccessible::liveCount();
    {
      QStringListModel lines(QStringList{"a", "b", "c", "d", "e", "f"});
      LineListView view;
      view.setModel(&lines);
      QAccessibleInterface* list = QAccessible::queryAccessibleInterface(&view);
      for (int row = 0; row < 6; ++row) QVERIFY(list->child(row));
      QAccessibleInterface* kept = list->child(1);
      QVERIFY(lines.removeRows(3, 2));
      QCOMPARE(LineAccessible::liveCount(), before + 3);
      QCOMPARE(list->child(1), kept);
      QCOMPARE(list->child(3)->text(QAccessible::Name), QStringLiteral("f"));
    }
    QCOMPARE(LineAccessible::liveCount(), before);
  }

 private:
  QTemporaryDir drive_;
};

}  // namespace vorrik

QTEST_MAIN(vorrik::AccessibilityTest)
#include "accessibility_test.moc"
