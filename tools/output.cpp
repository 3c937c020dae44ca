#include "tools/output.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string_view>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "document/file_system.h"

namespace vorrik::cli {
namespace {

const char* const kReaderGone = "The program reading the output has closed it.";

/// Writes some of size (> 0) bytes to standard output, as bytes: how many
/// were taken, or 0 with failure set.
std::size_t WriteSome(const char* data, std::size_t size, std::string& failure) {
  // Within what one call takes everywhere.
  size = std::min<std::size_t>(size, 1u << 30);
#ifdef _WIN32
  DWORD written = 0;
  if (!WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), data, static_cast<DWORD>(size), &written, nullptr)) {
    const DWORD error = GetLastError();
    failure = error == ERROR_NO_DATA || error == ERROR_BROKEN_PIPE
                  ? kReaderGone
                  : WindowsFailureReason(error, FileOperation::Writing);
    return 0;
  }
#else
  ssize_t written;
  while ((written = ::write(1, data, size)) < 0 && errno == EINTR) {
  }
  if (written < 0) {
    // SIGPIPE is ignored, so a reader that has gone shows up here.
    failure = errno == EPIPE ? kReaderGone : FailureReason(errno, FileOperation::Writing);
    return 0;
  }
#endif
  // Nothing taken and no error: the device has no room.
  if (written == 0) failure = FailureReason(ENOSPC, FileOperation::Writing);
  return static_cast<std::size_t>(written);
}

}  // namespace

bool Output::flush() {
  std::string_view rest = failed() ? std::string_view() : std::string_view(buffer_);
  while (!rest.empty()) {
    const std::size_t written = WriteSome(rest.data(), rest.size(), failure_);
    if (written == 0) break;
    rest.remove_prefix(written);
  }
  buffer_.clear();
  return !failed();
}

void WriteError(const std::string& text) {
#ifdef _WIN32
  const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  DWORD written = 0;
  if (DWORD mode = 0; GetConsoleMode(error, &mode)) {
    const int size = static_cast<int>(text.size());
    std::wstring wide(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), static_cast<int>(wide.size()));
    WriteConsoleW(error, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
  for (std::string_view rest = text; !rest.empty(); rest.remove_prefix(written)) {
    if (!WriteFile(error, rest.data(), static_cast<DWORD>(rest.size()), &written, nullptr) || written == 0) break;
  }
#else
  std::fputs(text.c_str(), stderr);
#endif
}

void Complain(const std::string& message) { WriteError("vorrik-tally: " + message + "\n"); }

void ReportUnreadable(const std::string& path, const std::string& reason) {
  Complain("cannot read " + path + ": " + reason);
}

int Finish(Output& out, int status) {
  if (out.flush()) return status;
  Complain("cannot write the output: " + out.failure());
  return 1;
}

}  // namespace vorrik::cli
