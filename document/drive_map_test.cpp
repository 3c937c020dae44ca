#include "document/drive_map.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <string_view>

#include "document/test_shell.h"

namespace vorrik {
namespace {

QString Describe(const DriveMap& map) {
  QStringList out;
  for (const Drive& d : map.drives()) out << QStringLiteral("%1:=%2").arg(d.letter, d.root);
  return out.join(u' ');
}

class DriveMapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp.isValid());
    home = tmp.filePath(QStringLiteral("home"));
    ASSERT_TRUE(QDir().mkpath(home + QStringLiteral("/Program Files/LucasArts/Jedi Knight")));
    ASSERT_TRUE(QDir().mkpath(home + QStringLiteral("/cog")));
    ASSERT_TRUE(QDir().mkpath(home + QStringLiteral("/Cog")));
  }

#ifndef Q_OS_WIN
  /// A Wine prefix with drive C: linked relatively, as Wine makes it, Z: to
  /// "/", and device entries that are not drives.
  QString MakePrefix() {
    const QString prefix = tmp.filePath(QStringLiteral("prefix"));
    EXPECT_TRUE(QDir().mkpath(prefix + QStringLiteral("/dosdevices")));
    EXPECT_TRUE(QDir().mkpath(prefix + QStringLiteral("/drive_c/windows")));
    const QString dos = prefix + QStringLiteral("/dosdevices/");
    EXPECT_TRUE(QFile::link(QStringLiteral("../drive_c"), dos + QStringLiteral("c:")));
    EXPECT_TRUE(QFile::link(QStringLiteral("/"), dos + QStringLiteral("z:")));
    EXPECT_TRUE(QFile::link(QStringLiteral("/dev/sr0"), dos + QStringLiteral("d::")));
    EXPECT_TRUE(QFile::link(QStringLiteral("/dev/ttyS0"), dos + QStringLiteral("com1")));
    return prefix;
  }
#endif

  QTemporaryDir tmp;
  QString home;
};

#ifdef Q_OS_WIN
// On Windows the drives are the machine's own and a path is native as it is.
TEST_F(DriveMapTest, WindowsDrivesAreTheMachinesOwn) {
  const DriveMap map = DriveMap::FromEnvironment();
  QStringList letters;
  for (const QFileInfo& drive : QDir::drives()) letters << drive.absolutePath().left(1).toUpper();
  QStringList listed;
  for (const Drive& d : map.drives()) listed << QString(d.letter);
  EXPECT_EQ(listed, letters);
  // The drive that holds the temporary folder is among them, and a path on it
  // is its own native path, with "\" separators.
  const QString folder = QDir::toNativeSeparators(tmp.path());
  const int index = map.IndexOf(folder.at(0));
  ASSERT_GE(index, 0) << folder.toStdString();
  EXPECT_EQ(map.ToNative(folder + QStringLiteral("\\door.cog")).path, folder + QStringLiteral("\\door.cog"));
  EXPECT_EQ(map.FromNative(tmp.filePath(QStringLiteral("cog/door.cog"))).path,
            folder + QStringLiteral("\\cog\\door.cog"));
  EXPECT_EQ(map.DriveHolding(tmp.path()), index);
}
#else
TEST_F(DriveMapTest, DrivesOfAWinePrefix) {
  const QString prefix = MakePrefix();
  const DriveMap map = DriveMap::FromWinePrefix(prefix, home);
  EXPECT_EQ(Describe(map), QStringLiteral("C:=%1/drive_c Z:=/").arg(prefix));
  EXPECT_EQ(map.ToNative(QStringLiteral("C:\\WINDOWS")).path, prefix + QStringLiteral("/drive_c/windows"));
  EXPECT_EQ(map.ToNative(QStringLiteral("z:\\etc")).path, QStringLiteral("/etc"));
}

TEST_F(DriveMapTest, WithoutAPrefixCIsHomeAndZIsRoot) {
  const QString noPrefix = tmp.filePath(QStringLiteral("no-such-prefix"));
  EXPECT_EQ(Describe(DriveMap::FromWinePrefix(noPrefix, home)), QStringLiteral("C:=%1 Z:=/").arg(home));
  // A prefix folder that holds no drives counts as none.
  ASSERT_TRUE(QDir().mkpath(tmp.filePath(QStringLiteral("empty/dosdevices"))));
  EXPECT_EQ(Describe(DriveMap::FromWinePrefix(tmp.filePath(QStringLiteral("empty")), home)),
            QStringLiteral("C:=%1 Z:=/").arg(home));
}

TEST_F(DriveMapTest, EnvironmentPrefixIsUsed) {
  const QString prefix = MakePrefix();
  const QByteArray saved = qgetenv("WINEPREFIX");
  qputenv("WINEPREFIX", prefix.toLocal8Bit());
  const QString described = Describe(DriveMap::FromEnvironment());
  if (saved.isNull())
    qunsetenv("WINEPREFIX");
  else
    qputenv("WINEPREFIX", saved);
  EXPECT_EQ(described, QStringLiteral("C:=%1/drive_c Z:=/").arg(prefix));
}
#endif

// Where a folder holds names that differ only in letter case (Linux, or a
// Windows folder with case sensitivity turned on), the name as written wins.
TEST(DriveMapMatch, TheExactNameWinsOverOtherCase) {
  const QStringList both = {"DOOR.COG", "Door.cog", "door.cog"};
  EXPECT_EQ(DriveMap::MatchEntry(both, "door.cog"), "door.cog");
  EXPECT_EQ(DriveMap::MatchEntry(both, "Door.cog"), "Door.cog");
  EXPECT_EQ(DriveMap::MatchEntry(both, "DOOR.cog"), "DOOR.COG");
  EXPECT_EQ(DriveMap::MatchEntry({"DOOR.COG"}, "door.cog"), "DOOR.COG");
  EXPECT_EQ(DriveMap::MatchEntry({"door.cog"}, "window.cog"), "");
}

struct PathCase {
  const char* name;
  QString windowsPath;
  QString native;  // relative to the home folder; "!" + message for an error
};

class ToNativeTest : public DriveMapTest, public ::testing::WithParamInterface<PathCase> {};

TEST_P(ToNativeTest, MapsThePath) {
  const PathCase& c = GetParam();
#ifdef Q_OS_WIN
  if (std::string_view(c.name) == "ExactNameWinsOverOtherCase")
    GTEST_SKIP() << "A Windows folder cannot hold two names that differ only in letter case";
#endif
  const DriveMap map({{u'C', home}, {u'Z', QStringLiteral("/")}});
  const NativePath result = map.ToNative(c.windowsPath);
  if (c.native.startsWith(u'!')) {
    EXPECT_EQ(result.error, c.native.mid(1));
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.path, QString());
  } else {
    EXPECT_EQ(result.error, QString());
    EXPECT_EQ(result.path, c.native.isEmpty() ? home : home + u'/' + c.native);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ToNativeTest,
    ::testing::Values(
        PathCase{"DriveAlone", "C:", ""},
        PathCase{"DriveRoot", "C:\\", ""},
        PathCase{"RootPlusNameGivesTwoSeparators", "C:\\\\door.cog", "door.cog"},
        PathCase{"RepeatedSeparators", "C:\\cog\\\\\\door.cog", "cog/door.cog"},
        PathCase{"ForwardSlashes", "C:/cog/door.cog", "cog/door.cog"},
        PathCase{"LowerCaseDriveLetter", "c:\\cog", "cog"},
        PathCase{"CaseIgnoredWhereNotAsWritten", "C:\\Program Files\\Lucasarts\\Jedi Knight",
                 "Program Files/LucasArts/Jedi Knight"},
        PathCase{"EveryComponentMatched", "C:\\PROGRAM FILES\\lucasarts\\JEDI KNIGHT\\new.cog",
                 "Program Files/LucasArts/Jedi Knight/new.cog"},
        PathCase{"ExactNameWinsOverOtherCase", "C:\\Cog", "Cog"},
        PathCase{"MissingPartKeptAsWritten", "C:\\New Folder\\COG\\a.cog", "New Folder/COG/a.cog"},
        PathCase{"DotsStayOnTheDrive", "C:\\..\\..\\cog\\.\\x\\..\\door.cog", "cog/door.cog"},
        PathCase{"NoSuchDrive", "Q:\\cog", "!There is no drive Q: on this computer."},
        PathCase{"NoDriveLetter", "cog\\door.cog", "!The path does not start with a drive letter such as C:."},
        PathCase{"Empty", "", "!The path does not start with a drive letter such as C:."},
        PathCase{"NotALetter", "1:\\cog", "!The path does not start with a drive letter such as C:."}),
    CaseName());

#ifndef Q_OS_WIN
// Drives that are folders of a Linux tree, reached through symbolic links
// (on Windows a drive is itself; see WindowsDrivesAreTheMachinesOwn).
struct FromNativeCase {
  const char* name;
  QString native;  // below the temporary folder; made as a file
  QString windowsPath;  // "%T" is the temporary folder's Z: path; "!" + message for an error
};

class FromNativeTest : public DriveMapTest, public ::testing::WithParamInterface<FromNativeCase> {};

// The drive-letter path of a file the desktop names; a found path leads back
// to the same file.
TEST_P(FromNativeTest, FindsTheClosestDrive) {
  const FromNativeCase& c = GetParam();
  const QString prefix = MakePrefix();
  // A link in the home folder that leads into the drive inside it.
  ASSERT_TRUE(QDir().mkpath(home + QStringLiteral("/cog/mine/sub")));
  ASSERT_TRUE(QFile::link(QStringLiteral("cog/mine/sub"), home + QStringLiteral("/into-mine")));
  const QString file = tmp.filePath(c.native);
  ASSERT_TRUE(QDir().mkpath(QFileInfo(file).path()));
  QFile made(file);
  ASSERT_TRUE(made.open(QIODevice::WriteOnly));
  made.close();
  const QString nested = home + QStringLiteral("/cog/mine");
  ASSERT_TRUE(QDir().mkpath(nested));
  // C: is the home folder, D: the prefix's drive_c reached through its link,
  // E: lies inside C:, Z: is "/".
  const DriveMap map({{u'C', home},
                      {u'D', prefix + QStringLiteral("/dosdevices/c:")},
                      {u'E', nested},
                      {u'Z', QStringLiteral("/")}});
  const DriveMap noRoot({{u'C', home}});
  const bool withRoot = !c.windowsPath.startsWith(QStringLiteral("!No drive"));
  const DrivePath result = (withRoot ? map : noRoot).FromNative(file);
  if (c.windowsPath.startsWith(u'!')) {
    EXPECT_EQ(result.error, c.windowsPath.mid(1));
    EXPECT_EQ(result.path, QString());
    return;
  }
  const QString tmpPath = QStringLiteral("Z:") + QString(tmp.path()).replace(u'/', u'\\');
  EXPECT_EQ(result.error, QString());
  EXPECT_EQ(result.path, QString(c.windowsPath).replace(QStringLiteral("%T"), tmpPath));
  EXPECT_EQ(QFileInfo(map.ToNative(result.path).path).canonicalFilePath(), QFileInfo(file).canonicalFilePath());
}

INSTANTIATE_TEST_SUITE_P(
    Paths, FromNativeTest,
    ::testing::Values(
        FromNativeCase{"InTheHomeFolder", "home/cog/door.cog", "C:\\cog\\door.cog"},
        FromNativeCase{"InADriveInsideAnother", "home/cog/mine/sub/door.cog", "E:\\sub\\door.cog"},
        FromNativeCase{"OutsideEveryOtherDriveIsUnderRoot", "elsewhere/door.cog", "%T\\elsewhere\\door.cog"},
        FromNativeCase{"InAWinePrefixDrive", "prefix/drive_c/windows/door.cog", "D:\\windows\\door.cog"},
        FromNativeCase{"ThroughALinkIntoTheDriveInsideAnother", "home/into-mine/door.cog", "E:\\sub\\door.cog"},
        FromNativeCase{"ThroughTheDrivesLink", "prefix/dosdevices/c:/door.cog", "D:\\door.cog"},
        FromNativeCase{"DotsResolved", "home/cog/../door.cog", "C:\\door.cog"},
        FromNativeCase{"NoDriveHoldsIt", "elsewhere/door.cog",
                       "!No drive of this computer holds it, so it has no drive-letter path."},
        FromNativeCase{"BackslashInAName", "home/odd\\name.cog",
                       "!The name \"odd\\name.cog\" holds a \\, which a drive-letter path reads as a "
                       "separator."}),
    CaseName());
#endif

}  // namespace
}  // namespace vorrik
