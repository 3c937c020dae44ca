// Files dropped on the main window from a file manager: the drag events
// reach the window as the platform delivers them, and Qt finds the widget
// under the drop as it does for a real drag.

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <QWindow>

#include "ui/look.h"
#include "ui/main_window_driver.h"

namespace vorrik {
namespace {

using Program = MainWindowDriver;

/// Drags the files (on drive C:) over the middle of widget and drops them
/// there, as the window system does; returns whether the drop was taken as
/// a copy. A file manager may offer them as links and as text, which the
/// edit box alone would take.
bool DragAndDrop(Program& program, QWidget& widget, const QStringList& files) {
  QMimeData mime;
  QList<QUrl> urls;
  for (const QString& file : files) urls << QUrl::fromLocalFile(program.drive.filePath(file));
  mime.setUrls(urls);
  mime.setText(urls.value(0).toString());
  QWindow* window = program.form.windowHandle();
  const QPoint at = widget.mapTo(&program.form, widget.rect().center());
  const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
  QDragEnterEvent enter(at, actions, &mime, Qt::LeftButton, {});
  QCoreApplication::sendEvent(window, &enter);
  QDragMoveEvent move(at, actions, &mime, Qt::LeftButton, {});
  QCoreApplication::sendEvent(window, &move);
  QDropEvent drop(at, actions, &mime, Qt::LeftButton, {});
  QCoreApplication::sendEvent(window, &drop);
  return drop.isAccepted() && drop.dropAction() == Qt::CopyAction;
}

}  // namespace

class FileDropTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { InstallFontSubstitutes(); }

  void drop_data() {
    QTest::addColumn<QString>("over");       // the widget dropped on
    QTest::addColumn<QStringList>("files");  // on drive C:
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("log");
    const QString open = QStringLiteral("C:\\work\\t.cog");
    QTest::newRow("a file on the list") << "List1" << QStringList{"work/b.cog"} << "C:\\work\\b.cog" << "";
    QTest::newRow("a file on the edit box") << "Text1" << QStringList{"work/b.cog"} << "C:\\work\\b.cog" << "";
    QTest::newRow("a file on the bank") << "Text5" << QStringList{"work/b.cog"} << "C:\\work\\b.cog" << "";
    QTest::newRow("a file at the root") << "List1" << QStringList{"top.cog"} << "C:\\top.cog" << "";
    QTest::newRow("a folder") << "List1" << QStringList{"work"} << open
        << "box [VORRIK] Cannot open C:\\work\n\nIt is a folder, not a file. Drop a COG file to open it. {warning}";
    QTest::newRow("two files") << "Text1" << QStringList{"work/b.cog", "top.cog"} << open
        << "box [VORRIK] Cannot open 2 files at once.\n\nVORRIK opens one COG at a time: drop one file. {warning}";
  }

  // One file dropped anywhere on the window opens as the chooser's OK
  // would open it; a folder or several files are refused with a sentence.
  void drop() {
    QFETCH(QString, over);
    QFETCH(QStringList, files);
    QFETCH(QString, title);
    QFETCH(QString, log);
    Program program;
    program.write(QStringLiteral("work/b.cog"), "code\r\nb;\r\nend\r\n");
    program.write(QStringLiteral("top.cog"), "code\r\ntop;\r\nend\r\n");
    QVERIFY(QTest::qWaitForWindowActive(&program.form));
    QVERIFY(program.open());
    QVERIFY(DragAndDrop(program, *program.form.findChild<QWidget*>(over), files));
    QTRY_COMPARE(program.shownTitle(), title);
    QTRY_COMPARE(program.shell.log.join(u'\n'), log);
    QCOMPARE(program.form.document().lineModel().count(), title == QStringLiteral("C:\\work\\t.cog") ? 11 : 3);
    QVERIFY(program.form.text1().text().isEmpty());
  }

  // With unsaved changes a drop asks first, as an Open does; Cancel keeps
  // the script. A file opened so is chosen in the chooser, in its folder.
  void aDropAsksAndTheChooserFollows() {
    Program program;
    program.write(QStringLiteral("work/b.cog"), "code\r\nb;\r\nend\r\n");
    QVERIFY(program.open());
    program.form.chooser();
    program.click(5);
    QTest::keyClicks(&program.form.text1(), QStringLiteral("z"));
    program.shell.answers = {Answer::Cancel, Answer::DontSave};
    for (const QString& title : {QStringLiteral("C:\\work\\t.cog *"), QStringLiteral("C:\\work\\b.cog")}) {
      QVERIFY(DragAndDrop(program, program.form.list1(), {QStringLiteral("work/b.cog")}));
      QTRY_COMPARE(program.shell.log.size(), 1);
      QCOMPARE(program.shell.takeLog(), QStringLiteral("box [You wanna save?] Your current COG is not saved.\n\n"
                                                       "Do you want to save your changes before you open "
                                                       "C:\\work\\b.cog? {SaveDontSaveCancel, default Save}"));
      QTRY_COMPARE(program.shownTitle(), title);
    }
    QCOMPARE(program.form.chooser().dir1Path() + u'|' + program.form.chooser().fileName(),
             QStringLiteral("C:\\work|b.cog"));
  }
};

}  // namespace vorrik

QTEST_MAIN(vorrik::FileDropTest)
#include "file_drop_test.moc"
