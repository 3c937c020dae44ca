#include "ui/program.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <utility>

#include "ui/look.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace vorrik {

#ifdef Q_OS_WIN
namespace {
/// Whether nothing would see what the program prints: no console, and no
/// handles given by the program that started it (as a test run gives).
bool HasNoConsole() {
  if (::GetConsoleWindow() != nullptr || qEnvironmentVariableIsSet("QT_COMMAND_LINE_PARSER_NO_GUI_MESSAGE_BOXES"))
    return false;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  ::GetStartupInfoW(&startup);
  return (startup.dwFlags & STARTF_USESTDHANDLES) == 0;
}
}  // namespace
#endif

void SetUpApplication() {
  // Ties the windows to the installed desktop entry (its icon and name).
  QGuiApplication::setDesktopFileName(QStringLiteral(VORRIK_APP_ID));
  // Closing a window never ends the program: only the quit confirmation does.
  QApplication::setQuitOnLastWindowClosed(false);
  InstallFontSubstitutes();
  QApplication::setWindowIcon(ProgramIcon());
}

bool AsksForHelpOrVersion(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--") break;  // file names follow
    if (argument == "-h" || argument == "--help" || argument == "-?" || argument == "--help-all" ||
        argument == "-v" || argument == "--version")
      return true;
  }
  return false;
}

QString FileFromCommandLine(const QCoreApplication& app) {
  QCoreApplication::setApplicationName(QStringLiteral("vorrik"));
  QCoreApplication::setApplicationVersion(QStringLiteral(VORRIK_VERSION));
  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("Counts the objects a Jedi Knight COG script uses while you edit it."));
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The COG script to open."),
                               QStringLiteral("[FILE]"));
  parser.process(app);
  const QStringList files = parser.positionalArguments();
  if (files.size() > 1) {
#ifdef Q_OS_WIN
    // A program started from Explorer has no console to print to: the answer
    // goes in a message box, as Qt gives --help and --version there.
    if (HasNoConsole()) {
      ::MessageBoxW(nullptr, L"Give one file at most.", L"vorrik", MB_OK | MB_ICONERROR);
      std::exit(2);
    }
#endif
    std::fputs("vorrik: give one file at most\n", stderr);
    std::exit(2);
  }
  return files.isEmpty() ? QString() : files.first();
}

MainProgram::MainProgram(DriveMap driveMap, const QString& nativePath) : form1_(shell_, std::move(driveMap)) {
  shell_.setMainWindow(&form1_);
  form1_.Load();
  form1_.show();
  if (!nativePath.isEmpty()) form1_.OpenNativeFile(nativePath);
}

}  // namespace vorrik
