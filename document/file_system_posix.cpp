// The file operations of script files on Linux and other POSIX systems.

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <random>
#include <utility>
#include <vector>

#include "document/file_system.h"

namespace vorrik::file_system {
namespace {

// O_NONBLOCK: a pipe or a device that takes the place of the file after it
// was looked at must not hold the open waiting for a writer.
constexpr int kOpenFlags = O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

SystemError LastError() { return static_cast<SystemError>(errno); }

/// Where the last component of path starts (trailing separators ignored) and
/// where it ends.
std::pair<std::size_t, std::size_t> LastComponentOf(const std::string& path) {
  std::size_t end = path.size();
  while (end > 1 && path[end - 1] == '/') --end;
  std::size_t start = end;
  while (start > 0 && path[start - 1] != '/') --start;
  return {start, end};
}

/// The folder that holds path: "." for a bare name, "/" for one at the root.
std::string FolderOf(const std::string& path) {
  std::size_t cut = LastComponentOf(path).first;
  if (cut == 0) return ".";
  while (cut > 1 && path[cut - 2] == '/') --cut;
  return path.substr(0, cut > 1 ? cut - 1 : 1);
}

bool IsFolderPath(const std::string& path) {
  struct stat status;
  return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

Kind KindOf(const struct stat& status) {
  if (S_ISDIR(status.st_mode)) return Kind::Folder;
  return S_ISREG(status.st_mode) ? Kind::File : Kind::Device;
}

FileStamp StampFrom(const struct stat& status) {
  return {true, static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino),
          static_cast<std::uint64_t>(status.st_size),
          static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec};
}

/// A regular file opened without O_NONBLOCK's effects from here on.
void ReadAsUsual(int fd) {
  struct stat status;
  if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode)) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
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

/// The process's file mode creation mask, read without changing it where
/// the system tells it.
mode_t CreationMask() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("Umask:", 0) == 0) return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
  }
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return mask;
}

/// Puts a rename or a new name in folder on the disk with the folder. It is
/// done whatever this says, so a failure here is no failure of the save.
void FlushFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

std::string Describe(SystemError error, FileOperation operation) {
  return FailureReason(static_cast<int>(error), operation);
}

bool IsNotAllowed(SystemError error) { return error == EACCES || error == EPERM; }

bool IsHeldByAnother(SystemError) { return false; }

std::string NameOf(const std::string& nativePath, FileOperation, NativeName& name) {
  name = nativePath;
  return {};
}

std::string Shown(const NativeName& name) { return name; }

NativeName Join(const NativeName& folder, std::string_view name) {
  return folder.ends_with('/') ? folder + std::string(name) : folder + '/' + std::string(name);
}

std::string LastComponent(const NativeName& name) {
  const auto [start, end] = LastComponentOf(name);
  return name.substr(start, end - start);
}

std::string FollowLinks(NativeName& name) {
  for (int hops = 0;; ++hops) {
    struct stat status;
    // An error here is met again, and reported, by the caller's look.
    if (::lstat(name.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return {};
    if (hops == 40) return FailureReason(ELOOP, FileOperation::Writing);
    char link[4096];
    const ssize_t length = ::readlink(name.c_str(), link, sizeof link);
    if (length < 0) return FailureReason(errno, FileOperation::Writing);
    if (length == 0 || static_cast<std::size_t>(length) == sizeof link)
      return FailureReason(ENAMETOOLONG, FileOperation::Writing);
    const std::string next(link, static_cast<std::size_t>(length));
    name = next[0] == '/' ? next : FolderOf(name) + '/' + next;
  }
}

Look LookAt(const NativeName& name, FileOperation operation) {
  struct stat status;
  if (::stat(name.c_str(), &status) != 0) {
    const int error = errno;
    if (error == ENOENT) return {IsFolderPath(FolderOf(name)) ? Kind::Missing : Kind::MissingFolder, 0, 0};
    if (error == ENOTDIR) return {Kind::MissingFolder, 0, 0};
    return {Kind::Unknown, static_cast<SystemError>(error), 0};
  }
  Look look{KindOf(status), 0, 0};
  if (look.kind != Kind::File || operation != FileOperation::Writing) return look;
  // The rename would replace a read-only file all the same, and root may
  // write any file: a file that nobody may write is left alone, as meant.
  if ((status.st_mode & 0222) == 0)
    look.writeRefused = EACCES;
  else if (::faccessat(AT_FDCWD, name.c_str(), W_OK, AT_EACCESS) != 0)
    look.writeRefused = LastError();
  return look;
}

FileStamp StampOf(const NativeName& name) {
  struct stat status;
  if (::stat(name.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return {};
  return StampFrom(status);
}

std::string CanonicalName(const NativeName& name) {
  char* resolved = ::realpath(name.c_str(), nullptr);
  if (resolved == nullptr) return {};
  std::string canonical(resolved);
  std::free(resolved);
  return canonical;
}

SystemError File::openToRead(const NativeName& name) {
  close();
  fd_ = ::open(name.c_str(), O_RDONLY | kOpenFlags);
  if (fd_ < 0) return LastError();
  ReadAsUsual(fd_);
  return 0;
}

SystemError File::openToUpdate(const NativeName& name) {
  close();
  fd_ = ::open(name.c_str(), O_RDWR | kOpenFlags);
  if (fd_ < 0) return LastError();
  ReadAsUsual(fd_);
  return 0;
}

bool File::isOpen() const { return fd_ >= 0; }

SystemError File::facts(Facts& facts) const {
  struct stat status;
  if (::fstat(fd_, &status) != 0) return LastError();
  facts = {KindOf(status), static_cast<std::uint64_t>(std::max<off_t>(status.st_size, 0)),
           static_cast<std::uint32_t>(status.st_nlink), StampFrom(status)};
  return 0;
}

SystemError File::read(char* buffer, std::size_t size, std::size_t& got) {
  got = 0;
  for (;;) {
    const ssize_t done = ::read(fd_, buffer, std::min<std::size_t>(size, 1u << 30));
    if (done < 0 && errno == EINTR) continue;
    if (done < 0) return LastError();
    got = static_cast<std::size_t>(done);
    return 0;
  }
}

SystemError File::writeAll(std::string_view bytes, std::size_t& written) {
  written = 0;
  while (written < bytes.size()) {
    // Within what one call takes everywhere.
    const ssize_t done = ::write(fd_, bytes.data() + written, std::min<std::size_t>(bytes.size() - written, 1u << 30));
    if (done < 0 && errno == EINTR) continue;
    if (done < 0) return LastError();
    // Nothing taken and no error: the disk has no room.
    if (done == 0) return ENOSPC;
    written += static_cast<std::size_t>(done);
  }
  return 0;
}

SystemError File::rewind() { return ::lseek(fd_, 0, SEEK_SET) < 0 ? LastError() : 0; }

SystemError File::resize(std::uint64_t size) {
  return ::ftruncate(fd_, static_cast<off_t>(size)) != 0 ? LastError() : 0;
}

SystemError File::reserve(std::uint64_t size) {
  if (size == 0 || ::fallocate(fd_, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size)) == 0) return 0;
  return errno == EOPNOTSUPP || errno == ENOSYS ? 0 : LastError();
}

SystemError File::flush() {
  // A file system that cannot flush says EINVAL.
  return ::fsync(fd_) != 0 && errno != EINVAL ? LastError() : 0;
}

SystemError File::closeCopy() {
  const int copy = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
  if (copy < 0) return LastError();
  return ::close(copy) != 0 && errno != EINTR ? LastError() : 0;
}

SystemError File::close() {
  if (fd_ < 0) return 0;
  // The descriptor is closed even when close() reports an error.
  const int failed = ::close(std::exchange(fd_, -1));
  return failed != 0 && errno != EINTR ? LastError() : 0;
}

SystemError CreateTemporary(const NativeName& beside, bool, File& file, NativeName& name) {
  file.close();
  const auto [start, end] = LastComponentOf(beside);
  // A name near the file system's limit leaves no room for the suffix.
  const std::string base = end - start > 200 ? std::string("vorrik-save") : beside.substr(start, end - start);
  const std::string stem = FolderOf(beside) + '/' + base + '.';
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::minstd_rand random(std::random_device{}());
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = stem;
    for (int i = 0; i < 6; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
    // Its owner's alone while the new text is written: the old file's
    // permissions, or a new file's, come once it is (TakeIdentity).
    file.fd_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0600);
    if (file.fd_ >= 0) return 0;
    if (errno != EEXIST) return LastError();
  }
  return EEXIST;
}

bool TakeIdentity(File& file, const File& old) {
  struct stat status;
  struct stat oldStatus;
  if (::fstat(file.fd_, &status) != 0 || ::fstat(old.fd_, &oldStatus) != 0) return false;
  if ((status.st_uid != oldStatus.st_uid || status.st_gid != oldStatus.st_gid) &&
      ::fchown(file.fd_, oldStatus.st_uid, oldStatus.st_gid) != 0)
    return false;
  // The mode comes last: a change of owner clears the set-ID bits, and an
  // ACL sets the permission bits too.
  return CopyAttributes(old.fd_, file.fd_) && ::fchmod(file.fd_, oldStatus.st_mode & 07777) == 0;
}

SystemError TakeNewFileIdentity(File& file) {
  return ::fchmod(file.fd_, 0666 & ~CreationMask()) != 0 ? LastError() : 0;
}

Step PutInPlace(const NativeName& temporary, const NativeName& target, bool replacing) {
  if (::rename(temporary.c_str(), target.c_str()) != 0) {
    const SystemError error = LastError();
    Remove(temporary);
    // A folder that refuses the rename: the old file is written in place.
    if (replacing && IsNotAllowed(error)) return Step::WriteInPlace();
    return Step::Failed(Describe(error, FileOperation::Writing));
  }
  FlushFolder(FolderOf(target));
  return Step::Done();
}

SystemError Rename(const NativeName& from, const NativeName& to) {
  if (::rename(from.c_str(), to.c_str()) != 0) return LastError();
  FlushFolder(FolderOf(to));
  return 0;
}

void Remove(const NativeName& name) { ::unlink(name.c_str()); }

SystemError MakePrivateFolders(const NativeName& folder) {
  if (IsFolderPath(folder)) return 0;
  const std::string above = FolderOf(folder);
  if (above != folder && above != ".") {
    if (const SystemError error = MakePrivateFolders(above)) return error;
  }
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return LastError();
  return 0;
}

std::string StateFolder() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state != nullptr && state[0] == '/') return Join(state, "vorrik");
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] != '/') return {};
  return Join(home, ".local/state/vorrik");
}

}  // namespace vorrik::file_system
