#include "script_document.h"

#include <QFile>
#include <QLocale>

#include <string_view>
#include <utility>
#include <vector>

#include "document/script_bytes.h"
#include "document/script_file.h"

namespace vorrik {

const QString ScriptDocument::kProgramTitle = QStringLiteral("VORRIK by Orvel_Tand - Powered by the Kestrimar");

namespace {

const QString kFailureTitle = QStringLiteral("VORRIK");

// The file unit takes paths as the file system's bytes on Linux and as UTF-8
// on Windows, where it calls the wide-character API; its sentences come back
// the same way.
#ifdef Q_OS_WIN
std::string NativeBytes(const QString& nativePath) { return nativePath.toStdString(); }
QString FromNativeText(const std::string& text) { return QString::fromStdString(text); }
#else
std::string NativeBytes(const QString& nativePath) { return QFile::encodeName(nativePath).toStdString(); }
QString FromNativeText(const std::string& text) { return QString::fromLocal8Bit(text); }
#endif

/// Reads the file into lines, a block at a time, so that no copy of the
/// whole file is held beside them; returns why it cannot be read, or "".
QString ReadScriptFile(const QString& nativePath, LineStore& lines) {
  ScriptReader reader;
  std::string failure = reader.open(NativeBytes(nativePath));
  if (failure.empty()) {
    lines.reserveForBytes(reader.size());
    std::vector<char> block(std::size_t{1} << 16);
    while (const std::size_t got = reader.read(block.data(), block.size()))
      lines.appendBytes(std::string_view(block.data(), got));
    lines.finishBytes();
    failure = reader.error();
  }
  return FromNativeText(failure);
}

/// Replaces the file with bytes, all or nothing; returns why it cannot, or "".
QString WriteScriptFile(const QString& nativePath, const std::string& bytes) {
  return FromNativeText(WriteScriptAtomically(NativeBytes(nativePath), bytes));
}

/// The size of the file that saving lines writes: every character is one
/// byte (or cannot be written at all), and every line ends with CR LF.
unsigned long long SavedSize(const LineListModel& model) {
  unsigned long long size = 0;
  for (int i = 0; i < model.count(); ++i) size += model.line(i).size() + 2;
  return size;
}

/// Why a script of size bytes is not saved: opening it again would refuse it.
QString TooLargeToOpenAgain(unsigned long long size) {
  const QLocale english(QLocale::English, QLocale::UnitedStates);
  return QStringLiteral("It would be %1 bytes, more than the 64 MiB (%2 bytes) that VORRIK can open again. "
                        "Take some lines out, then save again.")
      .arg(english.toString(size), english.toString(static_cast<unsigned long long>(kMaxScriptBytes)));
}

/// Names the character that cannot be written, and its line (counted from 1).
QString Unencodable(const UnencodableChar& bad, std::u16string_view line) {
  // A character beyond U+FFFF comes as a surrogate pair: name the whole of it.
  char32_t code = bad.character;
  QString text(QChar(bad.character));
  if (QChar::isHighSurrogate(code) && bad.position + 1 < line.size() &&
      QChar::isLowSurrogate(line[bad.position + 1])) {
    code = QChar::surrogateToUcs4(bad.character, line[bad.position + 1]);
    text += QChar(line[bad.position + 1]);
  }
  // A lone surrogate or a control character would show as nothing.
  const bool printable = QChar::isPrint(code) && !QChar::isSurrogate(code);
  const QString shown = printable ? QStringLiteral("\"%1\" ").arg(text) : QString();
  const QString hex = QStringLiteral("%1").arg(static_cast<uint>(code), 4, 16, QChar(u'0')).toUpper();
  return QStringLiteral("Line %1 holds the character %2(U+%3), which a COG file cannot store. "
                        "Change that line, then save again.")
      .arg(QString::number(bad.lineIndex + 1), shown, hex);
}

}  // namespace

ScriptDocument::ScriptDocument(Shell& shell, DriveMap driveMap)
    : shell_(shell), driveMap_(std::move(driveMap)), selection_(&model_), lineList_(model_, selection_) {}

bool ScriptDocument::LoadScript(const QString& path) {
  const NativePath native = driveMap_.ToNative(path);
  LineStore lines;
  const QString failure = native.ok() ? ReadScriptFile(native.path, lines) : native.error;
  if (!failure.isEmpty()) {
    ReportFailure(QStringLiteral("Cannot open %1\n\n%2").arg(path, failure));
    return false;
  }
  // The list is replaced only now that the whole file has been read.
  model_.replaceLines(std::move(lines));
  // The first line carries the focus mark, unselected: the focused index is
  // -1 only for an empty list. No click handling runs for it.
  if (model_.count() > 0) selection_.setCurrentIndex(model_.index(0), QItemSelectionModel::NoUpdate);
  SetSavedState(1);
  return true;
}

bool ScriptDocument::SaveScript(const QString& path) {
  QString failure;
  // Checked before the lines are joined: a ripped or pasted script can grow
  // past what a load takes.
  if (const unsigned long long size = SavedSize(model_); size > kMaxScriptBytes) {
    failure = TooLargeToOpenAgain(size);
  } else {
    const EncodedScript encoded = JoinScriptLines(model_.lines());
    const NativePath native = driveMap_.ToNative(path);
    if (encoded.error)
      failure = Unencodable(*encoded.error, model_.line(static_cast<int>(encoded.error->lineIndex)));
    else
      failure = native.ok() ? WriteScriptFile(native.path, encoded.bytes) : native.error;
  }
  if (!failure.isEmpty()) {
    ReportFailure(QStringLiteral("Cannot save %1\n\n%2").arg(path, failure));
    return false;
  }
  SetSavedState(1);
  return true;
}

void ScriptDocument::StartUp() {
  SetSavedState(1);
  shell_.setTitle(kProgramTitle);
}

void ScriptDocument::SetSavedState(int state) {
  savedFlag = state;
  shell_.setTitle(state == 0 ? currentPath + QStringLiteral(" *") : currentPath);
}

bool ScriptDocument::ConfirmQuit() {
  if (savedFlag == 0) {
    Message box;
    box.text = QStringLiteral("Your current COG is not saved. Do you still want to quit?");
    box.title = QStringLiteral("You wanna save?");
    box.buttons = Message::Buttons::YesNoCancel;
    box.defaultButton = Answer::Yes;
    // Yes neither saves nor quits: it is answered like Cancel.
    if (shell_.showMessageBox(box) != Answer::No) return false;
  }
  shell_.endProgram();
  return true;
}

bool ScriptDocument::OpenScript(const QString& folder, const QString& fileName, AnalysisEngine& engine) {
  QString previous = std::exchange(currentPath, folder + u'\\' + fileName);
  if (!LoadScript(currentPath)) {
    currentPath = std::move(previous);
    return false;
  }
  engine.AnalyseLines(lineList_, AnalysisMode::Baseline);
  return true;
}

bool ScriptDocument::OpenNativeScript(const QString& nativePath, AnalysisEngine& engine) {
  const DrivePath path = driveMap_.FromNative(nativePath);
  if (!path.ok()) {
    ReportFailure(QStringLiteral("Cannot open %1\n\n%2").arg(nativePath, path.error));
    return false;
  }
  const qsizetype split = path.path.lastIndexOf(u'\\');
  return OpenScript(path.path.left(split), path.path.mid(split + 1), engine);
}

bool ScriptDocument::Save() {
  if (currentPath.isEmpty()) {
    ReportFailure(QStringLiteral("This COG has no file name yet, so it was not saved.\n\n"
                                 "Use Save COG As... to give it one."));
    return false;
  }
  return SaveScript(currentPath);
}

bool ScriptDocument::SaveAs(const std::function<QString()>& chooserFolder) {
  const std::optional<QString> name =
      shell_.showInputBox(QStringLiteral("Please enter new name for file"), QStringLiteral("New name"));
  // A cancelled box saves nothing; an empty name confirmed with OK is ".cog".
  if (!name) return false;
  QString path = chooserFolder() + u'\\' + *name;
  if (!path.endsWith(QStringLiteral(".cog"), Qt::CaseSensitive)) path += QStringLiteral(".cog");
  QString previous = std::exchange(currentPath, path);
  if (!SaveScript(currentPath)) {
    // Nothing was written: the next Save must aim where the title says.
    currentPath = std::move(previous);
    return false;
  }
  Message box;
  box.text = QStringLiteral("File saved as:") + QChar(u'\r') + currentPath;
  box.title = QStringLiteral("File saved");
  shell_.showMessageBox(box);
  return true;
}

void ScriptDocument::ReportFailure(const QString& text) {
  Message box;
  box.text = text;
  box.title = kFailureTitle;
  box.icon = Message::Icon::Warning;
  shell_.showMessageBox(box);
}

}  // namespace vorrik
