#include "ui/program.h"

#include <QApplication>

#include <utility>

#include "ui/look.h"

namespace vorrik {

void SetUpApplication() {
  // Ties the windows to the installed desktop entry (its icon and name).
  QGuiApplication::setDesktopFileName(QStringLiteral(VORRIK_APP_ID));
  // Closing a window never ends the program: only the quit confirmation does.
  QApplication::setQuitOnLastWindowClosed(false);
  InstallFontSubstitutes();
  QApplication::setWindowIcon(ProgramIcon());
}

MainProgram::MainProgram(DriveMap driveMap) : form1_(shell_, std::move(driveMap)) {
  shell_.setMainWindow(&form1_);
  form1_.Load();
  form1_.show();
}

}  // namespace vorrik
