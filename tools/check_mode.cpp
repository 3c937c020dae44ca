#include "tools/check_mode.h"

#include "document/script_bytes.h"
#include "document/script_file.h"
#include "tools/output.h"

namespace vorrik::cli {
namespace {

std::string Counted(int count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

/// "143 of 256 symbols, ..., 160 of 511 jump slots; 1 error, 2 warnings":
/// the counts against their limits ("(over)" past one), then how many
/// errors and warnings the check found.
std::string CheckSummary(const ScriptCheck& check) {
  std::string text;
  for (const LimitCount& count : check.counts) {
    if (!text.empty()) text += ", ";
    text += std::to_string(count.count) + " of " + std::to_string(count.maximum) + " " + LimitName(count.limit);
    if (count.over()) text += " (over)";
  }
  return text + "; " + Counted(check.errors(), "error", "errors") + ", " +
         Counted(check.warnings(), "warning", "warnings");
}

}  // namespace

int CheckFiles(const std::vector<std::string>& paths, Game game) {
  Output out;
  int status = 0;
  for (const auto& path : paths) {
    LineStore lines;
    if (const std::string reason = ReadScriptLines(path, lines); !reason.empty()) {
      ReportUnreadable(path, reason);
      status = 1;
      continue;
    }
    const ScriptCheck check = CheckScript(LinesOf(lines), game);
    for (const Problem& problem : check.problems) {
      out.text() += path + ":" + std::to_string(problem.line) + ": " + ProblemKindName(problem.kind) + ": " +
                    problem.sentence + "\n";
      out.done();
    }
    out.text() += path + ": " + CheckSummary(check) + "\n";
    if (check.errors() > 0) status = 1;
    // Each file's lines go out at once, so that a reader that has gone stops
    // the work before the next file.
    if (!out.flush()) break;
  }
  return Finish(out, status);
}

}  // namespace vorrik::cli
