#pragma once

// Reading and writing script files by native path, with every failure told as
// one plain sentence. Standard library only, plus POSIX or the Windows API,
// shared by the program and vorrik-tally.
//
// A native path is a string of bytes: on POSIX systems the bytes the file
// system takes; on Windows UTF-8, which is converted to UTF-16 for the
// wide-character calls, made absolute, and given the "\\?\" form when it is
// long, so any Unicode name and paths past 260 characters work there.

#include <cstddef>
#include <string>
#include <string_view>

namespace vorrik {

/// What was being done to the file when the error came.
enum class FileOperation { Reading, Writing };

/// One plain sentence, ending with ".", for an errno value met while reading
/// or writing a script. An error without a sentence of its own is named with
/// the system's text and number, never as a bare "Unknown error.".
std::string FailureReason(int error, FileOperation operation);

#ifdef _WIN32
/// The same for a Windows error code (GetLastError()): the errno sentence
/// where the meaning is the same, a sentence of its own for sharing and lock
/// violations, drives that are not ready and names Windows does not allow,
/// and otherwise the system's own message and the code.
std::string WindowsFailureReason(unsigned long code, FileOperation operation);
#endif

/// A script file open for reading, read in blocks by the caller. Opening never
/// blocks: folders, pipes, devices, consoles and sockets are refused, as is a
/// file larger than kMaxScriptBytes, also when it grows past that while it is
/// read. On Windows the file is opened sharing reading, writing and deleting
/// with other programs, so it is never locked while it is read.
class ScriptReader {
 public:
  ScriptReader() = default;
  ~ScriptReader() { close(); }
  ScriptReader(const ScriptReader&) = delete;
  ScriptReader& operator=(const ScriptReader&) = delete;

  /// Opens the file at nativePath (see above); returns "", or why it cannot
  /// be read.
  std::string open(const std::string& nativePath);

  /// The size of the file when it was opened.
  std::size_t size() const { return size_; }

  /// Reads up to size (> 0) bytes into buffer and returns how many: 0 at the
  /// end of the file, or on a failure, which error() then names.
  std::size_t read(char* buffer, std::size_t size);

  /// Why the last read failed, or "".
  const std::string& error() const { return error_; }

  void close();

 private:
#ifdef _WIN32
  void* handle_ = nullptr;  // a HANDLE, or nullptr when closed
#else
  int fd_ = -1;
#endif
  std::size_t size_ = 0;
  std::size_t consumed_ = 0;
  std::string error_;
};

/// Replaces the content of the file at nativePath with bytes, so that the
/// path still names the same file: a symbolic link is followed (its target is
/// written, the link stays), and the owner, group, permission bits, extended
/// attributes and ACLs, and other hard links are kept. Normally writes a
/// temporary file beside it, flushes it to the disk and renames it over the
/// old one. Where a new file cannot keep all that (a second link, an owner or
/// attributes the user may not give it, a folder the user may not change),
/// writes the old file in place: its old bytes are read first, room is
/// reserved, and a step that fails after the first byte is overwritten puts
/// them back. A read-only file is refused. Returns "", or why it failed: the
/// old file then holds its old bytes (unless the disk refuses even writing
/// them back) and nothing is left behind.
///
/// On Windows the new file replaces the old one by ReplaceFileW, which hands
/// on the old one's attributes, security, creation time and streams (a file
/// that did not exist is moved into place); a file with a second hard link,
/// or in a folder that refuses a new file, is written in place. A file with
/// the read-only attribute is refused, and one that another program holds
/// open without sharing is left as it is, with that said.
std::string WriteScriptAtomically(const std::string& nativePath, std::string_view bytes);

}  // namespace vorrik
