// VORRIK: tallies the objects of a COG script while it is edited.

#include <QApplication>
#include <QCoreApplication>

#include "document/drive_map.h"
#include "ui/program.h"

int main(int argc, char* argv[]) {
  if (vorrik::AsksForHelpOrVersion(argc, argv)) {
    // No window, so no display needed; this prints and ends the process.
    QCoreApplication app(argc, argv);
    vorrik::FileFromCommandLine(app);
  }
  // QApplication first takes out Qt's own options (-platform, -style, ...).
  QApplication app(argc, argv);
  const QString file = vorrik::FileFromCommandLine(app);
  vorrik::SetUpApplication();
  vorrik::MainProgram program(vorrik::DriveMap::FromEnvironment(), file);
  return QApplication::exec();
}
