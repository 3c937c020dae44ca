#include "script_document.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <string_view>
#include <utility>

#include "document/script_bytes.h"
#include "document/script_file.h"
#include "document/script_save.h"

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

/// The size of the file that saving lines writes: every character is one
/// byte (or cannot be written at all), and every line ends with its line end.
unsigned long long SavedSize(const LineListModel& model) {
  const std::size_t end = LineEndBytes(model.lines().lineEnds()).size();
  unsigned long long size = 0;
  for (int i = 0; i < model.count(); ++i) size += model.line(i).size() + end;
  return size;
}

Message Question(const QString& text, Answer defaultButton, Message::Icon icon = Message::Icon::Warning) {
  Message box;
  box.text = text;
  box.title = QStringLiteral("VORRIK");
  box.buttons = Message::Buttons::YesNo;
  box.defaultButton = defaultButton;
  box.icon = icon;
  return box;
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

ScriptDocument::ScriptDocument(Shell& shell, DriveMap driveMap, RecoveryFolder recovery)
    : shell_(shell),
      driveMap_(std::move(driveMap)),
      recovery_(std::move(recovery)),
      selection_(&model_),
      lineList_(model_, selection_) {}

bool ScriptDocument::LoadScript(const QString& path) {
  const NativePath native = driveMap_.ToNative(path);
  if (!native.ok()) {
    ReportFailure(QStringLiteral("Cannot open %1\n\n%2").arg(path, native.error));
    return false;
  }
  const std::string nativeBytes = NativeBytes(native.path);
  if (const std::string copy = recovery_.Find(nativeBytes); !copy.empty() && LoadKeptText(path, nativeBytes, copy))
    return true;
  LineStore lines;
  FileStamp stamp;
  if (const std::string failure = ReadScriptLines(nativeBytes, lines, &stamp); !failure.empty()) {
    ReportFailure(QStringLiteral("Cannot open %1\n\n%2").arg(path, FromNativeText(failure)));
    return false;
  }
  TakeLines(std::move(lines), path, stamp);
  SetSavedState(1);
  return true;
}

bool ScriptDocument::LoadKeptText(const QString& path, const std::string& native, const std::string& copy) {
  const Message question = Question(
      QStringLiteral("VORRIK was stopped while it was saving %1, so the file may hold only part of that save.\n\n"
                     "Open the text it had before that save? Yes opens that text as unsaved changes; No opens "
                     "the file as it is now and deletes the kept text.")
          .arg(path),
      Answer::Yes);
  if (shell_.showMessageBox(question) != Answer::Yes) {
    recovery_.Discard(native);
    return false;
  }
  LineStore lines;
  if (const std::string failure = ReadScriptLines(copy, lines); !failure.empty()) {
    ReportFailure(QStringLiteral("Cannot open the text kept from before the save, %1\n\n%2\n\n"
                                 "The file is opened as it is now; the kept text stays where it is.")
                      .arg(ShownPath(copy), FromNativeText(failure)));
    return false;
  }
  // The kept text stands for the file as it is on the disk now, so that
  // saving it asks nothing about the cut-short save's bytes.
  TakeLines(std::move(lines), path, StampOf(native));
  history_.markUnsaved();
  SetSavedState(0);
  return true;
}

void ScriptDocument::TakeLines(LineStore lines, const QString& path, const FileStamp& stamp) {
  // The list is replaced only now that the whole file has been read.
  model_.replaceLines(std::move(lines));
  // The first line carries the focus mark, unselected: the focused index is
  // -1 only for an empty list. No click handling runs for it.
  if (model_.count() > 0) selection_.setCurrentIndex(model_.index(0), QItemSelectionModel::NoUpdate);
  diskStamp_ = stamp;
  stampPath_ = path;
  declinedStamp_ = {};
  history_.clear();
}

bool ScriptDocument::MaySaveOver(const QString& path, const std::string& native) {
  if (path != stampPath_ || !diskStamp_.exists) return true;
  // A file deleted meanwhile is made again without a question.
  const FileStamp now = StampOf(native);
  if (!now.exists || now == diskStamp_) return true;
  const Message question = Question(QStringLiteral("%1 was changed by another program after VORRIK opened or "
                                                   "saved it.\n\nSave over the other program's changes?")
                                        .arg(path),
                                    Answer::No);
  return shell_.showMessageBox(question) == Answer::Yes;
}

bool ScriptDocument::OfferToReadAgain(AnalysisEngine& engine) {
  if (asking_ || savedFlag == 0 || currentPath.isEmpty() || currentPath != stampPath_ || !diskStamp_.exists)
    return false;
  const NativePath native = driveMap_.ToNative(currentPath);
  const FileStamp now = native.ok() ? StampOf(NativeBytes(native.path)) : FileStamp();
  if (!now.exists || now == diskStamp_ || now == declinedStamp_) return false;
  asking_ = true;
  const Answer answer = shell_.showMessageBox(Question(
      QStringLiteral("%1 was changed by another program.\n\nRead it again?").arg(currentPath), Answer::Yes,
      Message::Icon::None));
  asking_ = false;
  if (answer != Answer::Yes) {
    declinedStamp_ = now;
    return false;
  }
  const qsizetype split = currentPath.lastIndexOf(u'\\');
  return OpenScript(currentPath.left(split), currentPath.mid(split + 1), engine);
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
    if (encoded.error) {
      failure = Unencodable(*encoded.error, model_.line(static_cast<int>(encoded.error->lineIndex)));
    } else if (!native.ok()) {
      failure = native.error;
    } else {
      const std::string nativeBytes = NativeBytes(native.path);
      if (!MaySaveOver(path, nativeBytes)) return false;
      const auto shown = [this](const std::string& file) { return ShownPath(file).toStdString(); };
      const SaveResult result = SaveScriptFile(nativeBytes, encoded.bytes, recovery_, shown);
      if (!result.saved()) {
        failure = FromNativeText(result.failure());
      } else {
        diskStamp_ = result.stamp();
        stampPath_ = path;
        declinedStamp_ = {};
        history_.markSaved();
      }
    }
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

void ScriptDocument::UpdateSavedState() {
  const int state = history_.atSavedPoint() ? 1 : 0;
  if (state != savedFlag) SetSavedState(state);
}

bool ScriptDocument::SaveChangesBefore(const QString& what) {
  if (savedFlag == 1) return true;
  Message box;
  box.text = QStringLiteral("Your current COG is not saved.\n\nDo you want to save your changes before %1?").arg(what);
  box.title = QStringLiteral("You wanna save?");
  box.buttons = Message::Buttons::SaveDontSaveCancel;
  box.defaultButton = Answer::Save;
  switch (shell_.showMessageBox(box)) {
    case Answer::Save: return Save();
    case Answer::DontSave: return true;
    default: return false;
  }
}

bool ScriptDocument::ConfirmQuit() {
  if (!SaveChangesBefore(QStringLiteral("you quit"))) return false;
  shell_.endProgram();
  return true;
}

bool ScriptDocument::ConfirmReplace(const QString& path) {
  return SaveChangesBefore(QStringLiteral("you open %1").arg(path));
}

bool ScriptDocument::OpenScript(const QString& folder, const QString& fileName, AnalysisEngine& engine) {
  QString previous = std::exchange(currentPath, JoinDrivePath(folder, fileName));
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
  QString path = JoinDrivePath(chooserFolder(), *name);
  if (!path.endsWith(QStringLiteral(".cog"), Qt::CaseSensitive)) path += QStringLiteral(".cog");
  // Another file of that name is replaced only when the user says so.
  if (const NativePath native = driveMap_.ToNative(path); native.ok() && QFileInfo::exists(native.path)) {
    Message box;
    const QString fileName = path.mid(path.lastIndexOf(u'\\') + 1);
    box.text = QStringLiteral("%1 already exists.\nDo you want to replace it?").arg(fileName);
    box.title = QStringLiteral("Confirm Save As");
    box.buttons = Message::Buttons::YesNo;
    box.defaultButton = Answer::No;
    box.icon = Message::Icon::Warning;
    if (shell_.showMessageBox(box) != Answer::Yes) return false;
  }
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

QString ScriptDocument::ShownPath(const std::string& native) const {
  const QString path = FromNativeText(native);
  const DrivePath shown = driveMap_.FromNative(path);
  return shown.ok() ? shown.path : path;
}

void ScriptDocument::ReportFailure(const QString& text) {
  Message box;
  box.text = text;
  box.title = kFailureTitle;
  box.icon = Message::Icon::Warning;
  shell_.showMessageBox(box);
}

}  // namespace vorrik
