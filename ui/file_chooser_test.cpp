// The file chooser on a drive map over temporary folders: C: and D: are
// folders of a QTemporaryDir, so nothing depends on this machine's disks.

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include "ui/file_chooser.h"
#include "ui/main_window_driver.h"
#include "ui/ui_test_shell.h"

using vorrik::Dialog;
using vorrik::DriveMap;
using vorrik::UiTestShell;

namespace {

/// C: holds four scripts (one of them hidden) among other entries, a few
/// folders (one of them named like a script, one hidden) and the game folder spelt in other case
/// than the program asks for it; D: holds one script and one folder.
struct Fixture {
  Fixture() {
    for (const char* folder : {"c/f.cog", "c/.hidden", "c/Alpha", "c/zeta", "c/work/sub",
                               "c/Program Files/LucasArts/Jedi Knight", "d/levels"})
      QDir().mkpath(tmp.filePath(QLatin1String(folder)));
    for (const char* file : {"c/a.cog", "c/B.COG", "c/c.Cog", "c/x.txt", "c/d.cogx", "c/.h.cog",
                             "c/work/w.cog", "c/Program Files/LucasArts/Jedi Knight/jk.cog", "d/d1.cog"}) {
      QFile f(tmp.filePath(QLatin1String(file)));
      f.open(QIODevice::WriteOnly);
    }
  }
  ~Fixture() { delete dialog.data(); }

  Dialog& make() {
    dialog = new Dialog(shell, map, [this](const QString& folder, const QString& name) {
      opened << folder + u'|' + name;
      return openResult;
    });
    return *dialog;
  }
  QString c() const { return tmp.filePath(QStringLiteral("c")); }
  QString d() const { return tmp.filePath(QStringLiteral("d")); }

  QTemporaryDir tmp;
  DriveMap map{{{u'C', c()}, {u'D', d()}}};
  UiTestShell shell;
  QStringList opened;  // "folder|name" per OK that reached the caller
  bool openResult = true;
  QPointer<Dialog> dialog;
};

/// Dir1 as "text=path" per item, the current one marked with "*".
QStringList Folders(const QListWidget& list) {
  QStringList out;
  for (int row = 0; row < list.count(); ++row) {
    const QListWidgetItem* item = list.item(row);
    out << (item == list.currentItem() ? QStringLiteral("*") : QString()) + item->text() + u'=' +
               item->data(Qt::UserRole).toString();
  }
  return out;
}

QStringList Texts(const QListWidget& list) {
  QStringList out;
  for (int row = 0; row < list.count(); ++row) out << list.item(row)->text();
  return out;
}

/// Where to click on the item with this text; off every item when none has it.
QPoint At(const QListWidget& list, const QString& text) {
  const QList<QListWidgetItem*> items = list.findItems(text, Qt::MatchExactly);
  return items.isEmpty() ? QPoint(-1, -1) : list.visualItemRect(items.first()).center();
}

/// A double click as the window system delivers it: the first click, then
/// the second press as a double click.
void DoubleClick(QListWidget& list, const QString& text) {
  const QPoint at = At(list, text);
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, at);
  QTest::mouseRelease(list.viewport(), Qt::LeftButton, {}, at);
}

/// Picks an entry of the combo box's list with the mouse.
void Pick(QComboBox& box, int row) {
  box.showPopup();
  QAbstractItemView* view = box.view();
  const QPoint at = view->visualRect(view->model()->index(row, 0)).center();
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
}

QString Box(const QString& text) { return QStringLiteral("box [VORRIK] %1 {warning}").arg(text); }

const QStringList kRootFolders = {QStringLiteral("*C:\\=C:\\"), QStringLiteral("Alpha=C:\\Alpha"),
                                  QStringLiteral("f.cog=C:\\f.cog"),
                                  QStringLiteral("Program Files=C:\\Program Files"),
                                  QStringLiteral("work=C:\\work"), QStringLiteral("zeta=C:\\zeta")};
// Hidden or not, every script is listed: a leading dot hides nothing.
const QStringList kRootFiles = {QStringLiteral(".h.cog"), QStringLiteral("a.cog"), QStringLiteral("B.COG"),
                                QStringLiteral("c.Cog")};

}  // namespace

class FileChooserTest : public QObject {
  Q_OBJECT

 private slots:
  void loadShowsTheRootOfC() {
    Fixture f;
    Dialog& dialog = f.make();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.dir1Path(), QStringLiteral("C:\\"));
    QCOMPARE(Folders(dialog.dir1()), kRootFolders);
    QCOMPARE(Texts(dialog.file1()), kRootFiles);
    QCOMPARE(dialog.fileName(), QString());
    QVERIFY(dialog.file1().selectedItems().isEmpty());
    QCOMPARE(dialog.drive1().count(), 2);
    QCOMPARE(dialog.drive1().itemText(1), QStringLiteral("d: [%1]").arg(QDir::toNativeSeparators(f.d())));
    QCOMPARE(dialog.drive(), QStringLiteral("c: [%1]").arg(QDir::toNativeSeparators(f.c())));
    QCOMPARE(f.shell.log, QStringList());
  }

  void failedLoadLeavesTheListsEmpty_data() {
    QTest::addColumn<bool>("withC");
    QTest::addColumn<QString>("message");
    QTest::newRow("no drive C:") << false << "There is no drive C: on this computer.";
    QTest::newRow("root of C: missing") << true << "The folder does not exist.";
  }
  void failedLoadLeavesTheListsEmpty() {
    QFETCH(bool, withC);
    QFETCH(QString, message);
    Fixture f;
    QList<vorrik::Drive> drives = {{u'D', f.d()}};
    if (withC) drives.prepend({u'C', f.tmp.filePath(QStringLiteral("gone"))});
    const DriveMap map(drives);
    Dialog dialog(f.shell, map, {});
    QCOMPARE(f.shell.log, QStringList{Box(QStringLiteral("Cannot show the folder C:\\\n\n") + message)});
    QCOMPARE(dialog.dir1Path(), QString());
    QCOMPARE(dialog.dir1().count(), 0);
    QCOMPARE(dialog.file1().count(), 0);
    QVERIFY(dialog.setDir1Path(QStringLiteral("D:")));
    QCOMPARE(Texts(dialog.file1()), QStringList{QStringLiteral("d1.cog")});
  }

  void startDriveIsTheOneHoldingTheCurrentFolder_data() {
    QTest::addColumn<QString>("current");  // below the temporary folder
    QTest::addColumn<QChar>("letter");
    QTest::newRow("inside D:") << "d/levels" << QChar(u'd');
    QTest::newRow("outside every drive") << "" << QChar(u'c');
    QTest::newRow("beside D:, same prefix") << "dd" << QChar(u'c');
    QTest::newRow("in E:, a folder of C:") << "c/work/sub" << QChar(u'e');
  }
  void startDriveIsTheOneHoldingTheCurrentFolder() {
    QFETCH(QString, current);
    QFETCH(QChar, letter);
    Fixture f;
    QDir().mkpath(f.tmp.filePath(QStringLiteral("dd")));
    // E: lies inside C:; the closest drive holding the folder wins.
    f.map = DriveMap({{u'C', f.c()}, {u'D', f.d()}, {u'E', f.c() + QStringLiteral("/work")}});
    const QString saved = QDir::currentPath();
    QVERIFY(QDir::setCurrent(f.tmp.filePath(current)));
    Dialog& dialog = f.make();
    QDir::setCurrent(saved);
    QCOMPARE(dialog.drive().at(0), letter);
    QCOMPARE(dialog.dir1Path(), QStringLiteral("C:\\"));
  }

  void windowFrame() {
    Fixture f;
    Dialog& dialog = f.make();
    QCOMPARE(dialog.objectName(), QStringLiteral("Dialog"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Select a COG file"));
    QCOMPARE(dialog.parentWidget(), nullptr);
    QCOMPARE(dialog.windowType(), Qt::Tool);
    const Qt::WindowFlags flags = dialog.windowFlags();
    QVERIFY(flags.testFlag(Qt::CustomizeWindowHint) && flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint) && !flags.testFlag(Qt::WindowMaximizeButtonHint));
    QCOMPARE(dialog.geometry(), QRect(184, 250, 401, 213));
    QCOMPARE(dialog.minimumSize(), QSize(401, 213));
    QCOMPARE(dialog.maximumSize(), QSize(401, 213));
    QVERIFY(dialog.testAttribute(Qt::WA_DeleteOnClose));
    QCOMPARE(dialog.font().family(), QStringLiteral("MS Sans Serif"));
    QCOMPARE(dialog.font().pointSize(), 8);
    QVERIFY(!dialog.windowIcon().isNull());
    for (QPushButton* button : dialog.findChildren<QPushButton*>())
      QVERIFY2(!button->isDefault() && !button->autoDefault(), qPrintable(button->objectName()));
    QCOMPARE(dialog.file1().selectionMode(), QAbstractItemView::SingleSelection);
  }

  void controls_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QRect>("place");
    QTest::addColumn<QString>("caption");
    QTest::newRow("OK") << "OKButton" << "QPushButton" << QRect(312, 8, 81, 25) << "OK";
    QTest::newRow("Cancel") << "CancelButton" << "QPushButton" << QRect(312, 40, 81, 25) << "Cancel";
    QTest::newRow("drives") << "Drive1" << "QComboBox" << QRect(136, 8, 169, 21) << "";
    QTest::newRow("folders") << "Dir1" << "QListWidget" << QRect(136, 32, 169, 171) << "";
    QTest::newRow("files") << "File1" << "QListWidget" << QRect(8, 8, 121, 201) << "";
    QTest::newRow("JK DIR") << "Command1" << "QPushButton" << QRect(312, 112, 81, 25) << "JK DIR";
  }
  void controls() {
    QFETCH(QString, name);
    QFETCH(QString, type);
    QFETCH(QRect, place);
    QFETCH(QString, caption);
    Fixture f;
    const QWidget* control = f.make().findChild<QWidget*>(name);
    QVERIFY(control);
    QCOMPARE(QString::fromLatin1(control->metaObject()->className()), type);
    QCOMPARE(control->geometry(), place);
    if (const auto* button = qobject_cast<const QPushButton*>(control)) QCOMPARE(button->text(), caption);
  }

  void tabOrder() {
    Fixture f;
    Dialog& dialog = f.make();
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    dialog.okButton().setFocus();
    QStringList order;
    for (int i = 0; i < 6; ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      order << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(order, QStringList({"CancelButton", "Drive1", "Dir1", "File1", "Command1", "OKButton"}));
  }

  void keys_data() {
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    QTest::addColumn<QStringList>("opened");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<QString>("folder");
    const QStringList none;
    const QString root = QStringLiteral("C:\\");
    const QString jk = QStringLiteral("C:\\Program Files\\LucasArts\\Jedi Knight");
    QTest::newRow("Enter on OK") << "OKButton" << int(Qt::Key_Return) << QStringList{root + u'|'} << false
                                 << root;
    QTest::newRow("keypad Enter on Cancel") << "CancelButton" << int(Qt::Key_Enter) << none << false << root;
    QTest::newRow("Enter on JK DIR") << "Command1" << int(Qt::Key_Return) << none << true << jk;
    QTest::newRow("Enter in the file list with no file chosen")
        << "File1" << int(Qt::Key_Return) << none << true << root;
    QTest::newRow("Esc does nothing") << "OKButton" << int(Qt::Key_Escape) << none << true << root;
  }
  void keys() {
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(QStringList, opened);
    QFETCH(bool, visible);
    QFETCH(QString, folder);
    Fixture f;
    Dialog& dialog = f.make();
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    dialog.findChild<QWidget*>(focus)->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
    QCOMPARE(f.opened, opened);
    QCOMPARE(dialog.isVisible(), visible);
    QCOMPARE(dialog.dir1Path(), folder);
  }

  void jkDir_data() {
    QTest::addColumn<bool>("present");
    QTest::addColumn<QStringList>("folders");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("log");
    QTest::newRow("present, other case on disk")
        << true
        << QStringList{"C:\\=C:\\", "Program Files=C:\\Program Files",
                       "LucasArts=C:\\Program Files\\LucasArts",
                       "*Jedi Knight=C:\\Program Files\\LucasArts\\Jedi Knight"}
        << QStringList{"jk.cog"} << QStringList();
    QTest::newRow("absent") << false << kRootFolders << kRootFiles
                            << QStringList{Box(
                                   "Cannot show the folder C:\\Program Files\\Lucasarts\\Jedi Knight\n\n"
                                   "The folder does not exist.")};
  }
  void jkDir() {
    QFETCH(bool, present);
    QFETCH(QStringList, folders);
    QFETCH(QStringList, files);
    QFETCH(QStringList, log);
    Fixture f;
    if (!present)
      QVERIFY(QDir(f.c() + QStringLiteral("/Program Files/LucasArts/Jedi Knight")).removeRecursively());
    Dialog& dialog = f.make();
    const QString drive = dialog.drive();
    QTest::mouseClick(&dialog.command1(), Qt::LeftButton);
    QCOMPARE(Folders(dialog.dir1()), folders);
    QCOMPARE(Texts(dialog.file1()), files);
    QCOMPARE(f.shell.log, log);
    QCOMPARE(dialog.drive(), drive);
  }

  // Starts at C:\ with B.COG selected, which a move clears and a failure keeps.
  void setDir1Path_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("shown");  // the path afterwards
    QTest::addColumn<QString>("problem");
    QTest::newRow("drive alone") << "d:" << "D:\\" << "";
    QTest::newRow("drive list text") << "d: [/elsewhere]" << "D:\\" << "";
    QTest::newRow("case, slashes and dots") << "c:/program files//LUCASARTS/./x/../jedi knight/"
                                            << "C:\\Program Files\\LucasArts\\Jedi Knight" << "";
    QTest::newRow("above the root") << "C:\\..\\work" << "C:\\work" << "";
    QTest::newRow("a file") << "C:\\a.cog" << "C:\\" << "C:\\a.cog\n\nIt is a file, not a folder.";
    QTest::newRow("missing") << "C:\\nothing" << "C:\\" << "C:\\nothing\n\nThe folder does not exist.";
    QTest::newRow("unknown drive") << "Q:\\cog" << "C:\\"
                                   << "Q:\\cog\n\nThere is no drive Q: on this computer.";
    QTest::newRow("unknown drive alone") << "q:" << "C:\\"
                                         << "Q:\\\n\nThere is no drive Q: on this computer.";
    QTest::newRow("no drive") << "work" << "C:\\"
                              << "work\n\nThe path does not start with a drive letter such as C:.";
  }
  void setDir1Path() {
    QFETCH(QString, path);
    QFETCH(QString, shown);
    QFETCH(QString, problem);
    Fixture f;
    Dialog& dialog = f.make();
    dialog.show();
    QTest::mouseClick(dialog.file1().viewport(), Qt::LeftButton, {}, At(dialog.file1(), "B.COG"));
    QCOMPARE(dialog.fileName(), QStringLiteral("B.COG"));
    const QString drive = dialog.drive();

    QCOMPARE(dialog.setDir1Path(path), problem.isEmpty());
    QCOMPARE(dialog.dir1Path(), shown);
    QCOMPARE(dialog.drive(), drive);
    if (problem.isEmpty()) {
      QCOMPARE(f.shell.log, QStringList());
      QCOMPARE(dialog.fileName(), QString());
      QCOMPARE(dialog.dir1().currentItem()->data(Qt::UserRole).toString(), shown);
    } else {
      QCOMPARE(f.shell.log, QStringList{Box("Cannot show the folder " + problem)});
      QCOMPARE(Folders(dialog.dir1()), kRootFolders);
      QCOMPARE(Texts(dialog.file1()), kRootFiles);
      QCOMPARE(dialog.fileName(), QStringLiteral("B.COG"));
    }
  }

  void unreadableFolder() {
    Fixture f;
    Dialog& dialog = f.make();
    const QString zeta = f.c() + QStringLiteral("/zeta");
    QFile::setPermissions(zeta, QFileDevice::WriteOwner);
    const auto restore = qScopeGuard([&] {
      QFile::setPermissions(zeta, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    });
    if (QFileInfo(zeta).isReadable()) QSKIP("This account reads folders whatever their permissions.");
    QVERIFY(!dialog.setDir1Path(QStringLiteral("C:\\zeta")));
    QCOMPARE(f.shell.log, QStringList{Box("Cannot show the folder C:\\zeta\n\nThe folder cannot be read.")});
    QCOMPARE(dialog.dir1Path(), QStringLiteral("C:\\"));
  }

  void dir1DoubleClicks() {
    Fixture f;
    Dialog& dialog = f.make();
    dialog.show();
    QListWidget& dir1 = dialog.dir1();

    QTest::mouseClick(dir1.viewport(), Qt::LeftButton, {}, At(dir1, "work"));
    QCOMPARE(dialog.dir1Path(), QStringLiteral("C:\\"));  // a single click only highlights

    DoubleClick(dir1, "work");
    QCOMPARE(Folders(dir1), QStringList({"C:\\=C:\\", "*work=C:\\work", "sub=C:\\work\\sub"}));
    QCOMPARE(Texts(dialog.file1()), QStringList{"w.cog"});

    QVERIFY(QDir().rmdir(f.c() + QStringLiteral("/work/sub")));
    DoubleClick(dir1, "sub");
    QCOMPARE(f.shell.log,
             QStringList{Box("Cannot show the folder C:\\work\\sub\n\nThe folder does not exist.")});
    QCOMPARE(Folders(dir1), QStringList({"C:\\=C:\\", "*work=C:\\work", "sub=C:\\work\\sub"}));

    DoubleClick(dir1, "C:\\");
    QCOMPARE(dialog.dir1Path(), QStringLiteral("C:\\"));
    QCOMPARE(Texts(dialog.file1()), kRootFiles);
  }

  // Showing the folder already shown is no change: the file list and its
  // chosen file stay, whichever way the folder is named again.
  void sameFolderKeepsTheChosenFile() {
    Fixture f;
    Dialog& dialog = f.make();
    dialog.show();
    QTest::mouseClick(&dialog.command1(), Qt::LeftButton);
    QTest::mouseClick(dialog.file1().viewport(), Qt::LeftButton, {}, At(dialog.file1(), "jk.cog"));
    QFile(f.c() + QStringLiteral("/Program Files/LucasArts/Jedi Knight/new.cog")).open(QIODevice::WriteOnly);
    QTest::mouseClick(&dialog.command1(), Qt::LeftButton);
    QCOMPARE(dialog.fileName(), QStringLiteral("jk.cog"));
    DoubleClick(dialog.dir1(), "Jedi Knight");
    QCOMPARE(dialog.fileName(), QStringLiteral("jk.cog"));
    QVERIFY(dialog.setDir1Path(QStringLiteral("c:\\PROGRAM FILES\\lucasarts\\jedi knight\\")));
    QCOMPARE(dialog.fileName(), QStringLiteral("jk.cog"));
    QCOMPARE(Texts(dialog.file1()), QStringList{"jk.cog"});
    DoubleClick(dialog.dir1(), "LucasArts");
    QCOMPARE(dialog.fileName(), QString());
    QCOMPARE(f.shell.log, QStringList());
  }

  void drive1Change() {
    Fixture f;
    Dialog& dialog = f.make();
    dialog.show();
    QTest::keyClick(&dialog.drive1(), Qt::Key_Down);
    QCOMPARE(dialog.drive(), dialog.drive1().itemText(1));
    QCOMPARE(Folders(dialog.dir1()), QStringList({"*D:\\=D:\\", "levels=D:\\levels"}));
    QCOMPARE(Texts(dialog.file1()), QStringList{"d1.cog"});

    QTest::mouseClick(&dialog.command1(), Qt::LeftButton);  // the folder moves, the drive stays
    QCOMPARE(dialog.dir1Path(), QStringLiteral("C:\\Program Files\\LucasArts\\Jedi Knight"));
    QCOMPARE(dialog.drive(), dialog.drive1().itemText(1));

    Pick(dialog.drive1(), 1);  // the drive shown already: no change
    QCOMPARE(dialog.dir1Path(), QStringLiteral("C:\\Program Files\\LucasArts\\Jedi Knight"));
    Pick(dialog.drive1(), 0);
    QCOMPARE(dialog.dir1Path(), QStringLiteral("C:\\"));
    QCOMPARE(dialog.drive(), dialog.drive1().itemText(0));
    QCOMPARE(f.shell.log, QStringList());
  }

  void drive1ChangeToAMissingRoot() {
    Fixture f;
    Dialog& dialog = f.make();
    dialog.show();
    QVERIFY(QDir(f.d()).removeRecursively());
    QTest::keyClick(&dialog.drive1(), Qt::Key_Down);
    QCOMPARE(f.shell.log, QStringList{Box("Cannot show the folder D:\\\n\nThe folder does not exist.")});
    QCOMPARE(dialog.drive(), dialog.drive1().itemText(0));
    QCOMPARE(Folders(dialog.dir1()), kRootFolders);
    QCOMPARE(Texts(dialog.file1()), kRootFiles);
  }

  void ok_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("file");  // to click; "" for none
    QTest::addColumn<bool>("opens");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<QString>("call");
    QTest::newRow("opens, in a root") << "C:" << "B.COG" << true << false << "C:\\|B.COG";
    QTest::newRow("opens, in a folder") << "C:\\work" << "w.cog" << true << false << "C:\\work|w.cog";
    QTest::newRow("fails: stays shown") << "C:\\work" << "w.cog" << false << true << "C:\\work|w.cog";
    QTest::newRow("no file selected") << "C:\\work" << "" << true << false << "C:\\work|";
  }
  void ok() {
    QFETCH(QString, folder);
    QFETCH(QString, file);
    QFETCH(bool, opens);
    QFETCH(bool, visible);
    QFETCH(QString, call);
    Fixture f;
    f.openResult = opens;
    Dialog& dialog = f.make();
    dialog.show();
    QVERIFY(dialog.setDir1Path(folder));
    if (!file.isEmpty())
      QTest::mouseClick(dialog.file1().viewport(), Qt::LeftButton, {}, At(dialog.file1(), file));
    QTest::mouseClick(&dialog.okButton(), Qt::LeftButton);
    QCOMPARE(f.opened, QStringList{call});
    QCOMPARE(dialog.isVisible(), visible);
  }

  // A double click on a file, or Enter on the file chosen, opens it as OK
  // does; a single click only chooses it.
  void aFileOpensByDoubleClickOrEnter() {
    for (const bool byEnter : {false, true}) {
      Fixture f;
      Dialog& dialog = f.make();
      dialog.show();
      QVERIFY(dialog.setDir1Path(QStringLiteral("C:\\work")));
      QTest::mouseClick(dialog.file1().viewport(), Qt::LeftButton, {}, At(dialog.file1(), "w.cog"));
      QCOMPARE(f.opened, QStringList());
      byEnter ? QTest::keyClick(&dialog.file1(), Qt::Key_Return) : DoubleClick(dialog.file1(), "w.cog");
      QCOMPARE(f.opened, QStringList{"C:\\work|w.cog"});
      QVERIFY(!dialog.isVisible());
    }
  }

  void cancelHidesAndKeepsTheState() {
    Fixture f;
    QPointer<Dialog> dialog = &f.make();
    dialog->show();
    QVERIFY(dialog->setDir1Path(QStringLiteral("C:\\work")));
    QTest::mouseClick(dialog->file1().viewport(), Qt::LeftButton, {}, At(dialog->file1(), "w.cog"));

    QTest::mouseClick(&dialog->cancelButton(), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(dialog);
    QVERIFY(!dialog->isVisible());
    dialog->show();
    QCOMPARE(dialog->dir1Path(), QStringLiteral("C:\\work"));
    QCOMPARE(dialog->fileName(), QStringLiteral("w.cog"));
    QCOMPARE(f.opened, QStringList());
  }

  void closeControlDestroys() {
    Fixture f;
    QPointer<Dialog> dialog = &f.make();
    dialog->show();
    QVERIFY(dialog->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!dialog);
  }

  // Shown again, and after a Save As, the chooser lists its folder as it is
  // now: what was saved or made meanwhile appears, what was deleted goes,
  // and the drive, the folder and the chosen file (while it exists) stay.
  void showingAgainReadsTheFolderAgain() {
    vorrik::MainWindowDriver program;  // C:\work holds t.cog
    program.write(QStringLiteral("work/u.cog"), "");
    QAction* open = program.form.findChild<QAction*>(QStringLiteral("mnuOpen"));
    QAction* saveAs = program.form.findChild<QAction*>(QStringLiteral("mnuSaveAs"));
    open->trigger();
    Dialog* chooser = program.form.existingChooser();
    QVERIFY(chooser && chooser->setDir1Path(QStringLiteral("C:\\work")));
    QTest::mouseClick(chooser->file1().viewport(), Qt::LeftButton, {}, At(chooser->file1(), QStringLiteral("u.cog")));
    QTest::mouseClick(&chooser->cancelButton(), Qt::LeftButton);
    const QString drive = chooser->drive();

    // Another program changes the folder while the chooser is hidden.
    program.write(QStringLiteral("work/new.cog"), "");
    QVERIFY(QFile::remove(program.drive.filePath(QStringLiteral("work/t.cog"))));
    QVERIFY(QDir(program.drive.path()).mkpath(QStringLiteral("work/made")));
    open->trigger();
    QCOMPARE(Texts(chooser->file1()), (QStringList{"new.cog", "u.cog"}));
    QVERIFY(Texts(chooser->dir1()).contains(QStringLiteral("made")));
    QCOMPARE(chooser->dir1Path() + u'|' + chooser->fileName() + u'|' + chooser->drive(),
             QStringLiteral("C:\\work|u.cog|") + drive);

    // Save As writes into that folder, and the list shows the file at once.
    program.shell.typed = {QStringLiteral("saved")};
    saveAs->trigger();
    QCOMPARE(Texts(chooser->file1()), (QStringList{"new.cog", "saved.cog", "u.cog"}));
    QCOMPARE(chooser->fileName(), QStringLiteral("u.cog"));

    // The chosen file deleted: it is no longer offered, nor chosen.
    QTest::mouseClick(&chooser->cancelButton(), Qt::LeftButton);
    QVERIFY(QFile::remove(program.drive.filePath(QStringLiteral("work/u.cog"))));
    open->trigger();
    QCOMPARE(Texts(chooser->file1()), (QStringList{"new.cog", "saved.cog"}));
    QCOMPARE(chooser->fileName(), QString());
  }
};

QTEST_MAIN(FileChooserTest)
#include "file_chooser_test.moc"
