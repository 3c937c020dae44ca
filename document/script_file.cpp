// Reading script files, the same on every system, and the sentences for errno
// values that every system's file operations share.

#include "document/script_file.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace vorrik {

namespace fs = file_system;

std::string FailureReason(int error, FileOperation operation) {
  const bool reading = operation == FileOperation::Reading;
  switch (error) {
    case ENOSPC:
      return "The disk is full.";
#ifdef EDQUOT
    case EDQUOT:
      return "The disk is full: your quota on it is used up.";
#endif
    case EACCES:
    case EPERM:
      return reading ? "You are not allowed to read the file or to open its folder."
                     : "The file or its folder is read-only, or you are not allowed to change it.";
    case EROFS:
      return "The disk is read-only.";
    case ENAMETOOLONG:
      return "The file name or its path is too long.";
    case EISDIR:
      return fs::kFolder;
    case ENOENT:
      return reading ? "The file does not exist." : "The folder it should go in does not exist.";
    case ENOTDIR:
      return reading ? "The folder it should be in does not exist." : "The folder it should go in does not exist.";
    case EIO:
      return reading ? "The disk reported an error while the file was being read."
                     : "The disk reported an error while the file was being written.";
    case EMFILE:
    case ENFILE:
      return "Too many files are open at once; close some and try again.";
    case ELOOP:
      return "The path holds a loop of symbolic links, or too many of them.";
    default:
      return "The system refused it: " + std::string(std::strerror(error)) + " (error " + std::to_string(error) +
             ").";
  }
}

namespace file_system {

int RetryPause(int n) {
  // 2.1 seconds in all: a virus scanner or an indexer lets go of a new file
  // within that; a program that holds it longer is told.
  static constexpr int kPauses[] = {10, 20, 40, 80, 160, 320, 500, 500, 500};
  return n < static_cast<int>(std::size(kPauses)) ? kPauses[n] : 0;
}

void Pause(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

std::string ReadWhole(File& file, std::string& bytes) {
  Facts facts;
  if (const SystemError error = file.facts(facts)) return Describe(error, FileOperation::Reading);
  if (facts.size > kMaxScriptBytes) return kTooLarge;
  if (const SystemError error = file.rewind()) return Describe(error, FileOperation::Reading);
  bytes.resize(static_cast<std::size_t>(facts.size) + 1);
  std::size_t have = 0;
  for (;;) {
    if (have > kMaxScriptBytes) return kTooLarge;
    // A file that grew since it was looked at is read to its end all the same.
    if (have == bytes.size()) bytes.resize(std::min(2 * bytes.size(), kMaxScriptBytes + 1));
    std::size_t got = 0;
    if (const SystemError error = file.read(bytes.data() + have, bytes.size() - have, got))
      return Describe(error, FileOperation::Reading);
    if (got == 0) break;
    have += got;
  }
  bytes.resize(have);
  return {};
}

}  // namespace file_system

namespace {

/// Why a file of these facts cannot be read as a script, or nullptr.
const char* Refusal(const fs::Facts& facts) {
  if (facts.kind == fs::Kind::Folder) return fs::kFolder;
  // A pipe or a device could block the reader or never end.
  if (facts.kind != fs::Kind::File) return fs::kNotAFile;
  if (facts.size > kMaxScriptBytes) return fs::kTooLarge;
  return nullptr;
}

/// Why a file that a look finds cannot be read, or "".
std::string ReadRefusal(const fs::Look& look) {
  switch (look.kind) {
    case fs::Kind::File: return {};
    case fs::Kind::Folder: return fs::kFolder;
    case fs::Kind::Device: return fs::kNotAFile;
    case fs::Kind::Missing: return FailureReason(ENOENT, FileOperation::Reading);
    // A missing file in a missing folder is told as the folder.
    case fs::Kind::MissingFolder: return FailureReason(ENOTDIR, FileOperation::Reading);
    case fs::Kind::Unknown: break;
  }
  return fs::Describe(look.error, FileOperation::Reading);
}

}  // namespace

std::string ScriptReader::open(const std::string& nativePath) {
  close();
  fs::NativeName name;
  if (std::string failure = fs::NameOf(nativePath, FileOperation::Reading, name); !failure.empty()) return failure;
  // Looked at before it is opened: opening a device can itself have effects.
  if (std::string refusal = ReadRefusal(fs::LookAt(name, FileOperation::Reading)); !refusal.empty()) return refusal;
  if (const fs::SystemError error = file_.openToRead(name)) {
    // A file gone between the look and the open is told as a look tells it.
    const fs::Look look = fs::LookAt(name, FileOperation::Reading);
    return look.kind == fs::Kind::Missing || look.kind == fs::Kind::MissingFolder
               ? ReadRefusal(look)
               : fs::Describe(error, FileOperation::Reading);
  }
  // Checked again on what was opened: the path may name another file by now.
  fs::Facts facts;
  std::string refusal;
  if (const fs::SystemError error = file_.facts(facts))
    refusal = fs::Describe(error, FileOperation::Reading);
  else if (const char* reason = Refusal(facts))
    refusal = reason;
  if (!refusal.empty()) {
    file_.close();
    return refusal;
  }
  size_ = static_cast<std::size_t>(facts.size);
  stamp_ = facts.stamp;
  return {};
}

std::size_t ScriptReader::read(char* buffer, std::size_t size) {
  if (!file_.isOpen() || !error_.empty()) return 0;
  // At most one byte past the limit: a file that grows while it is read is
  // refused without reading the rest of it.
  std::size_t got = 0;
  if (const fs::SystemError error = file_.read(buffer, std::min(size, kMaxScriptBytes + 1 - consumed_), got)) {
    error_ = fs::Describe(error, FileOperation::Reading);
    return 0;
  }
  consumed_ += got;
  if (consumed_ > kMaxScriptBytes) {
    error_ = fs::kTooLarge;
    return 0;
  }
  return got;
}

bool ScriptReader::rewind() {
  if (!file_.isOpen() || !error_.empty()) return false;
  if (const fs::SystemError error = file_.rewind()) {
    error_ = fs::Describe(error, FileOperation::Reading);
    return false;
  }
  consumed_ = 0;
  return true;
}

void ScriptReader::close() {
  file_.close();
  size_ = 0;
  consumed_ = 0;
  stamp_ = {};
  error_.clear();
}

void ReadScriptBlocks(BlockSource& source, std::size_t size, ScriptSink& sink) {
  std::vector<char> buffer(std::size_t{1} << 16);
  std::size_t got = source.read(buffer.data(), buffer.size());
  LineEndDetector detector;
  detector.feed(std::string_view(buffer.data(), got));
  // The first block nearly always holds a CR LF, which decides; otherwise the
  // whole file must be seen, and it is read again from the start.
  if (!detector.decided() && got > 0) {
    std::size_t more = 0;
    while (!detector.decided() && (more = source.read(buffer.data(), buffer.size())) > 0)
      detector.feed(std::string_view(buffer.data(), more));
    if (!source.rewind()) return;
    got = source.read(buffer.data(), buffer.size());
  }
  sink.opened(size, detector.lineEnds());
  while (got > 0) {
    sink.block(std::string_view(buffer.data(), got));
    got = source.read(buffer.data(), buffer.size());
  }
}

std::string ReadScript(const std::string& nativePath, ScriptSink& sink, FileStamp* stamp) {
  ScriptReader reader;
  if (std::string failure = reader.open(nativePath); !failure.empty()) return failure;
  if (stamp != nullptr) *stamp = reader.stamp();
  ReadScriptBlocks(reader, reader.size(), sink);
  return reader.error();
}

std::string ReadScriptLines(const std::string& nativePath, LineStore& lines, FileStamp* stamp) {
  LineStoreSink sink(lines);
  std::string failure = ReadScript(nativePath, sink, stamp);
  lines.finishBytes();
  return failure;
}

FileStamp StampOf(const std::string& nativePath) {
  fs::NativeName name;
  if (!fs::NameOf(nativePath, FileOperation::Reading, name).empty()) return {};
  return fs::StampOf(name);
}

}  // namespace vorrik
