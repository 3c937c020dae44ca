#pragma once

// The Qt Test shell: sets the real window title, answers message and input
// boxes from a script and records every box shown as one line of text, so no
// test ever opens a modal window. An unscripted box is recorded in the log,
// which the tests compare.

#include <QPointer>
#include <QWidget>

#include "document/scripted_shell.h"

namespace vorrik {

class UiTestShell : public ScriptedShell {
 public:
  QPointer<QWidget> window;

 protected:
  void showTitle(const QString& t) override {
    if (window) window->setWindowTitle(t);
  }
  void unexpected(const QString& what) override { log << QStringLiteral("unexpected ") + what; }
};

}  // namespace vorrik
