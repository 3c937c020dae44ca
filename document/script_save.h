#pragma once

// Saving a script file so that the path still names the same file and no
// failure or crash loses both the old text and the new one. Standard library
// only, over the file operations of file_system.h.

#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "document/file_system.h"
#include "document/recovery_copy.h"

namespace vorrik {

/// What a save came to: saved, with the stamp of the file as written, or
/// failed, with why.
class SaveResult {
 public:
  static SaveResult Saved(FileStamp stamp) { return SaveResult(true, {}, stamp); }
  static SaveResult Failed(std::string reason) { return SaveResult(false, std::move(reason), {}); }

  bool saved() const { return saved_; }
  /// Why it failed, as plain sentences.
  const std::string& failure() const { return failure_; }
  /// The file as it was saved.
  const FileStamp& stamp() const { return stamp_; }

 private:
  SaveResult(bool saved, std::string failure, FileStamp stamp)
      : saved_(saved), failure_(std::move(failure)), stamp_(stamp) {}

  bool saved_;
  std::string failure_;
  FileStamp stamp_;
};

/// How a failure names a file it leaves for the user: the native path, or
/// the path the program shows for it.
using ShowPath = std::function<std::string(const std::string& nativePath)>;

/// Replaces the content of the file at nativePath with bytes, so that the
/// path still names the same file: a symbolic link is followed (its target is
/// written, the link stays), and the owner, group, permission bits, extended
/// attributes and ACLs (on Windows the attributes and security), and other
/// hard links are kept. A file that nobody may write, or with the read-only
/// attribute, is refused.
///
/// Normally the new text goes to a temporary file beside it, readable by its
/// owner alone until it takes the old file's identity, is put on the disk,
/// and takes the old file's place (a rename, or ReplaceFileW on Windows,
/// waiting for a virus scanner that holds either file for about two
/// seconds). Where a new file cannot keep all that (a second link, an owner
/// or attributes the user may not give it, a folder the user may not
/// change), the old file is written in place: its old bytes are read, room
/// is reserved, a copy of them is kept in recovery until the new bytes are
/// on the disk, and a step that fails after the first byte is written puts
/// them back and checks them. A failure leaves the old file as it was and
/// nothing behind, or says that the file may be damaged and names the copy
/// (through showPath) of its old text.
SaveResult SaveScriptFile(const std::string& nativePath, std::string_view bytes, const RecoveryFolder& recovery,
                          const ShowPath& showPath = {});

}  // namespace vorrik
