#pragma once

// Reading and writing script files by native path, with every failure told as
// one plain sentence. Standard library only (plus POSIX, or the C library's
// low-level file calls on Windows), shared by the program and vorrik-tally.

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

/// A script file open for reading, read in blocks by the caller. Opening never
/// blocks: folders, pipes, devices and sockets are refused, as is a file larger
/// than kMaxScriptBytes, also when it grows past that while it is read.
class ScriptReader {
 public:
  ScriptReader() = default;
  ~ScriptReader() { close(); }
  ScriptReader(const ScriptReader&) = delete;
  ScriptReader& operator=(const ScriptReader&) = delete;

  /// Opens the file at nativePath (bytes as the file system takes them);
  /// returns "", or why it cannot be read.
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
  int fd_ = -1;
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
std::string WriteScriptAtomically(const std::string& nativePath, std::string_view bytes);

}  // namespace vorrik
