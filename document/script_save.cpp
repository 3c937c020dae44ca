// The save sequence, the same on every system: the platform's file
// operations are those of file_system.h.

#include "document/script_save.h"

#include <cerrno>

namespace vorrik {

namespace fs = file_system;
using fs::Step;

namespace {

std::string WriteFailure(fs::SystemError error) { return fs::Describe(error, FileOperation::Writing); }

/// Writes bytes to a new file beside target and puts it in target's place.
/// With old (the file there, open), the new file first takes its identity,
/// and old is closed.
Step ReplaceWithNewFile(const fs::NativeName& target, std::string_view bytes, fs::File* old) {
  fs::File file;
  fs::NativeName temporary;
  if (const fs::SystemError error = fs::CreateTemporary(target, old != nullptr, file, temporary)) {
    // A folder the user may not change: the old file is written in place.
    return old != nullptr && fs::IsNotAllowed(error) ? Step::WriteInPlace() : Step::Failed(WriteFailure(error));
  }
  std::size_t written = 0;
  fs::SystemError error = file.writeAll(bytes, written);
  Step step = Step::Done();
  // The identity comes after the writes, which would clear set-ID bits.
  if (error == 0 && old != nullptr && !fs::TakeIdentity(file, *old)) step = Step::WriteInPlace();
  if (error == 0 && old == nullptr) error = fs::TakeNewFileIdentity(file);
  // On the disk before it takes the old file's place: after a crash the file
  // is the old one or the new one, never a cut one.
  if (error == 0 && step.kind == Step::Kind::Done) error = file.flush();
  if (const fs::SystemError closed = file.close(); error == 0) error = closed;
  // Closed before the replace: Windows refuses to replace an open file.
  if (old != nullptr) old->close();
  if (error != 0) step = Step::Failed(WriteFailure(error));
  if (step.kind != Step::Kind::Done) {
    fs::Remove(temporary);
    return step;
  }
  return fs::PutInPlace(temporary, target, old != nullptr);
}

/// Makes the open file hold exactly bytes, on the disk; touched tells
/// whether the file changed at all, also when this fails.
fs::SystemError Overwrite(fs::File& file, std::string_view bytes, bool& touched) {
  if (const fs::SystemError error = file.rewind()) return error;
  std::size_t written = 0;
  const fs::SystemError error = file.writeAll(bytes, written);
  touched = touched || written > 0;
  if (error != 0) return error;
  touched = true;
  if (const fs::SystemError cut = file.resize(bytes.size())) return cut;
  if (const fs::SystemError flushed = file.flush()) return flushed;
  return file.closeCopy();
}

/// Puts bytes back into the open file and reads them back; whether the file
/// holds them again, on the disk.
bool PutBack(fs::File& file, std::string_view bytes) {
  bool touched = false;
  std::string check;
  return Overwrite(file, bytes, touched) == 0 && fs::ReadWhole(file, check).empty() && check == bytes;
}

/// Writes bytes over the open file old at target itself, which keeps
/// everything the file is. Its old bytes are read first, room for the new
/// ones is reserved, and a copy of the old ones is kept in recovery until
/// the new ones are on the disk; a failure after the first byte is written
/// puts the old ones back.
Step WriteInPlace(const fs::NativeName& target, fs::File& old, std::string_view bytes,
                  const RecoveryFolder& recovery, const ShowPath& showPath) {
  std::string oldBytes;
  if (std::string failure = fs::ReadWhole(old, oldBytes); !failure.empty()) return Step::Failed(failure);
  if (const fs::SystemError error = old.reserve(bytes.size())) {
    // Blocks reserved past the end before the disk ran out are given back.
    static_cast<void>(old.resize(oldBytes.size()));
    return Step::Failed(WriteFailure(error));
  }
  const std::string path = fs::Shown(target);
  std::string copy;
  bool madeNow = false;
  if (std::string failure = recovery.Keep(path, oldBytes, copy, madeNow); !failure.empty()) {
    return Step::Failed("It has to be written in place (it has other names, or a new file cannot take its owner, "
                        "permissions or folder), and no copy of its old text could be kept first, so it was "
                        "left as it was: " +
                        failure);
  }
  bool touched = false;
  const fs::SystemError error = Overwrite(old, bytes, touched);
  // Saved: the copy, also one from a save that never finished, has served.
  if (error == 0) {
    recovery.Discard(path);
    return Step::Done();
  }
  if (!touched || PutBack(old, oldBytes)) {
    if (madeNow) recovery.Discard(path);
    return Step::Failed(WriteFailure(error));
  }
  return Step::Failed(WriteFailure(error) +
                      " Putting its old text back failed too, so the file may be damaged. Its old text is kept in " +
                      (showPath ? showPath(copy) : copy) + ".");
}

/// Saves over the existing file at target.
Step SaveOverOldFile(const fs::NativeName& target, std::string_view bytes, const RecoveryFolder& recovery,
                     const ShowPath& showPath) {
  // Opened for writing first: a file the user may not change, or that
  // another program holds without sharing, is met before anything is made.
  fs::File old;
  const auto open = [&] { return fs::RetryWhileHeld([&] { return old.openToUpdate(target); }); };
  if (const fs::SystemError error = open()) return Step::Failed(WriteFailure(error));
  fs::Facts facts;
  if (const fs::SystemError error = old.facts(facts)) return Step::Failed(WriteFailure(error));
  if (facts.kind == fs::Kind::Folder) return Step::Failed(fs::kFolder);
  if (facts.kind != fs::Kind::File) return Step::Failed(fs::kNotAFile);
  // A second name of the file would keep the old text: it is written in place.
  if (facts.links == 1) {
    Step step = ReplaceWithNewFile(target, bytes, &old);
    if (step.kind != Step::Kind::WriteInPlace) return step;
    if (const fs::SystemError error = open()) return Step::Failed(WriteFailure(error));
  }
  return WriteInPlace(target, old, bytes, recovery, showPath);
}

}  // namespace

SaveResult SaveScriptFile(const std::string& nativePath, std::string_view bytes, const RecoveryFolder& recovery,
                          const ShowPath& showPath) {
  fs::NativeName target;
  if (std::string failure = fs::NameOf(nativePath, FileOperation::Writing, target); !failure.empty())
    return SaveResult::Failed(failure);
  if (std::string failure = fs::FollowLinks(target); !failure.empty()) return SaveResult::Failed(failure);
  const fs::Look look = fs::LookAt(target, FileOperation::Writing);
  Step step;
  switch (look.kind) {
    case fs::Kind::Missing: step = ReplaceWithNewFile(target, bytes, nullptr); break;
    case fs::Kind::MissingFolder: return SaveResult::Failed(FailureReason(ENOENT, FileOperation::Writing));
    case fs::Kind::Folder: return SaveResult::Failed(fs::kFolder);
    case fs::Kind::Device: return SaveResult::Failed(fs::kNotAFile);
    case fs::Kind::Unknown: return SaveResult::Failed(WriteFailure(look.error));
    case fs::Kind::File:
      if (look.writeRefused != 0) return SaveResult::Failed(WriteFailure(look.writeRefused));
      step = SaveOverOldFile(target, bytes, recovery, showPath);
      break;
  }
  if (step.kind != Step::Kind::Done) return SaveResult::Failed(step.reason);
  return SaveResult::Saved(fs::StampOf(target));
}

}  // namespace vorrik
