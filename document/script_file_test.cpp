#include "document/script_file.h"
#include "document/script_save.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "document/script_bytes.h"

#ifdef _WIN32
#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include "document/file_system_windows.h"
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

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

/// Saves bytes to path as the program does: "", or why it failed.
std::string Save(const std::string& path, std::string_view bytes,
                 const RecoveryFolder& recovery = RecoveryFolder::FromEnvironment()) {
  const SaveResult result = SaveScriptFile(path, bytes, recovery);
  return result.saved() ? std::string() : result.failure();
}

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
      "The system refused it: " + std::string(std::strerror(EXDEV)) + " (error " + std::to_string(EXDEV) + ").";
  const std::tuple<int, std::string, std::string> cases[] = {
      {ENOSPC, full, full},
#ifdef EDQUOT
      {EDQUOT, "The disk is full: your quota on it is used up.", "The disk is full: your quota on it is used up."},
#endif
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
      {EXDEV, other, other},
  };
  // Reading and writing differ where what the user can do about it does.
  for (const auto& [error, reading, writing] : cases) {
    EXPECT_EQ(FailureReason(error, FileOperation::Reading), reading) << error;
    EXPECT_EQ(FailureReason(error, FileOperation::Writing), writing) << error;
  }
}

/// The file system's path for a native path (UTF-8 on Windows). On Windows
/// an absolute path takes the "\\?\" form, which the C library's calls need
/// past 260 characters.
fs::path FsPath(std::string native) {
#ifdef _WIN32
  if (native.size() > 2 && native[1] == ':') {
    std::replace(native.begin(), native.end(), '/', '\\');
    native = "\\\\?\\" + native;
  }
#endif
  return fs::path(std::u8string(native.begin(), native.end()));
}

std::string Native(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

/// A fresh folder for each test, its paths given as native paths.
class ScriptFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device random;
    for (int attempt = 0; attempt < 100 && root.empty(); ++attempt) {
      const fs::path folder = fs::temp_directory_path() / ("script_file_test." + std::to_string(random()));
      if (fs::create_directory(folder)) root = Native(folder);
    }
    ASSERT_FALSE(root.empty());
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(FsPath(root), ignored);
  }

  std::string Path(const std::string& name) const { return root + "/" + name; }
  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(FsPath(Path(name)), std::ios::binary) << bytes;
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(FsPath(Path(name)), std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "(missing)";
  }
  std::vector<std::string> Entries(const std::string& folder = "") const {
    const fs::path path = FsPath(folder.empty() ? root : Path(folder));
    std::vector<std::string> names;
#ifdef _WIN32
    // The C library's folder listing gives up past 260 characters.
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((path.wstring() + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) ADD_FAILURE() << "cannot list " << folder;
    for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found)) {
      const std::wstring_view name = found.cFileName;
      if (name != L"." && name != L"..") names.push_back(Native(fs::path(name)));
    }
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
#else
    for (const auto& entry : fs::directory_iterator(path)) names.push_back(Native(entry.path().filename()));
#endif
    std::sort(names.begin(), names.end());
    return names;
  }
  /// The whole file through ScriptReader, or why it cannot be read.
  static std::string ReadThrough(const std::string& path) {
    ScriptReader reader;
    if (std::string reason = reader.open(path); !reason.empty()) return "(" + reason + ")";
    std::string bytes;
    char block[4096];
    while (const std::size_t n = reader.read(block, sizeof block)) bytes.append(block, n);
    return reader.error().empty() ? bytes : "(" + reader.error() + ")";
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


// What is no file is refused by reading and by saving alike, and a save
// refused leaves nothing behind.
TEST_F(ScriptFileTest, FoldersDevicesAndMissingFoldersAreRefused) {
  ASSERT_TRUE(fs::create_directory(FsPath(Path("cogs"))));
  const std::string folder = "It is a folder, not a file.";
  const std::string device = "It is a device or a pipe, not a file.";
  struct Case {
    std::string path;
    std::string reading;
    std::string writing;
  };
  const Case cases[] = {
      {Path("cogs"), folder, folder},
      {Path("cogs") + "/", folder, folder},
#ifdef _WIN32
      {"NUL", device, device},
      {Path("cogs") + "/CON", device, device},
      {"\\\\.\\pipe\\vorrik-no-such-pipe", device, device},
#else
      {"/dev/null", device, device},
#endif
      {Path("gone/door.cog"), "The folder it should be in does not exist.",
       "The folder it should go in does not exist."},
      {Path("cogs/door.cog"), "The file does not exist.", ""},  // saving creates it
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReadThrough(c.path), "(" + c.reading + ")") << c.path;
    EXPECT_EQ(Save(c.path, "new\r\n"), c.writing) << c.path;
  }
  EXPECT_EQ(Entries(), (std::vector<std::string>{"cogs"}));
  EXPECT_EQ(Entries("cogs"), (std::vector<std::string>{"door.cog"}));
  EXPECT_EQ(Read("cogs/door.cog"), "new\r\n");
}

// Names in any script and paths past the 260 characters of Windows' short
// form are read, replaced and created.
TEST_F(ScriptFileTest, UnicodeNamesAndLongPathsRoundTrip) {
  // Cyrillic, CJK and an emoji outside the Basic Multilingual Plane.
  const std::string unicode = "\xd0\xba\xd0\xbe\xd0\xb3 \xe8\x84\x9a\xe6\x9c\xac \xf0\x9f\x9a\xaa";
  std::string deep = "long";
  for (int i = 0; i < 4; ++i) deep += "/" + std::string(90, static_cast<char>('a' + i));
  ASSERT_GT(Path(deep).size(), 360u);
  for (const std::string& folder : {unicode, deep}) {
    ASSERT_TRUE(fs::create_directories(FsPath(Path(folder)))) << folder;
    const std::string old = folder + "/" + unicode + ".cog";
    const std::string created = folder + "/" + std::string(120, 'n') + ".cog";
    Write(old, "old \xe9\r\n");
    EXPECT_EQ(ReadThrough(Path(old)), "old \xe9\r\n") << folder;
    EXPECT_EQ(Save(Path(old), "new \xff\r\n"), "") << folder;
    EXPECT_EQ(Save(Path(created), "made\r\n"), "") << folder;
    EXPECT_EQ(ReadThrough(Path(old)), "new \xff\r\n") << folder;
    EXPECT_EQ(ReadThrough(Path(created)), "made\r\n") << folder;
    EXPECT_EQ(Entries(folder), (std::vector<std::string>{std::string(120, 'n') + ".cog", unicode + ".cog"}))
        << folder;
  }
}

// A file being read is no obstacle to saving it: the reader goes on with the
// bytes it opened.
TEST_F(ScriptFileTest, ReaderLocksNothing) {
  Write("door.cog", "old\r\n");
  ScriptReader reader;
  ASSERT_EQ(reader.open(Path("door.cog")), "");
  EXPECT_EQ(Save(Path("door.cog"), "new text\r\n"), "");
  char block[64];
  EXPECT_EQ(std::string(block, reader.read(block, sizeof block)), "old\r\n");
  EXPECT_EQ(reader.error(), "");
  // Windows lists a file whose deletion waits for its last handle.
  reader.close();
  EXPECT_EQ(Read("door.cog"), "new text\r\n");
  EXPECT_EQ(Entries(), (std::vector<std::string>{"door.cog"}));
}

#ifndef _WIN32
TEST_F(ScriptFileTest, WriterReplacesKeepingPermissionsAndFollowsLinks) {
  Write("door.cog", "old\r\n");
  ASSERT_EQ(::chmod(Path("door.cog").c_str(), 0640), 0);
  EXPECT_EQ(Save(Path("door.cog"), "new\r\n"), "");
  EXPECT_EQ(Read("door.cog"), "new\r\n");
  EXPECT_EQ(fs::status(Path("door.cog")).permissions(), fs::perms(0640));
  // A link whose target does not exist yet: the target is created, with the
  // permissions a new file gets.
  ASSERT_EQ(::symlink("target.cog", Path("link.cog").c_str()), 0);
  const mode_t mask = ::umask(027);
  EXPECT_EQ(Save(Path("link.cog"), ""), "");
  ::umask(mask);
  EXPECT_TRUE(fs::is_symlink(Path("link.cog")));
  EXPECT_EQ(Read("target.cog"), "");
  EXPECT_EQ(fs::status(Path("target.cog")).permissions(), fs::perms(0640));
  EXPECT_EQ(Entries(), (std::vector<std::string>{"door.cog", "link.cog", "target.cog"}));
}

TEST_F(ScriptFileTest, WriterRefusesPipesAndLinkLoops) {
  ASSERT_EQ(::mkfifo(Path("pipe").c_str(), 0600), 0);
  ASSERT_EQ(::symlink("loop", Path("loop").c_str()), 0);
  EXPECT_EQ(Save(Path("pipe"), "new"), "It is a device or a pipe, not a file.");
  EXPECT_EQ(Save(Path("loop"), "new"),
            "The path holds a loop of symbolic links, or too many of them.");
  EXPECT_EQ(Entries(), (std::vector<std::string>{"loop", "pipe"}));
}
#endif


#ifdef _WIN32

std::wstring Wide(const std::string& native) { return FsPath(native).wstring(); }

const std::string kShared = "Another program has the file open. Close it there, then try again.";
const std::string kReadOnly = "The file or its folder is read-only, or you are not allowed to change it.";

/// hold_file, beside this program, holding a file open until it goes, or,
/// with letGoAfter, until that many milliseconds after a new file appears
/// beside it.
class Holder {
 public:
  Holder(const std::string& sharing, const std::string& path, const std::string& letGoAfter = "") {
    std::wstring program(MAX_PATH, L'\0');
    program.resize(GetModuleFileNameW(nullptr, program.data(), static_cast<DWORD>(program.size())));
    program = program.substr(0, program.find_last_of(L'\\') + 1) + L"hold_file.exe";
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    HANDLE childIn = nullptr, childOut = nullptr;
    if (!CreatePipe(&childIn, &input_, &inherited, 0) || !CreatePipe(&output_, &childOut, &inherited, 0)) {
      ADD_FAILURE() << "no pipes: error " << GetLastError();
      return;
    }
    SetHandleInformation(input_, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(output_, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childIn;
    startup.hStdOutput = childOut;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    std::wstring command = L"\"" + program + L"\" " + Wide(sharing) + L" \"" + Wide(path) + L"\"";
    if (!letGoAfter.empty()) command += L" " + Wide(letGoAfter);
    PROCESS_INFORMATION process{};
    // Wine loses about one start in a thousand, failing it with
    // ERROR_INTERNAL_ERROR before the program runs: such a start is made
    // again, up to twice.
    bool started = false;
    for (int start = 0; start < 3 && !started; ++start) {
      started = CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                               &process);
      if (!started && GetLastError() != ERROR_INTERNAL_ERROR) break;
    }
    const DWORD startError = GetLastError();
    CloseHandle(childIn);
    CloseHandle(childOut);
    if (!started) {
      ADD_FAILURE() << "cannot start hold_file: error " << startError;
      return;
    }
    CloseHandle(process.hThread);
    process_ = process.hProcess;
    // It says "held" once the file is open; its output ends without it when
    // it could not open the file.
    char said[5] = {};
    DWORD got = 0, total = 0;
    while (total < sizeof said && ReadFile(output_, said + total, sizeof said - total, &got, nullptr) && got > 0)
      total += got;
    held_ = std::string(said, total) == "held\n";
    if (!held_) ADD_FAILURE() << "hold_file did not hold " << path;
  }
  ~Holder() { finish(); }
  bool held() const { return held_; }

  /// Ends its input, which lets it go, waits for it to end and returns what
  /// it wrote after "held".
  std::string finish() {
    std::string said;
    if (input_ != nullptr) CloseHandle(std::exchange(input_, nullptr));
    char buffer[64];
    DWORD got = 0;
    while (output_ != nullptr && ReadFile(output_, buffer, sizeof buffer, &got, nullptr) && got > 0)
      said.append(buffer, got);
    if (process_ != nullptr) {
      WaitForSingleObject(process_, INFINITE);
      CloseHandle(std::exchange(process_, nullptr));
    }
    if (output_ != nullptr) CloseHandle(std::exchange(output_, nullptr));
    return said;
  }

 private:
  HANDLE input_ = nullptr;
  HANDLE output_ = nullptr;
  HANDLE process_ = nullptr;
  bool held_ = false;
};

// Another program holding the file open: without any sharing, neither reading
// nor saving may open it; sharing all but deleting, it is read, but not
// replaced. The old bytes stay, and no temporary file is left.
TEST_F(ScriptFileTest, FileHeldOpenByAnotherProgram) {
  const struct {
    const char* sharing;
    std::string reading;
  } cases[] = {{"none", "(" + kShared + ")"}, {"no-delete", "old\r\n"}};
  for (const auto& c : cases) {
    Write("door.cog", "old\r\n");
    {
      const Holder holder(c.sharing, Path("door.cog"));
      ASSERT_TRUE(holder.held());
      EXPECT_EQ(ReadThrough(Path("door.cog")), c.reading) << c.sharing;
      EXPECT_EQ(Save(Path("door.cog"), "new\r\n"), kShared) << c.sharing;
    }
    EXPECT_EQ(Read("door.cog"), "old\r\n") << c.sharing;
    EXPECT_EQ(Entries(), (std::vector<std::string>{"door.cog"})) << c.sharing;
    // Once it is closed there, saving works.
    EXPECT_EQ(Save(Path("door.cog"), "new\r\n"), "") << c.sharing;
    EXPECT_EQ(Read("door.cog"), "new\r\n") << c.sharing;
  }
}

// A virus scanner that opens the script (without sharing its deletion) just
// as it is saved: the save waits for it to let go, and one that holds it
// longer than that is named, the file left as it was and nothing behind.
TEST_F(ScriptFileTest, ScannerHoldingTheScriptAsItIsReplaced) {
  const struct {
    const char* letGoAfter;  // milliseconds after the new file appears
    std::string result;
    std::string file;
  } cases[] = {{"300", "", "new\r\n"}, {"5000", kShared, "old\r\n"}};
  for (const auto& c : cases) {
    Write("door.cog", "old\r\n");
    Holder holder("no-delete", Path("door.cog"), c.letGoAfter);
    ASSERT_TRUE(holder.held());
    EXPECT_EQ(Save(Path("door.cog"), "new\r\n"), c.result) << c.letGoAfter;
    // It held the script from before the new file was made, so the first
    // try to replace the script met it.
    EXPECT_EQ(holder.finish(), "let go\n") << c.letGoAfter;
    EXPECT_EQ(Read("door.cog"), c.file) << c.letGoAfter;
    EXPECT_EQ(Entries(), (std::vector<std::string>{"door.cog"})) << c.letGoAfter;
  }
}

// ReplaceFileW as a test makes it fail (file_system_windows.h): both files
// keep their names; or the old file was moved to the backup name first and
// goes back.
BOOL WINAPI CannotMoveTheNewFile(const wchar_t*, const wchar_t*, const wchar_t*) {
  SetLastError(ERROR_UNABLE_TO_MOVE_REPLACEMENT);
  return FALSE;
}
BOOL WINAPI MovesTheOldFileAway(const wchar_t* replaced, const wchar_t*, const wchar_t* backup) {
  MoveFileW(replaced, backup);
  SetLastError(ERROR_UNABLE_TO_MOVE_REPLACEMENT_2);
  return FALSE;
}

TEST_F(ScriptFileTest, ReplaceThatCannotMoveTheNewFileKeepsTheOldOne) {
  const std::string cannotMove = WindowsFailureReason(ERROR_UNABLE_TO_MOVE_REPLACEMENT, FileOperation::Writing);
  const std::string movedAway = WindowsFailureReason(ERROR_UNABLE_TO_MOVE_REPLACEMENT_2, FileOperation::Writing);
  const struct {
    file_system::ReplaceFileFunction replace;
    std::string result;
  } cases[] = {{CannotMoveTheNewFile, cannotMove}, {MovesTheOldFileAway, movedAway}};
  for (const auto& c : cases) {
    Write("door.cog", "old\r\n");
    file_system::SetReplaceFileForTesting(c.replace);
    EXPECT_EQ(Save(Path("door.cog"), "new\r\n"), c.result);
    file_system::SetReplaceFileForTesting(nullptr);
    EXPECT_EQ(Read("door.cog"), "old\r\n");
    EXPECT_EQ(Entries(), (std::vector<std::string>{"door.cog"}));
  }
}

TEST_F(ScriptFileTest, ReadOnlyAttributeRefusesTheSave) {
  Write("door.cog", "old\r\n");
  ASSERT_TRUE(SetFileAttributesW(Wide(Path("door.cog")).c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(Save(Path("door.cog"), "new\r\n"), kReadOnly);
  EXPECT_EQ(ReadThrough(Path("door.cog")), "old\r\n");
  EXPECT_EQ(GetFileAttributesW(Wide(Path("door.cog")).c_str()) & FILE_ATTRIBUTE_READONLY,
            DWORD{FILE_ATTRIBUTE_READONLY});
  EXPECT_EQ(Entries(), (std::vector<std::string>{"door.cog"}));
  ASSERT_TRUE(SetFileAttributesW(Wide(Path("door.cog")).c_str(), FILE_ATTRIBUTE_NORMAL));
}

// A second name of the file keeps seeing it: the file is written in place.
TEST_F(ScriptFileTest, HardLinkSeesTheNewBytes) {
  Write("door.cog", "old text\r\n");
  ASSERT_TRUE(CreateHardLinkW(Wide(Path("door-link.cog")).c_str(), Wide(Path("door.cog")).c_str(), nullptr))
      << GetLastError();
  EXPECT_EQ(Save(Path("door.cog"), "new\r\n"), "");
  EXPECT_EQ(Read("door.cog"), "new\r\n");
  EXPECT_EQ(Read("door-link.cog"), "new\r\n");
  EXPECT_EQ(Save(Path("door-link.cog"), "newer, longer\r\n"), "");
  EXPECT_EQ(Read("door.cog"), "newer, longer\r\n");
  EXPECT_EQ(Entries(), (std::vector<std::string>{"door-link.cog", "door.cog"}));
}

// The file that replaces the old one has the old one's attributes.
TEST_F(ScriptFileTest, ReplacedFileKeepsItsAttributes) {
  const DWORD kinds[] = {FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_ARCHIVE, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM};
  for (const DWORD kind : kinds) {
    Write("door.cog", "old\r\n");
    const std::wstring path = Wide(Path("door.cog"));
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), kind));
    const DWORD before = GetFileAttributesW(path.c_str());
    if ((before & kind) != kind) GTEST_SKIP() << "the file system keeps no attribute " << kind << " here";
    EXPECT_EQ(Save(Path("door.cog"), "new\r\n"), "") << kind;
    EXPECT_EQ(GetFileAttributesW(path.c_str()), before) << kind;
    EXPECT_EQ(Read("door.cog"), "new\r\n") << kind;
    EXPECT_EQ(Entries(), (std::vector<std::string>{"door.cog"})) << kind;
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL));
  }
}

/// The access rules of the file at path, as SDDL.
std::string AccessRules(const std::string& path) {
  const HANDLE file = CreateFileW(Wide(path).c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD error =
      GetSecurityInfo(file, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr, nullptr, &descriptor);
  CloseHandle(file);
  if (error != ERROR_SUCCESS) return "(none)";
  wchar_t* text = nullptr;
  ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text,
                                                       nullptr);
  const std::string rules = text != nullptr ? Native(fs::path(text)) : "(none)";
  LocalFree(text);
  LocalFree(descriptor);
  return rules;
}

// The new file, made for its owner alone, takes the old one's access rules:
// here everyone's reading. (Wine keeps rules only as far as POSIX permission
// bits tell them, and reports rules that take some away inconsistently, so
// a file with fewer rules than its bits cannot be checked here.)
TEST_F(ScriptFileTest, ReplacedFileKeepsItsAccessRules) {
  const std::wstring rules = L"D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;FR;;;WD)";
  Write("door.cog", "old\r\n");
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(rules.c_str(), SDDL_REVISION_1, &descriptor, nullptr));
  ASSERT_TRUE(SetFileSecurityW(Wide(Path("door.cog")).c_str(), DACL_SECURITY_INFORMATION, descriptor));
  LocalFree(descriptor);
  const std::string before = AccessRules(Path("door.cog"));
  ASSERT_NE(before.find(";;;WD)"), std::string::npos) << before;
  EXPECT_EQ(Save(Path("door.cog"), "new\r\n"), "");
  EXPECT_EQ(AccessRules(Path("door.cog")), before);
  EXPECT_EQ(Read("door.cog"), "new\r\n");
  EXPECT_EQ(Entries(), (std::vector<std::string>{"door.cog"}));
}

TEST_F(ScriptFileTest, WriterFollowsSymbolicLinks) {
  Write("target.cog", "old\r\n");
  if (!CreateSymbolicLinkW(Wide(Path("link.cog")).c_str(), L"target.cog",
                           SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE))
    GTEST_SKIP() << "symbolic links cannot be made here (error " << GetLastError() << ")";
  if (GetFileAttributesW(Wide(Path("link.cog")).c_str()) == INVALID_FILE_ATTRIBUTES)
    GTEST_SKIP() << "Wine does not make symbolic links: CreateSymbolicLinkW reports success and makes nothing";
  EXPECT_EQ(Save(Path("link.cog"), "new\r\n"), "");
  EXPECT_EQ(Read("target.cog"), "new\r\n");
  EXPECT_TRUE(fs::is_symlink(FsPath(Path("link.cog"))));
  EXPECT_EQ(Entries(), (std::vector<std::string>{"link.cog", "target.cog"}));
}

TEST(WindowsFailureReason, PlainSentences) {
  const std::string notAllowed = "Windows does not allow this file name or path.";
  const std::tuple<DWORD, std::string, std::string> cases[] = {
      {ERROR_HANDLE_DISK_FULL, "The disk is full.", "The disk is full."},
      {ERROR_ACCESS_DENIED, "You are not allowed to read the file or to open its folder.", kReadOnly},
      {ERROR_WRITE_PROTECT, "The disk is read-only.", "The disk is read-only."},
      {ERROR_FILE_NOT_FOUND, "The file does not exist.", "The folder it should go in does not exist."},
      {ERROR_PATH_NOT_FOUND, "The folder it should be in does not exist.", "The folder it should go in does not exist."},
      {ERROR_CRC, "The disk reported an error while the file was being read.",
       "The disk reported an error while the file was being written."},
      {ERROR_SHARING_VIOLATION, kShared, kShared},
      {ERROR_LOCK_VIOLATION, kShared, kShared},
      {ERROR_NOT_READY, "The drive is not ready: put in its disk or connect it, then try again.",
       "The drive is not ready: put in its disk or connect it, then try again."},
      {ERROR_INVALID_NAME, notAllowed, notAllowed},
      {ERROR_DIRECTORY, notAllowed, notAllowed},
  };
  for (const auto& [code, reading, writing] : cases) {
    EXPECT_EQ(WindowsFailureReason(code, FileOperation::Reading), reading) << code;
    EXPECT_EQ(WindowsFailureReason(code, FileOperation::Writing), writing) << code;
  }
  // Any other code is named by the system's own text, without a full stop of
  // its own.
  const std::string other = WindowsFailureReason(ERROR_NOT_SAME_DEVICE, FileOperation::Writing);
  EXPECT_EQ(other.rfind("The system refused it: ", 0), 0u) << other;
  EXPECT_GT(other.size(), std::string("The system refused it: (error 17).").size()) << other;
  EXPECT_EQ(other.substr(other.size() - 12), " (error 17).") << other;
  EXPECT_EQ(other.find(". (error"), std::string::npos) << other;
}

// Bytes that are no UTF-8 name no file.
TEST_F(ScriptFileTest, PathsThatAreNoUtf8AreRefused) {
  const std::string name = Path("bad\xff.cog");
  EXPECT_EQ(ReadThrough(name), "(Windows does not allow this file name or path.)");
  EXPECT_EQ(Save(name, "new"), "Windows does not allow this file name or path.");
  EXPECT_EQ(Entries(), std::vector<std::string>());
}

#endif

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

  EXPECT_EQ(Save(Path("plain.cog"), "new\r\n"), "");
  EXPECT_EQ(Save(Path("shared.cog"), "new\r\n"), "");
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
  // The saver's own folder for the copy of the old text.
  const RecoveryFolder recovery(Path("state"));
  ASSERT_EQ(::mkdir(Path("state").c_str(), 0700), 0);
  if (asRoot) ASSERT_EQ(::chown(Path("state").c_str(), saver, saverGroup), 0);
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

  EXPECT_EQ(RunAs(saver, saverGroup, [&] { return Save(file, "new\r\n", recovery); }), c.reason);
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
                  .reason = "The file or its folder is read-only, or you are not allowed to change it."},
        // Root may write any file, but one that nobody may write is refused
        // as on Windows, for everyone.
        SaverCase{.name = "ReadOnlyFileAndRoot", .rootSaves = true, .fileMode = 0444,
                  .reason = "The file or its folder is read-only, or you are not allowed to change it."}),
    [](const ::testing::TestParamInfo<SaverCase>& row) { return std::string(row.param.name); });

#else

TEST(ScriptFileIdentity, NeedsLinux) {
  GTEST_SKIP() << "owners, groups, extended attributes and other users are Linux's";
}

#endif

}  // namespace
}  // namespace vorrik
