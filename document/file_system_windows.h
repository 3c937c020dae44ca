#pragma once

// What the Windows file operations let a test change: the call that puts a
// saved file in the place of the old one, so that a test can make it fail
// as a real disk or a scanner makes it fail.

#include <windows.h>

namespace vorrik::file_system {

/// ReplaceFileW with the arguments a save gives it.
using ReplaceFileFunction = BOOL(WINAPI*)(const wchar_t* replaced, const wchar_t* replacement,
                                          const wchar_t* backup);

/// Makes saves call function in place of ReplaceFileW; nullptr for
/// ReplaceFileW again.
void SetReplaceFileForTesting(ReplaceFileFunction function);

}  // namespace vorrik::file_system
