#pragma once

// Tests that need one of the main window's other windows shown.

#include <QString>
#include <QWidget>

#include "ui/main_window.h"

namespace vorrik {

/// Shows the window named ("chooser", "check", "find", "help" or "about") through
/// the main window's own commands and returns it; the main window itself for
/// "main" or "", and null for any other name.
inline QWidget* ShowWindow(Form1& form, const QString& which) {
  if (which == QLatin1String("chooser")) {
    form.ShowOpenDialog();
    return form.existingChooser();
  }
  if (which == QLatin1String("check")) {
    form.ShowCheck();
    return form.existingCheck();
  }
  if (which == QLatin1String("find")) {
    form.ShowFind();
    return form.existingFind();
  }
  if (which == QLatin1String("help")) {
    form.ShowHelp();
    return form.existingHelp();
  }
  if (which == QLatin1String("about")) {
    form.ShowAbout();
    return form.existingAbout();
  }
  return which.isEmpty() || which == QLatin1String("main") ? &form : nullptr;
}

}  // namespace vorrik
