// vorrik-tally: the object tally of COG scripts on the command line.

#include <charconv>
#include <csignal>
#include <cwchar>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#endif

#include "analysis/analyse.h"
#include "analysis/display.h"
#include "document/script_bytes.h"
#include "document/script_file.h"
#include "tools/check_mode.h"
#include "tools/file_tally.h"
#include "tools/output.h"

namespace {

using vorrik::cli::Complain;
using vorrik::cli::Finish;
using vorrik::cli::Output;
using vorrik::cli::ReportUnreadable;
using vorrik::cli::WriteError;

constexpr const char* kUsage =
    "usage: vorrik-tally FILE...\n"
    "       vorrik-tally --lines FILE\n"
    "       vorrik-tally --select FIRST-LAST FILE\n"
    "       vorrik-tally --rip FIRST-LAST FILE\n"
    "       vorrik-tally --check [--game jk|mots] FILE...\n"
    "       vorrik-tally --bank OLD NEW\n"
    "       vorrik-tally --help\n";

constexpr const char* kHelp =
    "Tallies the objects that the code section of COG scripts uses.\n"
    "\n"
    "  vorrik-tally FILE...\n"
    "      For each file, one line: the whole-file tally, a tab, the path as given.\n"
    "  vorrik-tally --lines FILE\n"
    "      For each line of FILE, one line: the change that the line makes to the\n"
    "      whole-file tally (nothing when the line lies outside the code section),\n"
    "      a tab, and the line's text.\n"
    "  vorrik-tally --select FIRST-LAST FILE\n"
    "      The selection tally of LAST-FIRST+1 lines ending at line LAST, with the\n"
    "      focus on line LAST (lines count from 0; FIRST may be negative, and\n"
    "      LAST-FIRST+1 may be 0; LAST -1 means no focused line).\n"
    "  vorrik-tally --rip FIRST-LAST FILE\n"
    "      The whole of FILE with that selection ripped into placeholder lines,\n"
    "      as saving writes it: CR LF after every line (LF for a file with LF ends).\n"
    "  vorrik-tally --check [--game jk|mots] FILE...\n"
    "      Checks each file as the game's engine reads it (Jedi Knight, or with\n"
    "      --game mots Mysteries of the Sith): one line for each problem found,\n"
    "      \"FILE:LINE: error: ...\" or \"FILE:LINE: warning: ...\" (LINE counts\n"
    "      from 1), then one line of what the script takes of the engine's tables\n"
    "      (\"(over)\" past a limit) and how many errors and warnings it has.\n"
    "  vorrik-tally --bank OLD NEW\n"
    "      The object bank of NEW, a changed OLD, as the program shows it: OLD's\n"
    "      whole-file tally minus NEW's, what is left to add (taken out when\n"
    "      negative) for NEW to count as OLD did.\n"
    "\n"
    "Tallies are shown with a leading blank when not negative and \".\" as the\n"
    "decimal point (\" 2.5\", \" .5\", \"-1\"). Script lines end at CR or CR LF;\n"
    "in a file without any CR LF, at LF as well. Bytes are read and written as\n"
    "Windows-1252, every byte value unchanged; the sentences of --check, with\n"
    "the names they quote from a script, are UTF-8. Output lines end with LF.\n"
    "\n"
    "Exit status: 0 on success, 1 when a file cannot be read (the others are\n"
    "still tallied or checked), a check finds an error or the output cannot be\n"
    "written, 2 for bad arguments.\n";

/// The line list of one script, with a focused line and a selected count.
class ScriptLines : public vorrik::LineList {
 public:
  explicit ScriptLines(vorrik::LineStore lines) : lines_(std::move(lines)) {}
  int count() const override { return lines_.count(); }
  std::u16string_view text(int i) const override { return lines_.line(i); }
  void setText(int i, std::u16string_view text) override { lines_.setLine(i, text); }
  int focusedIndex() const override { return focused_; }
  int selectedCount() const override { return selected_; }

  void select(int focused, int selected) {
    focused_ = focused;
    selected_ = selected;
  }
  const vorrik::LineStore& lines() const { return lines_; }

 private:
  vorrik::LineStore lines_;
  int focused_ = -1;
  int selected_ = 0;
};

struct Range {
  int first;
  int last;
};

/// The lines of a script as a Rip run sees them, written to out as the run
/// goes: each line as read up to the one the run rewrites, then its new
/// text, so that nothing is kept per line. The run reads every line before
/// it rewrites it and never reads a rewritten line back.
class RipWriter : public vorrik::LineList {
 public:
  RipWriter(const ScriptLines& source, Output& out) : source_(source), out_(out) {}
  int count() const override { return source_.count(); }
  std::u16string_view text(int i) const override { return source_.text(i); }
  void setText(int i, std::u16string_view text) override {
    writeUpTo(i);
    writeLine(i, text);
    next_ = i + 1;
  }
  int focusedIndex() const override { return source_.focusedIndex(); }
  int selectedCount() const override { return source_.selectedCount(); }

  /// After the run: writes the lines after the last one it rewrote.
  void finish() { writeUpTo(count()); }
  /// The first character that could not be written; nothing after it was.
  const std::optional<vorrik::UnencodableChar>& unencodable() const { return unencodable_; }

 private:
  bool stopped() const { return out_.failed() || unencodable_.has_value(); }
  void writeUpTo(int end) {
    for (; next_ < end && !stopped(); ++next_) writeLine(next_, source_.text(next_));
  }
  // The text is encoded at once: a rewritten line's text lives only during
  // the call that gives it.
  void writeLine(int i, std::u16string_view text) {
    if (stopped()) return;
    std::string& bytes = out_.text();
    const std::size_t start = bytes.size();
    if (auto error = vorrik::EncodeLine(text, static_cast<std::size_t>(i), bytes)) {
      bytes.resize(start);
      unencodable_ = error;
      return;
    }
    bytes += vorrik::LineEndBytes(source_.lines().lineEnds());
    out_.done();
  }

  const ScriptLines& source_;
  Output& out_;
  int next_ = 0;  // the first line not yet written
  std::optional<vorrik::UnencodableChar> unencodable_;
};

int UsageError(const std::string& message) {
  if (!message.empty()) Complain(message);
  WriteError(kUsage);
  return 2;
}

std::optional<ScriptLines> LoadOrReport(const std::string& path) {
  vorrik::LineStore lines;
  if (const std::string reason = vorrik::ReadScriptLines(path, lines); !reason.empty()) {
    ReportUnreadable(path, reason);
    return std::nullopt;
  }
  return ScriptLines(std::move(lines));
}

std::optional<int> ParseInt(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<Range> ParseRange(std::string_view text) {
  // FIRST may be negative: the separator is the first "-" after its first character.
  const std::size_t dash = text.size() > 1 ? text.find('-', 1) : std::string_view::npos;
  if (dash == std::string_view::npos) return std::nullopt;
  const auto first = ParseInt(text.substr(0, dash));
  const auto last = ParseInt(text.substr(dash + 1));
  if (!first || !last) return std::nullopt;
  return Range{*first, *last};
}

// The whole-file tally of the script at path, tallied as it is read, holding
// a block and a bounded piece of a line at a time, never the file; nothing
// when it cannot be read, which is reported.
std::optional<float> TallyOrReport(const std::string& path, const vorrik::CharClasses& classes) {
  vorrik::FileTally tally(classes);
  if (const std::string reason = vorrik::ReadScript(path, tally); !reason.empty()) {
    ReportUnreadable(path, reason);
    return std::nullopt;
  }
  return tally.finish();
}

int TallyFiles(const std::vector<std::string>& paths) {
  Output out;
  int status = 0;
  vorrik::CharClasses classes;
  vorrik::InitCharClasses(classes);
  for (const auto& path : paths) {
    const std::optional<float> tally = TallyOrReport(path, classes);
    if (!tally) {
      status = 1;
      continue;
    }
    // Each line goes out at once, so that a reader that has gone stops the
    // work before the next file.
    out.text() += vorrik::FormatTally(*tally) + "\t" + path + "\n";
    if (!out.flush()) break;
  }
  return Finish(out, status);
}

// The bank as the main window shows it with OLD opened and edited into NEW:
// the tally as opened minus the tally as it stands, both in single precision.
int ShowBank(const std::string& oldPath, const std::string& newPath) {
  vorrik::CharClasses classes;
  vorrik::InitCharClasses(classes);
  const std::optional<float> baselineTally = TallyOrReport(oldPath, classes);
  const std::optional<float> currentTally = TallyOrReport(newPath, classes);
  if (!baselineTally || !currentTally) return 1;
  const float bank = *baselineTally - *currentTally;
  Output out;
  out.text() = vorrik::FormatTally(bank) + "\n";
  return Finish(out, 0);
}

// --check [--game jk|mots] [--] FILE...
int RunCheck(const std::vector<std::string>& args) {
  vorrik::Game game = vorrik::Game::JediKnight;
  std::size_t start = 1;
  for (; start < args.size() && args[start].rfind("--", 0) == 0; ++start) {
    if (args[start] == "--") {
      ++start;
      break;
    }
    if (args[start] != "--game") return UsageError("unknown option " + args[start]);
    if (++start == args.size()) return UsageError("--game takes jk or mots");
    const auto named = vorrik::GameFromName(args[start]);
    if (!named) return UsageError("unknown game \"" + args[start] + "\": expected jk or mots");
    game = *named;
  }
  if (start == args.size()) return UsageError("--check takes at least one FILE");
  return vorrik::cli::CheckFiles({args.begin() + static_cast<std::ptrdiff_t>(start), args.end()}, game);
}

int TallyLines(const std::string& path) {
  auto lines = LoadOrReport(path);
  if (!lines) return 1;
  // Lines are written as the run reaches them: the scanned ones with their
  // delta, those before them without. Lines come from decoded bytes, so
  // every character has its byte again.
  Output out;
  int next = 0;
  const auto writeLine = [&](int i, const std::string& delta) {
    if (out.failed()) return;
    out.text() += delta;
    out.text() += '\t';
    vorrik::EncodeLine(lines->text(i), static_cast<std::size_t>(i), out.text());
    out.text() += '\n';
    out.done();
  };
  vorrik::AnalysisEngine engine;
  engine.lineScanned = [&](int index, float delta) {
    for (; next < index; ++next) writeLine(next, {});
    writeLine(next++, vorrik::FormatTally(delta));
  };
  engine.AnalyseLines(*lines, vorrik::AnalysisMode::Baseline);
  for (; next < lines->count() && !out.failed(); ++next) writeLine(next, {});
  return Finish(out, 0);
}

int RunSelection(const std::string& option, std::string_view rangeText, const std::string& path) {
  const auto range = ParseRange(rangeText);
  if (!range) return UsageError("bad range \"" + std::string(rangeText) + "\": expected FIRST-LAST");
  const long long selected = static_cast<long long>(range->last) - range->first + 1;
  if (selected < 0 || selected > 0x7FFFFFFF)
    return UsageError("bad range \"" + std::string(rangeText) + "\": LAST-FIRST+1 must be 0 or more");
  auto lines = LoadOrReport(path);
  if (!lines) return 1;
  if (range->last < -1 || range->last >= lines->count())
    return UsageError("line " + std::to_string(range->last) + " is not in " + path + ", which has " +
                      std::to_string(lines->count()) + " lines");
  lines->select(range->last, static_cast<int>(selected));

  vorrik::AnalysisEngine engine;
  Output out;
  if (option == "--select") {
    engine.showSelectionTally = [&](const std::string& text) { out.text() += text + "\n"; };
    engine.AnalyseLines(*lines, vorrik::AnalysisMode::SelectionTally);
    return Finish(out, 0);
  }
  RipWriter ripped(*lines, out);
  engine.AnalyseLines(ripped, vorrik::AnalysisMode::Rip);
  ripped.finish();
  const int status = Finish(out, 0);
  // Lines come from decoded bytes and placeholders are ASCII, so every
  // character has its byte; should one not, the output stops before its line.
  if (const auto& error = ripped.unencodable()) {
    Complain("line " + std::to_string(error->lineIndex + 1) + " of " + path +
             " holds a character the code page cannot write");
    return 1;
  }
  return status;
}

/// The arguments after the program's name, as UTF-8 on Windows, where the
/// narrow ones would lose what the code page cannot hold.
std::vector<std::string> Arguments([[maybe_unused]] int argc, [[maybe_unused]] char** argv) {
#ifdef _WIN32
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> args;
  for (int i = 1; wide != nullptr && i < count; ++i) {
    const int length = static_cast<int>(std::wcslen(wide[i]));
    std::string arg(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, wide[i], length, nullptr, 0, nullptr, nullptr)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide[i], length, arg.data(), static_cast<int>(arg.size()), nullptr, nullptr);
    args.push_back(std::move(arg));
  }
  LocalFree(wide);
  return args;
#else
  return std::vector<std::string>(argv + 1, argv + argc);
#endif
}

}  // namespace

int main(int argc, char** argv) {
#ifndef _WIN32
  // A reader that goes away is reported as a failed write, not left to end
  // the process unannounced.
  std::signal(SIGPIPE, SIG_IGN);
#endif
  const std::vector<std::string> args = Arguments(argc, argv);
  if (args.empty()) return UsageError("");
  if (args[0] == "--help") {
    Output out;
    out.text() = std::string(kUsage) + "\n" + kHelp;
    return Finish(out, 0);
  }
  if (args[0] == "--lines") {
    if (args.size() != 2) return UsageError("--lines takes one FILE");
    return TallyLines(args[1]);
  }
  if (args[0] == "--select" || args[0] == "--rip") {
    if (args.size() != 3) return UsageError(args[0] + " takes FIRST-LAST and one FILE");
    return RunSelection(args[0], args[1], args[2]);
  }
  if (args[0] == "--check") return RunCheck(args);
  if (args[0] == "--bank") {
    if (args.size() != 3) return UsageError("--bank takes OLD and NEW");
    return ShowBank(args[1], args[2]);
  }
  // Plain mode: every argument is a file; "--" ends options, for file names
  // that begin with "--".
  std::size_t start = 0;
  if (args[0] == "--") start = 1;
  else if (args[0].rfind("--", 0) == 0) return UsageError("unknown option " + args[0]);
  std::vector<std::string> paths(args.begin() + static_cast<std::ptrdiff_t>(start), args.end());
  if (paths.empty()) return UsageError("no FILE given");
  return TallyFiles(paths);
}
