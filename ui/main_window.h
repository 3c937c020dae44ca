#pragma once

#include <QLabel>
#include <QMainWindow>
#include <QPointer>

#include "analysis/analyse.h"
#include "document/drive_map.h"
#include "document/script_document.h"
#include "document/shell.h"
#include "ui/about_window.h"
#include "ui/check_window.h"
#include "ui/controls.h"
#include "ui/edit_box.h"
#include "ui/file_chooser.h"
#include "ui/find_window.h"
#include "ui/help_window.h"
#include "ui/line_list_view.h"

namespace vorrik {

/// The main window: the script's lines, the edit box for one line, the
/// object bank, the selection tally, the rip button and the menus. It owns
/// the analysis engine and the document, and creates the file chooser, the
/// script check and the help and About windows on first use.
class Form1 : public QMainWindow {
 public:
  /// The caption the window is created with.
  static const QString kCreatedCaption;

  Form1(Shell& shell, DriveMap driveMap);
  ~Form1() override;

  /// The load handling, before the window is first shown: the character
  /// classes, the saved state and the program title.
  void Load();

  LineListView& list1() const { return *list1_; }
  EditBox& text1() const { return *text1_; }
  QLineEdit& text2() const { return *text2_; }
  QLineEdit& text5() const { return *text5_; }
  WrapButton& command1() const { return *command1_; }
  ScriptDocument& document() { return document_; }
  const ScriptDocument& document() const { return document_; }
  AnalysisEngine& engine() { return engine_; }
  /// The file chooser, created hidden when it does not exist yet.
  Dialog& chooser();
  /// The chooser, script check, help and About windows while they exist,
  /// else null.
  Dialog* existingChooser() const { return dialog_; }
  CheckWindow* existingCheck() const { return checkWindow_; }
  FindWindow* existingFind() const { return findWindow_; }
  Form2* existingHelp() const { return form2_; }
  Form3* existingAbout() const { return form3_; }

  // The program's own operations on the line list; a change of the selection
  // or of the focused line runs the list click handling, nested.
  int FocusedIndex() const;
  int SelectedCount() const;
  void SetItemSelected(int index, bool selected);
  void SetFocusedIndex(int index);
  /// Picks line index (the last line for one past the end) as a click on it
  /// does: selected alone, focused, wholly in view, its tally shown and the
  /// line in the edit box; and brings this window to the front unless told
  /// not to.
  void PickLine(int index, bool bringToFront = true);

  // The handlings.
  void HandleListClick();
  void HandleTextChange();
  /// Enter moves to the next line, Shift+Enter to the one before.
  void HandleKeyPress(int code, Qt::KeyboardModifiers modifiers = {});
  void RipSelectedLines();
  /// Edit > Undo and Redo: the last step of the script's history taken back
  /// or made again, its (first) line selected, focused and in view.
  void UndoStep();
  void RedoStep();
  void ShowOpenDialog();
  /// Opens the script at nativePath (a path as the desktop gives it) as the
  /// chooser's OK does; a chooser made afterwards starts in its folder.
  bool OpenNativeFile(const QString& nativePath);
  /// Opens a file dropped on the window (a native path) as the chooser's OK
  /// does, after the question about unsaved changes.
  bool OpenDroppedFile(const QString& nativePath);
  /// Edit > Find...: shows the Find window, made on first use.
  void ShowFind();
  /// Picks the next line that holds the text asked for, searching from the
  /// focused line on (and round), or says that none does.
  void Find(const FindRequest& request, bool bringToFront = true);
  /// Find Next (down) and Find Previous (up) with the Find window's text;
  /// without a text yet, shows the Find window.
  void FindAgain(bool up);
  /// Edit > Go To...: asks for a line number, 1 to the number of lines, and
  /// picks that line; anything else is refused with the range and asked again.
  void GoToLine();
  /// Script > Check Script: shows the script check, made on first use.
  void ShowCheck();
  void ShowHelp();
  void ShowAbout();

 protected:
  void closeEvent(QCloseEvent* event) override;
  /// Coming back to the window after another program changed the open file
  /// offers to read it again (when nothing here is unsaved).
  void changeEvent(QEvent* event) override;

 private:
  void createControls();
  void createMenus();
  void connectSignals();
  /// Shows what Undo and Redo would do, and enables them when they can.
  void updateEditActions();
  /// After an undo or redo of step: picks its line as a click would, and
  /// the bank and the saved state follow.
  void showStep(const ScriptHistory::Step& step);
  /// Another script's lines: the boxes start afresh, the bank at its " 0".
  void clearBoxes();
  /// Opens the one file dropped, or says why a drop of a folder or of
  /// several files is refused.
  void openDropped(const QStringList& nativePaths);

  Shell& shell_;
  AnalysisEngine engine_;
  ScriptDocument document_;

  LineListView* list1_ = nullptr;
  EditBox* text1_ = nullptr;
  WrapButton* command1_ = nullptr;
  QLineEdit* text5_ = nullptr;
  QLineEdit* text2_ = nullptr;
  QLabel* label1_ = nullptr;
  QLabel* label2_ = nullptr;
  QLabel* label3_ = nullptr;
  QLabel* label4_ = nullptr;
  QAction* mnuUndo_ = nullptr;
  QAction* mnuRedo_ = nullptr;

  QPointer<Dialog> dialog_;
  QString chooserStart_;  // the folder a new chooser starts in; "" for "C:"
  QPointer<CheckWindow> checkWindow_;
  QPointer<FindWindow> findWindow_;
  QPointer<Form2> form2_;
  QPointer<Form3> form3_;
};

}  // namespace vorrik
