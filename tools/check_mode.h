#pragma once

// vorrik-tally --check: scripts read as the game's engine reads them.

#include <string>
#include <vector>

#include "check/script_check.h"

namespace vorrik::cli {

/// Checks each script for game and writes its problems, as compilers write
/// theirs ("FILE:LINE: warning: ..."), then "FILE: " and its summary. Returns
/// the exit status: 1 when a file cannot be read (the others are still
/// checked), a check finds an error or the output cannot be written, else 0.
int CheckFiles(const std::vector<std::string>& paths, Game game);

}  // namespace vorrik::cli
