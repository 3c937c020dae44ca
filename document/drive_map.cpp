#include "drive_map.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace vorrik {

namespace {

bool IsDriveLetter(QChar c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

/// The entry of folder that name stands for (see MatchEntry).
QString FindIgnoringCase(const QString& folder, const QString& name) {
  return DriveMap::MatchEntry(
      QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name),
      name);
}

#ifdef Q_OS_WIN
constexpr Qt::CaseSensitivity kPathCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity kPathCase = Qt::CaseSensitive;
#endif

/// Whether path is the folder root or lies inside it.
bool IsUnder(const QString& path, const QString& root) {
  if (path.compare(root, kPathCase) == 0) return true;
  const QString prefix = root.endsWith(u'/') ? root : root + u'/';
  return path.startsWith(prefix, kPathCase);
}

/// path made absolute and clean, with "/" separators.
QString Absolute(const QString& path) { return QDir::cleanPath(QFileInfo(path).absoluteFilePath()); }

QString Join(const QString& folder, const QString& name) {
  return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

}  // namespace

QString JoinDrivePath(const QString& folder, const QString& name) {
  return folder.endsWith(u'\\') ? folder + name : folder + u'\\' + name;
}

DriveMap DriveMap::FromEnvironment() {
#ifdef Q_OS_WIN
  DriveMap map;
  map.identity_ = true;
  for (const QFileInfo& drive : QDir::drives())
    map.drives_.append({drive.absolutePath().at(0).toUpper(), drive.absolutePath()});
  return map;
#else
  const QString home = QDir::homePath();
  QString prefix = qEnvironmentVariable("WINEPREFIX");
  if (prefix.isEmpty()) prefix = home + QStringLiteral("/.wine");
  return FromWinePrefix(prefix, home);
#endif
}

#ifndef Q_OS_WIN
DriveMap DriveMap::FromWinePrefix(const QString& prefix, const QString& home) {
  DriveMap map;
  // Wine names each drive's link "c:", "d:", ...; "d::" entries are the raw
  // devices behind drives and are not drives themselves.
  const QDir dosdevices(prefix + QStringLiteral("/dosdevices"));
  const QFileInfoList links = dosdevices.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
  for (const QFileInfo& link : links) {
    const QString name = link.fileName();
    if (name.size() != 2 || name.at(1) != u':' || !IsDriveLetter(name.at(0))) continue;
    // Links may be relative ("../drive_c"); resolve them against dosdevices.
    const QString target = link.isSymLink() ? link.symLinkTarget() : link.absoluteFilePath();
    map.drives_.append({name.at(0).toUpper(), QDir::cleanPath(target)});
  }
  if (map.drives_.isEmpty()) map.drives_ = {{u'C', QDir::cleanPath(home)}, {u'Z', QStringLiteral("/")}};
  std::sort(map.drives_.begin(), map.drives_.end(),
            [](const Drive& a, const Drive& b) { return a.letter < b.letter; });
  return map;
}
#endif

QString DriveMap::MatchEntry(const QStringList& entries, const QString& name) {
  // A folder that tells letter case apart (any on Linux, one so marked on
  // Windows) may hold both DOOR.COG and door.cog: each names its own file.
  if (entries.contains(name)) return name;
  for (const QString& entry : entries)
    if (entry.compare(name, Qt::CaseInsensitive) == 0) return entry;
  return {};
}

int DriveMap::IndexOf(QChar letter) const {
  for (qsizetype i = 0; i < drives_.size(); ++i)
    if (drives_[i].letter == letter.toUpper()) return static_cast<int>(i);
  return -1;
}

NativePath DriveMap::ToNative(const QString& windowsPath) const {
  if (windowsPath.size() < 2 || windowsPath.at(1) != u':' || !IsDriveLetter(windowsPath.at(0)))
    return {{}, QStringLiteral("The path does not start with a drive letter such as C:.")};
  const int index = IndexOf(windowsPath.at(0));
  if (index < 0)
    return {{}, QStringLiteral("There is no drive %1: on this computer.").arg(windowsPath.at(0).toUpper())};
  const Drive* drive = &drives_[index];
  if (identity_) return {windowsPath, {}};

  // Split into components; empty ones come from repeated separators.
  static const QRegularExpression kSeparators(QStringLiteral("[\\\\/]+"));
  const QStringList components = windowsPath.mid(2).split(kSeparators, Qt::SkipEmptyParts);
  QStringList resolved;
  for (const QString& component : components) {
    if (component == u'.') continue;
    if (component == QStringLiteral("..")) {
      if (!resolved.isEmpty()) resolved.removeLast();  // the drive's root is its top
      continue;
    }
    resolved.append(component);
  }

  QString path = drive->root;
  bool onDisk = true;  // every component so far exists
  for (const QString& component : resolved) {
    QString name = component;
    // Where names ignore letter case the entry is found as written, but shown
    // as it is on disk.
    if (onDisk && (kPathCase == Qt::CaseInsensitive || !QFileInfo::exists(Join(path, name)))) {
      const QString match = FindIgnoringCase(path, name);
      if (match.isEmpty())
        onDisk = false;  // nothing below a missing entry can exist either
      else
        name = match;
    }
    path = Join(path, name);
  }
  return {path, {}};
}

std::pair<int, qsizetype> DriveMap::closestDrive(const QString& path) const {
  int best = -1;
  qsizetype bestLength = -1;
  for (qsizetype i = 0; i < drives_.size(); ++i) {
    // A drive's folder may itself be reached through links (Wine's are).
    const QString written = QDir::cleanPath(drives_[i].root);
    const QString resolved = QFileInfo(written).canonicalFilePath();
    for (const QString& root : {written, resolved}) {
      if (root.isEmpty() || !IsUnder(path, root) || root.size() <= bestLength) continue;
      best = static_cast<int>(i);
      bestLength = root.size();
    }
  }
  return {best, best < 0 ? 0 : bestLength};
}

std::pair<int, qsizetype> DriveMap::holder(QString& path) const {
  path = Absolute(path);
  auto found = closestDrive(path);
  // Links may lead into a drive from outside it, or into a closer one: the
  // path they lead to counts as well.
  const QString resolved = QFileInfo(path).canonicalFilePath();
  if (!resolved.isEmpty() && resolved != path) {
    const auto viaLinks = closestDrive(resolved);
    if (viaLinks.first >= 0 && (found.first < 0 || viaLinks.second > found.second)) {
      found = viaLinks;
      path = resolved;
    }
  }
  return found;
}

int DriveMap::DriveHolding(const QString& nativePath) const {
  QString path = nativePath;
  return holder(path).first;
}

DrivePath DriveMap::FromNative(const QString& nativePath) const {
  if (identity_) return {QDir::toNativeSeparators(Absolute(nativePath)), {}};
  QString path = nativePath;
  const auto [drive, rootLength] = holder(path);
  if (drive < 0)
    return {{}, QStringLiteral("No drive of this computer holds it, so it has no drive-letter path.")};
  const QStringList components = path.mid(rootLength).split(u'/', Qt::SkipEmptyParts);
  for (const QString& component : components)
    if (component.contains(u'\\'))
      return {{}, QStringLiteral("The name \"%1\" holds a \\, which a drive-letter path reads as a "
                                 "separator.")
                      .arg(component)};
  return {QString(drives_[drive].letter) + QStringLiteral(":\\") + components.join(u'\\'), {}};
}

}  // namespace vorrik
