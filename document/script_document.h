#pragma once

#include <QItemSelectionModel>
#include <QString>

#include <functional>

#include "analysis/analyse.h"
#include "document/drive_map.h"
#include "document/line_list_model.h"
#include "document/recovery_copy.h"
#include "document/script_file.h"
#include "document/script_history.h"
#include "document/shell.h"

namespace vorrik {

/// The open script: its lines, the path it came from or goes to, and whether
/// it holds unsaved changes, with the commands that load, save and quit.
/// Every failure is reported through the shell and loses nothing: the lines,
/// currentPath, savedFlag, the title and the file on disk stay as they were.
class ScriptDocument {
 public:
  /// The fixed title of the main window before the first load.
  static const QString kProgramTitle;

  /// Copies of old text that saves writing in place keep go to recovery.
  ScriptDocument(Shell& shell, DriveMap driveMap, RecoveryFolder recovery = RecoveryFolder::FromEnvironment());

  LineListModel& lineModel() { return model_; }
  const LineListModel& lineModel() const { return model_; }
  /// The selection of the line list; the view shares it.
  QItemSelectionModel& selectionModel() { return selection_; }
  const QItemSelectionModel& selectionModel() const { return selection_; }
  /// The lines as the analysis engine sees them.
  LineList& lineList() { return lineList_; }
  const LineList& lineList() const { return lineList_; }
  const DriveMap& driveMap() const { return driveMap_; }
  /// Undo and redo of the lines, and the saved point among them.
  ScriptHistory& history() { return history_; }
  const ScriptHistory& history() const { return history_; }

  /// Replaces every line with those of the file at path (a Windows-form path),
  /// focuses the first line (none selected) and marks the document saved.
  /// Where a save of that file was cut short, first offers the text from
  /// before that save, which opens as unsaved changes. Returns false, after
  /// telling the user why, when the file cannot be read; the list is then
  /// left untouched.
  bool LoadScript(const QString& path);

  /// Writes every line, each followed by its line end (CR LF, or LF for a
  /// file read with LF ends), to the file at path, which keeps its old
  /// content when the write fails, and marks the document saved. When
  /// another program changed the file since it was read or saved, asks
  /// first. Returns false, after telling the user why, when nothing was
  /// written; a script larger than a load takes (kMaxScriptBytes) is not.
  bool SaveScript(const QString& path);

  /// When the file of an unmodified document was changed by another program
  /// since it was read or saved, offers to read it again (as the chooser's
  /// OK does); a version declined is not offered again. Returns whether it
  /// was read again.
  bool OfferToReadAgain(AnalysisEngine& engine);

  /// The main window's start-up: saved, and the fixed program title.
  void StartUp();

  /// Sets savedFlag (1 saved, 0 modified) and the title: currentPath, with
  /// " *" after it when modified.
  void SetSavedState(int state);
  /// Sets the saved state from the history: saved exactly when the lines are
  /// as last read or saved. The title changes only when the state does.
  void UpdateSavedState();

  /// Ends the program when saved; when modified asks first whether to save
  /// the changes: Save saves and then ends it (a failed save does not),
  /// Don't Save ends it, Cancel does nothing. Returns whether it is ending.
  bool ConfirmQuit();

  /// Before another script replaces this one (path, in the drive-letter
  /// form): when modified, asks whether to save the changes first, as
  /// ConfirmQuit does. Returns whether to go on.
  bool ConfirmReplace(const QString& path);

  /// The chooser's OK: opens fileName in folder (one "\" between them, a
  /// root's included) and takes the baseline tally. Returns false, keeping
  /// everything as it was, when it cannot be read.
  bool OpenScript(const QString& folder, const QString& fileName, AnalysisEngine& engine);

  /// Opens the script at nativePath (a path as the desktop gives it) as
  /// OpenScript does, under its drive-letter path. Returns false, keeping
  /// everything as it was, when no drive holds it or it cannot be read.
  bool OpenNativeScript(const QString& nativePath, AnalysisEngine& engine);

  /// The Save command: SaveScript with currentPath.
  bool Save();

  /// Save As: asks for a name, writes the lines under it in the folder that
  /// chooserFolder gives (asked only after the name), and confirms. A
  /// cancelled name box does nothing, nor does No to replacing a file of
  /// that name; when the write fails currentPath returns to what it was.
  bool SaveAs(const std::function<QString()>& chooserFolder);

  QString currentPath;
  int savedFlag = 1;

 private:
  void ReportFailure(const QString& text);
  /// A native path as the user is shown it: its drive-letter path, where a
  /// drive holds it.
  QString ShownPath(const std::string& native) const;
  /// Asks whether to open the text kept from before a save of path that
  /// never finished, and opens it when the answer is Yes; returns whether it
  /// was opened.
  bool LoadKeptText(const QString& path, const std::string& native, const std::string& copy);
  /// Whether to save to path: yes, unless another program changed the file
  /// since it was read or saved and the user answers No.
  bool MaySaveOver(const QString& path, const std::string& native);
  /// Takes the lines of a file read from path, as it was on the disk.
  void TakeLines(LineStore lines, const QString& path, const FileStamp& stamp);
  /// Asks whether to save the changes before what comes (the end of the
  /// question); returns whether to go on.
  bool SaveChangesBefore(const QString& what);

  Shell& shell_;
  DriveMap driveMap_;
  RecoveryFolder recovery_;
  FileStamp diskStamp_;     // the file at stampPath_ as last read or saved
  QString stampPath_;
  FileStamp declinedStamp_;  // a version the user chose not to read again
  bool asking_ = false;      // a question about reading again is open
  LineListModel model_;
  QItemSelectionModel selection_;
  ModelLineList lineList_;
  ScriptHistory history_;
};

}  // namespace vorrik
