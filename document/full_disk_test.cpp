// Saving onto a full disk. Runs with enospc_shim preloaded: every write() to
// a file under $VORRIK_FULL_DISK_UNDER fails with ENOSPC.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "document/script_document.h"
#include "document/test_shell.h"

namespace vorrik {
namespace {

class FullDiskTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(QDir(root.path()).mkdir(QStringLiteral("full")));
    full = root.filePath(QStringLiteral("full"));
    QFile file(full + QStringLiteral("/door.cog"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(kOldBytes), kOldBytes.size());
    file.close();
    qputenv("VORRIK_FULL_DISK_UNDER", full.toLocal8Bit());
  }
  void TearDown() override { qunsetenv("VORRIK_FULL_DISK_UNDER"); }

  QByteArray OldFile() const {
    QFile file(full + QStringLiteral("/door.cog"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
  }

  const QByteArray kOldBytes = "code\r\nold();\r\nend\r\n";
  QTemporaryDir root;
  QString full;
  TestShell shell;
  ScriptDocument doc{shell, DriveMap({{u'C', root.path()}})};
};

TEST_F(FullDiskTest, TheShimFailsWritesUnderTheFullFolderOnly) {
  const QByteArray probe = (full + QStringLiteral("/probe")).toLocal8Bit();
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

TEST_F(FullDiskTest, SaveKeepsTheOldFile) {
  doc.currentPath = QStringLiteral("C:\\full\\door.cog");
  ASSERT_TRUE(doc.LoadScript(doc.currentPath));
  doc.lineModel().setLine(1, u"new();");
  doc.SetSavedState(0);
  shell.takeLog();

  EXPECT_FALSE(doc.Save());
  EXPECT_EQ(shell.takeLog(), QStringLiteral("box [VORRIK] Cannot save C:\\full\\door.cog\n\n"
                                            "No space left on device. {warning}"));
  EXPECT_EQ(OldFile(), kOldBytes);
  EXPECT_EQ(QDir(full).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"door.cog"});
  EXPECT_EQ(doc.savedFlag, 0);
  EXPECT_EQ(shell.title, QStringLiteral("C:\\full\\door.cog *"));
  EXPECT_EQ(QString::fromStdU16String(doc.lineModel().line(1)), QStringLiteral("new();"));
}

TEST_F(FullDiskTest, SaveAsReturnsToThePreviousPath) {
  doc.currentPath = QStringLiteral("C:\\full\\door.cog");
  ASSERT_TRUE(doc.LoadScript(doc.currentPath));
  shell.takeLog();
  shell.typed = {"door"};
  EXPECT_FALSE(doc.SaveAs([] { return QStringLiteral("C:\\full"); }));
  EXPECT_EQ(doc.currentPath, QStringLiteral("C:\\full\\door.cog"));
  EXPECT_EQ(OldFile(), kOldBytes);

  shell.typed = {"fresh"};
  EXPECT_FALSE(doc.SaveAs([] { return QStringLiteral("C:\\full"); }));
  EXPECT_EQ(doc.currentPath, QStringLiteral("C:\\full\\door.cog"));
  EXPECT_EQ(QDir(full).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"door.cog"});
}

}  // namespace
}  // namespace vorrik
