#pragma once

#include <QString>
#include <QWidget>

#include <functional>

#include "document/drive_map.h"
#include "document/shell.h"

class QComboBox;
class QListWidget;
class QPushButton;

namespace vorrik {

/// The file chooser: a drive list, a folder list and a list of the "*.cog"
/// files in that folder, with OK, Cancel and "JK DIR". Modeless, without an
/// owner or a taskbar entry. OK and Cancel hide it and it keeps its state;
/// its close control destroys it. Paths are in Windows form ("C:\folder")
/// and reach the file system through the drive map.
class Dialog : public QWidget {
 public:
  /// Called by OK with the folder (the path of Dir1) and the selected file
  /// name (empty when none is selected); returns whether the script opened.
  using OpenScript = std::function<bool(const QString& folder, const QString& fileName)>;

  static constexpr const char* kStartFolder = "C:";
  static constexpr const char* kGameFolder = "C:\\Program Files\\Lucasarts\\Jedi Knight";

  /// Creates the chooser hidden, with its folder list at startFolder (a
  /// Windows-form path) and the drive list at its drive; with none given, at
  /// "C:" and the drive the program runs on (the load).
  Dialog(Shell& shell, const DriveMap& drives, OpenScript openScript, const QString& startFolder = {});

  /// The path of Dir1: the current folder in Windows form, "C:\" for a root.
  QString dir1Path() const;
  /// Sets the path of Dir1 (a drive alone selects its root) and, when the
  /// path changes, moves the file list to it. A folder that does not exist or
  /// cannot be read keeps the previous folder, and the user is told why.
  /// Returns whether the folder could be shown.
  bool setDir1Path(const QString& path);
  /// The drive of Drive1, as its text ("c: [/home/me]").
  QString drive() const;
  /// The file name of File1: the selected file's name, empty when none.
  QString fileName() const;
  /// Reads the folder again: its subfolders and its scripts as they are now
  /// on the disk. The drive, the folder and the chosen file (while it
  /// exists) stay as they were.
  void rereadFolder();
  /// Shows the folder of path (a file's Windows-form path) with the file
  /// chosen in it, as if the user had chosen it.
  void chooseFile(const QString& path);

  QPushButton& okButton() const { return *okButton_; }
  QPushButton& cancelButton() const { return *cancelButton_; }
  QComboBox& drive1() const { return *drive1_; }
  QListWidget& dir1() const { return *dir1_; }
  QListWidget& file1() const { return *file1_; }
  /// "JK DIR".
  QPushButton& command1() const { return *command1_; }

 private:
  /// Enter on a focused button presses it: the buttons are not default
  /// buttons, which Qt would otherwise require for Enter. Enter on a chosen
  /// file presses OK.
  bool eventFilter(QObject* watched, QEvent* event) override;

  /// Fills Dir1 for the folder path (Windows form) at native.
  void fillDir1(const QString& path, const QString& native);
  /// The Dir1 change handling: File1 follows the path of Dir1.
  void dir1Change();
  /// The user picked another drive in Drive1.
  void drive1Change(int index);
  void okClick();

  Shell& shell_;
  const DriveMap& drives_;
  OpenScript openScript_;
  QString dir1Path_;      // Windows form, "" until a folder could be shown
  QString dir1Native_;    // the same folder, native
  int drive1Index_ = -1;  // the drive Drive1 showed before the user's change
  QPushButton* okButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  QComboBox* drive1_ = nullptr;
  QListWidget* dir1_ = nullptr;
  QListWidget* file1_ = nullptr;
  QPushButton* command1_ = nullptr;
};

}  // namespace vorrik
