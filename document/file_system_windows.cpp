// The file operations of script files on Windows: the wide-character API, so
// that any Unicode name and paths past 260 characters work, and no file is
// locked against other programs while it is open here.

#include <windows.h>
#include <aclapi.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "document/file_system.h"
#include "document/file_system_windows.h"

namespace vorrik {

namespace {

const char* const kShared = "Another program has the file open. Close it there, then try again.";

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::string Narrow(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(std::max(length, 0)), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), length, nullptr, nullptr);
  return utf8;
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

namespace file_system {
namespace {

SystemError LastError() { return GetLastError(); }

HANDLE AsHandle(void* handle) { return handle == nullptr ? INVALID_HANDLE_VALUE : static_cast<HANDLE>(handle); }

std::wstring Widen(std::string_view utf8, bool& valid) {
  valid = true;
  if (utf8.empty()) return {};
  const int size = static_cast<int>(std::min<std::size_t>(utf8.size(), 0x7FFFFFFF));
  const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(std::max(length, 0)), L'\0');
  valid = length > 0 && static_cast<std::size_t>(size) == utf8.size() &&
          MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, wide.data(), length) == length;
  return wide;
}

bool StartsWith(std::wstring_view text, std::wstring_view start) { return text.substr(0, start.size()) == start; }

// A folder's path may not pass 248 characters (MAX_PATH less room for an 8.3
// name) in the short form, and a temporary file's name adds up to 7 to the
// file's: beyond this the "\\?\" form is used.
constexpr std::size_t kLongPath = MAX_PATH - 12 - 8;

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

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

FileStamp StampFrom(const BY_HANDLE_FILE_INFORMATION& information) {
  return {true, information.dwVolumeSerialNumber,
          static_cast<std::uint64_t>(information.nFileIndexHigh) << 32 | information.nFileIndexLow,
          static_cast<std::uint64_t>(information.nFileSizeHigh) << 32 | information.nFileSizeLow,
          static_cast<std::int64_t>(static_cast<std::uint64_t>(information.ftLastWriteTime.dwHighDateTime) << 32 |
                                    information.ftLastWriteTime.dwLowDateTime)};
}

/// What the file open as handle is, with its attributes.
SystemError FactsOf(HANDLE handle, Facts& facts, DWORD* attributes = nullptr) {
  // A pipe, a console or a device could block the reader or never end.
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    facts = {Kind::Device, 0, 0, {}};
    return 0;
  }
  BY_HANDLE_FILE_INFORMATION information;
  if (!GetFileInformationByHandle(handle, &information)) return LastError();
  const bool folder = (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  facts = {folder ? Kind::Folder : Kind::File, StampFrom(information).size, information.nNumberOfLinks,
           StampFrom(information)};
  if (attributes != nullptr) *attributes = information.dwFileAttributes;
  return 0;
}

/// Whether another program holds the file at name open so that it may not
/// be deleted or replaced.
bool HeldByAnother(const std::wstring& name) {
  const HANDLE probe = CreateFileW(name.c_str(), DELETE, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr);
  if (probe != INVALID_HANDLE_VALUE) {
    CloseHandle(probe);
    return false;
  }
  return IsHeldByAnother(GetLastError());
}

/// A name beside target that names no file yet.
std::wstring UnusedNameBeside(const std::wstring& target, std::wstring_view kind) {
  const std::size_t start = target.find_last_of(L'\\') + 1;
  // A name near the file system's limit leaves no room for the suffix.
  const std::wstring name = target.size() - start > 200 ? std::wstring(L"vorrik-save") : target.substr(start);
  const std::wstring stem = target.substr(0, start) + name + L'.' + std::wstring(kind);
  static constexpr wchar_t kLetters[] = L"abcdefghijklmnopqrstuvwxyz0123456789";
  std::minstd_rand random(std::random_device{}());
  std::wstring path;
  for (int attempt = 0; attempt < 100; ++attempt) {
    path = stem;
    for (int i = 0; i < 6; ++i) path += kLetters[random() % (std::size(kLetters) - 1)];
    if (!Exists(path)) break;
  }
  return path;
}

/// A security descriptor that lets the user running this program alone at
/// a file, and nobody through the folder's inheritable entries.
class PrivateSecurity {
 public:
  PrivateSecurity() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return;
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    user_.resize(size);
    const bool known = size > 0 && GetTokenInformation(token, TokenUser, user_.data(), size, &size);
    CloseHandle(token);
    if (!known) return;
    PSID sid = reinterpret_cast<TOKEN_USER*>(user_.data())->User.Sid;
    acl_.resize(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(sid));
    auto* acl = reinterpret_cast<ACL*>(acl_.data());
    ready_ = InitializeAcl(acl, static_cast<DWORD>(acl_.size()), ACL_REVISION) &&
             AddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS, sid) &&
             InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) &&
             SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE) &&
             SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
    attributes_ = {sizeof attributes_, &descriptor_, FALSE};
  }
  /// For CreateFileW; null (the folder's defaults) where it could not be made.
  SECURITY_ATTRIBUTES* attributes() { return ready_ ? &attributes_ : nullptr; }

 private:
  std::vector<BYTE> user_;
  std::vector<BYTE> acl_;
  SECURITY_DESCRIPTOR descriptor_{};
  SECURITY_ATTRIBUTES attributes_{};
  bool ready_ = false;
};

// The attributes that a file which replaces another takes from it; the
// read-only one is never set on a file that is saved.
constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

BOOL WINAPI SystemReplaceFile(const wchar_t* replaced, const wchar_t* replacement, const wchar_t* backup) {
  return ReplaceFileW(replaced, replacement, backup, 0, nullptr, nullptr);
}

ReplaceFileFunction replaceFile = SystemReplaceFile;

}  // namespace

void SetReplaceFileForTesting(ReplaceFileFunction function) {
  replaceFile = function != nullptr ? function : SystemReplaceFile;
}

std::string Describe(SystemError error, FileOperation operation) { return WindowsFailureReason(error, operation); }

bool IsNotAllowed(SystemError error) { return error == ERROR_ACCESS_DENIED; }

bool IsHeldByAnother(SystemError error) { return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION; }

std::string NameOf(const std::string& nativePath, FileOperation operation, NativeName& name) {
  name.clear();
  if (nativePath.empty()) return FailureReason(ENOENT, operation);
  bool valid = false;
  const std::wstring wide = Widen(nativePath, valid);
  // Bytes that are no UTF-8 or a NUL name no file Windows can have.
  if (!valid || wide.find(L'\0') != std::wstring::npos) return WindowsFailureReason(ERROR_INVALID_NAME, operation);
  // Already in the long form, which the system takes as it is.
  if (StartsWith(wide, L"\\\\?\\")) {
    name = wide;
    return {};
  }
  std::wstring full(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0) return WindowsFailureReason(GetLastError(), operation);
    if (length < full.size()) {
      full.resize(length);
      break;
    }
    full.resize(length);
  }
  // A device's name (NUL, CON, COM1, also inside a folder) or a "\\.\" path
  // such as a named pipe: no file on a disk.
  if (StartsWith(full, L"\\\\.\\")) return kNotAFile;
  // No Windows file system holds a name longer than 255 characters; told as
  // such here, as the system may report it as a missing file instead.
  for (std::size_t start = 0; start < full.size();) {
    const std::size_t end = std::min(full.find(L'\\', start), full.size());
    if (end - start > 255) return WindowsFailureReason(ERROR_FILENAME_EXCED_RANGE, operation);
    start = end + 1;
  }
  if (full.size() < kLongPath)
    name = full;
  else if (StartsWith(full, L"\\\\"))
    name = L"\\\\?\\UNC\\" + full.substr(2);
  else
    name = L"\\\\?\\" + full;
  return {};
}

std::string Shown(const NativeName& name) {
  if (StartsWith(name, L"\\\\?\\UNC\\")) return "\\\\" + Narrow(std::wstring_view(name).substr(8));
  if (StartsWith(name, L"\\\\?\\")) return Narrow(std::wstring_view(name).substr(4));
  return Narrow(name);
}

NativeName Join(const NativeName& folder, std::string_view name) {
  bool valid = false;
  const std::wstring wide = Widen(name, valid);
  return folder.ends_with(L'\\') ? folder + wide : folder + L'\\' + wide;
}

std::string LastComponent(const NativeName& name) { return Narrow(name.substr(name.find_last_of(L'\\') + 1)); }

std::string FollowLinks(NativeName& name) {
  const DWORD attributes = GetFileAttributesW(name.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return {};
  const HANDLE link =
      CreateFileW(name.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (link == INVALID_HANDLE_VALUE) return WindowsFailureReason(GetLastError(), FileOperation::Writing);
  std::wstring path(MAX_PATH, L'\0');
  std::string failure;
  for (;;) {
    const DWORD length = GetFinalPathNameByHandleW(link, path.data(), static_cast<DWORD>(path.size()), 0);
    if (length == 0) {
      failure = WindowsFailureReason(GetLastError(), FileOperation::Writing);
      break;
    }
    const bool fits = length < path.size();
    path.resize(length);
    if (fits) break;
  }
  CloseHandle(link);
  if (failure.empty()) name = path;
  return failure;
}

Look LookAt(const NativeName& name, FileOperation operation) {
  const DWORD attributes = GetFileAttributesW(name.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND)
      return {IsFolderPath(FolderOf(name)) ? Kind::Missing : Kind::MissingFolder, 0, 0};
    if (error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_DRIVE) return {Kind::MissingFolder, 0, 0};
    return {Kind::Unknown, error, 0};
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return {Kind::Folder, 0, 0};
  Look look{Kind::File, 0, 0};
  // The replace would put a new file in the place of a read-only one all the
  // same; a read-only file is left alone, as the user meant.
  if (operation == FileOperation::Writing && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
    look.writeRefused = ERROR_ACCESS_DENIED;
  return look;
}

FileStamp StampOf(const NativeName& name) {
  const HANDLE file = CreateFileW(name.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  Facts facts;
  const bool known = FactsOf(file, facts) == 0 && facts.kind == Kind::File;
  CloseHandle(file);
  return known ? facts.stamp : FileStamp();
}

std::string CanonicalName(const NativeName& name) {
  const HANDLE file =
      CreateFileW(name.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::wstring path(MAX_PATH, L'\0');
  DWORD length = GetFinalPathNameByHandleW(file, path.data(), static_cast<DWORD>(path.size()), 0);
  if (length >= path.size()) {
    path.resize(length);
    length = GetFinalPathNameByHandleW(file, path.data(), static_cast<DWORD>(path.size()), 0);
  }
  CloseHandle(file);
  if (length == 0 || length >= path.size()) return {};
  path.resize(length);
  return Shown(path);
}

SystemError File::openToRead(const NativeName& name) {
  close();
  const HANDLE file = CreateFileW(name.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return LastError();
  handle_ = file;
  return 0;
}

SystemError File::openToUpdate(const NativeName& name) {
  close();
  // READ_CONTROL: a new file takes this one's security from it.
  const HANDLE file = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE | READ_CONTROL, kShareAll, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return LastError();
  handle_ = file;
  return 0;
}

bool File::isOpen() const { return handle_ != nullptr; }

SystemError File::facts(Facts& facts) const { return FactsOf(AsHandle(handle_), facts); }

SystemError File::read(char* buffer, std::size_t size, std::size_t& got) {
  DWORD done = 0;
  got = 0;
  // Within what one call takes.
  if (!ReadFile(AsHandle(handle_), buffer, static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30)), &done, nullptr))
    return LastError();
  got = done;
  return 0;
}

SystemError File::writeAll(std::string_view bytes, std::size_t& written) {
  written = 0;
  while (written < bytes.size()) {
    DWORD done = 0;
    const DWORD size = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - written, 1u << 30));
    if (!WriteFile(AsHandle(handle_), bytes.data() + written, size, &done, nullptr)) return LastError();
    // Nothing taken and no error: the disk has no room.
    if (done == 0) return ERROR_DISK_FULL;
    written += done;
  }
  return 0;
}

SystemError File::rewind() {
  return SetFilePointerEx(AsHandle(handle_), LARGE_INTEGER{}, nullptr, FILE_BEGIN) ? 0 : LastError();
}

SystemError File::resize(std::uint64_t size) {
  LARGE_INTEGER end;
  end.QuadPart = static_cast<LONGLONG>(size);
  if (!SetFilePointerEx(AsHandle(handle_), end, nullptr, FILE_BEGIN) || !SetEndOfFile(AsHandle(handle_)))
    return LastError();
  return 0;
}

SystemError File::reserve(std::uint64_t size) {
  FILE_ALLOCATION_INFO allocation;
  allocation.AllocationSize.QuadPart = static_cast<LONGLONG>(size);
  if (size == 0 || SetFileInformationByHandle(AsHandle(handle_), FileAllocationInfo, &allocation, sizeof allocation))
    return 0;
  // Only a full disk counts: a file system that cannot reserve is written
  // all the same.
  const DWORD error = GetLastError();
  return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL ? error : 0;
}

SystemError File::flush() { return FlushFileBuffers(AsHandle(handle_)) ? 0 : LastError(); }

SystemError File::closeCopy() {
  HANDLE copy = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), AsHandle(handle_), GetCurrentProcess(), &copy, 0, FALSE,
                       DUPLICATE_SAME_ACCESS))
    return LastError();
  return CloseHandle(copy) ? 0 : LastError();
}

SystemError File::close() {
  if (handle_ == nullptr) return 0;
  return CloseHandle(AsHandle(std::exchange(handle_, nullptr))) ? 0 : LastError();
}

SystemError CreateTemporary(const NativeName& beside, bool forOldFile, File& file, NativeName& name) {
  file.close();
  // For an old file, its owner's alone while the new text is written: the
  // old file's security comes once it is (TakeIdentity). A new file takes
  // the folder's, as any file made there does.
  PrivateSecurity security;
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = UnusedNameBeside(beside, L"");
    const HANDLE handle = CreateFileW(name.c_str(), GENERIC_WRITE | WRITE_DAC | READ_CONTROL, 0,
                                      forOldFile ? security.attributes() : nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
      file.handle_ = handle;
      return 0;
    }
    if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) return LastError();
  }
  return ERROR_FILE_EXISTS;
}

bool TakeIdentity(File& file, const File& old) {
  Facts facts;
  DWORD attributes = 0;
  if (FactsOf(AsHandle(old.handle_), facts, &attributes) != 0) return false;
  // The old file's access rules, inherited ones included: ReplaceFileW hands
  // them on too, but only on Windows itself, and only after the new text has
  // been in a file of the folder's defaults.
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(AsHandle(old.handle_), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                      nullptr, &descriptor) != ERROR_SUCCESS)
    return false;
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  const bool isProtected =
      GetSecurityDescriptorControl(descriptor, &control, &revision) && (control & SE_DACL_PROTECTED) != 0;
  const SECURITY_INFORMATION inheritance =
      isProtected ? PROTECTED_DACL_SECURITY_INFORMATION : UNPROTECTED_DACL_SECURITY_INFORMATION;
  const DWORD given = SetSecurityInfo(AsHandle(file.handle_), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION | inheritance,
                                      nullptr, nullptr, dacl, nullptr);
  LocalFree(descriptor);
  if (given != ERROR_SUCCESS) return false;
  // Its attributes too (Wine's ReplaceFileW is a plain rename).
  FILE_BASIC_INFO basic{};
  const DWORD kept = attributes & kKeptAttributes;
  basic.FileAttributes = kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL;
  return SetFileInformationByHandle(AsHandle(file.handle_), FileBasicInfo, &basic, sizeof basic);
}

SystemError TakeNewFileIdentity(File&) { return 0; }

Step PutInPlace(const NativeName& temporary, const NativeName& target, bool replacing) {
  const auto failed = [](DWORD error) { return Step::Failed(WindowsFailureReason(error, FileOperation::Writing)); };
  if (!replacing) {
    if (MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) return Step::Done();
    const DWORD error = GetLastError();
    DeleteFileW(temporary.c_str());
    return failed(error);
  }
  // ReplaceFileW hands the old file's attributes, security, creation time
  // and streams on to the new one. With a backup name the old file is
  // moved, not deleted, so that it can go back to its name when the new one
  // cannot take it.
  const std::wstring backup = UnusedNameBeside(target, L"old-");
  DWORD error = 0;
  for (int n = 0;; ++n) {
    if (replaceFile(target.c_str(), temporary.c_str(), backup.c_str())) {
      // The old file, under the backup name, has served.
      RetryWhileHeld([&]() -> SystemError { return DeleteFileW(backup.c_str()) ? 0 : GetLastError(); });
      return Step::Done();
    }
    error = GetLastError();
    // A virus scanner or an indexer that opened either file lets go soon.
    const bool held = IsHeldByAnother(error) || HeldByAnother(target) || HeldByAnother(temporary);
    if (!held || RetryPause(n) == 0) break;
    Pause(RetryPause(n));
  }
  if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2 || (!Exists(target) && Exists(backup))) {
    // The old file was moved to the backup name and the new one could not
    // take its place: the old one goes back.
    if (!MoveFileExW(backup.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) {
      return Step::Failed(WindowsFailureReason(error, FileOperation::Writing) +
                          " Putting the old file back failed too: its old text is in " + Shown(backup) +
                          " and the new text in " + Shown(temporary) + ".");
    }
  }
  // Both files keep their own names (ERROR_UNABLE_TO_MOVE_REPLACEMENT, a
  // refusal, a file still held): the old one is as it was.
  std::string reason;
  if (HeldByAnother(target)) {
    reason = kShared;
  } else if (HeldByAnother(temporary)) {
    reason = "Another program, perhaps a virus scanner, kept the new copy of the file open, so it could not take "
             "the file's place. Try again.";
  } else if (error == ERROR_ACCESS_DENIED) {
    // A folder where the old file may not be replaced: it is written in place.
    DeleteFileW(temporary.c_str());
    return Step::WriteInPlace();
  } else {
    reason = WindowsFailureReason(error, FileOperation::Writing);
  }
  if (!DeleteFileW(temporary.c_str()) && Exists(temporary))
    reason += " The new text is left in " + Shown(temporary) + ".";
  return Step::Failed(reason);
}

SystemError Rename(const NativeName& from, const NativeName& to) {
  return RetryWhileHeld([&]() -> SystemError {
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ? 0
                                                                                                   : GetLastError();
  });
}

void Remove(const NativeName& name) { DeleteFileW(name.c_str()); }

SystemError MakePrivateFolders(const NativeName& folder) {
  if (IsFolderPath(folder)) return 0;
  const std::wstring above = FolderOf(folder);
  if (above != folder && !above.empty()) {
    if (const SystemError error = MakePrivateFolders(above)) return error;
  }
  // The folder's defaults: under the user's own profile they are the user's.
  if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return LastError();
  return 0;
}

std::string StateFolder() {
  const wchar_t* local = _wgetenv(L"LOCALAPPDATA");
  if (local == nullptr || local[0] == L'\0') return {};
  return Narrow(local) + "\\VORRIK";
}

}  // namespace file_system
}  // namespace vorrik
