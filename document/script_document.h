#pragma once

#include <QItemSelectionModel>
#include <QString>

#include <functional>

#include "analysis/analyse.h"
#include "document/drive_map.h"
#include "document/line_list_model.h"
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

  ScriptDocument(Shell& shell, DriveMap driveMap);

  LineListModel& lineModel() { return model_; }
  const LineListModel& lineModel() const { return model_; }
  /// The selection of the line list; the view shares it.
  QItemSelectionModel& selectionModel() { return selection_; }
  const QItemSelectionModel& selectionModel() const { return selection_; }
  /// The lines as the analysis engine sees them.
  LineList& lineList() { return lineList_; }
  const LineList& lineList() const { return lineList_; }
  const DriveMap& driveMap() const { return driveMap_; }

  /// Replaces every line with those of the file at path (a Windows-form path),
  /// focuses the first line (none selected) and marks the document saved.
  /// Returns false, after telling the user why, when the file cannot be read;
  /// the list is then left untouched.
  bool LoadScript(const QString& path);

  /// Writes every line, each followed by CR LF, to the file at path, which
  /// keeps its old content when the write fails, and marks the document
  /// saved. Returns false, after telling the user why, when nothing could be
  /// written; a script larger than a load takes (kMaxScriptBytes) is not.
  bool SaveScript(const QString& path);

  /// The main window's start-up: saved, and the fixed program title.
  void StartUp();

  /// Sets savedFlag (1 saved, 0 modified) and the title: currentPath, with
  /// " *" after it when modified.
  void SetSavedState(int state);

  /// Ends the program when saved; when modified asks first, and only the
  /// answer No ends it. Returns whether the program is ending.
  bool ConfirmQuit();

  /// The chooser's OK: opens folder + "\" + fileName and takes the baseline
  /// tally. Returns false, keeping everything as it was, when it cannot be
  /// read.
  bool OpenScript(const QString& folder, const QString& fileName, AnalysisEngine& engine);

  /// Opens the script at nativePath (a path as the desktop gives it) as
  /// OpenScript does, under its drive-letter path. Returns false, keeping
  /// everything as it was, when no drive holds it or it cannot be read.
  bool OpenNativeScript(const QString& nativePath, AnalysisEngine& engine);

  /// The Save command: SaveScript with currentPath.
  bool Save();

  /// Save As: asks for a name, writes the lines under it in the folder that
  /// chooserFolder gives (asked only after the name), and confirms. A
  /// cancelled name box does nothing; when the write fails currentPath
  /// returns to what it was.
  bool SaveAs(const std::function<QString()>& chooserFolder);

  QString currentPath;
  int savedFlag = 1;

 private:
  void ReportFailure(const QString& text);

  Shell& shell_;
  DriveMap driveMap_;
  LineListModel model_;
  QItemSelectionModel selection_;
  ModelLineList lineList_;
};

}  // namespace vorrik
