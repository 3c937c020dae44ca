#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace vorrik {

/// Where a save that writes a file in place first keeps a copy of the file's
/// old text, until the new text is on the disk, so that a save cut short by
/// a crash or a failing disk loses neither. A copy is two files in the
/// folder, named after the script and its path: NAME-HASH.cog, the old bytes
/// as they were (a script any editor opens), and NAME-HASH.path, the path it
/// belongs to. Standard library only.
class RecoveryFolder {
 public:
  /// The folder of this user: $XDG_STATE_HOME/vorrik/recovery, else
  /// ~/.local/state/vorrik/recovery; %LOCALAPPDATA%\VORRIK\recovery on
  /// Windows.
  static RecoveryFolder FromEnvironment();
  /// Copies go to folder, a native path, made when the first copy is; none
  /// can be kept when it is "".
  explicit RecoveryFolder(std::string folder) : folder_(std::move(folder)) {}

  const std::string& folder() const { return folder_; }

  /// The native path of the copy kept for the file at nativePath (links
  /// followed), or "" when there is none.
  std::string Find(const std::string& nativePath) const;
  /// Removes the copy kept for the file at nativePath, if any.
  void Discard(const std::string& nativePath) const;

  /// Keeps bytes, on the disk, as the copy for the file at nativePath
  /// (which exists), and gives the copy's native path; madeNow tells whether
  /// this made it. A copy that is kept already is left as it is: it holds
  /// the text from before a save that never finished, which stays until a
  /// save succeeds. Returns "", or why no copy could be kept.
  std::string Keep(const std::string& nativePath, std::string_view bytes, std::string& copy, bool& madeNow) const;

 private:
  std::string folder_;
};

}  // namespace vorrik
