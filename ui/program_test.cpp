// The running program in the application's real event loop, with the real
// shell: a script named at start-up, how it ends, and that it ends after at
// most one question.

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include "ui/box_driver.h"
#include "ui/look.h"
#include "ui/program.h"
#include "ui/shown_window.h"

namespace vorrik {

namespace {

constexpr int kStillRunning = 7;  // the event loop's answer when the program did not end
constexpr int kHung = 8;

const char kScript[] = "code\r\nx = 1;\r\nend\r\n";

const QString kQuestion = QStringLiteral(
    "box [You wanna save?] Your current COG is not saved.\n\nDo you want to save your changes before you quit? "
    "{&Save Cancel Do&n't Save, default &Save, no icon}");

}  // namespace

class ProgramTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { SetUpApplication(); }

  void startUpOpen_data() {
    QTest::addColumn<QString>("argument");  // "%D" is the drive's folder
    QTest::addColumn<QString>("current");   // the current folder, below the drive's
    QTest::addColumn<QString>("failure");   // the message, "" when it opens
    QTest::newRow("absolute path") << "%D/work/t.cog" << "" << "";
    QTest::newRow("relative path") << "t.cog" << "work" << "";
    QTest::newRow("through . and ..") << "../work/./t.cog" << "work" << "";
    QTest::newRow("missing file") << "%D/work/gone.cog" << ""
                                  << "Cannot open C:\\work\\gone.cog\n\nThe file does not exist.";
    QTest::newRow("no drive holds it") << "%D/../elsewhere.cog" << ""
                                       << "Cannot open %D/../elsewhere.cog\n\n"
                                          "No drive of this computer holds it, so it has no drive-letter path.";
  }

  // A script named on the command line opens as the chooser would open it,
  // with its baseline, and the chooser starts in its folder, so Save As
  // writes beside it. One that cannot be opened is reported and the program
  // starts empty.
  void startUpOpen() {
    QFETCH(QString, argument);
    QFETCH(QString, current);
    QFETCH(QString, failure);
    QTemporaryDir drive;
    QVERIFY(QDir(drive.path()).mkpath(QStringLiteral("work")));
    QFile file(drive.filePath(QStringLiteral("work/t.cog")));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(kScript) > 0);
    file.close();
    const QString saved = QDir::currentPath();
    QVERIFY(QDir::setCurrent(drive.filePath(current)));
    const auto back = qScopeGuard([&] { QDir::setCurrent(saved); });

    BoxDriver driver;
    if (!failure.isEmpty()) driver.actions = {BoxDriver::Press(Qt::Key_Return)};
    MainProgram program(DriveMap({{u'C', drive.path()}}), QString(argument).replace(QStringLiteral("%D"), drive.path()));
    Form1& form = program.form1();
    QVERIFY(form.isVisible());
    if (!failure.isEmpty()) {
      QCOMPARE(driver.seen, QStringList{QStringLiteral("box [VORRIK] %1 {Ok, default Ok, warning}")
                                            .arg(QString(failure).replace(QStringLiteral("%D"), drive.path()))});
      QCOMPARE(form.windowHandle()->title(), ScriptDocument::kProgramTitle);
      QCOMPARE(form.document().lineModel().count(), 0);
      QCOMPARE(form.chooser().dir1Path(), QStringLiteral("C:\\"));
      return;
    }
    QCOMPARE(driver.seen, QStringList());
    QCOMPARE(form.windowHandle()->title(), QStringLiteral("C:\\work\\t.cog"));
    QCOMPARE(form.document().savedFlag, 1);
    QCOMPARE(form.document().lineModel().count(), 3);
    // The baseline is the file's own tally: an edit that changes no count
    // leaves the bank at 0.
    const QRect line = form.list1().visualRect(form.document().lineModel().index(1));
    QTest::mouseClick(form.list1().viewport(), Qt::LeftButton, {}, line.center());
    QTest::keyClick(&form.text1(), Qt::Key_Space);
    QCOMPARE(form.text5().text(), QStringLiteral(" 0"));

    Dialog& chooser = form.chooser();
    QCOMPARE(chooser.dir1Path(), QStringLiteral("C:\\work"));
    QVERIFY(chooser.drive().startsWith(QStringLiteral("c:")));
    driver.actions = {BoxDriver::Type(QStringLiteral("new"), BoxDriver::Press(Qt::Key_Return)),
                      BoxDriver::Press(Qt::Key_Return)};
    form.findChild<QAction*>(QStringLiteral("mnuSaveAs"))->trigger();
    QCOMPARE(driver.seen, (QStringList{QStringLiteral("input [New name] Please enter new name for file"),
                                       QStringLiteral("box [File saved] File saved as:\nC:\\work\\new.cog "
                                                      "{Ok, default Ok, no icon}")}));
    QFile written(drive.filePath(QStringLiteral("work/new.cog")));
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), QByteArray("code\r\nx = 1; \r\nend\r\n"));
  }

  void openAndSaveAsAskFirst_data() {
    QTest::addColumn<BoxDriver::Action>("answer");
    QTest::addColumn<QString>("result");  // the script open afterwards, and what t.cog and other.cog hold
    QTest::newRow("open, Save") << BoxDriver::Click(QStringLiteral("Save"))
                                << "C:\\work\\other.cog|code x = 1;z end|other";
    QTest::newRow("open, Don't Save") << BoxDriver::Click(QStringLiteral("Don't Save"))
                                      << "C:\\work\\other.cog|code x = 1; end|other";
    QTest::newRow("open, Escape is Cancel") << BoxDriver::Press(Qt::Key_Escape)
                                            << "C:\\work\\t.cog *|code x = 1; end|other";
    QTest::newRow("save as, Yes replaces") << BoxDriver::Click(QStringLiteral("Yes"))
                                           << "C:\\work\\other.cog|code x = 1; end|code x = 1;z end";
    QTest::newRow("save as, Enter is No") << BoxDriver::Press(Qt::Key_Return)
                                          << "C:\\work\\t.cog *|code x = 1; end|other";
  }

  // With unsaved changes, OK in the chooser asks whether to save them before
  // the other script opens; Save As asks before it replaces another file.
  // The real boxes, answered with real clicks and keys.
  void openAndSaveAsAskFirst() {
    QFETCH(BoxDriver::Action, answer);
    QFETCH(QString, result);
    QTemporaryDir drive;
    QDir(drive.path()).mkpath(QStringLiteral("work"));
    const auto file = [&](const char* name, const QByteArray& bytes = {}) {
      QFile script(drive.filePath(QStringLiteral("work/") + QLatin1String(name)));
      if (!bytes.isEmpty()) return script.open(QIODevice::WriteOnly) && script.write(bytes) > 0 ? "" : QString("?");
      return script.open(QIODevice::ReadOnly) ? QString::fromLatin1(script.readAll()).simplified() : QString();
    };
    QVERIFY(file("t.cog", kScript).isEmpty() && file("other.cog", "other\r\n").isEmpty());
    MainProgram program(DriveMap({{u'C', drive.path()}}));
    Form1& form = program.form1();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QVERIFY(form.document().OpenScript(QStringLiteral("C:\\work"), QStringLiteral("t.cog"), form.engine()));
    QTest::mouseClick(form.list1().viewport(), Qt::LeftButton, {},
                      form.list1().visualRect(form.document().lineModel().index(1)).center());
    QTest::keyClick(&form.text1(), Qt::Key_Z);
    Dialog& chooser = form.chooser();
    QVERIFY(chooser.setDir1Path(QStringLiteral("C:\\work")));

    BoxDriver driver;
    QString question;
    if (QString::fromLatin1(QTest::currentDataTag()).startsWith(QStringLiteral("open"))) {
      driver.actions = {answer};
      chooser.show();
      chooser.file1().setCurrentRow(0);  // other.cog
      QTest::mouseClick(&chooser.okButton(), Qt::LeftButton);
      question = "box [You wanna save?] Your current COG is not saved.\n\nDo you want to save your changes before "
                 "you open C:\\work\\other.cog? {&Save Cancel Do&n't Save, default &Save, no icon}";
    } else {
      driver.actions = {BoxDriver::Type(QStringLiteral("other"), BoxDriver::Press(Qt::Key_Return)), answer,
                        BoxDriver::Press(Qt::Key_Return)};
      form.findChild<QAction*>(QStringLiteral("mnuSaveAs"))->trigger();
      question = "box [Confirm Save As] other.cog already exists.\nDo you want to replace it? "
                 "{Yes No, default No, warning}";
    }
    QVERIFY(driver.seen.contains(question));
    QCOMPARE(form.windowHandle()->title() + u'|' + file("t.cog") + u'|' + file("other.cog"), result);
  }

  void ending_data() {
    QTest::addColumn<bool>("byFrame");  // else File > Exit
    QTest::addColumn<bool>("modified");
    QTest::addColumn<QString>("other");  // another window shown
    QTest::addColumn<BoxDriver::Action>("answer");
    QTest::addColumn<bool>("ends");
    const BoxDriver::Action none;
    const BoxDriver::Action dontSave = BoxDriver::Click(QStringLiteral("Don't Save"));
    const BoxDriver::Action save = BoxDriver::Press(Qt::Key_Return);
    const BoxDriver::Action cancel = BoxDriver::Press(Qt::Key_Escape);
    QTest::newRow("saved, Exit") << false << false << "" << none << true;
    QTest::newRow("saved, frame close, chooser shown") << true << false << "chooser" << none << true;
    QTest::newRow("modified, Exit, Don't Save, help shown") << false << true << "help" << dontSave << true;
    QTest::newRow("modified, Exit, Don't Save, About shown") << false << true << "about" << dontSave << true;
    QTest::newRow("modified, frame close, Don't Save, chooser shown") << true << true << "chooser" << dontSave << true;
    QTest::newRow("modified, Exit, Enter saves") << false << true << "help" << save << true;
    QTest::newRow("modified, frame close, Escape is Cancel") << true << true << "chooser" << cancel << false;
  }

  // Ending leaves the event loop at once, with no second question; Cancel
  // leaves the program running with nothing changed, and only Save saves.
  void ending() {
    QFETCH(bool, byFrame);
    QFETCH(bool, modified);
    QFETCH(QString, other);
    QFETCH(BoxDriver::Action, answer);
    QFETCH(bool, ends);

    QTemporaryDir drive;
    QDir(drive.path()).mkpath(QStringLiteral("work"));
    QFile file(drive.filePath(QStringLiteral("work/t.cog")));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(kScript) > 0);
    file.close();

    MainProgram program(DriveMap({{u'C', drive.path()}}));
    Form1& form = program.form1();
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QVERIFY(form.document().OpenScript(QStringLiteral("C:\\work"), QStringLiteral("t.cog"), form.engine()));
    if (modified) {
      const QRect line = form.list1().visualRect(form.document().lineModel().index(1));
      QTest::mouseClick(form.list1().viewport(), Qt::LeftButton, {}, line.center());
      QTest::keyClick(&form.text1(), Qt::Key_Z);
    }
    QWidget* shown = other.isEmpty() ? nullptr : ShowWindow(form, other);
    const QString title = form.windowTitle();
    const std::u16string line(form.document().lineModel().line(1));

    BoxDriver driver;
    if (answer) driver.actions = {answer};
    QObject context;  // its timers go with the test
    QTimer::singleShot(0, &context, [&] {
      if (byFrame) {
        QCloseEvent close;  // as the window system sends it
        QCoreApplication::sendEvent(form.windowHandle(), &close);
      } else {
        form.findChild<QAction*>(QStringLiteral("mnuExit"))->trigger();
      }
      // Reached in a later pass of the loop only when the program did not end.
      QTimer::singleShot(0, &context, [] { QCoreApplication::exit(kStillRunning); });
    });
    QTimer::singleShot(30000, &context, [] { QCoreApplication::exit(kHung); });

    QCOMPARE(QApplication::exec(), ends ? 0 : kStillRunning);
    QCOMPARE(driver.seen, modified ? QStringList{kQuestion} : QStringList());
    if (!ends) {
      QCOMPARE(form.windowTitle(), title);
      QCOMPARE(form.document().savedFlag, 0);
      QVERIFY(form.document().lineModel().line(1) == line);
      QVERIFY(form.isVisible());
      QVERIFY(shown && shown->isVisible());
    }
    QVERIFY(file.open(QIODevice::ReadOnly));
    const bool saved = QTest::currentDataTag() == QByteArray("modified, Exit, Enter saves");
    QCOMPARE(file.readAll(), saved ? QByteArray("code\r\nx = 1;z\r\nend\r\n") : QByteArray(kScript));
  }
};

}  // namespace vorrik

QTEST_MAIN(vorrik::ProgramTest)
#include "program_test.moc"
