// VORRIK: tallies the objects of a COG script while it is edited.

#include <QApplication>

#include "document/drive_map.h"
#include "ui/look.h"
#include "ui/main_window.h"
#include "ui/qt_shell.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  // Ties the windows to the installed desktop entry (its icon and name).
  QGuiApplication::setDesktopFileName(QStringLiteral(VORRIK_APP_ID));
  // The program ends only through its quit confirmation.
  QApplication::setQuitOnLastWindowClosed(false);
  vorrik::InstallFontSubstitutes();
  QApplication::setWindowIcon(vorrik::ProgramIcon());

  vorrik::QtShell shell;
  vorrik::Form1 form1(shell, vorrik::DriveMap::FromEnvironment());
  shell.setMainWindow(&form1);
  form1.Load();
  form1.show();
  return QApplication::exec();
}
