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

}  // namespace
}  // namespace vorrik
