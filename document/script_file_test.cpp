#include "document/script_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "document/script_bytes.h"

#ifdef __linux__
#include <grp.h>
#include <sys/wait.h>
#include <sys/xattr.h>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#endif

namespace vorrik {
namespace {

namespace fs = std::filesystem;

TEST(FailureReason, PlainSentences) {
  const std::string folder = "It is a folder, not a file.";
  const std::string tooLong = "The file name or its path is too long.";
  const std::string readOnly = "The file or its folder is read-only, or you are not allowed to change it.";
  const std::string notAllowed = "You are not allowed to read the file or to open its folder.";
  const std::string full = "The disk is full.";
  const std::string tooMany = "Too many files are open at once; close some and try again.";
  const std::string noFolder = "The folder it should go in does not exist.";
  const std::string loop = "The path holds a loop of symbolic links, or too many of them.";
  const std::string other =
      "The system refused it: " + std::string(std::strerror(ESTALE)) + " (error " + std::to_string(ESTALE) + ").";
  const std::tuple<int, std::string, std::string> cases[] = {
      {ENOSPC, full, full},
      {EDQUOT, "The disk is full: your quota on it is used up.", "The disk is full: your quota on it is used up."},
      {EACCES, notAllowed, readOnly},
      {EPERM, notAllowed, readOnly},
      {EROFS, "The disk is read-only.", "The disk is read-only."},
      {ENAMETOOLONG, tooLong, tooLong},
      {EISDIR, folder, folder},
      {ENOENT, "The file does not exist.", noFolder},
      {ENOTDIR, "The folder it should be in does not exist.", noFolder},
      {EIO, "The disk reported an error while the file was being read.",
       "The disk reported an error while the file was being written."},
      {EMFILE, tooMany, tooMany},
      {ENFILE, tooMany, tooMany},
      {ELOOP, loop, loop},
      // Any other error is named by the system's text and its number.
      {ESTALE, other, other},
  };
  // Reading and writing differ where what the user can do about it does.
  for (const auto& [error, reading, writing] : cases) {
    EXPECT_EQ(FailureReason(error, FileOperation::Reading), reading) << error;
    EXPECT_EQ(FailureReason(error, FileOperation::Writing), writing) << error;
  }
}

/// A fresh folder for each test.
class ScriptFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "script_file_test.XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root = pattern;
  }
  void TearDown() override { fs::remove_all(root); }

  std::string Path(const std::string& name) const { return root + "/" + name; }
  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(Path(name), std::ios::binary) << bytes;
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(Path(name), std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "(missing)";
  }
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(root)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  std::string root;
};

TEST_F(ScriptFileTest, ReaderReadsInBlocksToTheEnd) {
  std::string bytes;
  for (int i = 0; i < 1000; ++i) bytes += static_cast<char>(i * 7);
  Write("a.cog", bytes);
  ScriptReader reader;
  ASSERT_EQ(reader.open(Path("a.cog")), "");
  EXPECT_EQ(reader.size(), bytes.size());
  std::string got;
  char block[7];
  while (const std::size_t n = reader.read(block, sizeof block)) got.append(block, n);
  EXPECT_EQ(reader.error(), "");
  EXPECT_EQ(got, bytes);
}

TEST_F(ScriptFileTest, ReaderRefusesAFileThatGrowsPastTheLimit) {
  Write("grows.cog", "code\r\n");
  ScriptReader reader;
  ASSERT_EQ(reader.open(Path("grows.cog")), "");
  fs::resize_file(Path("grows.cog"), kMaxScriptBytes + 1);
  std::vector<char> block(std::size_t{1} << 20);
  std::size_t total = 0;
  while (const std::size_t n = reader.read(block.data(), block.size())) total += n;
  EXPECT_EQ(reader.error(), "The file is larger than 64 MiB, far more than a COG script can be.");
  EXPECT_EQ(total, kMaxScriptBytes);
}

TEST_F(ScriptFileTest, WriterReplacesKeepingPermissionsAndFollowsLinks) {
  Write("door.cog", "old\r\n");
  ASSERT_EQ(::chmod(Path("door.cog").c_str(), 0640), 0);
  EXPECT_EQ(WriteScriptAtomically(Path("door.cog"), "new\r\n"), "");
  EXPECT_EQ(Read("door.cog"), "new\r\n");
  EXPECT_EQ(fs::status(Path("door.cog")).permissions(), fs::perms(0640));
  // A link whose target does not exist yet: the target is created.
  ASSERT_EQ(::symlink("target.cog", Path("link.cog").c_str()), 0);
  EXPECT_EQ(WriteScriptAtomically(Path("link.cog"), ""), "");
  EXPECT_TRUE(fs::is_symlink(Path("link.cog")));
  EXPECT_EQ(Read("target.cog"), "");
  EXPECT_EQ(Entries(), (std::vector<std::string>{"door.cog", "link.cog", "target.cog"}));
}

// Folders, missing folders and long names: see the document's save tests.
TEST_F(ScriptFileTest, WriterRefusesPipesAndLinkLoops) {
  ASSERT_EQ(::mkfifo(Path("pipe").c_str(), 0600), 0);
  ASSERT_EQ(::symlink("loop", Path("loop").c_str()), 0);
  EXPECT_EQ(WriteScriptAtomically(Path("pipe"), "new"), "It is a device or a pipe, not a file.");
  EXPECT_EQ(WriteScriptAtomically(Path("loop"), "new"),
            "The path holds a loop of symbolic links, or too many of them.");
  EXPECT_EQ(Entries(), (std::vector<std::string>{"loop", "pipe"}));
}

#ifdef __linux__

struct stat StatusOf(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) ADD_FAILURE() << path << ": " << std::strerror(errno);
  return status;
}

std::optional<std::string> Attribute(const std::string& path, const char* name) {
  char value[256];
  const ssize_t size = ::getxattr(path.c_str(), name, value, sizeof value);
  return size < 0 ? std::nullopt : std::make_optional(std::string(value, static_cast<std::size_t>(size)));
}

/// A POSIX ACL as system.posix_acl_* holds it: version 2, then each entry's
/// tag, permissions and id, little-endian as on x86-64.
std::string Acl(std::initializer_list<std::array<std::uint32_t, 3>> entries) {
  std::string bytes("\2\0\0\0", 4);
  for (const auto& [tag, permissions, id] : entries) {
    const std::uint16_t head[] = {static_cast<std::uint16_t>(tag), static_cast<std::uint16_t>(permissions)};
    bytes.append(reinterpret_cast<const char*>(head), sizeof head).append(reinterpret_cast<const char*>(&id), 4);
  }
  return bytes;
}

// The folder has a default ACL, which a new file in it takes: the file that
// had no ACL must not gain one, the one with its own must keep it.
TEST_F(ScriptFileTest, WriterKeepsAttributesAndAcls) {
  Write("plain.cog", "old\r\n");
  Write("shared.cog", "old\r\n");
  constexpr std::uint32_t kNone = 0xFFFFFFFF;  // tags: owner 1, user 2, group 4, mask 16, others 32
  const std::string access = Acl({{1, 6, kNone}, {2, 6, 65534}, {4, 4, kNone}, {16, 6, kNone}, {32, 0, kNone}});
  const std::string inherited = Acl({{1, 7, kNone}, {2, 4, 65534}, {4, 5, kNone}, {16, 5, kNone}, {32, 5, kNone}});
  if (::setxattr(Path("shared.cog").c_str(), "user.origin", "level 3", 7, 0) != 0)
    GTEST_SKIP() << "the file system takes no user attributes: " << std::strerror(errno);
  if (::setxattr(Path("shared.cog").c_str(), "system.posix_acl_access", access.data(), access.size(), 0) != 0 ||
      ::setxattr(root.c_str(), "system.posix_acl_default", inherited.data(), inherited.size(), 0) != 0)
    GTEST_SKIP() << "the file system takes no ACLs: " << std::strerror(errno);
  const mode_t plainMode = StatusOf(Path("plain.cog")).st_mode;
  const mode_t sharedMode = StatusOf(Path("shared.cog")).st_mode;

  EXPECT_EQ(WriteScriptAtomically(Path("plain.cog"), "new\r\n"), "");
  EXPECT_EQ(WriteScriptAtomically(Path("shared.cog"), "new\r\n"), "");
  EXPECT_EQ(Attribute(Path("plain.cog"), "system.posix_acl_access"), std::nullopt);
  EXPECT_EQ(StatusOf(Path("plain.cog")).st_mode, plainMode);
  EXPECT_EQ(Attribute(Path("shared.cog"), "system.posix_acl_access"), access);
  EXPECT_EQ(Attribute(Path("shared.cog"), "user.origin"), "level 3");
  EXPECT_EQ(StatusOf(Path("shared.cog")).st_mode, sharedMode);
  EXPECT_EQ(Read("shared.cog"), "new\r\n");
  EXPECT_EQ(Entries(), (std::vector<std::string>{"plain.cog", "shared.cog"}));
}

/// What save returns when run as the user uid:gid: in a child process when
/// that is not who runs the tests.
std::string RunAs(uid_t uid, gid_t gid, const std::function<std::string()>& save) {
  int out[2];
  if (uid == ::geteuid()) return save();
  if (::pipe(out) != 0) return "(no pipe)";
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(out[0]);
    const bool user = ::setgroups(0, nullptr) == 0 && ::setgid(gid) == 0 && ::setuid(uid) == 0;
    const std::string result = user ? save() : "(cannot change user)";
    ::_exit(::write(out[1], result.data(), result.size()) == static_cast<ssize_t>(result.size()) ? 0 : 1);
  }
  ::close(out[1]);
  std::string result;
  char buffer[512];
  for (ssize_t got; (got = ::read(out[0], buffer, sizeof buffer)) > 0;)
    result.append(buffer, static_cast<std::size_t>(got));
  ::close(out[0]);
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return "(the saving process failed)";
  return result;
}

/// cogs/door.cog saved as "new\r\n". Run as root, the saver is nobody
/// (65534) and the other user root, or the other way round with rootSaves;
/// run as another user, that user saves and rows that need a second user
/// are skipped.
struct SaverCase {
  const char* name;
  bool rootSaves = false;
  bool linked = false;  // the file has a second name, door-link.cog
  bool othersFolder = false;
  mode_t folderMode = 0755;
  bool othersFile = false;
  bool othersGroup = false;
  mode_t fileMode = 0644;
  bool inPlace = true;  // the same inode is written, else a new one replaces it
  const char* reason = "";
};

void PrintTo(const SaverCase& c, std::ostream* os) { *os << c.name; }

class SaverTest : public ScriptFileTest, public ::testing::WithParamInterface<SaverCase> {};

TEST_P(SaverTest, ThePathNamesTheSameFileAfterwards) {
  const SaverCase& c = GetParam();
  const bool asRoot = ::geteuid() == 0;
  if (!asRoot && (c.rootSaves || c.othersFolder || c.othersFile || c.othersGroup))
    GTEST_SKIP() << "needs root to give a file or folder to another user";
  const uid_t saver = !asRoot ? ::getuid() : c.rootSaves ? 0 : 65534;
  const gid_t saverGroup = !asRoot ? ::getgid() : saver;
  const uid_t other = saver == 0 ? 65534 : 0;
  const std::string folder = Path("cogs");
  const std::string file = folder + "/door.cog";
  ASSERT_EQ(::chmod(root.c_str(), 0755), 0);
  ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
  Write("cogs/door.cog", "old text\r\n");
  if (c.linked) {
    ASSERT_EQ(::link(file.c_str(), (folder + "/door-link.cog").c_str()), 0);
  }
  if (asRoot) {
    ASSERT_EQ(::chown(folder.c_str(), c.othersFolder ? other : saver, c.othersFolder ? other : saverGroup), 0);
    ASSERT_EQ(::chown(file.c_str(), c.othersFile ? other : saver, c.othersGroup ? other : saverGroup), 0);
  }
  ASSERT_EQ(::chmod(file.c_str(), c.fileMode), 0);
  ASSERT_EQ(::chmod(folder.c_str(), c.folderMode), 0);
  const struct stat before = StatusOf(file);

  EXPECT_EQ(RunAs(saver, saverGroup, [&] { return WriteScriptAtomically(file, "new\r\n"); }), c.reason);
  ASSERT_EQ(::chmod(folder.c_str(), 0755), 0);
  const struct stat after = StatusOf(file);
  EXPECT_EQ(Read("cogs/door.cog"), *c.reason == '\0' ? "new\r\n" : "old text\r\n");
  EXPECT_EQ(after.st_ino == before.st_ino, c.inPlace);
  EXPECT_EQ(after.st_uid, before.st_uid);
  EXPECT_EQ(after.st_gid, before.st_gid);
  EXPECT_EQ(after.st_mode, before.st_mode);
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (c.linked ? std::vector<std::string>{"door-link.cog", "door.cog"}
                             : std::vector<std::string>{"door.cog"}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SaverTest,
    ::testing::Values(
        SaverCase{.name = "OwnFileIsReplaced", .inPlace = false},
        SaverCase{.name = "RootKeepsAnotherUsersOwnerAndGroup", .rootSaves = true, .othersFile = true,
                  .othersGroup = true, .fileMode = 0640, .inPlace = false},
        SaverCase{.name = "SecondNameSeesTheNewText", .linked = true},
        SaverCase{.name = "FolderTheSaverMayNotChange", .folderMode = 0555},
        SaverCase{.name = "OthersFileInAStickyFolder", .othersFolder = true, .folderMode = 01777, .othersFile = true,
                  .othersGroup = true, .fileMode = 0666},
        SaverCase{.name = "GroupTheSaverIsNotIn", .othersGroup = true, .fileMode = 0664},
        SaverCase{.name = "ReadOnlyFile", .fileMode = 0444,
                  .reason = "The file or its folder is read-only, or you are not allowed to change it."}),
    [](const ::testing::TestParamInfo<SaverCase>& row) { return std::string(row.param.name); });

#else

TEST(ScriptFileIdentity, NeedsLinux) {
  GTEST_SKIP() << "owners, hard links, extended attributes and other users are tested on Linux";
}

#endif

}  // namespace
}  // namespace vorrik
