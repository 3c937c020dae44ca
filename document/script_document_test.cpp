#include "document/script_document.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <QDateTime>

#include <filesystem>
#include <functional>
#include <random>
#include <string>

#include "document/test_shell.h"

namespace vorrik {
namespace {

/// A document whose drive C: is a fresh temporary folder.
class DocumentTest : public ::testing::Test {
 public:
  DocumentTest() : doc(shell, DriveMap({{u'C', root.path()}})) {}

  QString Native(const QString& relative) const { return root.filePath(relative); }

  void WriteFile(const QString& relative, const QByteArray& bytes) {
    QFile file(Native(relative));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << relative.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
  }

  QByteArray ReadFile(const QString& relative) const {
    QFile file(Native(relative));
    if (!file.open(QIODevice::ReadOnly)) return "(missing)";
    return file.readAll();
  }

  /// The lines joined with "|".
  QString Lines() const { return JoinedLines(doc.lineModel()); }

  /// Opens C:\keep.cog (lines "keep" and "me") and marks it modified: the
  /// state that a failed command must leave as it is.
  void OpenKeptDocument() {
    WriteFile(QStringLiteral("keep.cog"), "keep\r\nme\r\n");
    AnalysisEngine engine;
    ASSERT_TRUE(doc.OpenScript(QStringLiteral("C:"), QStringLiteral("keep.cog"), engine));
    doc.SetSavedState(0);
    shell.takeLog();
  }

  void ExpectKeptDocument() {
    EXPECT_EQ(Lines(), QStringLiteral("keep|me"));
    EXPECT_EQ(doc.currentPath, QStringLiteral("C:\\keep.cog"));
    EXPECT_EQ(doc.savedFlag, 0);
    EXPECT_EQ(shell.title, QStringLiteral("C:\\keep.cog *"));
    EXPECT_EQ(ReadFile(QStringLiteral("keep.cog")), QByteArray("keep\r\nme\r\n"));
  }

  QTemporaryDir root;
  TestShell shell;
  ScriptDocument doc;
};

// ---------------------------------------------------------------------------
// Loading and saving bytes.

struct FileExample {
  const char* name;
  QByteArray file;
  QString lines;  // joined with "|"
  QByteArray saved;
};

class FileExampleTest : public DocumentTest, public ::testing::WithParamInterface<FileExample> {};

TEST_P(FileExampleTest, LoadsAndSavesByteForByte) {
  const FileExample& example = GetParam();
  WriteFile(QStringLiteral("in.cog"), example.file);
  doc.currentPath = QStringLiteral("C:\\in.cog");
  ASSERT_TRUE(doc.LoadScript(doc.currentPath));
  EXPECT_EQ(Lines(), example.lines);
  ASSERT_TRUE(doc.SaveScript(QStringLiteral("C:\\out.cog")));
  EXPECT_EQ(ReadFile(QStringLiteral("out.cog")), example.saved);
}

INSTANTIATE_TEST_SUITE_P(
    Files, FileExampleTest,
    ::testing::Values(
        FileExample{"CrLfAfterEachLine", "a\r\nb\r\n", "a|b", "a\r\nb\r\n"},
        FileExample{"NoLineEndAfterLastLine", "a\r\nb", "a|b", "a\r\nb\r\n"},
        FileExample{"EmptyLastLine", "a\r\n\r\n", "a|", "a\r\n\r\n"},
        FileExample{"BareCarriageReturn", "a\rb", "a|b", "a\r\nb\r\n"},
        FileExample{"BareLineFeedStaysInALineOfACrLfFile", "a\nb\r\n", "a\nb", "a\nb\r\n"},
        FileExample{"LfEnds", "a\nb\n\n", "a|b|", "a\nb\n\n"},
        FileExample{"ZeroBytes", "", "", ""},
        FileExample{"LoneLineEnd", "\r\n", "", "\r\n"},
        FileExample{"CodePageBytes", QByteArray("\x80\x81\x9f\xa0\xff\x00z", 7),
                    QString::fromUtf16(u"\u20AC\u0081\u0178\u00A0\u00FF") + QChar(u'\0') + u'z',
                    QByteArray("\x80\x81\x9f\xa0\xff\x00z\r\n", 9)}),
    CaseName());

TEST_F(DocumentTest, LoadReplacesEverythingAlsoWithAShorterFile) {
  WriteFile(QStringLiteral("long.cog"), "1\r\n2\r\n3\r\n4\r\n");
  WriteFile(QStringLiteral("short.cog"), "x\r\n");
  ASSERT_TRUE(doc.LoadScript(QStringLiteral("C:\\long.cog")));
  doc.selectionModel().setCurrentIndex(doc.lineModel().index(3), QItemSelectionModel::ClearAndSelect);
  ASSERT_TRUE(doc.LoadScript(QStringLiteral("C:\\short.cog")));
  EXPECT_EQ(Lines(), QStringLiteral("x"));
  // The old focus and selection do not survive into the new file: its first
  // line is focused, none selected; an empty file has no focused line.
  EXPECT_EQ(doc.lineList().focusedIndex(), 0);
  EXPECT_EQ(doc.lineList().selectedCount(), 0);
  WriteFile(QStringLiteral("empty.cog"), "");
  ASSERT_TRUE(doc.LoadScript(QStringLiteral("C:\\empty.cog")));
  EXPECT_EQ(doc.lineList().focusedIndex(), -1);
}

// Expected save of loaded bytes, from the line-end rules written out plainly:
// CR or CR LF becomes CR LF, and a last line without a line end gets one; in
// a file with no CR LF, LF ends lines too, and every line end becomes LF.
QByteArray NormalisedLineEnds(const QByteArray& bytes) {
  const bool lf = !bytes.contains("\r\n") && bytes.contains('\n');
  QByteArray out;
  bool lineOpen = false;
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r' || (lf && bytes[i] == '\n')) {
      out += lf ? "\n" : "\r\n";
      if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
      lineOpen = false;
    } else {
      out += bytes[i];
      lineOpen = true;
    }
  }
  if (lineOpen) out += lf ? "\n" : "\r\n";
  return out;
}

TEST_F(DocumentTest, RandomFilesRoundTrip) {
  std::mt19937 random(20261207);
  for (int round = 0; round < 400; ++round) {
    QByteArray bytes;
    const auto size = random() % 3 == 0 ? random() % 4 : random() % 200;
    for (unsigned i = 0; i < size; ++i) {
      const auto roll = random() % 8;
      bytes += roll == 0 ? '\r' : roll == 1 ? '\n' : static_cast<char>(random() % 256);
    }
    WriteFile(QStringLiteral("r.cog"), bytes);
    ASSERT_TRUE(doc.LoadScript(QStringLiteral("C:\\r.cog")));
    const QString firstLoad = Lines();
    ASSERT_TRUE(doc.SaveScript(QStringLiteral("C:\\r.cog")));
    ASSERT_EQ(ReadFile(QStringLiteral("r.cog")), NormalisedLineEnds(bytes)) << "round " << round;
    ASSERT_TRUE(doc.LoadScript(QStringLiteral("C:\\r.cog")));
    ASSERT_EQ(Lines(), firstLoad) << "round " << round;
  }
  EXPECT_TRUE(shell.takeLog().indexOf(QStringLiteral("box")) < 0) << "no failure was reported";
}

TEST_F(DocumentTest, SaveWritesTheLinesAsTheListHoldsThem) {
  WriteFile(QStringLiteral("door.cog"), "code\r\nopen();\r\nend\r\n");
  ASSERT_TRUE(doc.LoadScript(QStringLiteral("C:\\door.cog")));
  doc.lineModel().setLine(1, u"close();");
  ASSERT_TRUE(doc.SaveScript(QStringLiteral("C:\\door.cog")));
  EXPECT_EQ(ReadFile(QStringLiteral("door.cog")), QByteArray("code\r\nclose();\r\nend\r\n"));
}

// ---------------------------------------------------------------------------
// A file that another program changes while it is open here.

struct ChangeCase {
  const char* name;
  // What the other program does to C:\door.cog, whose bytes are kOpened.
  std::function<void(DocumentTest&)> change;
};

void PrintTo(const ChangeCase& c, std::ostream* os) { *os << c.name; }

const QByteArray kOpened = "code\r\nopen();\r\nend\r\n";
const QByteArray kTheirs = "code\r\nshut();\r\nend\r\n";  // as long as kOpened

class ChangedOnDiskTest : public DocumentTest, public ::testing::WithParamInterface<ChangeCase> {
 protected:
  void SetUp() override {
    WriteFile(QStringLiteral("door.cog"), kOpened);
    // A time of whole seconds, which another file can be given exactly.
    QFile file(Native(QStringLiteral("door.cog")));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch() - 60),
                                 QFileDevice::FileModificationTime));
    file.close();
    ASSERT_TRUE(doc.OpenScript(QStringLiteral("C:"), QStringLiteral("door.cog"), engine));
    shell.takeLog();
  }
  /// The bytes of the other program's version of the file.
  QByteArray Theirs() const { return ReadFile(QStringLiteral("door.cog")); }

  AnalysisEngine engine;
};

const QString kChangedQuestion = QStringLiteral(
    "box [VORRIK] C:\\door.cog was changed by another program after VORRIK opened or saved it.\n\n"
    "Save over the other program's changes? {YesNo, default No} {warning}");

// Saving asks first; No leaves the other program's file and the document as
// they are, Yes saves, and the next save asks nothing.
TEST_P(ChangedOnDiskTest, SaveAsksBeforeSavingOverIt) {
  doc.lineModel().setLine(1, u"mine();");
  doc.SetSavedState(0);
  shell.takeLog();
  GetParam().change(*this);
  const QByteArray theirs = Theirs();

  shell.answers = {Answer::No};
  EXPECT_FALSE(doc.Save());
  EXPECT_EQ(shell.takeLog(), kChangedQuestion);
  EXPECT_EQ(ReadFile(QStringLiteral("door.cog")), theirs);
  EXPECT_EQ(doc.savedFlag, 0);
  EXPECT_EQ(Lines(), QStringLiteral("code|mine();|end"));

  shell.answers = {Answer::Yes};
  EXPECT_TRUE(doc.Save());
  EXPECT_EQ(shell.takeLog(), kChangedQuestion + QStringLiteral("\ntitle: C:\\door.cog"));
  EXPECT_EQ(ReadFile(QStringLiteral("door.cog")), QByteArray("code\r\nmine();\r\nend\r\n"));
  EXPECT_TRUE(doc.Save());
  EXPECT_EQ(shell.takeLog(), QStringLiteral("title: C:\\door.cog"));
}

// With no unsaved change, the window's return offers to read it again; a
// version declined is not offered again, and a later one is.
TEST_P(ChangedOnDiskTest, UnmodifiedDocumentOffersToReadItAgain) {
  const QString question = QStringLiteral(
      "box [VORRIK] C:\\door.cog was changed by another program.\n\nRead it again? {YesNo, default Yes}");
  EXPECT_FALSE(doc.OfferToReadAgain(engine));
  GetParam().change(*this);

  shell.answers = {Answer::No};
  EXPECT_FALSE(doc.OfferToReadAgain(engine));
  EXPECT_FALSE(doc.OfferToReadAgain(engine));
  EXPECT_EQ(shell.takeLog(), question);
  EXPECT_EQ(Lines(), QStringLiteral("code|open();|end"));

  WriteFile(QStringLiteral("door.cog"), kTheirs + "// and more\r\n");
  shell.answers = {Answer::Yes};
  EXPECT_TRUE(doc.OfferToReadAgain(engine));
  EXPECT_EQ(shell.takeLog(), question + QStringLiteral("\ntitle: C:\\door.cog"));
  EXPECT_EQ(Lines(), QStringLiteral("code|shut();|end|// and more"));
  EXPECT_FALSE(doc.OfferToReadAgain(engine));

  // With unsaved changes nothing is offered: Save asks instead.
  GetParam().change(*this);
  doc.SetSavedState(0);
  shell.takeLog();
  EXPECT_FALSE(doc.OfferToReadAgain(engine));
  EXPECT_EQ(shell.takeLog(), QString());
}

INSTANTIATE_TEST_SUITE_P(
    Changes, ChangedOnDiskTest,
    ::testing::Values(
        ChangeCase{"LineAdded",
                   [](DocumentTest& t) { t.WriteFile(QStringLiteral("door.cog"), kOpened + "added();\r\n"); }},
        // The same size: only the time of the change tells it.
        ChangeCase{"SameSizeLaterTime",
                   [](DocumentTest& t) {
                     QFile file(t.Native(QStringLiteral("door.cog")));
                     ASSERT_TRUE(file.open(QIODevice::ReadWrite));
                     ASSERT_EQ(file.write(kTheirs), kTheirs.size());
                     ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(60),
                                                  QFileDevice::FileModificationTime));
                   }},
        // A new file with the same size and time as the open one: only the
        // file's identity tells it.
        ChangeCase{"NewFileRenamedOverIt",
                   [](DocumentTest& t) {
                     const QString door = t.Native(QStringLiteral("door.cog"));
                     const QDateTime time = QFileInfo(door).lastModified();
                     t.WriteFile(QStringLiteral("new.cog"), kTheirs);
                     QFile file(t.Native(QStringLiteral("new.cog")));
                     ASSERT_TRUE(file.open(QIODevice::ReadWrite));
                     ASSERT_TRUE(file.setFileTime(time, QFileDevice::FileModificationTime));
                     file.close();
                     std::filesystem::rename(t.Native(QStringLiteral("new.cog")).toStdU16String(),
                                             door.toStdU16String());
                   }}),
    CaseName());

// A file deleted meanwhile is made again without a question.
TEST_F(DocumentTest, AFileDeletedMeanwhileIsSavedAsNew) {
  WriteFile(QStringLiteral("door.cog"), kOpened);
  AnalysisEngine engine;
  ASSERT_TRUE(doc.OpenScript(QStringLiteral("C:"), QStringLiteral("door.cog"), engine));
  ASSERT_TRUE(QFile::remove(Native(QStringLiteral("door.cog"))));
  EXPECT_FALSE(doc.OfferToReadAgain(engine));
  shell.takeLog();
  EXPECT_TRUE(doc.Save());
  EXPECT_EQ(shell.takeLog(), QStringLiteral("title: C:\\door.cog"));
  EXPECT_EQ(ReadFile(QStringLiteral("door.cog")), kOpened);
}

// A copy kept from a save that never finished stays as it was through later
// saves that do not finish either; answering No to it opens the file as it
// is and deletes the copy.
TEST_F(DocumentTest, DecliningTheKeptTextOpensTheFileAndDeletesIt) {
  const RecoveryFolder recovery(Native(QStringLiteral("state")).toStdString());
  ScriptDocument kept(shell, DriveMap({{u'C', root.path()}}), recovery);
  WriteFile(QStringLiteral("door.cog"), "cut short\r\n");
  const std::string door = QFile::encodeName(Native(QStringLiteral("door.cog"))).toStdString();
  std::string copy;
  bool made = false;
  ASSERT_EQ(recovery.Keep(door, "before\r\n", copy, made), "");
  ASSERT_EQ(recovery.Keep(door, "cut short\r\n", copy, made), "");
  EXPECT_FALSE(made);
  QFile copied(QFile::decodeName(copy.c_str()));
  EXPECT_TRUE(copied.open(QIODevice::ReadOnly));
  EXPECT_EQ(copied.readAll(), QByteArray("before\r\n"));
  copied.close();
  EXPECT_EQ(recovery.Find(door), copy);

  AnalysisEngine engine;
  shell.answers = {Answer::No};
  ASSERT_TRUE(kept.OpenScript(QStringLiteral("C:"), QStringLiteral("door.cog"), engine));
  EXPECT_TRUE(shell.takeLog().startsWith(
      QStringLiteral("box [VORRIK] VORRIK was stopped while it was saving C:\\door.cog")));
  EXPECT_EQ(JoinedLines(kept.lineModel()), QStringLiteral("cut short"));
  EXPECT_EQ(kept.savedFlag, 1);
  EXPECT_EQ(recovery.Find(door), "");
  EXPECT_EQ(QDir(Native(QStringLiteral("state"))).entryList(QDir::Files), QStringList());
}

// ---------------------------------------------------------------------------
// The Open sequence, the saved state, the title and quitting.

TEST_F(DocumentTest, OpenSetsThePathLoadsAndTakesTheBaseline) {
  ASSERT_TRUE(root.path().isEmpty() == false && QDir(root.path()).mkdir(QStringLiteral("cog")));
  // In the code section "x", "+" and "y": 1 + .5 + 1 objects.
  WriteFile(QStringLiteral("cog/door.cog"), "symbols\r\nend\r\ncode\r\nx+y;\r\nend\r\n");
  AnalysisEngine engine;
  engine.currentTally = 7.0f;
  ASSERT_TRUE(doc.OpenScript(QStringLiteral("C:\\cog"), QStringLiteral("door.cog"), engine));
  EXPECT_EQ(doc.currentPath, QStringLiteral("C:\\cog\\door.cog"));
  EXPECT_EQ(doc.lineModel().count(), 5);
  EXPECT_EQ(engine.baselineTally, 2.5f);
  EXPECT_EQ(engine.currentTally, 7.0f);
  EXPECT_EQ(shell.takeLog(), QStringLiteral("title: C:\\cog\\door.cog"));

  // A root folder already ends in "\": no second one is put after it.
  WriteFile(QStringLiteral("top.cog"), "a\r\n");
  ASSERT_TRUE(doc.OpenScript(QStringLiteral("C:\\"), QStringLiteral("top.cog"), engine));
  EXPECT_EQ(doc.currentPath, QStringLiteral("C:\\top.cog"));
  EXPECT_EQ(Lines(), QStringLiteral("a"));
}

TEST_F(DocumentTest, OpeningWhileModifiedLoadsWithoutAsking) {
  OpenKeptDocument();
  WriteFile(QStringLiteral("other.cog"), "other\r\n");
  AnalysisEngine engine;
  ASSERT_TRUE(doc.OpenScript(QStringLiteral("C:"), QStringLiteral("other.cog"), engine));
  EXPECT_EQ(Lines(), QStringLiteral("other"));
  EXPECT_EQ(doc.savedFlag, 1);
  EXPECT_EQ(shell.takeLog(), QStringLiteral("title: C:\\other.cog"));
}

TEST_F(DocumentTest, TitleFollowsTheSavedState) {
  WriteFile(QStringLiteral("a.cog"), "a\r\n");
  struct Step {
    const char* what;
    std::function<void()> run;
    int flag;
    QString title;
  };
  const Step steps[] = {
      {"start-up", [&] { doc.StartUp(); }, 1, "VORRIK by Orvel_Tand - Powered by the Kestrimar"},
      {"load", [&] { doc.currentPath = "C:\\a.cog"; doc.LoadScript(doc.currentPath); }, 1, "C:\\a.cog"},
      {"first edit", [&] { doc.SetSavedState(0); }, 0, "C:\\a.cog *"},
      {"second edit", [&] { doc.SetSavedState(0); }, 0, "C:\\a.cog *"},
      {"save", [&] { doc.Save(); }, 1, "C:\\a.cog"},
      {"edit again", [&] { doc.SetSavedState(0); }, 0, "C:\\a.cog *"},
      {"save as", [&] { shell.typed = {"b"}; doc.SaveAs([] { return QStringLiteral("C:"); }); }, 1, "C:\\b.cog"},
  };
  for (const Step& step : steps) {
    step.run();
    EXPECT_EQ(doc.savedFlag, step.flag) << step.what;
    EXPECT_EQ(shell.title, step.title) << step.what;
  }
}

TEST_F(DocumentTest, RippingLeavesTheSavedStateAlone) {
  WriteFile(QStringLiteral("rip.cog"), "code\r\nif(x)\r\nend\r\n");
  AnalysisEngine engine;
  ASSERT_TRUE(doc.OpenScript(QStringLiteral("C:"), QStringLiteral("rip.cog"), engine));
  shell.takeLog();
  doc.selectionModel().setCurrentIndex(doc.lineModel().index(1), QItemSelectionModel::ClearAndSelect);
  engine.AnalyseLines(doc.lineList(), AnalysisMode::Rip);
  // "if" and "x" weigh 1 each; brackets are not operators: two items.
  EXPECT_EQ(Lines(), QStringLiteral("code|x, x;|end"));
  EXPECT_EQ(doc.savedFlag, 1);
  EXPECT_EQ(shell.takeLog(), QString());
  EXPECT_TRUE(doc.ConfirmQuit());
  EXPECT_EQ(ReadFile(QStringLiteral("rip.cog")), QByteArray("code\r\nif(x)\r\nend\r\n"));
}

struct QuitCase {
  const char* name;
  bool modified;
  std::deque<Answer> answers;
  bool ends;
  QByteArray file = "keep\r\nme\r\n";  // keep.cog afterwards
  bool saveFails = false;
};

class QuitTest : public DocumentTest, public ::testing::WithParamInterface<QuitCase> {};

// Quitting with changes asks whether to save them first: Save saves and
// quits (a save that fails keeps the program running), Don't Save quits,
// Cancel stays.
TEST_P(QuitTest, AsksToSaveChangesFirst) {
  const QuitCase& c = GetParam();
  OpenKeptDocument();
  doc.lineModel().setLine(1, u"mine");
  if (!c.modified) doc.SetSavedState(1);
  // The file's folder is gone: the save fails.
  if (c.saveFails) doc.currentPath = QStringLiteral("C:\\gone\\keep.cog");
  shell.takeLog();
  shell.answers = c.answers;
  EXPECT_EQ(doc.ConfirmQuit(), c.ends);
  EXPECT_EQ(shell.ended, c.ends);
  QStringList expected;
  if (c.modified)
    expected << "box [You wanna save?] Your current COG is not saved.\n\nDo you want to save your changes before you "
                "quit? {SaveDontSaveCancel, default Save}";
  if (c.saveFails)
    expected << "box [VORRIK] Cannot save C:\\gone\\keep.cog\n\nThe folder it should go in does not exist. {warning}";
  else if (c.answers == std::deque<Answer>{Answer::Save})
    expected << "title: C:\\keep.cog";
  if (c.ends) expected << "end";
  EXPECT_EQ(shell.takeLog(), expected.join(u'\n'));
  EXPECT_EQ(ReadFile(QStringLiteral("keep.cog")), c.file);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, QuitTest,
    ::testing::Values(QuitCase{"Saved", false, {}, true}, QuitCase{"ModifiedDontSave", true, {Answer::DontSave}, true},
                      QuitCase{"ModifiedSave", true, {Answer::Save}, true, "keep\r\nmine\r\n"},
                      QuitCase{"ModifiedSaveFails", true, {Answer::Save}, false, "keep\r\nme\r\n", true},
                      QuitCase{"ModifiedCancel", true, {Answer::Cancel}, false}),
    CaseName());

// ---------------------------------------------------------------------------
// Save As.

struct SaveAsCase {
  const char* name;
  QString folder;
  QString typed;
  QString path;
  QString fileOnDisk;  // relative to drive C:'s folder
};

class SaveAsTest : public DocumentTest, public ::testing::WithParamInterface<SaveAsCase> {};

TEST_P(SaveAsTest, WritesInTheChoosersFolderAndConfirms) {
  const SaveAsCase& c = GetParam();
  ASSERT_TRUE(QDir(root.path()).mkdir(QStringLiteral("cog")));
  doc.lineModel().replaceLines({u"one", u"two"});
  shell.typed = {c.typed};
  ASSERT_TRUE(doc.SaveAs([&] {
    shell.log << QStringLiteral("folder asked");
    return c.folder;
  }));
  EXPECT_EQ(doc.currentPath, c.path);
  EXPECT_EQ(ReadFile(c.fileOnDisk), QByteArray("one\r\ntwo\r\n"));
  EXPECT_EQ(shell.takeLog(), QStringLiteral("input [New name] Please enter new name for file\n"
                                            "folder asked\n"
                                            "title: %1\n"
                                            "box [File saved] File saved as:\r%1")
                                 .arg(c.path));
  EXPECT_EQ(doc.savedFlag, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Names, SaveAsTest,
    ::testing::Values(
        SaveAsCase{"Plain", "C:\\cog", "mission", "C:\\cog\\mission.cog", "cog/mission.cog"},
        SaveAsCase{"WithSuffix", "C:\\cog", "mission.cog", "C:\\cog\\mission.cog", "cog/mission.cog"},
        SaveAsCase{"SuffixIsCaseSensitive", "C:\\cog", "MISSION.COG", "C:\\cog\\MISSION.COG.cog",
                   "cog/MISSION.COG.cog"},
        SaveAsCase{"OtherSuffix", "C:\\cog", "mission.txt", "C:\\cog\\mission.txt.cog", "cog/mission.txt.cog"},
        SaveAsCase{"EmptyNameConfirmed", "C:\\cog", "", "C:\\cog\\.cog", "cog/.cog"},
        SaveAsCase{"BlanksKept", "C:\\cog", " a b ", "C:\\cog\\ a b .cog", "cog/ a b .cog"},
        SaveAsCase{"RootFolder", "C:\\", "mission", "C:\\mission.cog", "mission.cog"}),
    CaseName());

TEST_F(DocumentTest, SaveAsBeforeAnyOpenWritesAnEmptyFile) {
  shell.typed = {"new"};
  ASSERT_TRUE(doc.SaveAs([] { return QStringLiteral("C:"); }));
  EXPECT_EQ(doc.currentPath, QStringLiteral("C:\\new.cog"));
  EXPECT_EQ(ReadFile(QStringLiteral("new.cog")), QByteArray());
}

TEST_F(DocumentTest, SaveThroughALinkWritesItsTargetAndKeepsTheLink) {
#ifdef Q_OS_WIN
  GTEST_SKIP() << "QFile::link makes a shortcut (.lnk) on Windows, not a symbolic link";
#endif
  WriteFile(QStringLiteral("real.cog"), "old\r\n");
  ASSERT_TRUE(QFile::link(Native(QStringLiteral("real.cog")), Native(QStringLiteral("link.cog"))));
  doc.lineModel().replaceLines({u"new"});
  ASSERT_TRUE(doc.SaveScript(QStringLiteral("C:\\link.cog")));
  EXPECT_TRUE(QFileInfo(Native(QStringLiteral("link.cog"))).isSymLink());
  EXPECT_EQ(ReadFile(QStringLiteral("real.cog")), QByteArray("new\r\n"));
}

// ---------------------------------------------------------------------------
// Failures lose nothing.

struct OpenFailure {
  const char* name;
  QString folder;
  QString file;
  QString message;
};

class OpenFailureTest : public DocumentTest, public ::testing::WithParamInterface<OpenFailure> {};

TEST_P(OpenFailureTest, KeepsLinesPathTitleAndFlag) {
  const OpenFailure& c = GetParam();
  OpenKeptDocument();
  ASSERT_TRUE(QDir(root.path()).mkdir(QStringLiteral("cog")));
  QFile big(Native(QStringLiteral("big.cog")));
  ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.resize(64 * 1024 * 1024 + 1));  // sparse
  big.close();
#ifndef Q_OS_WIN
  ASSERT_EQ(::mkfifo(QFile::encodeName(Native(QStringLiteral("pipe.cog"))).constData(), 0600), 0);
#endif
  AnalysisEngine engine;
  engine.baselineTally = 3.0f;
  EXPECT_FALSE(doc.OpenScript(c.folder, c.file, engine));
  EXPECT_EQ(shell.takeLog(), QStringLiteral("box [VORRIK] ") + c.message + QStringLiteral(" {warning}"));
  ExpectKeptDocument();
  EXPECT_EQ(engine.baselineTally, 3.0f);
}

#ifdef Q_OS_WIN
// Every folder holds the names of the devices.
const OpenFailure kNotAFile{"Device", "C:", "NUL", "Cannot open C:\\NUL\n\nIt is a device or a pipe, not a file."};
#else
const OpenFailure kNotAFile{"Pipe", "C:", "pipe.cog", "Cannot open C:\\pipe.cog\n\nIt is a device or a pipe, not a file."};
#endif

INSTANTIATE_TEST_SUITE_P(
    Cases, OpenFailureTest,
    ::testing::Values(
        OpenFailure{"MissingFile", "C:", "gone.cog", "Cannot open C:\\gone.cog\n\nThe file does not exist."},
        OpenFailure{"MissingFolder", "C:\\nowhere", "a.cog",
                    "Cannot open C:\\nowhere\\a.cog\n\nThe folder it should be in does not exist."},
        OpenFailure{"NoFileSelected", "C:\\cog", "", "Cannot open C:\\cog\\\n\nIt is a folder, not a file."},
        OpenFailure{"FileNamedAsFolder", "C:\\keep.cog", "a.cog",
                    "Cannot open C:\\keep.cog\\a.cog\n\nThe folder it should be in does not exist."},
        OpenFailure{"TooLarge", "C:", "big.cog",
                    "Cannot open C:\\big.cog\n\nThe file is larger than 64 MiB, far more than a COG script can be."},
        kNotAFile,
        OpenFailure{"NameTooLong", "C:", QString(300, u'n'),
                    "Cannot open C:\\" + QString(300, u'n') + "\n\nThe file name or its path is too long."},
        OpenFailure{"NoSuchDrive", "Q:", "a.cog", "Cannot open Q:\\a.cog\n\nThere is no drive Q: on this computer."}),
    CaseName());

// The limit is "larger than 64 MiB": a file of exactly 64 MiB opens.
TEST_F(DocumentTest, AFileOfExactly64MiBOpens) {
  QFile file(Native(QStringLiteral("limit.cog")));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.resize(64 * 1024 * 1024));  // sparse: NUL bytes
  file.close();
  AnalysisEngine engine;
  ASSERT_TRUE(doc.OpenScript(QStringLiteral("C:"), QStringLiteral("limit.cog"), engine));
  ASSERT_EQ(doc.lineModel().count(), 1);
  EXPECT_EQ(doc.lineModel().line(0).size(), std::size_t{64 * 1024 * 1024});
  EXPECT_EQ(shell.takeLog(), QStringLiteral("title: C:\\limit.cog"));
}

struct SaveFailure {
  const char* name;
  QString path;
  std::u16string badLine;  // replaces line 2 when set
  QString message;
};

class SaveFailureTest : public DocumentTest, public ::testing::WithParamInterface<SaveFailure> {};

TEST_P(SaveFailureTest, KeepsTheFileLinesTitleAndFlag) {
  const SaveFailure& c = GetParam();
  OpenKeptDocument();
  ASSERT_TRUE(QDir(root.path()).mkdir(QStringLiteral("cog")));
  if (!c.badLine.empty()) doc.lineModel().setLine(1, c.badLine);
  const QStringList before = QDir(root.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
  EXPECT_FALSE(doc.SaveScript(c.path));
  EXPECT_EQ(shell.takeLog(), QStringLiteral("box [VORRIK] ") + c.message + QStringLiteral(" {warning}"));
  EXPECT_EQ(QDir(root.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
  EXPECT_EQ(ReadFile(QStringLiteral("keep.cog")), QByteArray("keep\r\nme\r\n"));
  EXPECT_EQ(doc.savedFlag, 0);
  EXPECT_EQ(shell.title, QStringLiteral("C:\\keep.cog *"));
  if (c.badLine.empty()) {
    EXPECT_EQ(Lines(), QStringLiteral("keep|me"));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SaveFailureTest,
    ::testing::Values(
        SaveFailure{"MissingFolder", "C:\\nowhere\\a.cog", {},
                    "Cannot save C:\\nowhere\\a.cog\n\nThe folder it should go in does not exist."},
        SaveFailure{"PathNamesAFolder", "C:\\cog", {}, "Cannot save C:\\cog\n\nIt is a folder, not a file."},
        SaveFailure{"FileNamedAsFolder", "C:\\keep.cog\\a.cog", {},
                    "Cannot save C:\\keep.cog\\a.cog\n\nThe folder it should go in does not exist."},
        SaveFailure{"NameTooLong", "C:\\" + QString(300, u'n') + ".cog", {},
                    "Cannot save C:\\" + QString(300, u'n') + ".cog\n\nThe file name or its path is too long."},
        SaveFailure{"NoSuchDrive", "Q:\\a.cog", {}, "Cannot save Q:\\a.cog\n\nThere is no drive Q: on this computer."},
        SaveFailure{"UnwritableCharacter", "C:\\keep.cog", u"m\u0100e",
                    "Cannot save C:\\keep.cog\n\nLine 2 holds the character \"\u0100\" (U+0100), which a COG file "
                    "cannot store. Change that line, then save again."},
        SaveFailure{"BeyondTheBasicPlane", "C:\\keep.cog", u"m\U0001F600",
                    "Cannot save C:\\keep.cog\n\nLine 2 holds the character \"\U0001F600\" (U+1F600), which a COG "
                    "file cannot store. Change that line, then save again."},
        SaveFailure{"LoneSurrogate", "C:\\keep.cog", u"m\xD800",
                    "Cannot save C:\\keep.cog\n\nLine 2 holds the character (U+D800), which a COG file cannot "
                    "store. Change that line, then save again."}),
    CaseName());

// What is saved must open again. Every line saves as its characters and
// CR LF: four lines of 16 MiB characters come to 8 bytes over the limit.
TEST_F(DocumentTest, SaveRefusesAScriptTooLargeToOpenAgain) {
  OpenKeptDocument();
  const std::u16string quarter(16 * 1024 * 1024, u'x');
  doc.lineModel().replaceLines({quarter, quarter, quarter, quarter});
  EXPECT_FALSE(doc.SaveScript(QStringLiteral("C:\\keep.cog")));
  EXPECT_EQ(shell.takeLog(), QStringLiteral("box [VORRIK] Cannot save C:\\keep.cog\n\nIt would be 67,108,872 bytes, "
                                            "more than the 64 MiB (67,108,864 bytes) that VORRIK can open again. "
                                            "Take some lines out, then save again. {warning}"));
  EXPECT_EQ(ReadFile(QStringLiteral("keep.cog")), QByteArray("keep\r\nme\r\n"));
  EXPECT_EQ(QDir(root.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList{QStringLiteral("keep.cog")});
  EXPECT_EQ(doc.lineModel().count(), 4);
  EXPECT_EQ(doc.savedFlag, 0);
  EXPECT_EQ(shell.title, QStringLiteral("C:\\keep.cog *"));
}

TEST_F(DocumentTest, SaveWithoutAFileNameWritesNothing) {
  doc.lineModel().replaceLines({u"typed"});
  doc.SetSavedState(0);
  shell.takeLog();
  EXPECT_FALSE(doc.Save());
  EXPECT_EQ(shell.takeLog(), QStringLiteral("box [VORRIK] This COG has no file name yet, so it was not saved.\n\n"
                                            "Use Save COG As... to give it one. {warning}"));
  EXPECT_TRUE(QDir(root.path()).isEmpty());
  EXPECT_EQ(doc.savedFlag, 0);
  EXPECT_EQ(Lines(), QStringLiteral("typed"));
}

// Cancel is not an empty name: no file, no message, nothing changes.
TEST_F(DocumentTest, CancelledSaveAsDoesNothing) {
  OpenKeptDocument();
  shell.typed = {std::nullopt};
  EXPECT_FALSE(doc.SaveAs([this] {
    shell.log << QStringLiteral("folder asked");
    return QStringLiteral("C:");
  }));
  EXPECT_EQ(shell.takeLog(), QStringLiteral("input [New name] Please enter new name for file"));
  ExpectKeptDocument();
  EXPECT_EQ(QDir(root.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList{QStringLiteral("keep.cog")});
}

TEST_F(DocumentTest, FailedSaveAsReturnsToThePreviousPath) {
  OpenKeptDocument();
  shell.typed = {"new"};
  EXPECT_FALSE(doc.SaveAs([] { return QStringLiteral("C:\\nowhere"); }));
  EXPECT_EQ(shell.takeLog(), QStringLiteral("input [New name] Please enter new name for file\n"
                                            "box [VORRIK] Cannot save C:\\nowhere\\new.cog\n\n"
                                            "The folder it should go in does not exist. {warning}"));
  ExpectKeptDocument();
  // The next Save goes where the title says.
  ASSERT_TRUE(doc.Save());
  EXPECT_EQ(shell.title, QStringLiteral("C:\\keep.cog"));
}

}  // namespace
}  // namespace vorrik
