// The real shell: Qt's message and input boxes answered with real keys and
// mouse clicks. (Titles are checked through the main window.)

#include <QTest>

#include "ui/box_driver.h"
#include "ui/qt_shell.h"

Q_DECLARE_METATYPE(vorrik::Message)

namespace vorrik {

namespace {

Message QuitQuestion() {
  Message box;
  box.text = QStringLiteral("Your current COG is not saved.\n\nDo you want to save your changes before you quit?");
  box.title = QStringLiteral("You wanna save?");
  box.buttons = Message::Buttons::SaveDontSaveCancel;
  box.defaultButton = Answer::Save;
  return box;
}

Message Notice(Message::Icon icon) {
  Message box;
  box.text = QStringLiteral("File saved as:\rC:\\cog\\a.cog");
  box.title = QStringLiteral("File saved");
  box.icon = icon;
  return box;
}

const QString kQuestionSeen = QStringLiteral(
    "box [You wanna save?] Your current COG is not saved.\n\nDo you want to save your changes before you quit? "
    "{&Save Cancel Do&n't Save, default &Save, no icon}");

}  // namespace

class QtShellTest : public QObject {
  Q_OBJECT

 private slots:
  void messageBoxes_data() {
    QTest::addColumn<Message>("message");
    QTest::addColumn<BoxDriver::Action>("action");
    QTest::addColumn<QString>("seen");
    QTest::addColumn<int>("answer");
    QTest::newRow("question: Escape is Cancel")
        << QuitQuestion() << BoxDriver::Press(Qt::Key_Escape) << kQuestionSeen << int(Answer::Cancel);
    QTest::newRow("question: Enter is Save, the default")
        << QuitQuestion() << BoxDriver::Press(Qt::Key_Return) << kQuestionSeen << int(Answer::Save);
    QTest::newRow("question: N is Don't Save")
        << QuitQuestion() << BoxDriver::Press(Qt::Key_N) << kQuestionSeen << int(Answer::DontSave);
    QTest::newRow("question: Cancel clicked")
        << QuitQuestion() << BoxDriver::Click(QStringLiteral("Cancel")) << kQuestionSeen << int(Answer::Cancel);
    QTest::newRow("saved: OK only, no icon, the CR breaks the line")
        << Notice(Message::Icon::None) << BoxDriver::Press(Qt::Key_Return)
        << "box [File saved] File saved as:\nC:\\cog\\a.cog {Ok, default Ok, no icon}" << int(Answer::Ok);
    QTest::newRow("failure: a warning, Escape closes it")
        << Notice(Message::Icon::Warning) << BoxDriver::Press(Qt::Key_Escape)
        << "box [File saved] File saved as:\nC:\\cog\\a.cog {Ok, default Ok, warning}" << int(Answer::Ok);
  }

  // What the box shows, and which answer each key or click gives.
  void messageBoxes() {
    QFETCH(Message, message);
    QFETCH(BoxDriver::Action, action);
    QFETCH(QString, seen);
    QFETCH(int, answer);
    QtShell shell;
    BoxDriver driver;
    driver.actions = {action};
    QCOMPARE(int(shell.showMessageBox(message)), answer);
    QCOMPARE(driver.seen, QStringList{seen});
  }

  void inputBox_data() {
    QTest::addColumn<BoxDriver::Action>("action");
    QTest::addColumn<bool>("confirmed");
    QTest::addColumn<QString>("text");
    const QString typed = QStringLiteral("mission");
    QTest::newRow("typed, OK clicked")
        << BoxDriver::Type(typed, BoxDriver::Click(QStringLiteral("OK"))) << true << typed;
    QTest::newRow("typed, Enter") << BoxDriver::Type(typed, BoxDriver::Press(Qt::Key_Return)) << true << typed;
    QTest::newRow("nothing typed, Enter: an empty name") << BoxDriver::Press(Qt::Key_Return) << true << "";
    QTest::newRow("typed, Cancel clicked")
        << BoxDriver::Type(typed, BoxDriver::Click(QStringLiteral("Cancel"))) << false << "";
    QTest::newRow("typed, Escape") << BoxDriver::Type(typed, BoxDriver::Press(Qt::Key_Escape)) << false << "";
  }

  // OK and Enter give the text, even an empty one; Cancel and Escape give
  // no answer at all, whatever was typed.
  void inputBox() {
    QFETCH(BoxDriver::Action, action);
    QFETCH(bool, confirmed);
    QFETCH(QString, text);
    QtShell shell;
    BoxDriver driver;
    driver.actions = {action};
    const std::optional<QString> answer =
        shell.showInputBox(QStringLiteral("Please enter new name for file"), QStringLiteral("New name"));
    QCOMPARE(driver.seen, QStringList{QStringLiteral("input [New name] Please enter new name for file")});
    QCOMPARE(answer.has_value(), confirmed);
    if (answer) QCOMPARE(*answer, text);
  }
};

}  // namespace vorrik

QTEST_MAIN(vorrik::QtShellTest)
#include "qt_shell_test.moc"
