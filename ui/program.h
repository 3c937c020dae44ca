#pragma once

#include "document/drive_map.h"
#include "ui/main_window.h"
#include "ui/qt_shell.h"

namespace vorrik {

/// Sets up the running application: its desktop entry, the window icon, the
/// font substitutes, and that it ends only through its quit confirmation.
/// Call once, after the QApplication is made and before any window.
void SetUpApplication();

/// The running program: the real shell and the main window over it, loaded
/// and shown. Its event loop is the application's; the program ends when
/// that loop returns.
class MainProgram {
 public:
  explicit MainProgram(DriveMap driveMap);

  QtShell& shell() { return shell_; }
  Form1& form1() { return form1_; }

 private:
  QtShell shell_;
  Form1 form1_;
};

}  // namespace vorrik
