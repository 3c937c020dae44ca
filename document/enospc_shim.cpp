// Preloaded into full_disk_test: write() on a file whose path starts with
// $VORRIK_FULL_DISK_UNDER fails with ENOSPC, as on a full disk. Every other
// write goes to the C library unchanged.

#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using WriteFn = ssize_t (*)(int, const void*, size_t);

bool UnderFullFolder(int fd) {
  const char* folder = std::getenv("VORRIK_FULL_DISK_UNDER");
  if (folder == nullptr || *folder == '\0') return false;
  char link[64];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  char target[4096];
  const ssize_t length = readlink(link, target, sizeof target - 1);
  if (length <= 0) return false;
  target[length] = '\0';
  return std::strncmp(target, folder, std::strlen(folder)) == 0;
}

}  // namespace

extern "C" ssize_t write(int fd, const void* buffer, size_t size) {
  static const auto real = reinterpret_cast<WriteFn>(dlsym(RTLD_NEXT, "write"));
  if (UnderFullFolder(fd)) {
    errno = ENOSPC;
    return -1;
  }
  return real(fd, buffer, size);
}
