#pragma once

// What vorrik-tally writes: standard output in blocks, every write checked,
// and its messages on standard error. Shared by all its modes.

#include <string>

namespace vorrik::cli {

/// Standard output, written in blocks and checked: after the first failed
/// write nothing more is written, and failure() says why.
class Output {
 public:
  /// Where to append; call done() after each piece.
  std::string& text() { return buffer_; }
  void done() {
    if (buffer_.size() >= 1 << 16) flush();
  }
  /// Writes what text() holds; false once a write has failed.
  bool flush();
  bool failed() const { return !failure_.empty(); }
  const std::string& failure() const { return failure_; }

 private:
  std::string buffer_;
  std::string failure_;
};

/// Writes text to standard error: to a console as UTF-16, so that the file
/// names in it show as they are; elsewhere as bytes, the same on every system.
void WriteError(const std::string& text);

/// Writes "vorrik-tally: message" as a line to standard error.
void Complain(const std::string& message);

/// Tells on standard error why the file at path cannot be read.
void ReportUnreadable(const std::string& path, const std::string& reason);

/// Writes the rest of out and returns status, or 1 with the reason on
/// standard error when the output could not be written.
int Finish(Output& out, int status);

}  // namespace vorrik::cli
