// vorrik-tally: the object tally of COG scripts on the command line.

#include <charconv>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "analysis/analyse.h"
#include "analysis/display.h"
#include "document/script_bytes.h"
#include "document/script_file.h"
#include "tools/file_tally.h"

namespace {

constexpr const char* kUsage =
    "usage: vorrik-tally FILE...\n"
    "       vorrik-tally --lines FILE\n"
    "       vorrik-tally --select FIRST-LAST FILE\n"
    "       vorrik-tally --rip FIRST-LAST FILE\n"
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
    "      as saving writes it: CR LF after every line.\n"
    "\n"
    "Tallies are shown with a leading blank when not negative and \".\" as the\n"
    "decimal point (\" 2.5\", \" .5\", \"-1\"). Script lines end at CR or CR LF; bytes\n"
    "are read and written as Windows-1252, every byte value unchanged. Output\n"
    "lines end with LF.\n"
    "\n"
    "Exit status: 0 on success, 1 when a file cannot be read (the others are\n"
    "still tallied), 2 for bad arguments.\n";

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

void Write(std::string_view bytes) { std::fwrite(bytes.data(), 1, bytes.size(), stdout); }

/// Standard output gathered in blocks, so that no output is held whole.
class Output {
 public:
  ~Output() { flush(); }
  /// Where to append; call done() after each piece.
  std::string& text() { return buffer_; }
  void done() {
    if (buffer_.size() >= 1 << 16) flush();
  }
  void flush() {
    Write(buffer_);
    buffer_.clear();
  }

 private:
  std::string buffer_;
};

int UsageError(const std::string& message) {
  if (!message.empty()) std::fprintf(stderr, "vorrik-tally: %s\n", message.c_str());
  std::fputs(kUsage, stderr);
  return 2;
}

/// Reads the script at path block by block: opened() gets its size, then
/// block() each block in order. Returns "", or why it cannot be read; pipes,
/// devices and folders are refused at once.
std::string ReadBlocks(const std::string& path, const std::function<void(std::size_t)>& opened,
                       const std::function<void(std::string_view)>& block) {
  vorrik::ScriptReader reader;
  if (std::string reason = reader.open(path); !reason.empty()) return reason;
  if (opened) opened(reader.size());
  static char buffer[1 << 16];
  while (const std::size_t got = reader.read(buffer, sizeof buffer)) block(std::string_view(buffer, got));
  return reader.error();
}

void ReportUnreadable(const std::string& path, const std::string& reason) {
  std::fprintf(stderr, "vorrik-tally: cannot read %s: %s\n", path.c_str(), reason.c_str());
}

std::optional<ScriptLines> LoadOrReport(const std::string& path) {
  vorrik::LineStore lines;
  const std::string reason = ReadBlocks(
      path, [&](std::size_t size) { lines.reserveForBytes(size); },
      [&](std::string_view block) { lines.appendBytes(block); });
  if (!reason.empty()) {
    ReportUnreadable(path, reason);
    return std::nullopt;
  }
  lines.finishBytes();
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

// Each file is tallied as it is read, holding a block and a bounded piece of
// a line at a time, never the file.
int TallyFiles(const std::vector<std::string>& paths) {
  int status = 0;
  vorrik::CharClasses classes;
  vorrik::InitCharClasses(classes);
  for (const auto& path : paths) {
    vorrik::FileTally tally(classes);
    const std::string reason = ReadBlocks(path, {}, [&](std::string_view block) { tally.feed(block); });
    if (!reason.empty()) {
      ReportUnreadable(path, reason);
      status = 1;
      continue;
    }
    Write(vorrik::FormatTally(tally.finish()) + "\t" + path + "\n");
  }
  return status;
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
  for (; next < lines->count(); ++next) writeLine(next, {});
  return 0;
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
  if (option == "--select") {
    engine.showSelectionTally = [](const std::string& text) { Write(text + "\n"); };
    engine.AnalyseLines(*lines, vorrik::AnalysisMode::SelectionTally);
    return 0;
  }
  engine.AnalyseLines(*lines, vorrik::AnalysisMode::Rip);
  // Decoded bytes and placeholders: every character has its byte.
  Output out;
  for (int i = 0; i < lines->count(); ++i) {
    if (const auto error = vorrik::EncodeLine(lines->text(i), static_cast<std::size_t>(i), out.text())) {
      std::fprintf(stderr, "vorrik-tally: line %zu of %s holds a character the code page cannot write\n",
                   error->lineIndex + 1, path.c_str());
      return 1;
    }
    out.text() += "\r\n";
    out.done();
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return UsageError("");
  if (args[0] == "--help") {
    std::fputs(kUsage, stdout);
    std::fputs("\n", stdout);
    std::fputs(kHelp, stdout);
    return 0;
  }
  if (args[0] == "--lines") {
    if (args.size() != 2) return UsageError("--lines takes one FILE");
    return TallyLines(args[1]);
  }
  if (args[0] == "--select" || args[0] == "--rip") {
    if (args.size() != 3) return UsageError(args[0] + " takes FIRST-LAST and one FILE");
    return RunSelection(args[0], args[1], args[2]);
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
