// Saving and opening on a full, read-only or failing disk. Runs with
// failing_io_shim preloaded: the file call named by $VORRIK_FAIL_CALL fails
// with $VORRIK_FAIL_ERRNO for files under $VORRIK_FAIL_UNDER.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "document/script_document.h"
#include "document/test_shell.h"

namespace vorrik {
namespace {

/// C:\full\door.cog open, its line 2 changed and not saved yet.
class FailingDiskTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(QDir(root.path()).mkdir(QStringLiteral("full")));
    full = root.filePath(QStringLiteral("full"));
    QFile file(full + QStringLiteral("/door.cog"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(kOldBytes), kOldBytes.size());
    file.close();
    qputenv("VORRIK_FAIL_UNDER", QFile::encodeName(full));
    doc.currentPath = QStringLiteral("C:\\full\\door.cog");
    ASSERT_TRUE(doc.LoadScript(doc.currentPath));
    doc.lineModel().setLine(1, u"new();");
    doc.SetSavedState(0);
    shell.takeLog();
  }
  void TearDown() override {
    Heal();
    qunsetenv("VORRIK_FAIL_UNDER");
  }

  static void Fail(const char* call, int error) {
    qputenv("VORRIK_FAIL_CALL", call);
    qputenv("VORRIK_FAIL_ERRNO", QByteArray::number(error));
  }
  static void Heal() {
    qunsetenv("VORRIK_FAIL_CALL");
    qunsetenv("VORRIK_FAIL_ERRNO");
    qunsetenv("VORRIK_FAIL_AFTER");
  }

  QByteArray OldFile() const { return Bytes(full + QStringLiteral("/door.cog")); }
  static QByteArray Bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
  }
  /// The copies of old text kept in the recovery folder, C:\state.
  QStringList Copies() const { return QDir(root.filePath(QStringLiteral("state"))).entryList({"*.cog"}); }

  /// Saves in a child process whose writes to files in the folder pass
  /// `after` bytes, then kill it; returns how the child ended.
  int SaveKilledAfter(int after) {
    const pid_t child = ::fork();
    if (child == 0) {
      Fail("write", EIO);
      qputenv("VORRIK_FAIL_AFTER", QByteArray::number(after));
      qputenv("VORRIK_FAIL_KILL", "1");
      doc.Save();
      ::_exit(0);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child ? status : -1;
  }
  QStringList Entries() const { return QDir(full).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot); }
  ino_t Inode() const {
    struct stat status {};
    return ::stat(QFile::encodeName(full + QStringLiteral("/door.cog")).constData(), &status) == 0 ? status.st_ino : 0;
  }
  QString Lines() const { return JoinedLines(doc.lineModel()); }

  const QByteArray kOldBytes = "code\r\nold();\r\nend\r\n";
  QTemporaryDir root;
  QString full;
  TestShell shell;
  ScriptDocument doc{shell, DriveMap({{u'C', root.path()}}), RecoveryFolder(root.filePath(QStringLiteral("state")).toStdString())};
};

TEST_F(FailingDiskTest, TheShimFailsOnlyTheChosenCallUnderTheFolder) {
  Fail("write", ENOSPC);
  const QByteArray probe = QFile::encodeName(full + QStringLiteral("/probe"));
  const int fd = ::open(probe.constData(), O_WRONLY | O_CREAT, 0644);
  ASSERT_GE(fd, 0);
  errno = 0;
  EXPECT_EQ(::write(fd, "x", 1), -1) << "the shim is not preloaded";
  EXPECT_EQ(errno, ENOSPC);
  ::close(fd);
  ::unlink(probe.constData());

  shell.typed = {"elsewhere"};
  EXPECT_TRUE(doc.SaveAs([] { return QStringLiteral("C:"); }));
}

struct DiskFailure {
  const char* name;
  bool saving;  // else opening
  const char* call;
  int error;
  QString reason;
};

class DiskFailureTest : public FailingDiskTest, public ::testing::WithParamInterface<DiskFailure> {};

TEST_P(DiskFailureTest, NamesThePathAndTheReasonAndLosesNothing) {
  const DiskFailure& c = GetParam();
  AnalysisEngine engine;
  Fail(c.call, c.error);
  const bool done = c.saving ? doc.Save() : doc.OpenScript(QStringLiteral("C:\\full"), QStringLiteral("door.cog"), engine);
  Heal();
  EXPECT_FALSE(done);
  EXPECT_EQ(shell.takeLog(), QStringLiteral("box [VORRIK] Cannot %1 C:\\full\\door.cog\n\n%2 {warning}")
                                 .arg(c.saving ? QStringLiteral("save") : QStringLiteral("open"), c.reason));
  EXPECT_EQ(OldFile(), kOldBytes);
  EXPECT_EQ(Entries(), QStringList{"door.cog"});
  EXPECT_EQ(Lines(), QStringLiteral("code|new();|end"));
  EXPECT_EQ(doc.currentPath, QStringLiteral("C:\\full\\door.cog"));
  EXPECT_EQ(doc.savedFlag, 0);
  EXPECT_EQ(shell.title, QStringLiteral("C:\\full\\door.cog *"));
}

const QString kReadOnly = QStringLiteral("The file or its folder is read-only, or you are not allowed to change it.");

INSTANTIATE_TEST_SUITE_P(
    Cases, DiskFailureTest,
    ::testing::Values(
        DiskFailure{"SaveOnAFullDisk", true, "write", ENOSPC, "The disk is full."},
        DiskFailure{"SaveOverQuotaFoundAtClose", true, "close", EDQUOT,
                    "The disk is full: your quota on it is used up."},
        DiskFailure{"SaveFlushFails", true, "fsync", EIO,
                    "The disk reported an error while the file was being written."},
        DiskFailure{"SaveOverAReadOnlyFile", true, "access", EACCES, kReadOnly},
        DiskFailure{"SaveWhereNothingMayBeOpened", true, "open", EACCES, kReadOnly},
        DiskFailure{"SaveOnAReadOnlyDisk", true, "open", EROFS, "The disk is read-only."},
        DiskFailure{"SaveOtherError", true, "write", ESTALE,
                    QStringLiteral("The system refused it: %1 (error %2).")
                        .arg(QString::fromLocal8Bit(std::strerror(ESTALE)), QString::number(ESTALE))},
        DiskFailure{"OpenNotAllowed", false, "open", EACCES,
                    "You are not allowed to read the file or to open its folder."},
        DiskFailure{"OpenReadFails", false, "read", EIO, "The disk reported an error while the file was being read."},
        DiskFailure{"OpenWithTooManyFilesOpen", false, "open", ENFILE,
                    "Too many files are open at once; close some and try again."}),
    CaseName());

struct InPlaceCase {
  const char* name;
  const char* call;
  int error;
  std::u16string line;  // the new line 2
  QString reason;       // "" when the save goes through
  const char* after = nullptr;  // the call fails after passing this many bytes
  bool once = false;     // the call fails once, then works again
  bool damaged = false;  // putting the old bytes back fails too
};

void PrintTo(const InPlaceCase& c, std::ostream* os) { *os << c.name; }

/// door.cog has a second name, door-link.cog, which must see the new text:
/// the file is written in place.
class InPlaceTest : public FailingDiskTest, public ::testing::WithParamInterface<InPlaceCase> {
 protected:
  void SetUp() override {
    FailingDiskTest::SetUp();
    ASSERT_EQ(::link(QFile::encodeName(full + QStringLiteral("/door.cog")).constData(),
                     QFile::encodeName(full + QStringLiteral("/door-link.cog")).constData()),
              0);
  }
};

TEST_P(InPlaceTest, WritesTheOneFileOrKeepsItsOldBytes) {
  const InPlaceCase& c = GetParam();
  const ino_t inode = Inode();
  doc.lineModel().setLine(1, c.line);
  Fail(c.call, c.error);
  if (c.after != nullptr) qputenv("VORRIK_FAIL_AFTER", c.after);
  if (c.once) qputenv("VORRIK_FAIL_ONCE", c.name);
  const bool saved = doc.Save();
  Heal();
  qunsetenv("VORRIK_FAIL_ONCE");
  const QByteArray newBytes = "code\r\n" + QString::fromStdU16String(c.line).toLatin1() + "\r\nend\r\n";
  EXPECT_EQ(saved, c.reason.isEmpty());
  // Damage is what the first bytes of the new text did and nothing undid.
  const int cut = c.damaged && c.after != nullptr ? std::atoi(c.after) : 0;
  EXPECT_EQ(OldFile(), c.reason.isEmpty() ? newBytes : newBytes.left(cut) + kOldBytes.mid(cut));
  EXPECT_EQ(Inode(), inode);
  EXPECT_EQ(Entries(), (QStringList{"door-link.cog", "door.cog"}));
  // A copy of the old text outlives the save only when the file may be
  // damaged, and the message names it.
  const QStringList copies = Copies();
  ASSERT_EQ(copies.size(), c.damaged ? 1 : 0) << copies.join(u' ').toStdString();
  if (c.reason.isEmpty()) {
    EXPECT_EQ(shell.takeLog(), QStringLiteral("title: C:\\full\\door.cog"));
  } else if (!c.damaged) {
    EXPECT_EQ(shell.takeLog(),
              QStringLiteral("box [VORRIK] Cannot save C:\\full\\door.cog\n\n%1 {warning}").arg(c.reason));
    EXPECT_EQ(doc.savedFlag, 0);
  } else {
    EXPECT_EQ(shell.takeLog(), QStringLiteral("box [VORRIK] Cannot save C:\\full\\door.cog\n\n%1 Putting its old text "
                                              "back failed too, so the file may be damaged. Its old text is kept "
                                              "in C:\\state\\%2. {warning}")
                                   .arg(c.reason, copies.value(0)));
    EXPECT_EQ(Bytes(root.filePath(QStringLiteral("state/")) + copies.value(0)), kOldBytes);
    EXPECT_EQ(doc.savedFlag, 0);
  }
}

const QString kFull = QStringLiteral("The disk is full.");
const QString kWriteError = QStringLiteral("The disk reported an error while the file was being written.");

// The old text is 19 bytes; a shorter new one cuts the file, a longer one
// grows it, and either must be undone when a later step fails.
INSTANTIATE_TEST_SUITE_P(
    Cases, InPlaceTest,
    ::testing::Values(
        InPlaceCase{"FileSystemCannotReserve", "fallocate", EOPNOTSUPP, u"a_longer_line_than_before();", ""},
        InPlaceCase{"FullDiskFoundByTheReservation", "fallocate", ENOSPC, u"a_longer_line_than_before();", kFull},
        InPlaceCase{"FullDiskAtTheFirstWrite", "write", ENOSPC, u"new();", kFull},
        InPlaceCase{"OldBytesCannotBeRead", "read", EIO, u"new();",
                    "The disk reported an error while the file was being read."},
        InPlaceCase{"WriteFailsPartWayThenThePutBackWorks", "write", EIO, u"a_longer_line_than_before();",
                    kWriteError, "8", true},
        // The call fails for the put-back as well, so the old bytes cannot
        // be known to be on the disk again. (A budget of another size: the
        // shim counts again only for a new one.)
        InPlaceCase{"WriteFailsPartWayAndSoDoesThePutBack", "write", EIO, u"a_longer_line_than_before();",
                    kWriteError, "9", false, true},
        InPlaceCase{"FlushFailsAfterAShorterText", "fsync", EIO, u"n();", kWriteError, nullptr, false, true},
        InPlaceCase{"QuotaFoundAtCloseAfterAShorterText", "close", EDQUOT, u"",
                    "The disk is full: your quota on it is used up.", nullptr, false, true}),
    CaseName());

// A save that writes in place, killed after the first 8 bytes of the new
// text: the file is cut, the copy holds exactly the old bytes, and the next
// open offers them; saving them then takes the copy away.
TEST_F(FailingDiskTest, KilledWhileWritingInPlaceTheNextOpenOffersTheOldText) {
  ASSERT_EQ(::link(QFile::encodeName(full + QStringLiteral("/door.cog")).constData(),
                   QFile::encodeName(full + QStringLiteral("/door-link.cog")).constData()),
            0);
  doc.lineModel().setLine(1, u"NEW TEXT");
  const int status = SaveKilledAfter(8);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "status " << status;
  EXPECT_EQ(OldFile(), "code\r\nNE" + kOldBytes.mid(8));
  ASSERT_EQ(Copies().size(), 1);
  EXPECT_EQ(Bytes(root.filePath(QStringLiteral("state/")) + Copies().value(0)), kOldBytes);

  AnalysisEngine engine;
  shell.answers = {Answer::Yes};
  ASSERT_TRUE(doc.OpenScript(QStringLiteral("C:\\full"), QStringLiteral("door.cog"), engine));
  EXPECT_EQ(shell.takeLog(),
            "box [VORRIK] VORRIK was stopped while it was saving C:\\full\\door.cog, so the file may hold only "
            "part of that save.\n\nOpen the text it had before that save? Yes opens that text as unsaved changes; "
            "No opens the file as it is now and deletes the kept text. {YesNo, default Yes} {warning}\n"
            "title: C:\\full\\door.cog *");
  EXPECT_EQ(Lines(), QStringLiteral("code|old();|end"));
  EXPECT_EQ(doc.savedFlag, 0);
  EXPECT_TRUE(doc.Save());
  EXPECT_EQ(OldFile(), kOldBytes);
  EXPECT_EQ(Bytes(full + QStringLiteral("/door-link.cog")), kOldBytes);
  EXPECT_EQ(Copies(), QStringList());
  EXPECT_EQ(shell.takeLog(), QStringLiteral("title: C:\\full\\door.cog"));
}

// Killed while the new file is written beside a file only its owner may
// read: the new file, left behind, was never readable by anyone else.
TEST_F(FailingDiskTest, TheNewFileIsPrivateWhileItIsWritten) {
  const QByteArray path = QFile::encodeName(full + QStringLiteral("/door.cog"));
  ASSERT_EQ(::chmod(path.constData(), 0600), 0);
  const mode_t mask = ::umask(022);
  const int status = SaveKilledAfter(8);
  ::umask(mask);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "status " << status;
  EXPECT_EQ(OldFile(), kOldBytes);
  const QStringList entries = Entries();
  ASSERT_EQ(entries.size(), 2) << entries.join(u' ').toStdString();
  struct stat status2 {};
  ASSERT_EQ(::stat(QFile::encodeName(full + u'/' + entries.value(1)).constData(), &status2), 0);
  EXPECT_EQ(status2.st_mode & 0777, 0600u) << entries.value(1).toStdString();
  EXPECT_EQ(status2.st_size, 8);
}

TEST_F(FailingDiskTest, SaveAsReturnsToThePreviousPath) {
  Fail("write", ENOSPC);
  shell.typed = {"door"};
  shell.answers = {Answer::Yes};  // replace door.cog
  EXPECT_FALSE(doc.SaveAs([] { return QStringLiteral("C:\\full"); }));
  EXPECT_EQ(doc.currentPath, QStringLiteral("C:\\full\\door.cog"));
  EXPECT_EQ(OldFile(), kOldBytes);

  shell.typed = {"fresh"};
  EXPECT_FALSE(doc.SaveAs([] { return QStringLiteral("C:\\full"); }));
  EXPECT_EQ(doc.currentPath, QStringLiteral("C:\\full\\door.cog"));
  EXPECT_EQ(Entries(), QStringList{"door.cog"});
}

}  // namespace
}  // namespace vorrik
