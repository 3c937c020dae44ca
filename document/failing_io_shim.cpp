// Preloaded into full_disk_test: one file call fails, as a full, read-only or
// broken disk makes it fail, for files under one folder; every other call goes
// to the C library unchanged. The test chooses with environment variables:
//   VORRIK_FAIL_UNDER  the folder (an absolute path)
//   VORRIK_FAIL_CALL   open, read, write, fsync, close, rename, access or
//                      fallocate
//   VORRIK_FAIL_ERRNO  the error number it fails with
// open covers open() and openat(), access covers faccessat(), fallocate
// covers fallocate(), posix_fallocate() and their 64-bit names; paths are
// matched as given, so they must be absolute.
//   VORRIK_FAIL_AFTER  optional, for read and write: the call first passes
//                      this many bytes in all for those files, then fails
//                      (a disk that fails part-way through a file); the count
//                      starts again when the value changes
//   VORRIK_FAIL_ONCE   optional: the call fails only once, then passes (a
//                      passing fault); a new value starts again
//   VORRIK_FAIL_KILL   optional, with VORRIK_FAIL_AFTER: instead of failing,
//                      the process is killed with SIGKILL (a crash or a power
//                      cut in the middle of the write)

#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool UnderFolder(const char* path) {
  const char* folder = std::getenv("VORRIK_FAIL_UNDER");
  if (folder == nullptr || *folder == '\0' || path == nullptr) return false;
  const std::size_t length = std::strlen(folder);
  return std::strncmp(path, folder, length) == 0 && (path[length] == '/' || path[length] == '\0');
}

bool onceSpent = false;  // VORRIK_FAIL_ONCE: the one failure has come

/// Whether a failure of VORRIK_FAIL_ONCE has come already.
bool FailedOnce() {
  static char token[64];
  const char* once = std::getenv("VORRIK_FAIL_ONCE");
  if (once == nullptr) return false;
  if (std::strncmp(once, token, sizeof token) != 0) {
    std::snprintf(token, sizeof token, "%s", once);
    onceSpent = false;
  }
  return onceSpent;
}

/// Whether call is the one chosen to fail for path; sets errno when it is.
bool Fails(const char* call, const char* path) {
  const char* chosen = std::getenv("VORRIK_FAIL_CALL");
  if (chosen == nullptr || std::strcmp(chosen, call) != 0 || !UnderFolder(path) || FailedOnce()) return false;
  // A read or a write with a budget fails only once the budget is spent.
  const bool budgeted = std::strcmp(call, "read") == 0 || std::strcmp(call, "write") == 0;
  if (std::getenv("VORRIK_FAIL_AFTER") == nullptr || !budgeted) onceSpent = true;
  const char* error = std::getenv("VORRIK_FAIL_ERRNO");
  errno = error != nullptr ? std::atoi(error) : ENOSPC;
  return true;
}

bool FailsOnFd(const char* call, int fd) {
  const char* chosen = std::getenv("VORRIK_FAIL_CALL");
  if (chosen == nullptr || std::strcmp(chosen, call) != 0) return false;
  char link[64];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  char target[4096];
  const ssize_t length = readlink(link, target, sizeof target - 1);
  if (length <= 0) return false;
  target[length] = '\0';
  return Fails(call, target);
}

template <typename Fn>
Fn Real(const char* name) {
  return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
}

/// A read or write that Fails() chose: with VORRIK_FAIL_AFTER set, passes on
/// what is left of that many bytes (counted over the process) and fails once
/// none is left; without it, fails at once with the errno Fails() set.
template <typename Fn, typename Buffer>
ssize_t PassUntilBudgetSpent(Fn real, int fd, Buffer buffer, size_t size) {
  static size_t passed = 0;
  static char counted[32];  // the VORRIK_FAIL_AFTER that passed counts for
  const int error = errno;
  const char* after = std::getenv("VORRIK_FAIL_AFTER");
  const unsigned long long budget = after != nullptr ? std::strtoull(after, nullptr, 10) : 0;
  if (after != nullptr && std::strncmp(after, counted, sizeof counted) != 0) {
    std::snprintf(counted, sizeof counted, "%s", after);
    passed = 0;
  }
  if (after == nullptr || passed >= budget) {
    if (after != nullptr && std::getenv("VORRIK_FAIL_KILL") != nullptr) ::raise(SIGKILL);
    onceSpent = true;
    errno = error;
    return -1;
  }
  const ssize_t done = real(fd, buffer, size < budget - passed ? size : static_cast<size_t>(budget - passed));
  if (done > 0) passed += static_cast<size_t>(done);
  return done;
}

int OpenAt(int dirfd, const char* path, int flags, mode_t mode) {
  using OpenAtFn = int (*)(int, const char*, int, ...);
  static const auto real = Real<OpenAtFn>("openat");
  return Fails("open", path) ? -1 : real(dirfd, path, flags, mode);
}

mode_t ModeOf(int flags, va_list args) {
  return (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE ? static_cast<mode_t>(va_arg(args, int)) : 0;
}

}  // namespace

extern "C" {

int open(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = ModeOf(flags, args);
  va_end(args);
  return OpenAt(AT_FDCWD, path, flags, mode);
}

int openat(int dirfd, const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = ModeOf(flags, args);
  va_end(args);
  return OpenAt(dirfd, path, flags, mode);
}

ssize_t read(int fd, void* buffer, size_t size) {
  static const auto real = Real<ssize_t (*)(int, void*, size_t)>("read");
  return FailsOnFd("read", fd) ? PassUntilBudgetSpent(real, fd, buffer, size) : real(fd, buffer, size);
}

ssize_t write(int fd, const void* buffer, size_t size) {
  static const auto real = Real<ssize_t (*)(int, const void*, size_t)>("write");
  return FailsOnFd("write", fd) ? PassUntilBudgetSpent(real, fd, buffer, size) : real(fd, buffer, size);
}

int fsync(int fd) {
  static const auto real = Real<int (*)(int)>("fsync");
  return FailsOnFd("fsync", fd) ? -1 : real(fd);
}

// As on Linux, the descriptor is closed even when close() reports an error.
int close(int fd) {
  static const auto real = Real<int (*)(int)>("close");
  if (!FailsOnFd("close", fd)) return real(fd);
  const int error = errno;
  real(fd);
  errno = error;
  return -1;
}

int rename(const char* from, const char* to) {
  static const auto real = Real<int (*)(const char*, const char*)>("rename");
  return Fails("rename", from) || Fails("rename", to) ? -1 : real(from, to);
}

int faccessat(int dirfd, const char* path, int mode, int flags) {
  static const auto real = Real<int (*)(int, const char*, int, int)>("faccessat");
  return Fails("access", path) ? -1 : real(dirfd, path, mode, flags);
}

int fallocate(int fd, int mode, off_t offset, off_t length) {
  static const auto real = Real<int (*)(int, int, off_t, off_t)>("fallocate");
  return FailsOnFd("fallocate", fd) ? -1 : real(fd, mode, offset, length);
}

int fallocate64(int fd, int mode, off64_t offset, off64_t length) {
  static const auto real = Real<int (*)(int, int, off64_t, off64_t)>("fallocate64");
  return FailsOnFd("fallocate", fd) ? -1 : real(fd, mode, offset, length);
}

int posix_fallocate(int fd, off_t offset, off_t length) {
  static const auto real = Real<int (*)(int, off_t, off_t)>("posix_fallocate");
  return FailsOnFd("fallocate", fd) ? errno : real(fd, offset, length);
}

int posix_fallocate64(int fd, off64_t offset, off64_t length) {
  static const auto real = Real<int (*)(int, off64_t, off64_t)>("posix_fallocate64");
  return FailsOnFd("fallocate", fd) ? errno : real(fd, offset, length);
}

}  // extern "C"
