#pragma once

#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

namespace vorrik {

/// One drive: its letter (upper case) and the native folder it stands for.
struct Drive {
  QChar letter;
  QString root;
};

/// A native path for a Windows-form path, or why there is none.
struct NativePath {
  QString path;   // empty when error is set
  QString error;  // a sentence for the user
  bool ok() const { return error.isEmpty(); }
};

/// A drive-letter path for a native path, or why there is none.
struct DrivePath {
  QString path;   // "C:\cog\door.cog"; empty when error is set
  QString error;  // a sentence for the user
  bool ok() const { return error.isEmpty(); }
};

/// A file in a folder, both in Windows form, with one "\" between them:
/// "C:\cog" and "door.cog" give "C:\cog\door.cog"; a root, "C:\", gives "C:\door.cog".
QString JoinDrivePath(const QString& folder, const QString& name);

/// Turns the program's Windows-form paths ("C:\cog\door.cog") into native
/// ones. On Windows a drive is itself (a map of given drives still maps). Elsewhere the drives are those of the
/// Wine prefix, or C: for the home folder and Z: for "/" when there is none.
class DriveMap {
 public:
  /// The map of this machine: Windows drives, or those of $WINEPREFIX (else
  /// ~/.wine), or C: = home and Z: = "/".
  static DriveMap FromEnvironment();
#ifndef Q_OS_WIN
  /// The drives of the Wine prefix's dosdevices folder; C: = home and Z: = "/"
  /// when that folder holds none.
  static DriveMap FromWinePrefix(const QString& prefix, const QString& home);
#endif
  /// A map of the given drives.
  explicit DriveMap(QList<Drive> drives) : drives_(std::move(drives)) {}

  /// The drives in letter order.
  const QList<Drive>& drives() const { return drives_; }
  /// The entry of a folder's entries (in name order) that a path component
  /// names: the one written exactly so, else the first that differs only in
  /// letter case; "" for none.
  static QString MatchEntry(const QStringList& entries, const QString& name);

  /// The index of the drive with this letter, in either case; -1 for none.
  int IndexOf(QChar letter) const;

  /// The native path for a path that starts with a drive letter and a colon.
  /// "\" and "/" both separate; repeated separators count as one; "." and ".."
  /// are resolved without leaving the drive. A component that does not exist
  /// as written takes the name of an entry that differs only in letter case.
  NativePath ToNative(const QString& windowsPath) const;

  /// The index of the drive whose folder holds nativePath most closely (a
  /// drive inside another wins), or -1 when none does. The path counts as
  /// written and with its links resolved.
  int DriveHolding(const QString& nativePath) const;

  /// The drive-letter form of a native path, relative ones taken from the
  /// current folder: the drive that DriveHolding finds, then the components
  /// below its folder, joined by "\".
  DrivePath FromNative(const QString& nativePath) const;

 private:
  DriveMap() = default;
  /// The drive holding path and the length of the part of path its folder
  /// covers; {-1, 0} when none does. The path is clean and absolute.
  std::pair<int, qsizetype> closestDrive(const QString& path) const;
  /// closestDrive for path made absolute or with its links resolved,
  /// whichever drive's folder is longer; path becomes that form.
  std::pair<int, qsizetype> holder(QString& path) const;

  bool identity_ = false;  // Windows: paths are native already
  QList<Drive> drives_;
};

}  // namespace vorrik
