#pragma once

#include <QCoreApplication>
#include <QString>

#include "document/drive_map.h"
#include "ui/main_window.h"
#include "ui/qt_shell.h"

namespace vorrik {

/// Sets up the running application: its desktop entry, the window icon, the
/// font substitutes, and that it ends only through its quit confirmation.
/// Call once, after the QApplication is made and before any window.
void SetUpApplication();

/// Whether the command line asks only for --help or --version, which are
/// answered without a display (before any QApplication is made).
bool AsksForHelpOrVersion(int argc, char** argv);

/// The script named on the command line, or "" for none. Answers --help
/// and --version, and refuses unknown options and more than one file, by
/// printing and ending the process, as Linux programs do.
QString FileFromCommandLine(const QCoreApplication& app);

/// The running program: the real shell and the main window over it, loaded
/// and shown, with the script at nativePath opened when one is given (a
/// path as the desktop gives it). Its event loop is the application's; the
/// program ends when that loop returns.
class MainProgram {
 public:
  explicit MainProgram(DriveMap driveMap, const QString& nativePath = {});

  QtShell& shell() { return shell_; }
  Form1& form1() { return form1_; }

 private:
  QtShell shell_;
  Form1 form1_;
};

}  // namespace vorrik
