// VORRIK: tallies the objects of a COG script while it is edited.

#include <QApplication>

#include "document/drive_map.h"
#include "ui/program.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  vorrik::SetUpApplication();
  vorrik::MainProgram program(vorrik::DriveMap::FromEnvironment());
  return QApplication::exec();
}
