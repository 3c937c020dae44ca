#pragma once
// The generated script that the benchmarks measure: 32,767 lines of ordinary
// COG code (about 40 characters a line, 1.3 MB), the same on every run.

#include <cstdint>
#include <string>
#include <vector>

namespace vorrik::bench {

inline constexpr int kScriptLines = 32767;

struct Script {
  std::vector<std::u16string> lines;
  std::string bytes;         // as saved: every line followed by CR LF
  std::int64_t chars = 0;    // characters of all lines, line ends not counted
  int codeLines = 0;         // lines between "code" and "end"
  int firstCodeLine = 0;
};

/// The script, generated once.
const Script& TheScript();

/// The bytes of a generated script of the given number of lines, as saved
/// (CR LF after every line): the header of TheScript(), then code lines,
/// then "end". TheScript() is the one of kScriptLines lines.
std::string GenerateScriptBytes(int lines);

}  // namespace vorrik::bench
