#pragma once

// The file operations that reading and saving a script are made of, one
// implementation per platform (file_system_posix.cpp, file_system_windows.cpp),
// so that the sequences built on them (script_file.cpp, script_save.cpp,
// recovery_copy.cpp) are written once. Standard library only above this line:
// names are NativeName, errors are SystemError codes, and Describe() turns a
// code into one plain sentence.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

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

/// What a file on disk was when it was looked at: a later look that differs
/// means that it was written, replaced or deleted since.
struct FileStamp {
  bool exists = false;
  std::uint64_t volume = 0;  // the device, or the volume's serial number
  std::uint64_t index = 0;   // the inode, or the Windows file index
  std::uint64_t size = 0;
  std::int64_t modified = 0;  // nanoseconds, or 100-nanosecond ticks
  friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

namespace file_system {

inline constexpr const char* kFolder = "It is a folder, not a file.";
inline constexpr const char* kNotAFile = "It is a device or a pipe, not a file.";
inline constexpr const char* kTooLarge = "The file is larger than 64 MiB, far more than a COG script can be.";

#ifdef _WIN32
using NativeName = std::wstring;  // absolute, in the "\\?\" form when long
#else
using NativeName = std::string;  // the bytes the file system takes
#endif

/// errno, or GetLastError() on Windows; 0 for none.
using SystemError = unsigned long;

/// The sentence for error (FailureReason or WindowsFailureReason).
std::string Describe(SystemError error, FileOperation operation);
/// Whether error means that the user may not do it (or may not here).
bool IsNotAllowed(SystemError error);
/// Whether error means that another program holds the file open (Windows'
/// sharing and lock violations; never on POSIX systems).
bool IsHeldByAnother(SystemError error);

/// The name for a native path (file system bytes, or UTF-8 on Windows),
/// made ready for the system's calls; returns "" or why it names no file.
std::string NameOf(const std::string& nativePath, FileOperation operation, NativeName& name);
/// A name as the program shows it: the native path (UTF-8 on Windows,
/// without the "\\?\" prefix).
std::string Shown(const NativeName& name);
/// folder joined with name (ASCII).
NativeName Join(const NativeName& folder, std::string_view name);
/// The last component of name, as Shown() gives it.
std::string LastComponent(const NativeName& name);

/// Follows symbolic links (and junctions) from name to the file they lead
/// to, which may not exist yet; returns "" or why not.
std::string FollowLinks(NativeName& name);

/// What a name or an open file is.
enum class Kind { File, Folder, Device, Missing, MissingFolder, Unknown };

/// What LookAt sees at a name, without opening it.
struct Look {
  Kind kind = Kind::Unknown;
  SystemError error = 0;         // Unknown: why it could not be looked at
  SystemError writeRefused = 0;  // a File looked at for writing: why it may not be written
};
/// Looks at name (links followed). A file with no write permission bit for
/// anyone, or with the read-only attribute, is refused for writing to
/// everyone, the administrator included.
Look LookAt(const NativeName& name, FileOperation operation);

/// The stamp of the file at name (links followed); not existing when there
/// is none or it cannot be looked at.
FileStamp StampOf(const NativeName& name);

/// The absolute name of the file at name, links resolved, as Shown() gives
/// it; "" when it cannot be had.
std::string CanonicalName(const NativeName& name);

/// What an open file is.
struct Facts {
  Kind kind = Kind::Unknown;
  std::uint64_t size = 0;
  std::uint32_t links = 0;
  FileStamp stamp;
};

/// An open file, closed when it goes. Opening never blocks (a pipe or a
/// device put in the place of a file opens at once, and facts() tells it);
/// on Windows every open shares reading, writing and deleting, so no file is
/// ever locked against other programs.
class File {
 public:
  File() = default;
  ~File() { close(); }
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  SystemError openToRead(const NativeName& name);
  SystemError openToUpdate(const NativeName& name);
  bool isOpen() const;

  SystemError facts(Facts& facts) const;
  /// Reads up to size bytes at the file position; got is 0 at the end.
  SystemError read(char* buffer, std::size_t size, std::size_t& got);
  /// Writes all of bytes at the file position; written counts what the file
  /// took, also when it fails part-way.
  SystemError writeAll(std::string_view bytes, std::size_t& written);
  SystemError rewind();
  SystemError resize(std::uint64_t size);
  /// Allocates room for the first size bytes without changing the length,
  /// so that a full disk is met before the file is touched; no error where
  /// the file system cannot reserve.
  SystemError reserve(std::uint64_t size);
  /// Puts what was written on the disk.
  SystemError flush();
  /// Closes a copy of the handle, which hears what a network file system may
  /// report only when a file is closed, and keeps the file open.
  SystemError closeCopy();
  /// Closes the file: a network file system may report a failed write only
  /// here. Closing a closed file does nothing.
  SystemError close();

 private:
  friend SystemError CreateTemporary(const NativeName&, bool, File&, NativeName&);
  friend bool TakeIdentity(File&, const File&);
  friend SystemError TakeNewFileIdentity(File&);

#ifdef _WIN32
  void* handle_ = nullptr;  // a HANDLE, or nullptr when closed
#else
  int fd_ = -1;
#endif
};

/// Reads the whole of the open file from its start into bytes; returns "",
/// or why not (a file larger than kMaxScriptBytes is refused).
std::string ReadWhole(File& file, std::string& bytes);

/// Creates a new file beside `beside`, named after it with a random suffix,
/// readable and writable by its owner alone. forOldFile: it is to take the
/// place of the file at beside and, before that, its identity; otherwise a
/// new file's identity (TakeNewFileIdentity).
SystemError CreateTemporary(const NativeName& beside, bool forOldFile, File& file, NativeName& name);
/// Gives the new file the owner, group, permissions, ACLs and attributes of
/// the old one; false where the user may not give any of them.
bool TakeIdentity(File& file, const File& old);
/// Gives a new file the permissions a file made in its folder gets.
SystemError TakeNewFileIdentity(File& file);

/// What a step of a save came to.
struct Step {
  enum class Kind { Done, Failed, WriteInPlace };
  Kind kind = Kind::Done;
  std::string reason;  // Failed: why, as a sentence

  static Step Done() { return {Kind::Done, {}}; }
  static Step Failed(std::string reason) { return {Kind::Failed, std::move(reason)}; }
  /// A new file cannot take the old one's place: write the old one in place.
  static Step WriteInPlace() { return {Kind::WriteInPlace, {}}; }
};

/// Puts the written and closed file temporary in the place of target: the
/// last step of a save. replacing: target is an old file (else it does not
/// exist yet). On failure temporary is removed, or, where it holds the only
/// copy of the new text, named in the reason; the old file is always at
/// target again.
Step PutInPlace(const NativeName& temporary, const NativeName& target, bool replacing);

/// Renames from to to, replacing what is there, and puts the rename on the
/// disk.
SystemError Rename(const NativeName& from, const NativeName& to);
void Remove(const NativeName& name);
/// Makes folder and the folders above it that are missing, each readable by
/// its owner alone.
SystemError MakePrivateFolders(const NativeName& folder);
/// The program's own folder for what outlives a run, in the user's state
/// folder, as a native path: $XDG_STATE_HOME/vorrik, else
/// ~/.local/state/vorrik; %LOCALAPPDATA%\VORRIK on Windows. "" when the
/// user has none.
std::string StateFolder();

/// Runs attempt (which returns a SystemError) again while another program
/// holds the file, with growing pauses, for about two seconds in all.
template <typename Attempt>
SystemError RetryWhileHeld(Attempt attempt);
/// The pause before try number n (from 0) of RetryWhileHeld, in
/// milliseconds; 0 when it is time to give up.
int RetryPause(int n);
void Pause(int milliseconds);

template <typename Attempt>
SystemError RetryWhileHeld(Attempt attempt) {
  for (int n = 0;; ++n) {
    const SystemError error = attempt();
    if (!IsHeldByAnother(error) || RetryPause(n) == 0) return error;
    Pause(RetryPause(n));
  }
}

}  // namespace file_system
}  // namespace vorrik
