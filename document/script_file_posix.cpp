// The script file unit on Linux and other POSIX systems.

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <random>
#include <utility>
#include <vector>

#include "document/script_bytes.h"
#include "document/script_file.h"
#include "document/script_file_internal.h"

namespace vorrik {
namespace {

using script_file::kFolder;
using script_file::kNotAFile;
using script_file::kTooLarge;

// The few file calls used below. Each returns -1 with errno set on failure.
using FileStatus = struct stat;
int StatusOf(const std::string& path, FileStatus& status) { return ::stat(path.c_str(), &status); }
int StatusOf(int fd, FileStatus& status) { return ::fstat(fd, &status); }
bool IsFolder(const FileStatus& status) { return S_ISDIR(status.st_mode); }
bool IsRegular(const FileStatus& status) { return S_ISREG(status.st_mode); }
// O_NONBLOCK: a pipe or a device that takes the place of the file after the
// check must not hold the open waiting for a writer.
int OpenToRead(const std::string& path) { return ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC); }
int CreateNew(const std::string& path) {
  return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0666);
}
long long ReadSome(int fd, char* buffer, std::size_t size) { return ::read(fd, buffer, size); }
long long WriteSome(int fd, const char* data, std::size_t size) { return ::write(fd, data, size); }
bool IsWritable(const std::string& path) { return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0; }
int Flush(int fd) { return ::fsync(fd); }
int Close(int fd) { return ::close(fd); }
void Remove(const std::string& path) { ::unlink(path.c_str()); }
int Replace(const std::string& from, const std::string& to) { return ::rename(from.c_str(), to.c_str()); }

// Writing a file in place, and handing a replaced file's owner and attributes
// on to the file that replaces it. The int functions return -1 with errno set
// on failure. O_NONBLOCK, as for reading: the caller checks that it opened a regular file.
int OpenToUpdate(const std::string& path) { return ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC); }
int Rewind(int fd) { return ::lseek(fd, 0, SEEK_SET) < 0 ? -1 : 0; }
int Resize(int fd, std::size_t size) { return ::ftruncate(fd, static_cast<off_t>(size)); }
int Duplicate(int fd) { return ::fcntl(fd, F_DUPFD_CLOEXEC, 0); }

/// Allocates the blocks for the file's first size bytes without changing its
/// length, so that a full disk is met before the old text is touched. Returns
/// 0, or the error: EOPNOTSUPP where the file system cannot reserve.
int Reserve(int fd, std::size_t size) {
  if (size == 0) return 0;
  return ::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size)) == 0 ? 0 : errno;
}

/// The names of a file's extended attributes, or nothing when they cannot be
/// listed. A file system without them gives none.
std::optional<std::vector<std::string>> AttributeNames(int fd) {
  std::string list;
  for (;;) {
    const ssize_t size = ::flistxattr(fd, nullptr, 0);
    if (size < 0) return errno == ENOTSUP ? std::make_optional(std::vector<std::string>()) : std::nullopt;
    list.resize(static_cast<std::size_t>(size));
    const ssize_t got = ::flistxattr(fd, list.data(), list.size());
    if (got >= 0) {
      list.resize(static_cast<std::size_t>(got));
      break;
    }
    // The list grew between the calls.
    if (errno != ERANGE) return std::nullopt;
  }
  std::vector<std::string> names;
  for (std::size_t start = 0; start < list.size();) {
    const std::size_t end = list.find('\0', start);
    names.push_back(list.substr(start, end - start));
    start = end == std::string::npos ? list.size() : end + 1;
  }
  return names;
}

std::optional<std::string> AttributeValue(int fd, const std::string& name) {
  std::string value;
  for (;;) {
    const ssize_t size = ::fgetxattr(fd, name.c_str(), nullptr, 0);
    if (size < 0) return std::nullopt;
    value.resize(static_cast<std::size_t>(size));
    const ssize_t got = ::fgetxattr(fd, name.c_str(), value.data(), value.size());
    if (got >= 0) {
      value.resize(static_cast<std::size_t>(got));
      return value;
    }
    if (errno != ERANGE) return std::nullopt;
  }
}

/// Gives the file `to` exactly the extended attributes of `from`, POSIX ACLs
/// among them (system.posix_acl_access); false where that is refused.
bool CopyAttributes(int from, int to) {
  const auto names = AttributeNames(from);
  const auto own = AttributeNames(to);
  if (!names || !own) return false;
  for (const std::string& name : *names) {
    const auto value = AttributeValue(from, name);
    if (!value) return false;
    // One that the new file already holds, such as a security label given by
    // the system, is not set again: setting it may need rights that keeping
    // it does not.
    if (AttributeValue(to, name) == value) continue;
    if (::fsetxattr(to, name.c_str(), value->data(), value->size(), 0) != 0) return false;
  }
  // What the new file got that the old one lacks, such as an ACL from the
  // folder's default ACL, goes.
  for (const std::string& name : *own) {
    if (std::find(names->begin(), names->end(), name) == names->end() && ::fremovexattr(to, name.c_str()) != 0)
      return false;
  }
  return true;
}

/// Gives the new file fd the owner, group, extended attributes and permission
/// bits of the old file oldFd; false where the user may not give any of them.
bool TakeIdentity(int fd, int oldFd, const FileStatus& old) {
  FileStatus status;
  if (::fstat(fd, &status) != 0) return false;
  if ((status.st_uid != old.st_uid || status.st_gid != old.st_gid) && ::fchown(fd, old.st_uid, old.st_gid) != 0)
    return false;
  // The mode comes last: a change of owner clears the set-ID bits, and an
  // ACL sets the permission bits too.
  return CopyAttributes(oldFd, fd) && ::fchmod(fd, old.st_mode & 07777) == 0;
}

/// Where the last component of path starts (trailing separators ignored) and
/// where it ends.
std::pair<std::size_t, std::size_t> LastComponent(const std::string& path) {
  std::size_t end = path.size();
  while (end > 1 && path[end - 1] == '/') --end;
  std::size_t start = end;
  while (start > 0 && path[start - 1] != '/') --start;
  return {start, end};
}

/// The folder that holds path: "." for a bare name, "/" for one at the root.
std::string FolderOf(const std::string& path) {
  std::size_t cut = LastComponent(path).first;
  if (cut == 0) return ".";
  while (cut > 1 && path[cut - 2] == '/') --cut;
  return path.substr(0, cut > 1 ? cut - 1 : 1);
}

bool IsFolderPath(const std::string& path) {
  FileStatus status;
  return StatusOf(path, status) == 0 && IsFolder(status);
}

/// Why a file with this status cannot be read as a script, or nullptr.
const char* Refusal(const FileStatus& status) {
  if (IsFolder(status)) return kFolder;
  // A pipe or a device could block the reader or never end.
  if (!IsRegular(status)) return kNotAFile;
  if (status.st_size < 0 || static_cast<unsigned long long>(status.st_size) > kMaxScriptBytes) return kTooLarge;
  return nullptr;
}

/// The reason for an error met by stat() or open() of a file to read.
std::string OpenFailure(const std::string& path, int error) {
  // A missing file in a missing folder is told as the folder.
  if (error == ENOENT && !IsFolderPath(FolderOf(path))) error = ENOTDIR;
  return FailureReason(error, FileOperation::Reading);
}

/// Follows symbolic links from path to the file they lead to, which may not
/// exist yet: saving writes the link's target and keeps the link.
std::string FollowLinks(const std::string& path, std::string& target) {
  target = path;
  for (int hops = 0;; ++hops) {
    struct stat status;
    // An error here is met again, and reported, by the caller's stat().
    if (::lstat(target.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return {};
    if (hops == 40) return FailureReason(ELOOP, FileOperation::Writing);
    char link[4096];
    const ssize_t length = ::readlink(target.c_str(), link, sizeof link);
    if (length < 0) return FailureReason(errno, FileOperation::Writing);
    if (length == 0 || static_cast<std::size_t>(length) == sizeof link)
      return FailureReason(ENAMETOOLONG, FileOperation::Writing);
    const std::string next(link, static_cast<std::size_t>(length));
    target = next[0] == '/' ? next : FolderOf(target) + '/' + next;
  }
  return {};
}

/// Creates a new file beside target for the new content, named after it with
/// a random suffix, and returns its descriptor (-1 with errno set).
int CreateTemporary(const std::string& target, std::string& path) {
  const auto [start, end] = LastComponent(target);
  // A name near the file system's limit leaves no room for the suffix.
  const std::string name = end - start > 200 ? std::string("vorrik-save") : target.substr(start, end - start);
  const std::string stem = FolderOf(target) + '/' + name + '.';
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::minstd_rand random(std::random_device{}());
  for (int attempt = 0; attempt < 100; ++attempt) {
    path = stem;
    for (int i = 0; i < 6; ++i) path += kLetters[random() % (sizeof kLetters - 1)];
    const int fd = CreateNew(path);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

std::string WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    // Within what one call takes everywhere.
    const long long written = WriteSome(fd, bytes.data(), std::min<std::size_t>(bytes.size(), 1u << 30));
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) return FailureReason(errno, FileOperation::Writing);
    // Nothing taken and no error: the disk has no room.
    if (written == 0) return FailureReason(ENOSPC, FileOperation::Writing);
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return {};
}

/// The old file whose owner and attributes a replacing file must take.
struct OldFile {
  int fd;
  FileStatus status;
};

/// A new file or a rename refused as the folder may not be changed: with an
/// old file the user may still write it in place (nothing), else why not.
std::optional<std::string> FolderRefusal(int error, const OldFile* old) {
  if (old != nullptr && (error == EACCES || error == EPERM)) return std::nullopt;
  return FailureReason(error, FileOperation::Writing);
}

/// Writes bytes to a new file beside target and renames it over target. With
/// old, the new file first takes its owner, group, attributes and permission
/// bits, and old is closed. Returns "" when done, why it failed, or nothing
/// when the new file could not stand in for old; on failure nothing is left
/// behind.
std::optional<std::string> ReplaceByRename(const std::string& target, std::string_view bytes, OldFile* old) {
  std::string temporary;
  const int fd = CreateTemporary(target, temporary);
  if (fd < 0) return FolderRefusal(errno, old);
  std::optional<std::string> outcome = WriteAll(fd, bytes);
  const auto going = [&] { return outcome && outcome->empty(); };
  if (old != nullptr) {
    // After the writes, which would clear the set-ID bits again.
    if (going() && !TakeIdentity(fd, old->fd, old->status)) outcome.reset();
    // Closed before the rename: Windows refuses to replace an open file.
    Close(std::exchange(old->fd, -1));
  }
  // Flushed before the rename: after a crash the file is the old one or the
  // new one, never a cut one. A file system that cannot flush says EINVAL.
  if (going() && Flush(fd) != 0 && errno != EINVAL) outcome = FailureReason(errno, FileOperation::Writing);
  // A network file system may report a failed write only here.
  if (Close(fd) != 0 && going() && errno != EINTR) outcome = FailureReason(errno, FileOperation::Writing);
  if (going() && Replace(temporary, target) != 0) outcome = FolderRefusal(errno, old);
  if (!going()) {
    Remove(temporary);
    return outcome;
  }
  // The rename itself reaches the disk with the folder. It is done whatever
  // this says, so a failure here is no failure of the save.
  const int folder = ::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    ::fsync(folder);
    ::close(folder);
  }
  return outcome;
}

/// Replaces the file at target by a new one that takes its owner, group,
/// attributes and permission bits. Returns "" when done, why it failed, or
/// nothing when a new file cannot stand in for it, nothing written.
std::optional<std::string> ReplaceKeepingIdentity(const std::string& target, std::string_view bytes) {
  OldFile old{OpenToRead(target), {}};
  // A file that cannot be opened here is opened again, and the reason told,
  // by the write in place.
  if (old.fd < 0) return std::nullopt;
  std::optional<std::string> outcome;
  // A second name of the file would keep the old text.
  if (StatusOf(old.fd, old.status) == 0 && IsRegular(old.status) && old.status.st_nlink == 1)
    outcome = ReplaceByRename(target, bytes, &old);
  if (old.fd >= 0) Close(old.fd);
  return outcome;
}

/// Reads the whole of the file open as fd from its start into bytes.
std::string ReadOldBytes(int fd, std::string& bytes) {
  FileStatus status;
  if (StatusOf(fd, status) != 0) return FailureReason(errno, FileOperation::Reading);
  // Its bytes are held in memory until the new ones are safely written.
  if (const char* refusal = Refusal(status)) return refusal;
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  bytes.resize(static_cast<std::size_t>(status.st_size) + 1);
  std::size_t have = 0;
  for (;;) {
    if (have > kMaxScriptBytes) return kTooLarge;
    // A file that grew since it was looked at is read to its end all the same.
    if (have == bytes.size()) bytes.resize(std::min(2 * bytes.size(), kMaxScriptBytes + 1));
    const long long got = ReadSome(fd, bytes.data() + have, bytes.size() - have);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return FailureReason(errno, FileOperation::Reading);
    if (got == 0) break;
    have += static_cast<std::size_t>(got);
  }
  bytes.resize(have);
  return {};
}

/// Makes the file open as fd hold exactly bytes, on the disk.
std::string Overwrite(int fd, std::string_view bytes) {
  if (Rewind(fd) != 0) return FailureReason(errno, FileOperation::Writing);
  std::string failure = WriteAll(fd, bytes);
  if (failure.empty() && Resize(fd, bytes.size()) != 0) failure = FailureReason(errno, FileOperation::Writing);
  if (failure.empty() && Flush(fd) != 0 && errno != EINVAL) failure = FailureReason(errno, FileOperation::Writing);
  // A network file system may report a failed write only when the file is
  // closed: a copy of the descriptor is closed to hear it, while fd stays
  // open for putting the old bytes back.
  if (failure.empty()) {
    const int copy = Duplicate(fd);
    if (copy < 0 || (Close(copy) != 0 && errno != EINTR)) failure = FailureReason(errno, FileOperation::Writing);
  }
  return failure;
}

/// Writes bytes over the file at target itself, which keeps everything the
/// file is: its inode, its other names, owner, group, mode and attributes.
/// The old bytes are read first and room for the new ones is reserved, so
/// most failures come before the file is touched; a later one puts the old
/// bytes back.
std::string WriteInPlace(const std::string& target, std::string_view bytes) {
  const int fd = OpenToUpdate(target);
  if (fd < 0) return FailureReason(errno, FileOperation::Writing);
  std::string old;
  std::string failure = ReadOldBytes(fd, old);
  if (failure.empty()) {
    if (const int error = Reserve(fd, bytes.size()); error != 0 && error != EOPNOTSUPP) {
      failure = FailureReason(error, FileOperation::Writing);
      // Blocks reserved past the end before the disk ran out are given back.
      static_cast<void>(Resize(fd, old.size()));
    }
  }
  if (failure.empty()) {
    failure = Overwrite(fd, bytes);
    // The cause (a disk error, a full quota) may stand in the way of this too;
    // the new text is still in the caller's hands either way.
    if (!failure.empty()) static_cast<void>(Overwrite(fd, old));
  }
  Close(fd);
  return failure;
}

}  // namespace

std::string ScriptReader::open(const std::string& nativePath) {
  close();
  // Looked at before it is opened: opening a device can itself have effects.
  FileStatus status;
  if (StatusOf(nativePath, status) != 0) return OpenFailure(nativePath, errno);
  if (const char* refusal = Refusal(status)) return refusal;
  const int fd = OpenToRead(nativePath);
  if (fd < 0) return OpenFailure(nativePath, errno);
  // Checked again on what was opened: the path may name another file by now.
  std::string refusal;
  if (StatusOf(fd, status) != 0)
    refusal = FailureReason(errno, FileOperation::Reading);
  else if (const char* reason = Refusal(status))
    refusal = reason;
  if (!refusal.empty()) {
    Close(fd);
    return refusal;
  }
  // A regular file: from here on it is read as usual.
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  fd_ = fd;
  size_ = static_cast<std::size_t>(status.st_size);
  return {};
}

std::size_t ScriptReader::read(char* buffer, std::size_t size) {
  if (fd_ < 0 || !error_.empty()) return 0;
  // At most one byte past the limit: a file that grows while it is read is
  // refused without reading the rest of it.
  size = std::min(size, kMaxScriptBytes + 1 - consumed_);
  for (;;) {
    const long long got = ReadSome(fd_, buffer, size);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      error_ = FailureReason(errno, FileOperation::Reading);
      return 0;
    }
    consumed_ += static_cast<std::size_t>(got);
    if (consumed_ > kMaxScriptBytes) {
      error_ = kTooLarge;
      return 0;
    }
    return static_cast<std::size_t>(got);
  }
}

void ScriptReader::close() {
  if (fd_ >= 0) Close(fd_);
  fd_ = -1;
  size_ = 0;
  consumed_ = 0;
  error_.clear();
}

std::string WriteScriptAtomically(const std::string& nativePath, std::string_view bytes) {
  std::string target;
  if (std::string failure = FollowLinks(nativePath, target); !failure.empty()) return failure;
  FileStatus status;
  if (StatusOf(target, status) != 0) {
    const int error = errno;
    if (error != ENOENT || !IsFolderPath(FolderOf(target)))
      return FailureReason(error == ENOENT ? ENOTDIR : error, FileOperation::Writing);
    return *ReplaceByRename(target, bytes, nullptr);
  }
  if (IsFolder(status)) return kFolder;
  if (!IsRegular(status)) return kNotAFile;
  // The rename would replace a read-only file all the same; a read-only file
  // is left alone, as the user meant.
  if (!IsWritable(target)) return FailureReason(errno, FileOperation::Writing);
  // A new file is the safer way; where it cannot stand in for the old one
  // (another name, owner or group, a folder the user may not change,
  // attributes it cannot take), the old file is written in place.
  if (std::optional<std::string> replaced = ReplaceKeepingIdentity(target, bytes)) return *replaced;
  return WriteInPlace(target, bytes);
}

}  // namespace vorrik
