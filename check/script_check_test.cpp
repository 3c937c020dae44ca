#include "check/script_check.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "document/script_bytes.h"

namespace vorrik {
namespace {

/// Lines given as one text with "\n" between them.
class TextLines : public CheckedLines {
 public:
  explicit TextLines(std::string_view text) {
    std::size_t start = 0;
    for (;;) {
      const std::size_t end = text.find('\n', start);
      const std::string_view line = text.substr(start, end - start);
      std::u16string& decoded = lines_.emplace_back();
      for (const char c : line) decoded += static_cast<char16_t>(static_cast<unsigned char>(c));  // Latin-1 will do
      if (end == std::string_view::npos) break;
      start = end + 1;
    }
  }
  int count() const override { return static_cast<int>(lines_.size()); }
  std::u16string_view line(int i) const override { return lines_[static_cast<std::size_t>(i)]; }

 private:
  std::vector<std::u16string> lines_;
};

/// The problems as "LINE:kind" words, and the sentences after a "|".
std::string Shown(const ScriptCheck& check) {
  std::string where, sentences;
  for (const Problem& problem : check.problems) {
    where += (where.empty() ? "" : " ") + std::to_string(problem.line) + ":" + ProblemKindName(problem.kind);
    sentences += " | " + problem.sentence;
  }
  return where + sentences;
}

std::string Counts(const ScriptCheck& check) {
  std::string out;
  for (const LimitCount& count : check.counts)
    out += (out.empty() ? "" : " ") + std::to_string(count.count) + "/" + std::to_string(count.maximum);
  return out;
}

struct Rule {
  const char* name;
  const char* script;
  const char* problems;  // "LINE:kind ..." as Shown() begins
  const char* says;      // a piece of the first sentence
  Game game = Game::JediKnight;
};

// One script per rule; "S" stands for the lines every script starts with.
const Rule kRules[] = {
    {"clean", "symbols\nmessage startup\nthing door\nend\ncode\nstartup:\n  SetThingLight(door, 1, 0);\n  stop;\nend",
     "", ""},
    {"text_before_symbols", "// my door\nsymbols\nend\ncode\nx=1;\nend", "1:error", "\"symbols\" line here"},
    {"byte_order_mark", "\xEF\xBB\xBFsymbols\nend\ncode\nx=1;", "1:error", "byte order mark"},
    {"flags_then_symbols", "flags=0x40\nsymbols\nend\ncode\n;", "", ""},
    {"flags_spaced", "flags = 0x40\nsymbols\nend\ncode\n;", "1:warning", "disables the script"},
    {"flags_decimal", "flags=64\nsymbols\nend\ncode\n;", "1:warning", "means 0x64"},
    {"no_symbols_end", "symbols\nint x", "2:error", "no \"end\" line"},
    {"text_between_end_and_code", "symbols\nend\nint y\ncode\n;", "3:error", "\"code\" line here"},
    {"no_code", "symbols\nend\n# nothing", "3:error", "no \"code\" line"},
    {"empty_code", "symbols\nend\ncode\n# nothing yet\nend", "5:error", "no statement"},
    {"code_on_code_line", "symbols\nend\ncode x=1;\n;", "3:warning", "rest of the \"code\" line"},
    {"text_after_end", "symbols\nend\ncode\n;\nend\nx = 1;", "6:warning", "ends at the \"end\" on line 5"},
    {"end_as_label", "symbols\nend\ncode\n;\nend: return;", "5:warning", "ends at the \"end\" on line 5"},
    {"break", "symbols\nend\ncode\nwhile (1)\n  break;", "5:error", "\"break\" does not exist"},
    {"plus_plus", "symbols\nint i local\nend\ncode\ni++;", "5:error", "\"++\" does not exist"},
    {"for_without_third", "symbols\nend\ncode\nfor (;;) ;", "4:error", "third part"},
    {"label_before_end", "symbols\nmessage startup\nend\ncode\nstartup:\nend", "6:error", "needs a statement"},
    {"open_brace", "symbols\nend\ncode\nif (1) {\n  Sleep(1);\n", "6:error", "never closed"},
    {"tilde", "symbols\nend\ncode\nx = ~1;", "4:error 4:warning", "no operator"},
    {"undeclared", "symbols\nthing door\nend\ncode\nSetThingLight(dor, 1, 0);\nend", "5:warning",
     "\"dor\" is not declared"},
    {"misspelled_verb", "symbols\nend\ncode\nSetThingLigt(0, 1, 0);\nend", "4:warning",
     "Did you mean \"setthinglight\""},
    {"verb_of_other_game", "symbols\nend\ncode\nsin(1);", "4:warning", "\"sin\" is a verb of Mysteries"},
    {"verb_in_its_game", "symbols\nint x local\nend\ncode\nx = sin(1);", "", "", Game::MysteriesOfTheSith},
    {"symbol_named_like_verb", "symbols\nint print\nend\ncode\n;", "2:warning", "hides the verb"},
    {"unknown_type", "symbols\nstring name\nend\ncode\n;", "2:warning", "no type \"string\""},
    {"unknown_message", "symbols\nmessage ai_event\nend\ncode\n;", "2:warning", "Did you mean \"aievent\""},
    {"message_of_other_game", "symbols\nmessage preblock\nend\ncode\npreblock: stop;", "2:warning 5:warning",
     "of Mysteries of the Sith only"},
    {"message_without_label", "symbols\nmessage pulse\nend\ncode\nstop;", "2:warning", "never runs"},
    {"label_without_message", "symbols\nend\ncode\nstartup: stop;", "4:warning", "no \"message startup\" line"},
    {"label_named_like_verb", "symbols\nend\ncode\ncall reset;\nstop;\nreset: stop;", "6:warning", "of a verb"},
    {"duplicate_declaration", "symbols\nthing door\nsector door\nend\ncode\n;", "3:warning", "first on line 2"},
    {"same_message_twice", "symbols\nmessage activate\nmessage activated\nend\ncode\nactivate: stop;\nactivated: stop;",
     "3:warning", "same message as \"activate\""},
    {"duplicate_label", "symbols\nmessage startup\nend\ncode\nstartup: stop;\nstartup: stop;", "6:warning",
     "defined again (first on line 5)"},
    {"slashes_in_symbols", "symbols\nthing door // not local\nend\ncode\n;", "2:warning", "makes \"door\" local"},
    {"slash_line_in_symbols", "symbols\n// thing door\nend\ncode\n;", "", ""},
    {"spaces_around_equals", "symbols\nint x = 5\nend\ncode\n;", "2:warning", "starts at 0"},
    {"spaced_setting", "symbols\nthing door linkid = 2\nend\ncode\n;", "2:warning", "\"linkid\" without its value"},
    {"hex_int_default", "symbols\nint x=0x10\nend\ncode\n;", "2:warning", "gives 0"},
    {"vector_default", "symbols\nvector v=1/2/3\nend\ncode\n;", "2:warning", "ignores a vector's default"},
    {"unknown_setting", "symbols\nthing door loacl\nend\ncode\n;", "2:warning", "Did you mean \"local\""},
    {"octal", "symbols\nint x local\nend\ncode\nx = 010;", "5:warning", "010 is 8"},
    {"skipped_character", "symbols\nint x local\nend\ncode\nx = 1; @", "5:warning", "skips the character \"@\""},
    {"vector_with_commas", "symbols\nend\ncode\nSetThingPos(0, '1,2,3');", "4:warning", "as (1/0/0)"},
    {"goto_nowhere", "symbols\nend\ncode\ngoto nowhere;", "4:warning", "this goto ends the handler"},
    {"call_nowhere", "symbols\nend\ncode\ncall nowhere;", "4:warning", "this call does nothing"},
    {"assignment_as_test", "symbols\nint a local\nint b local\nend\ncode\nif (a = b) stop;", "6:warning", "no value"},
    {"assigning_a_verb", "symbols\nend\ncode\nprint = 1;", "4:warning", "changes the engine's own table"},
    {"keyword_as_name", "symbols\nint for\nend\ncode\n;", "2:warning", "is a keyword"},
    {"unclosed_quote", "symbols\nend\ncode\nPrint(\"hello);", "4:warning 4:warning", "never closed"},
    {"string_over_lines", "symbols\nend\ncode\nPrint(\"hello);\nPrint(\"x\");", "4:warning 5:error 5:warning 5:warning",
     "runs on to line 5"},
    {"long_symbols_line", "symbols\nthing door desc=", "2:warning", "longer than the engine's 1024"},
    {"words_past_a_line", "symbols\nthing door", "2:error", "more than the engine's 128 words"},
    {"continued_line", "symbols\nthing \\\ndoor\nend\ncode\nSetThingLight(door, 1, 0);", "", ""},
    {"chained_assignment", "symbols\nint a local\nint b local\nend\ncode\na = b = 1;", "6:warning", "a = b = c"},
    {"assigning_to_a_sum", "symbols\nint a local\nend\ncode\na + 1 = 2;", "5:error", "cannot assign"},
    {"do_without_while", "symbols\nend\ncode\ndo Sleep(1); stop;", "4:error", "needs its \"while\""},
    {"vector_short", "symbols\nend\ncode\nSetThingPos(0, '1 2');", "4:warning", "as (1/2/0)"},
    {"escape_in_string", "symbols\nend\ncode\nPrint(\"a\\nb\");", "4:warning", "does not translate"},
    {"non_ascii_name", "symbols\nend\ncode\nSleep(1); \xe9", "4:warning", "outside ASCII"},
    {"int_default_fraction", "symbols\nint x=1.5\nend\ncode\n;", "2:warning", "as 1."},
    {"long_default", "symbols\ntemplate t=abcdefghijklmnopqrstuvwxyz0123456789\nend\ncode\n;", "2:warning",
     "first 31 characters"},
    {"verb_as_message", "symbols\nmessage print\nend\ncode\nprint: stop;", "2:warning", "never sends it"},
    {"message_after_symbol", "symbols\nint pulse\nmessage pulse\nend\ncode\npulse: stop;", "3:warning",
     "that symbol takes the label"},
    {"end_as_name", "symbols\nint end\nend\ncode\n;", "2:warning", "ends the code"},
    {"shared_value_assigned", "symbols\nend\ncode\nglobal3 = 1;", "", ""},
    {"shared_value_hidden", "symbols\nint global3\nend\ncode\n;", "2:warning", "all scripts share"},
    {"comment_ends_at_line_break", "symbols\nint x local\nend\ncode\nx = 1; // a lone CR ends me\rz = 2;", "5:warning",
     "\"z\" is not declared"},
    {"flags_disabled", "flags=0x2\nsymbols\nend\ncode\n;", "1:warning", "disables the script"},
};

class CheckRules : public testing::TestWithParam<Rule> {};

TEST_P(CheckRules, GivesItsLineAndKind) {
  const Rule& rule = GetParam();
  std::string script = rule.script;
  if (std::string_view(rule.name) == "long_symbols_line") script += std::string(1100, 'x') + "\nend\ncode\n;";
  if (std::string_view(rule.name) == "words_past_a_line") {
    for (int i = 0; i < 130; ++i) script += " local";
    script += "\nend\ncode\n;";
  }
  const ScriptCheck check = CheckScript(TextLines(script), rule.game);
  const std::string shown = Shown(check);
  EXPECT_EQ(shown.substr(0, shown.find(" | ")), rule.problems) << shown;
  if (!check.problems.empty()) {
    EXPECT_NE(check.problems[0].sentence.find(rule.says), std::string::npos) << shown;
  }
}

INSTANTIATE_TEST_SUITE_P(Script, CheckRules, testing::ValuesIn(kRules),
                         [](const testing::TestParamInfo<Rule>& row) { return std::string(row.param.name); });

// Each table passed gives its error at the line that passes it, once.
TEST(CheckLimits, TheLinePastEachLimitIsAnError) {
  std::string script = "symbols\n";
  for (int i = 0; i < 33; ++i) script += "message user" + std::to_string(i % 8) + "\n";  // 33 messages
  for (int i = 0; i < 129; ++i) script += "thing t" + std::to_string(i) + "\n";          // 129 references
  for (int i = 0; i < 100; ++i) script += "int v" + std::to_string(i) + " local\n";      // 262 symbols
  script += "end\ncode\n";
  for (int i = 0; i < 150; ++i) script += "if (1) ;\n";  // 262 + 150 slots, and 100 while loops make 612
  for (int i = 0; i < 100; ++i) script += "while (0) ;\n";
  const ScriptCheck check = CheckScript(TextLines(script), Game::JediKnight);
  EXPECT_EQ(Counts(check), "262/256 129/128 33/32 612/511");
  std::string errors;
  for (const Problem& problem : check.problems)
    if (problem.kind == ProblemKind::Error) errors += std::to_string(problem.line) + " ";
  // Message 33 on line 34, thing 129 on line 163, symbol 257 on line 258; slot
  // 512 is taken by the 50th while (262 + 150 + 2 * 50), on line 416 + 49.
  EXPECT_EQ(errors, "34 163 258 465 ");
  EXPECT_EQ(CheckScript(TextLines(script), Game::MysteriesOfTheSith).counts[3].maximum, 1023);
}

// Names the code makes count as symbols and slots: new names once, strings
// each time; the engine's names and declared ones not at all.
TEST(CheckLimits, CountsWhatTheEngineCounts) {
  const char* script =
      "symbols\nmessage startup\nthing door\nint n local\nflex speed\nvector v local\nend\ncode\n"
      "startup:\n  temp = GetThingHealth(door) + n + user1;\n  Print(\"a\"); Print(\"a\");\n"
      "  for (n = 0; n < 2; n = n + 1) if (temp) temp = 0; else stop;\n  do temp = 1; while (0);\n  stop;\nend";
  const ScriptCheck check = CheckScript(TextLines(script), Game::JediKnight);
  // Symbols: 5 declared + temp + two strings. References: door and speed.
  // Slots: 8 symbols + for 3 + if-else 2 + do 1.
  EXPECT_EQ(Counts(check), "8/256 2/128 1/32 14/511") << Shown(check);
}

// The samples that show the tally's edge cases hold code the engine cannot
// parse; the others give no error.
TEST(CheckSamples, GiveTheEnginesErrorsOnly) {
  const std::pair<const char*, const char*> samples[] = {
      {"example.cog", ""}, {"sections.cog", ""}, {"carry.cog", "20 "}, {"nocode.cog", "8 "}, {"quotes.cog", "17 "}};
  for (const auto& [name, errors] : samples) {
    std::ifstream file(std::string(VORRIK_SAMPLES_DIR) + "/" + name, std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    // Split into lines as the program splits them.
    const LineStore store = LineStore::FromBytes(bytes.str());
    const ScriptCheck check = CheckScript(LinesOf(store), Game::JediKnight);
    std::string lines;
    for (const Problem& problem : check.problems)
      if (problem.kind == ProblemKind::Error) lines += std::to_string(problem.line) + " ";
    EXPECT_EQ(lines, errors) << name << ": " << Shown(check);
  }
}

// Any text gives a result: a few shapes that once tripped scanners.
TEST(CheckScript, NeverFailsOnOddText) {
  std::string deep = "symbols\nend\ncode\nx = " + std::string(100000, '(') + "1;";
  const ScriptCheck check = CheckScript(TextLines(deep), Game::JediKnight);
  EXPECT_EQ(Shown(check).substr(0, 7), "4:error");
  for (const char* text :
       {"", "\n\n", "symbols", "symbols\nend\ncode", "symbols\nend\ncode\n\"\\", "flags=\nsymbols\\"})
    EXPECT_GE(CheckScript(TextLines(text), Game::JediKnight).errors(), 0);
}

}  // namespace
}  // namespace vorrik
