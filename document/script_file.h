#pragma once

// Reading script files by native path, with every failure told as one plain
// sentence. Standard library only (over the file operations of
// file_system.h), shared by the program and vorrik-tally.
//
// A native path is a string of bytes: on POSIX systems the bytes the file
// system takes; on Windows UTF-8, which is converted to UTF-16 for the
// wide-character calls, made absolute, and given the "\\?\" form when it is
// long, so any Unicode name and paths past 260 characters work there.

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

#include "document/file_system.h"
#include "document/script_bytes.h"

namespace vorrik {

/// A script's bytes, read from the start in blocks: a file, or memory.
class BlockSource {
 public:
  virtual ~BlockSource() = default;
  /// Reads up to size (> 0) bytes into buffer and returns how many: 0 at the
  /// end, or on a failure, which the source keeps.
  virtual std::size_t read(char* buffer, std::size_t size) = 0;
  /// Starts again from the first byte; false on a failure.
  virtual bool rewind() = 0;
};

/// Bytes in memory as a block source that gives at most blockSize bytes a
/// read.
class BytesSource : public BlockSource {
 public:
  explicit BytesSource(std::string_view bytes, std::size_t blockSize = std::string_view::npos)
      : bytes_(bytes), blockSize_(blockSize) {}
  std::size_t read(char* buffer, std::size_t size) override {
    const std::string_view piece = bytes_.substr(at_, std::min(size, blockSize_));
    std::copy(piece.begin(), piece.end(), buffer);
    at_ += piece.size();
    return piece.size();
  }
  bool rewind() override {
    at_ = 0;
    return true;
  }

 private:
  std::string_view bytes_;
  std::size_t blockSize_;
  std::size_t at_ = 0;
};

/// A script file open for reading, read in blocks by the caller. Opening never
/// blocks: folders, pipes, devices, consoles and sockets are refused, as is a
/// file larger than kMaxScriptBytes, also when it grows past that while it is
/// read. On Windows the file is opened sharing reading, writing and deleting
/// with other programs, so it is never locked while it is read.
class ScriptReader : public BlockSource {
 public:
  /// Opens the file at nativePath (see above); returns "", or why it cannot
  /// be read.
  std::string open(const std::string& nativePath);

  /// The size of the file when it was opened.
  std::size_t size() const { return size_; }
  /// What the file was when it was opened.
  const FileStamp& stamp() const { return stamp_; }

  std::size_t read(char* buffer, std::size_t size) override;
  bool rewind() override;

  /// Why the last read failed, or "".
  const std::string& error() const { return error_; }

  void close();

 private:
  file_system::File file_;
  std::size_t size_ = 0;
  std::size_t consumed_ = 0;
  FileStamp stamp_;
  std::string error_;
};

/// Receives a script as it is read.
class ScriptSink {
 public:
  virtual ~ScriptSink() = default;
  /// Once, before the first block: the file's size and line ends.
  virtual void opened(std::size_t size, LineEnds ends) = 0;
  /// Each block of the file's bytes, in order.
  virtual void block(std::string_view bytes) = 0;
};

/// Fills a line store with a script as it is read; the store takes the
/// script's line ends. Call lines.finishBytes() after the last block.
class LineStoreSink : public ScriptSink {
 public:
  explicit LineStoreSink(LineStore& lines) : lines_(lines) {}
  void opened(std::size_t size, LineEnds ends) override {
    lines_.setLineEnds(ends);
    lines_.reserveForBytes(size);
  }
  void block(std::string_view bytes) override { lines_.appendBytes(bytes); }

 private:
  LineStore& lines_;
};

/// Reads a whole script from source into sink: first its line ends are
/// decided (usually by the first block; a file with no CR LF is read to its
/// end and then again from the start), then every block goes to sink.
/// Failures stay with the source.
void ReadScriptBlocks(BlockSource& source, std::size_t size, ScriptSink& sink);

/// Opens the script at nativePath and reads it into sink; returns "", or why
/// it cannot be read. stamp, when given, gets what the file was when opened.
std::string ReadScript(const std::string& nativePath, ScriptSink& sink, FileStamp* stamp = nullptr);

/// Reads the script at nativePath into lines (which take its line ends);
/// returns "", or why it cannot be read, lines then partly filled.
std::string ReadScriptLines(const std::string& nativePath, LineStore& lines, FileStamp* stamp = nullptr);

/// The stamp of the file at nativePath (links followed); not existing when
/// there is none.
FileStamp StampOf(const std::string& nativePath);

}  // namespace vorrik
