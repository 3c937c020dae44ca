// hold_file SHARING PATH: opens the file at PATH for reading and writing,
// sharing it with other programs as SHARING says ("none", or "no-delete":
// reading and writing but not deleting or renaming), writes "held" and a line
// break to standard output, and keeps it open until standard input ends.
// Exit status 0, or 1 when the file cannot be opened, 2 for bad arguments.

#include <windows.h>
#include <shellapi.h>

#include <string_view>

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr || argc != 3) return 2;
  const std::wstring_view sharing = argv[1];
  if (sharing != L"none" && sharing != L"no-delete") return 2;
  const DWORD share = sharing == L"none" ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE;
  const HANDLE file = CreateFileW(argv[2], GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD count = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), "held\n", 5, &count, nullptr);
  char byte;
  while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), &byte, 1, &count, nullptr) && count > 0) {
  }
  CloseHandle(file);
  return 0;
}
