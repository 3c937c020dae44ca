// Keeps Wine's desktop alive for the whole test run. The first program that
// needs the desktop window starts Wine's desktop process, which inherits
// that program's error output and lives as long as any program uses the
// desktop. Started by a test, it would hold that test's output open while
// other tests run, and CTest would wait for it. Started here, with no
// output, it serves every test. It makes the file named on its command line
// once the desktop is there; wine-display stop ends it with the server.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR ready, int) {
  GetDesktopWindow();
  HANDLE file = CreateFileA(ready, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  CloseHandle(file);
  Sleep(INFINITE);
  return 0;
}
