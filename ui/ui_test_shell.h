#pragma once

// The Qt Test shell: sets the window title through the program's own shell,
// answers message and input boxes from a script and records every box shown
// as one line of text, so no test ever opens a modal window. An unscripted
// box is recorded in the log, which the tests compare.

#include <QWidget>

#include "document/scripted_shell.h"
#include "ui/qt_shell.h"

namespace vorrik {

class UiTestShell : public ScriptedShell {
 public:
  /// The window whose title the shell sets.
  void setWindow(QWidget* window) { real_.setMainWindow(window); }

 protected:
  void showTitle(const QString& t) override { real_.setTitle(t); }
  void unexpected(const QString& what) override { log << QStringLiteral("unexpected ") + what; }

 private:
  QtShell real_;
};

}  // namespace vorrik
