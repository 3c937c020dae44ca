// hold_file SHARING PATH [MILLISECONDS]: opens the file at PATH for reading
// and writing, sharing it with other programs as SHARING says ("none", or
// "no-delete": reading and writing but not deleting or renaming), writes
// "held" and a line break to standard output, and keeps it open until
// standard input ends. With MILLISECONDS, as a virus scanner would: lets go
// that long after a new file appears in PATH's folder (a save's temporary
// file), writes "let go" and a line break, and waits for the end of input.
// Exit status 0, or 1 when the file cannot be opened, 2 for bad arguments.

#include <windows.h>
#include <shellapi.h>

#include <cstring>
#include <cwchar>
#include <set>
#include <string>
#include <string_view>

namespace {

/// The names in folder.
std::set<std::wstring> Entries(const std::wstring& folder) {
  std::set<std::wstring> names;
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found))
    names.insert(found.cFileName);
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
  return names;
}

void Say(const char* text) {
  DWORD count = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, static_cast<DWORD>(std::strlen(text)), &count, nullptr);
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr || (argc != 3 && argc != 4)) return 2;
  const std::wstring_view sharing = argv[1];
  if (sharing != L"none" && sharing != L"no-delete") return 2;
  const DWORD share = sharing == L"none" ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE;
  const std::wstring path = argv[2];
  const std::wstring folder = path.substr(0, path.find_last_of(L"\\/"));
  const std::set<std::wstring> before = Entries(folder);
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  Say("held\n");
  if (argc == 4) {
    while (Entries(folder) == before) Sleep(1);
    Sleep(static_cast<DWORD>(std::wcstoul(argv[3], nullptr, 10)));
    CloseHandle(file);
    Say("let go\n");
  }
  DWORD count = 0;
  char byte;
  while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), &byte, 1, &count, nullptr) && count > 0) {
  }
  if (argc == 3) CloseHandle(file);
  return 0;
}
