// The script file unit on Windows: the wide-character Windows API, so that
// any Unicode name and paths past 260 characters work, and no file is locked
// against other programs while it is read.

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <utility>

#include "document/script_bytes.h"
#include "document/script_file.h"
#include "document/script_file_internal.h"

namespace vorrik {
namespace {

using script_file::kFolder;
using script_file::kNotAFile;
using script_file::kTooLarge;

const char* const kShared = "Another program has the file open. Close it there, then try again.";

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

/// An open handle, closed when it goes.
class Handle {
 public:
  explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
  ~Handle() { close(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  Handle(Handle&& other) noexcept : handle_(other.release()) {}
  Handle& operator=(Handle&& other) noexcept {
    close();
    handle_ = other.release();
    return *this;
  }

  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE release() { return std::exchange(handle_, INVALID_HANDLE_VALUE); }
  /// False when closing reports an error, which GetLastError() then names.
  bool close() { return !valid() || CloseHandle(release()); }

 private:
  HANDLE handle_;
};

std::wstring Widen(std::string_view utf8, bool& valid) {
  valid = true;
  if (utf8.empty()) return {};
  const int size = static_cast<int>(std::min<std::size_t>(utf8.size(), 0x7FFFFFFF));
  const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  valid = length > 0 && static_cast<std::size_t>(size) == utf8.size() &&
          MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, wide.data(), length) == length;
  return wide;
}

std::string Narrow(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(std::max(length, 0)), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), length, nullptr, nullptr);
  return utf8;
}

bool StartsWith(std::wstring_view text, std::wstring_view start) { return text.substr(0, start.size()) == start; }

// A folder's path may not pass 248 characters (MAX_PATH less room for an 8.3
// name) in the short form, and a temporary file's name adds up to 7 to the
// file's: beyond this the "\\?\" form is used.
constexpr std::size_t kLongPath = MAX_PATH - 12 - 8;

/// A native path made ready for the wide-character calls, or why it cannot
/// be: the absolute path, in the "\\?\" form when it is long.
struct WidePath {
  std::wstring path;
  std::string failure;
};

WidePath Resolve(const std::string& nativePath, FileOperation operation) {
  if (nativePath.empty()) return {{}, FailureReason(ENOENT, operation)};
  bool valid = false;
  const std::wstring wide = Widen(nativePath, valid);
  // Bytes that are no UTF-8 or a NUL name no file Windows can have.
  if (!valid || wide.find(L'\0') != std::wstring::npos) return {{}, WindowsFailureReason(ERROR_INVALID_NAME, operation)};
  // Already in the long form, which the system takes as it is.
  if (StartsWith(wide, L"\\\\?\\")) return {wide, {}};
  std::wstring full(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0) return {{}, WindowsFailureReason(GetLastError(), operation)};
    if (length < full.size()) {
      full.resize(length);
      break;
    }
    full.resize(length);
  }
  // A device's name (NUL, CON, COM1, also inside a folder) or a "\\.\" path
  // such as a named pipe: no file on a disk.
  if (StartsWith(full, L"\\\\.\\")) return {{}, kNotAFile};
  // No Windows file system holds a name longer than 255 characters; told as
  // such here, as the system may report it as a missing file instead.
  for (std::size_t start = 0; start < full.size();) {
    const std::size_t end = std::min(full.find(L'\\', start), full.size());
    if (end - start > 255) return {{}, WindowsFailureReason(ERROR_FILENAME_EXCED_RANGE, operation)};
    start = end + 1;
  }
  if (full.size() < kLongPath) return {full, {}};
  if (StartsWith(full, L"\\\\")) return {L"\\\\?\\UNC\\" + full.substr(2), {}};
  return {L"\\\\?\\" + full, {}};
}

/// The folder that holds the absolute path.
std::wstring FolderOf(const std::wstring& path) {
  std::wstring folder = path.substr(0, path.find_last_of(L'\\'));
  // "C:" alone is the current folder of drive C:, not its root.
  if (!folder.empty() && folder.back() == L':') folder += L'\\';
  return folder;
}

bool IsFolderPath(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

/// The reason for an error met looking at or opening path.
std::string OpenFailure(const std::wstring& path, DWORD error, FileOperation operation) {
  // A missing file in a missing folder is told as the folder.
  if (error == ERROR_FILE_NOT_FOUND && !IsFolderPath(FolderOf(path))) error = ERROR_PATH_NOT_FOUND;
  return WindowsFailureReason(error, operation);
}

/// What an open handle is.
struct FileFacts {
  unsigned long long size = 0;
  DWORD attributes = 0;
  DWORD links = 0;
};

/// Looks at what file is open: returns "", or why it is no script file.
std::string Inspect(HANDLE file, FileOperation operation, FileFacts& facts) {
  // A pipe, a console or a device could block the reader or never end.
  if (GetFileType(file) != FILE_TYPE_DISK) return kNotAFile;
  BY_HANDLE_FILE_INFORMATION information;
  if (!GetFileInformationByHandle(file, &information)) return WindowsFailureReason(GetLastError(), operation);
  if ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return kFolder;
  facts.size = static_cast<unsigned long long>(information.nFileSizeHigh) << 32 | information.nFileSizeLow;
  facts.attributes = information.dwFileAttributes;
  facts.links = information.nNumberOfLinks;
  return {};
}

/// Reads up to size bytes: how many, or nothing on a failure (GetLastError()).
std::optional<std::size_t> ReadSome(HANDLE file, char* buffer, std::size_t size) {
  DWORD got = 0;
  // Within what one call takes.
  if (!ReadFile(file, buffer, static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30)), &got, nullptr))
    return std::nullopt;
  return got;
}

std::string WriteAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30)), &written,
                   nullptr))
      return WindowsFailureReason(GetLastError(), FileOperation::Writing);
    // Nothing taken and no error: the disk has no room.
    if (written == 0) return WindowsFailureReason(ERROR_DISK_FULL, FileOperation::Writing);
    bytes.remove_prefix(written);
  }
  return {};
}

/// Creates a new file beside target for the new content, named after it with
/// a random suffix and carrying attributes; its handle, invalid with
/// GetLastError() set on failure.
Handle CreateTemporary(const std::wstring& target, DWORD attributes, std::wstring& path) {
  const std::size_t start = target.find_last_of(L'\\') + 1;
  // A name near the file system's limit leaves no room for the suffix.
  const std::wstring name = target.size() - start > 200 ? std::wstring(L"vorrik-save") : target.substr(start);
  const std::wstring stem = target.substr(0, start) + name + L'.';
  static constexpr wchar_t kLetters[] = L"abcdefghijklmnopqrstuvwxyz0123456789";
  std::minstd_rand random(std::random_device{}());
  for (int attempt = 0; attempt < 100; ++attempt) {
    path = stem;
    for (int i = 0; i < 6; ++i) path += kLetters[random() % (std::size(kLetters) - 1)];
    Handle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, attributes, nullptr));
    if (file.valid() || (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS))
      return file;
  }
  return Handle();
}

/// Why ReplaceFileW failed with error, the old file still in place: another
/// program holding it open shows as a sharing violation when it is opened
/// for deleting.
std::string ReplaceFailure(const std::wstring& target, DWORD error) {
  if (error == ERROR_UNABLE_TO_REMOVE_REPLACED || error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) {
    Handle probe(CreateFileW(target.c_str(), DELETE, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!probe.valid() && (GetLastError() == ERROR_SHARING_VIOLATION || GetLastError() == ERROR_LOCK_VIOLATION))
      return kShared;
  }
  return WindowsFailureReason(error, FileOperation::Writing);
}

// The attributes that a file which replaces another takes from it; the
// read-only one is never set on a file that is saved.
constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

/// Writes bytes to a new file beside target, flushes it, and puts it in the
/// place of the old file (with old, its attributes) or moves it there.
/// Returns "" when done, why it failed, or nothing when the new file could
/// not stand in for old (a folder that refuses new files or the replace); on
/// failure nothing is left behind.
std::optional<std::string> ReplaceByRename(const std::wstring& target, std::string_view bytes,
                                           const FileFacts* old) {
  std::wstring temporary;
  const DWORD attributes = old != nullptr ? old->attributes & kKeptAttributes : 0;
  Handle file = CreateTemporary(target, attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL, temporary);
  if (!file.valid()) {
    if (old != nullptr && GetLastError() == ERROR_ACCESS_DENIED) return std::nullopt;
    return WindowsFailureReason(GetLastError(), FileOperation::Writing);
  }
  std::optional<std::string> outcome = WriteAll(file.get(), bytes);
  const auto going = [&] { return outcome && outcome->empty(); };
  // Flushed before the replace: after a crash the file is the old one or the
  // new one, never a cut one.
  if (going() && !FlushFileBuffers(file.get())) outcome = WindowsFailureReason(GetLastError(), FileOperation::Writing);
  // A network share may report a failed write only here.
  if (!file.close() && going()) outcome = WindowsFailureReason(GetLastError(), FileOperation::Writing);
  if (going() && old == nullptr && !MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH))
    outcome = WindowsFailureReason(GetLastError(), FileOperation::Writing);
  // ReplaceFileW hands the old file's attributes, security, creation time
  // and streams on to the new one.
  if (going() && old != nullptr && !ReplaceFileW(target.c_str(), temporary.c_str(), nullptr, 0, nullptr, nullptr)) {
    const DWORD error = GetLastError();
    if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT) {
      // The old file is gone and the new one still has its temporary name:
      // it is moved into place, or left there, holding the only copy.
      if (MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) return std::string();
      return WindowsFailureReason(GetLastError(), FileOperation::Writing);
    }
    // A folder where the old file may not be replaced: it is written in place.
    if (error == ERROR_ACCESS_DENIED)
      outcome.reset();
    else
      outcome = ReplaceFailure(target, error);
  }
  if (!going()) DeleteFileW(temporary.c_str());
  return outcome;
}

/// Reads the whole of the open file from its start into bytes.
std::string ReadOldBytes(HANDLE file, std::string& bytes) {
  FileFacts facts;
  if (std::string refusal = Inspect(file, FileOperation::Reading, facts); !refusal.empty()) return refusal;
  // Its bytes are held in memory until the new ones are safely written.
  if (facts.size > kMaxScriptBytes) return kTooLarge;
  if (!SetFilePointerEx(file, LARGE_INTEGER{}, nullptr, FILE_BEGIN))
    return WindowsFailureReason(GetLastError(), FileOperation::Reading);
  bytes.resize(static_cast<std::size_t>(facts.size) + 1);
  std::size_t have = 0;
  for (;;) {
    if (have > kMaxScriptBytes) return kTooLarge;
    // A file that grew since it was looked at is read to its end all the same.
    if (have == bytes.size()) bytes.resize(std::min(2 * bytes.size(), kMaxScriptBytes + 1));
    const auto got = ReadSome(file, bytes.data() + have, bytes.size() - have);
    if (!got) return WindowsFailureReason(GetLastError(), FileOperation::Reading);
    if (*got == 0) break;
    have += *got;
  }
  bytes.resize(have);
  return {};
}

/// Makes the open file hold exactly bytes, on the disk.
std::string Overwrite(HANDLE file, std::string_view bytes) {
  const auto failed = [] { return WindowsFailureReason(GetLastError(), FileOperation::Writing); };
  if (!SetFilePointerEx(file, LARGE_INTEGER{}, nullptr, FILE_BEGIN)) return failed();
  if (std::string failure = WriteAll(file, bytes); !failure.empty()) return failure;
  if (!SetEndOfFile(file) || !FlushFileBuffers(file)) return failed();
  return {};
}

/// Writes bytes over the open file itself, which keeps everything the file
/// is: its other names, attributes and security. The old bytes are read
/// first; a failure after the first byte is overwritten puts them back.
std::string WriteInPlace(HANDLE file, std::string_view bytes) {
  std::string old;
  std::string failure = ReadOldBytes(file, old);
  if (failure.empty()) {
    failure = Overwrite(file, bytes);
    // The cause (a disk error, a full disk) may stand in the way of this
    // too; the new text is still in the caller's hands either way.
    if (!failure.empty()) static_cast<void>(Overwrite(file, old));
  }
  return failure;
}

/// Follows a symbolic link or junction to the file it leads to: saving
/// writes the link's target and keeps the link.
std::string FollowLink(std::wstring& target) {
  Handle link(CreateFileW(target.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!link.valid()) return OpenFailure(target, GetLastError(), FileOperation::Writing);
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetFinalPathNameByHandleW(link.get(), path.data(), static_cast<DWORD>(path.size()), 0);
    if (length == 0) return WindowsFailureReason(GetLastError(), FileOperation::Writing);
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(length);
  }
  target = path;
  return {};
}

}  // namespace

std::string WindowsFailureReason(unsigned long code, FileOperation operation) {
  switch (code) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return FailureReason(ENOSPC, operation);
    case ERROR_ACCESS_DENIED:
      return FailureReason(EACCES, operation);
    case ERROR_WRITE_PROTECT:
      return FailureReason(EROFS, operation);
    case ERROR_FILENAME_EXCED_RANGE:
      return FailureReason(ENAMETOOLONG, operation);
    case ERROR_FILE_NOT_FOUND:
      return FailureReason(ENOENT, operation);
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
      return FailureReason(ENOTDIR, operation);
    case ERROR_CRC:
    case ERROR_SECTOR_NOT_FOUND:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_GEN_FAILURE:
    case ERROR_IO_DEVICE:
      return FailureReason(EIO, operation);
    case ERROR_TOO_MANY_OPEN_FILES:
      return FailureReason(EMFILE, operation);
    case ERROR_CANT_RESOLVE_FILENAME:
      return FailureReason(ELOOP, operation);
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return kShared;
    case ERROR_NOT_READY:
      return "The drive is not ready: put in its disk or connect it, then try again.";
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_DIRECTORY:
      return "Windows does not allow this file name or path.";
    default:
      break;
  }
  wchar_t* message = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
      reinterpret_cast<wchar_t*>(&message), 0, nullptr);
  std::string text = length > 0 ? Narrow(std::wstring_view(message, length)) : std::string();
  LocalFree(message);
  // The system's messages end with a full stop and a line break.
  while (!text.empty() && (text.back() == '.' || std::isspace(static_cast<unsigned char>(text.back()))))
    text.pop_back();
  const std::string number = "(error " + std::to_string(code) + ").";
  return text.empty() ? "The system refused it " + number : "The system refused it: " + text + " " + number;
}

std::string ScriptReader::open(const std::string& nativePath) {
  close();
  const WidePath path = Resolve(nativePath, FileOperation::Reading);
  if (!path.failure.empty()) return path.failure;
  // Looked at before it is opened: opening a device can itself have effects.
  const DWORD attributes = GetFileAttributesW(path.path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return OpenFailure(path.path, GetLastError(), FileOperation::Reading);
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return kFolder;
  Handle file(CreateFileW(path.path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file.valid()) return OpenFailure(path.path, GetLastError(), FileOperation::Reading);
  // Checked again on what was opened: the path may name another file by now.
  FileFacts facts;
  if (std::string refusal = Inspect(file.get(), FileOperation::Reading, facts); !refusal.empty()) return refusal;
  if (facts.size > kMaxScriptBytes) return kTooLarge;
  handle_ = file.release();
  size_ = static_cast<std::size_t>(facts.size);
  return {};
}

std::size_t ScriptReader::read(char* buffer, std::size_t size) {
  if (handle_ == nullptr || !error_.empty()) return 0;
  // At most one byte past the limit: a file that grows while it is read is
  // refused without reading the rest of it.
  const auto got = ReadSome(handle_, buffer, std::min(size, kMaxScriptBytes + 1 - consumed_));
  if (!got) {
    error_ = WindowsFailureReason(GetLastError(), FileOperation::Reading);
    return 0;
  }
  consumed_ += *got;
  if (consumed_ > kMaxScriptBytes) {
    error_ = kTooLarge;
    return 0;
  }
  return *got;
}

void ScriptReader::close() {
  if (handle_ != nullptr) CloseHandle(handle_);
  handle_ = nullptr;
  size_ = 0;
  consumed_ = 0;
  error_.clear();
}

std::string WriteScriptAtomically(const std::string& nativePath, std::string_view bytes) {
  WidePath path = Resolve(nativePath, FileOperation::Writing);
  if (!path.failure.empty()) return path.failure;
  std::wstring& target = path.path;
  DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    if (std::string failure = FollowLink(target); !failure.empty()) return failure;
    attributes = GetFileAttributesW(target.c_str());
  }
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND && IsFolderPath(FolderOf(target))) return *ReplaceByRename(target, bytes, nullptr);
    return OpenFailure(target, error, FileOperation::Writing);
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return kFolder;
  // The replace would put a new file in the place of a read-only one all the
  // same; a read-only file is left alone, as the user meant.
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) return FailureReason(EACCES, FileOperation::Writing);
  // Opened for writing first: another program that holds it without sharing,
  // or a file the user may not change, is met before anything is written.
  const auto openToUpdate = [&] {
    return Handle(CreateFileW(target.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  };
  Handle file = openToUpdate();
  if (!file.valid()) return WindowsFailureReason(GetLastError(), FileOperation::Writing);
  FileFacts facts;
  if (std::string refusal = Inspect(file.get(), FileOperation::Writing, facts); !refusal.empty()) return refusal;
  // A second name of the file would keep the old text: it is written in place.
  if (facts.links == 1) {
    file.close();
    // Replacing needs the file opened for deleting, which a program that
    // holds it open without sharing that refuses; seen here, before any new
    // file is made.
    Handle probe(CreateFileW(target.c_str(), DELETE, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!probe.valid() && (GetLastError() == ERROR_SHARING_VIOLATION || GetLastError() == ERROR_LOCK_VIOLATION))
      return kShared;
    probe.close();
    if (std::optional<std::string> replaced = ReplaceByRename(target, bytes, &facts)) return *replaced;
    file = openToUpdate();
    if (!file.valid()) return WindowsFailureReason(GetLastError(), FileOperation::Writing);
  }
  return WriteInPlace(file.get(), bytes);
}

}  // namespace vorrik
