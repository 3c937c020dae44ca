#include "document/recovery_copy.h"

#include <cstdint>
#include <cstdio>

#include "document/file_system.h"

namespace vorrik {

namespace fs = file_system;

namespace {

/// The name of canonical's copy without its extension: the script's name
/// (letters, digits, "-" and "_" of it, enough to tell it by) and a hash of
/// its whole path, so that each path has a name of its own.
std::string BaseName(const std::string& canonical) {
  fs::NativeName name;
  std::string shown = fs::NameOf(canonical, FileOperation::Reading, name).empty() ? fs::LastComponent(name) : "";
  const std::size_t dot = shown.rfind('.');
  if (dot != std::string::npos && dot > 0) shown.resize(dot);
  std::string base;
  for (const char c : shown) {
    const bool plain =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
    if (plain && base.size() < 40) base += c;
  }
  // FNV-1a, 64 bits.
  std::uint64_t hash = 0xcbf29ce484222325u;
  for (const char c : canonical) hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3u;
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
  return (base.empty() ? std::string("script") : base) + '-' + hex;
}

/// The two files of canonical's copy in folder.
struct CopyNames {
  fs::NativeName bytes;  // NAME-HASH.cog
  fs::NativeName path;   // NAME-HASH.path
};

/// The absolute path of the file at nativePath, links resolved: the same
/// for every path that leads to it.
std::string CanonicalOf(const std::string& nativePath) {
  fs::NativeName name;
  return fs::NameOf(nativePath, FileOperation::Reading, name).empty() ? fs::CanonicalName(name) : std::string();
}

bool NamesFor(const std::string& folder, const std::string& canonical, CopyNames& names) {
  fs::NativeName native;
  if (folder.empty() || canonical.empty() || !fs::NameOf(folder, FileOperation::Writing, native).empty()) return false;
  const std::string base = BaseName(canonical);
  names = {fs::Join(native, base + ".cog"), fs::Join(native, base + ".path")};
  return true;
}

/// Whether the copy named so is there and belongs to canonical.
bool Holds(const CopyNames& names, const std::string& canonical) {
  fs::File file;
  std::string path;
  return fs::LookAt(names.bytes, FileOperation::Reading).kind == fs::Kind::File && file.openToRead(names.path) == 0 &&
         fs::ReadWhole(file, path).empty() && path == canonical;
}

/// Writes bytes to a file of this name, on the disk, by way of a temporary
/// file; returns "" or why not.
std::string WriteDurably(const fs::NativeName& name, std::string_view bytes) {
  fs::File file;
  fs::NativeName temporary;
  if (const fs::SystemError error = fs::CreateTemporary(name, false, file, temporary))
    return fs::Describe(error, FileOperation::Writing);
  std::size_t written = 0;
  fs::SystemError error = file.writeAll(bytes, written);
  if (error == 0) error = file.flush();
  if (const fs::SystemError closed = file.close(); error == 0) error = closed;
  if (error == 0) error = fs::Rename(temporary, name);
  if (error == 0) return {};
  fs::Remove(temporary);
  return fs::Describe(error, FileOperation::Writing);
}

}  // namespace

RecoveryFolder RecoveryFolder::FromEnvironment() {
  const std::string state = fs::StateFolder();
  fs::NativeName folder;
  if (state.empty() || !fs::NameOf(state, FileOperation::Writing, folder).empty()) return RecoveryFolder("");
  return RecoveryFolder(fs::Shown(fs::Join(folder, "recovery")));
}

std::string RecoveryFolder::Find(const std::string& nativePath) const {
  const std::string canonical = CanonicalOf(nativePath);
  CopyNames names;
  if (!NamesFor(folder_, canonical, names) || !Holds(names, canonical)) return {};
  return fs::Shown(names.bytes);
}

void RecoveryFolder::Discard(const std::string& nativePath) const {
  CopyNames names;
  if (!NamesFor(folder_, CanonicalOf(nativePath), names)) return;
  fs::Remove(names.bytes);
  fs::Remove(names.path);
}

std::string RecoveryFolder::Keep(const std::string& nativePath, std::string_view bytes, std::string& copy,
                                 bool& madeNow) const {
  madeNow = false;
  const std::string canonical = CanonicalOf(nativePath);
  if (folder_.empty()) return "There is no folder of yours to keep it in: the system names none.";
  CopyNames names;
  if (!NamesFor(folder_, canonical, names)) return "Its full path cannot be found.";
  copy = fs::Shown(names.bytes);
  if (Holds(names, canonical)) return {};
  fs::NativeName folder;
  fs::NameOf(folder_, FileOperation::Writing, folder);
  if (const fs::SystemError error = fs::MakePrivateFolders(folder)) return fs::Describe(error, FileOperation::Writing);
  // The path first: a copy counts only once its bytes are there as well.
  std::string failure = WriteDurably(names.path, canonical);
  if (failure.empty()) failure = WriteDurably(names.bytes, bytes);
  if (!failure.empty()) {
    fs::Remove(names.bytes);
    fs::Remove(names.path);
    return failure;
  }
  madeNow = true;
  return {};
}

}  // namespace vorrik
