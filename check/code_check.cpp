// The code section read as the engine's scanner and parser read it: its
// tokens, its grammar, its names and the jump slots its statements take.

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "check/check_state.h"
#include "check/cog_names.h"

namespace vorrik::check {

namespace {

/// The longest token the engine's scanner holds; a longer one ends the game.
constexpr std::size_t kTokenLimit = 16 * 1024;
/// Deeper nesting than this ends the parser's stack.
constexpr int kDepthLimit = 500;

enum class Kind : std::uint8_t {
  Name,
  Number,
  String,
  Vector,
  Op,
  If,
  Else,
  While,
  Do,
  For,
  Goto,
  Call,
  Return,
  Break,
  Continue,
  End,  // the end of the code: "end" or the end of the file
};

struct Token {
  Kind kind;
  std::uint16_t op;  // an operator's characters, the second in the high byte
  int line;          // counted from 1
  int name;          // a name's index in the names
};

constexpr std::uint16_t Op(char a, char b = 0) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(a) | (static_cast<unsigned char>(b) << 8));
}

std::string OpText(std::uint16_t op) {
  std::string text(1, static_cast<char>(op & 0xFF));
  if (op >> 8) text += static_cast<char>(op >> 8);
  return text;
}

struct Keyword {
  std::string_view word;
  Kind kind;
};
constexpr Keyword kKeywords[] = {{"if", Kind::If},       {"else", Kind::Else},         {"while", Kind::While},
                                 {"do", Kind::Do},       {"for", Kind::For},           {"goto", Kind::Goto},
                                 {"call", Kind::Call},   {"return", Kind::Return},     {"stop", Kind::Return},
                                 {"break", Kind::Break}, {"continue", Kind::Continue}, {"end", Kind::End}};

/// A name the code uses, and how.
struct CodeName {
  std::string lower;
  std::string spelled;  // as first written
  int firstLine;
  bool declared;
  const EngineName* engine;  // the engine's entry of that name, in either game
  int labels = 0;
  int firstLabelLine = 0;
  int lastLabelLine = 0;
  int targetLine = 0;  // the first goto or call to it
  Kind targetKind = Kind::Goto;
  int assignedLine = 0;
  bool used = false;  // read or called, not only a label or a target
  bool called = false;
};

bool IsLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_'; }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsHex(char16_t c) { return IsDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'); }
/// "&&", "||", "<=", ">=", "==" or "!=".
bool IsPairOp(char16_t a, char16_t b) {
  return (b == u'=' && (a == u'<' || a == u'>' || a == u'=' || a == u'!')) || (a == b && (a == u'&' || a == u'|'));
}
bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\v' || c == u'\f' || c == u'\r' || c == u'\n'; }

class CodeChecker {
 public:
  CodeChecker(const CheckedLines& lines, int first, CheckState& state)
      : lines_(lines), first_(first), state_(state), lineIndex_(first - 1) {}

  // The parser pulls the tokens one at a time, so nothing is kept per token;
  // the names are noted as each token passes, to the end even when the
  // parser stops at an error.
  void run() {
    next_ = lex();
    advance();
    parse();
    while (cur_.kind != Kind::End) advance();
    reportNames();
  }

 private:
  // The scanner: lex() gives the next token, End at the end of the code.
  Token lex();
  bool nextLine();
  Token scanNumber();
  bool scanQuoted(Token& token);
  void checkVector(const std::u16string& contents, int line);
  void checkAfterEnd(int index, std::size_t pos, int endLine);
  int intern(std::u16string_view word, int line);

  // The names.
  void noteUse();
  void reportNames();

  // The parser: each step is false once the first error is told.
  void advance() {
    prev_ = cur_;
    cur_ = next_;
    if (cur_.kind != Kind::End) next_ = lex();
    noteUse();
  }
  void parse();
  bool statement(int depth);
  bool expression(int depth, bool* assignment = nullptr);
  bool assignment(int depth, bool* isAssignment);
  bool binary(int level, int depth, bool* unary);
  bool unary(int depth);
  bool postfix(int depth);
  bool expect(std::uint16_t op);
  bool isOp(std::uint16_t op) const { return cur_.kind == Kind::Op && cur_.op == op; }
  bool fail(const std::string& what);
  std::string describe(const Token& token) const;
  void warnValueless(const Token& at, const char* where);

  const CheckedLines& lines_;
  int first_;
  CheckState& state_;
  std::vector<CodeName> names_;
  std::unordered_map<std::string, int> index_;
  std::string lower_;  // the name being scanned, lowered

  // Where the scanner is.
  int lineIndex_;             // the 0-based line
  std::u16string_view text_;  // its text
  std::size_t pos_ = 0;
  bool skipTold_ = false;  // a skipped character on this line was told
  bool ended_ = false;
  int endLine_ = 0;  // the line of the code's "end"

  // The tokens around the parser: the one before, the one it reads, the one after.
  Token prev_{Kind::End, 0, 0, -1};
  Token cur_{Kind::End, 0, 0, -1};
  Token next_{Kind::End, 0, 0, -1};
};

bool CodeChecker::nextLine() {
  if (++lineIndex_ >= lines_.count()) return false;
  text_ = lines_.line(lineIndex_);
  pos_ = 0;
  skipTold_ = false;
  return true;
}

// The scan loop measured by bench/check_bench.
Token CodeChecker::lex() {
  while (!ended_) {
    if (pos_ >= text_.size()) {
      if (!nextLine()) break;
      continue;
    }
    const std::u16string_view text = text_;
    const int line = lineIndex_ + 1;
    const char16_t c = text[pos_];
    if (IsBlank(c)) {
      ++pos_;
    } else if (c == u'#' || (c == u'/' && pos_ + 1 < text.size() && text[pos_ + 1] == u'/')) {
      // A comment ends at a line break, one the line holds too (a lone LF in
      // a file of CR LF lines).
      pos_ = std::min(text.find_first_of(u"\r\n", pos_), text.size());
    } else if (IsLetter(c)) {
      const std::size_t start = pos_;
      while (pos_ < text.size() && (IsLetter(text[pos_]) || IsDigit(text[pos_]))) ++pos_;
      const std::u16string_view word = text.substr(start, pos_ - start);
      if (word.size() > kTokenLimit)
        state_.fail(line, "This name is longer than the engine's 16 KB for a word: the game exits.");
      lower_.assign(word.size(), '\0');
      std::ranges::transform(word, lower_.begin(), [](char16_t letter) {
        return static_cast<char>(letter >= u'A' && letter <= u'Z' ? letter - u'A' + u'a' : letter);
      });
      const auto keyword = word.size() > 8 || std::string_view("bcdefgirsw").find(lower_[0]) == std::string_view::npos
                               ? std::end(kKeywords)
                               : std::ranges::find(kKeywords, lower_, &Keyword::word);
      if (keyword == std::end(kKeywords)) return {Kind::Name, 0, line, intern(word, line)};
      if (keyword->kind != Kind::End) return {keyword->kind, 0, line, -1};
      endLine_ = line;
      checkAfterEnd(lineIndex_, pos_, line);
      break;
    } else if (IsDigit(c) || (c == u'.' && pos_ + 1 < text.size() && IsDigit(text[pos_ + 1]))) {
      return scanNumber();
    } else if (c == u'"' || c == u'\'') {
      if (Token token{}; scanQuoted(token)) return token;
      state_.warn(line, std::string(c == u'"' ? "This \"" : "This '") +
                            " is never closed: the engine skips it and reads what follows as code.");
      ++pos_;
    } else if (pos_ + 1 < text.size() && IsPairOp(c, text[pos_ + 1])) {
      pos_ += 2;
      return {Kind::Op, Op(static_cast<char>(c), static_cast<char>(text[pos_ - 1])), line, -1};
    } else if (c < 0x80 && std::u16string_view(u";{},:=()[].&!~-+*/%<>^|").find(c) != std::u16string_view::npos) {
      ++pos_;
      return {Kind::Op, Op(static_cast<char>(c)), line, -1};
    } else {
      if (!skipTold_) {
        skipTold_ = true;
        state_.warn(line, c >= 0x80 ? "The character \"" + Quoted(text.substr(pos_, 1)) +
                                          "\" is outside ASCII: the engine's scanner misreads it."
                                    : "The engine skips the character \"" + Quoted(text.substr(pos_, 1)) + "\".");
      }
      ++pos_;
    }
  }
  ended_ = true;
  return {Kind::End, 0, endLine_ != 0 ? endLine_ : std::max(lines_.count(), first_), -1};
}

Token CodeChecker::scanNumber() {
  const std::u16string_view text = text_;
  const int line = lineIndex_ + 1;
  std::size_t pos = pos_;
  const std::size_t start = pos;
  const auto digitsFrom = [&](std::size_t at) {
    std::size_t end = at;
    while (end < text.size() && IsDigit(text[end])) ++end;
    return end;
  };
  const auto exponentFrom = [&](std::size_t at) {
    if (at >= text.size() || (text[at] != u'e' && text[at] != u'E')) return at;
    std::size_t digits = at + 1;
    if (digits < text.size() && (text[digits] == u'+' || text[digits] == u'-')) ++digits;
    const std::size_t end = digitsFrom(digits);
    return end > digits ? end : at;
  };
  if (text[pos] == u'0' && pos + 2 < text.size() && (text[pos + 1] == u'x' || text[pos + 1] == u'X') &&
      IsHex(text[pos + 2])) {
    pos += 2;
    while (pos < text.size() && IsHex(text[pos])) ++pos;
  } else {
    const std::size_t integer = digitsFrom(pos);
    std::size_t end = integer;
    if (integer < text.size() && text[integer] == u'.') {
      const std::size_t fraction = digitsFrom(integer + 1);
      if (integer > pos || fraction > integer + 1) end = exponentFrom(fraction);
    } else if (integer > pos) {
      end = exponentFrom(integer);
    }
    if (end == integer && text[pos] == u'0' && integer - pos > 1) {
      // "0" and more digits is read as octal, up to the first 8 or 9.
      long long value = 0;
      for (std::size_t i = pos + 1; i < integer && text[i] < u'8' && value < (1LL << 40); ++i)
        value = value * 8 + (text[i] - u'0');
      state_.warn(line, "The engine reads a number that starts with 0 as octal: " +
                            Quoted(text.substr(pos, integer - pos)) + " is " + std::to_string(value) + ".");
    }
    pos = end;
  }
  if (pos - start > kTokenLimit)
    state_.fail(line, "This number is longer than the engine's 16 KB for a word: the game exits.");
  pos_ = pos;
  return {Kind::Number, 0, line, -1};
}

// A string or vector may run over several lines; a backslash takes the next
// character with it, but not a line break.
bool CodeChecker::scanQuoted(Token& token) {
  const int startIndex = lineIndex_;
  std::u16string_view text = text_;
  const char16_t quote = text[pos_];
  std::size_t length = 0;
  bool escapes = false;
  std::u16string contents;
  std::size_t at = pos_ + 1;
  for (int i = startIndex;;) {
    for (; at < text.size(); ++at, ++length) {
      if (text[at] == quote) {
        const int line = startIndex + 1;
        if (quote == u'\'') {
          checkVector(contents, line);
          token = {Kind::Vector, 0, line, -1};
        } else {
          state_.countSymbol(line);
          token = {Kind::String, 0, line, -1};
          if (escapes)
            state_.warn(line, "The engine does not translate a backslash in a string: the text shows it as written.");
          if (i != startIndex)
            state_.warn(line, "This string runs on to line " + std::to_string(i + 1) +
                                  ": the engine reads everything up to the next quote as its text.");
        }
        if (length > kTokenLimit)
          state_.fail(line, "This text is longer than the engine's 16 KB for a word: the game exits.");
        if (i != startIndex) {
          lineIndex_ = i;
          text_ = text;
          skipTold_ = false;
        }
        pos_ = at + 1;
        return true;
      }
      if (text[at] == u'\\') {
        if (at + 1 >= text.size()) return false;
        escapes = true;
        ++at;
        ++length;
      }
      if (quote == u'\'') contents += text[at];
    }
    if (++i >= lines_.count()) return false;
    text = lines_.line(i);
    at = 0;
    ++length;
    if (quote == u'\'') contents += u' ';
  }
}

void CodeChecker::checkVector(const std::u16string& contents, int line) {
  // Read as three floats with "%f %f %f": a part that is not a number stops the
  // reading, and the parts not read are 0.
  std::string text = Quoted(contents);
  const char* at = text.c_str();
  const char* end = at + text.size();
  int parts = 0;
  std::string read;
  for (; parts < 3; ++parts) {
    while (at < end && (*at == ' ' || *at == '\t' || *at == '\n' || *at == '\r')) ++at;
    const char* number = at;
    if (at < end && *at == '+') ++at;
    float value = 0;
    const auto [next, error] = std::from_chars(at, end, value, std::chars_format::general);
    if (error != std::errc()) break;
    read += std::string(read.empty() ? "" : "/") + std::string(number, next);
    at = next;
  }
  while (at < end && (*at == ' ' || *at == '\t' || *at == '\n' || *at == '\r')) ++at;
  if (parts == 3 && at == end) return;
  for (int missing = parts; missing < 3; ++missing) read += std::string(read.empty() ? "" : "/") + "0";
  state_.warn(line,
              "The engine reads the vector '" + text + "' as (" + read + "): write three numbers separated by spaces.");
}

void CodeChecker::checkAfterEnd(int index, std::size_t pos, int endLine) {
  for (; index < lines_.count(); ++index, pos = 0) {
    const std::u16string_view text = lines_.line(index);
    const std::size_t found = text.find_first_not_of(u" \t\v\f\r\n", pos);
    if (found == std::u16string_view::npos || text[found] == u'#' || text.substr(found).starts_with(u"//")) continue;
    state_.warn(index + 1,
                "The code ends at the \"end\" on line " + std::to_string(endLine) + ": the engine ignores this text.");
    return;
  }
}

// The scan loop measured by bench/check_bench: a name seen before costs one
// lookup of its lower-case form, kept in lower_.
int CodeChecker::intern(std::u16string_view word, int line) {
  if (const auto found = index_.find(lower_); found != index_.end()) return found->second;
  const auto [found, added] = index_.try_emplace(lower_, static_cast<int>(names_.size()));
  {
    const EngineName* engine = FindEngineName(found->first);
    const bool declared = state_.declared.contains(found->first);
    names_.push_back({found->first, Quoted(word), line, declared, engine});
    // A name neither the script nor the engine has becomes a new symbol.
    if (!declared && (engine == nullptr || !engine->inGame(state_.game()))) state_.countSymbol(line);
  }
  return found->second;
}

void CodeChecker::noteUse() {
  if (cur_.kind != Kind::Name) return;
  CodeName& name = names_[static_cast<std::size_t>(cur_.name)];
  if (prev_.kind == Kind::Goto || prev_.kind == Kind::Call) {
    if (name.targetLine == 0) {
      name.targetLine = cur_.line;
      name.targetKind = prev_.kind;
    }
  } else if (next_.kind == Kind::Op && next_.op == Op(':')) {
    if (name.labels++ == 0) name.firstLabelLine = cur_.line;
    name.lastLabelLine = cur_.line;
  } else {
    name.used = true;
    if (next_.kind == Kind::Op && next_.op == Op('(')) name.called = true;
    if (next_.kind == Kind::Op && next_.op == Op('=') && name.assignedLine == 0) name.assignedLine = cur_.line;
  }
}

void CodeChecker::reportNames() {
  const Game game = state_.game();
  const Game other = game == Game::JediKnight ? Game::MysteriesOfTheSith : Game::JediKnight;
  std::vector<std::string_view> known;  // for suggestions: declared names and the engine's names
  int suggestions = 0;
  for (const CodeName& name : names_) {
    const std::string& lower = name.lower;
    const bool engine = name.engine != nullptr && name.engine->inGame(game);
    if (name.labels > 1)
      state_.warn(name.lastLabelLine, "The label \"" + name.spelled + "\" is defined again (first on line " +
                                          std::to_string(name.firstLabelLine) + "): the engine jumps to the last one.");
    if (name.targetLine != 0 && name.labels == 0)
      state_.warn(name.targetLine,
                  "There is no label \"" + name.spelled + "\": this " +
                      (name.targetKind == Kind::Goto ? "goto ends the handler." : "call does nothing."));
    if (name.declared) continue;
    if (engine) {
      const EngineNameKind kind = name.engine->kind;
      if (name.labels > 0 && kind == EngineNameKind::Message)
        state_.warn(name.firstLabelLine, "The engine never sends \"" + name.spelled +
                                             "\" to this script: it has no \"message " + lower + "\" line.");
      else if (name.labels > 0)
        state_.warn(name.firstLabelLine,
                    "\"" + name.spelled + "\" is the engine's own name " +
                        (kind == EngineNameKind::Verb ? "of a verb" : "of a shared value") +
                        ": as a label it may take a slot of this script's own; name it otherwise.");
      if (name.assignedLine != 0 && kind != EngineNameKind::Global)
        state_.warn(name.assignedLine, "Assigning to \"" + name.spelled + "\" changes the engine's own table: the " +
                                           (kind == EngineNameKind::Verb ? "verb" : "message name") +
                                           " stops working in every script until the game restarts.");
      continue;
    }
    if (name.engine != nullptr && name.engine->kind != EngineNameKind::Global) {
      state_.warn(name.firstLine, "\"" + name.spelled + "\" is " +
                                      (name.engine->kind == EngineNameKind::Verb ? "a verb" : "a message") + " of " +
                                      GameTitle(other) + " only: in " + GameTitle(game) +
                                      " it is a new variable set to 0" +
                                      (name.called ? ", and calling it does nothing." : "."));
      continue;
    }
    if (name.labels > 0 || !name.used) continue;
    if (known.empty()) {
      for (const auto& [declared, declaration] : state_.declared) known.push_back(declared);
      for (const EngineName& entry : EngineNames())
        if (entry.inGame(game)) known.push_back(entry.name);
    }
    // Suggestions are few: a script full of new names gets them for the first ones.
    const std::string suggestion = suggestions++ < 200 ? Suggestion(lower, known) : std::string();
    state_.warn(name.firstLine,
                "\"" + name.spelled +
                    (name.called ? "\" is not a verb of " + std::string(GameTitle(game)) + ": calling it does nothing."
                                 : "\" is not declared: the engine makes it a new "
                                   "variable set to 0.") +
                    suggestion);
  }
  for (const DeclaredMessage& message : state_.messages) {
    const auto found = index_.find(message.name);
    if (found == index_.end() || names_[static_cast<std::size_t>(found->second)].labels == 0)
      state_.warn(message.line, "The message \"" + message.name + "\" has no \"" + message.name +
                                    ":\" label in the code, so it never runs.");
  }
}

void CodeChecker::parse() {
  if (cur_.kind == Kind::End) {
    fail("The code section has no statement");
    return;
  }
  while (cur_.kind != Kind::End)
    if (!statement(0)) return;
}

bool CodeChecker::fail(const std::string& what) {
  state_.fail(cur_.line, what +
                             ": the engine cannot parse the code, so it drops the whole script, and "
                             "every later script of the level moves up one place.");
  return false;
}

std::string CodeChecker::describe(const Token& token) const {
  switch (token.kind) {
    case Kind::Name:
      return "\"" + names_[static_cast<std::size_t>(token.name)].spelled + "\"";
    case Kind::Number:
      return "a number";
    case Kind::String:
      return "a string";
    case Kind::Vector:
      return "a vector";
    case Kind::Op:
      return "\"" + OpText(token.op) + "\"";
    case Kind::End:
      return "the end of the code";
    default: {
      const auto keyword = std::ranges::find(kKeywords, token.kind, &Keyword::kind);
      return "\"" + std::string(keyword->word) + "\"";
    }
  }
}

bool CodeChecker::expect(std::uint16_t op) {
  if (isOp(op)) {
    advance();
    return true;
  }
  const Token token = cur_;
  if (token.kind == Kind::Op && prev_.kind == Kind::Op) {
    const std::string pair = OpText(prev_.op) + OpText(token.op);
    if (pair == "++" || pair == "--" || pair == "+=" || pair == "-=" || pair == "*=" || pair == "/=")
      return fail("\"" + pair + "\" does not exist in COG");
  }
  if (token.kind == Kind::Op && (token.op == Op('~') || token.op == Op('.')))
    return fail("\"" + OpText(token.op) + "\" is no operator in COG");
  return fail("The engine expects \"" + OpText(op) + "\" here, not " + describe(token));
}

void CodeChecker::warnValueless(const Token& at, const char* where) {
  state_.warn(at.line, std::string("An assignment gives no value in COG: ") + where + " (write \"==\" to compare).");
}

bool CodeChecker::statement(int depth) {
  if (depth > kDepthLimit) return fail("The code is nested too deeply for the engine's parser");
  const Token token = cur_;
  bool assigned = false;
  switch (token.kind) {
    case Kind::Op:
      if (token.op == Op(';')) {
        advance();
        return true;
      }
      if (token.op == Op('{')) {
        advance();
        while (!isOp(Op('}'))) {
          if (cur_.kind == Kind::End)
            return fail("The \"{\" on line " + std::to_string(token.line) + " is never closed");
          if (!statement(depth + 1)) return false;
        }
        advance();
        return true;
      }
      break;
    case Kind::If:
      advance();
      state_.countJumps(token.line, 1);
      if (!expect(Op('(')) || !expression(depth + 1, &assigned) || !expect(Op(')'))) return false;
      if (assigned) warnValueless(token, "this if does not test the value assigned");
      if (!statement(depth + 1)) return false;
      if (cur_.kind == Kind::Else) {
        state_.countJumps(cur_.line, 1);
        advance();
        return statement(depth + 1);
      }
      return true;
    case Kind::While:
      advance();
      state_.countJumps(token.line, 2);
      if (!expect(Op('(')) || !expression(depth + 1, &assigned) || !expect(Op(')'))) return false;
      if (assigned) warnValueless(token, "this while does not test the value assigned");
      return statement(depth + 1);
    case Kind::Do:
      advance();
      state_.countJumps(token.line, 1);
      if (!statement(depth + 1)) return false;
      if (cur_.kind != Kind::While) return fail("A \"do\" needs its \"while\" here, not " + describe(cur_));
      advance();
      if (!expect(Op('(')) || !expression(depth + 1, &assigned) || !expect(Op(')')) || !expect(Op(';'))) return false;
      if (assigned) warnValueless(token, "this do ... while does not test the value assigned");
      return true;
    case Kind::For:
      advance();
      state_.countJumps(token.line, 3);
      if (!expect(Op('('))) return false;
      for (int part = 0; part < 2; ++part) {
        if (isOp(Op(';'))) {
          advance();
          continue;
        }
        if (!expression(depth + 1, part == 1 ? &assigned : nullptr) || !expect(Op(';'))) return false;
      }
      if (isOp(Op(')'))) return fail("A \"for\" needs its third part, after the second \";\"");
      if (!expression(depth + 1) || !expect(Op(')'))) return false;
      if (assigned) warnValueless(token, "this for does not test the value assigned");
      return statement(depth + 1);
    case Kind::Goto:
    case Kind::Call:
      advance();
      if (cur_.kind != Kind::Name)
        return fail("A \"" + std::string(token.kind == Kind::Goto ? "goto" : "call") + "\" needs a label, not " +
                    describe(cur_));
      advance();
      return expect(Op(';'));
    case Kind::Return:
      advance();
      return expect(Op(';'));
    case Kind::Break:
    case Kind::Continue:
      return fail(describe(token) + " does not exist in COG");
    case Kind::Name:
      if (next_.kind == Kind::Op && next_.op == Op(':')) {
        advance();
        advance();
        if (cur_.kind == Kind::End || isOp(Op('}')))
          return fail("A label needs a statement after it, not " + describe(cur_));
        return statement(depth + 1);
      }
      break;
    default:
      break;
  }
  return expression(depth + 1) && expect(Op(';'));
}

bool CodeChecker::expression(int depth, bool* assignment) {
  bool last = false;
  if (!this->assignment(depth, &last)) return false;
  while (isOp(Op(','))) {
    advance();
    if (!this->assignment(depth, &last)) return false;
  }
  if (assignment != nullptr) *assignment = last;
  return true;
}

bool CodeChecker::assignment(int depth, bool* isAssignment) {
  if (depth > kDepthLimit) return fail("The code is nested too deeply for the engine's parser");
  bool unaryOnly = true;
  if (!binary(0, depth, &unaryOnly)) return false;
  *isAssignment = false;
  if (!isOp(Op('='))) return true;
  if (!unaryOnly) return fail("The engine cannot assign to what stands before this \"=\"");
  const Token equals = cur_;
  advance();
  bool chained = false;
  if (!assignment(depth + 1, &chained)) return false;
  if (chained) warnValueless(equals, "a = b = c leaves a without the value of c");
  *isAssignment = true;
  return true;
}

// How tightly a binary operator binds, from 0 (loosest) up; -1 for any other
// token.
int Precedence(const Token& token) {
  if (token.kind != Kind::Op) return -1;
  switch (token.op) {
    case Op('|', '|'):
      return 0;
    case Op('&', '&'):
      return 1;
    case Op('|'):
      return 2;
    case Op('^'):
      return 3;
    case Op('&'):
      return 4;
    case Op('=', '='):
    case Op('!', '='):
      return 5;
    case Op('<'):
    case Op('>'):
    case Op('<', '='):
    case Op('>', '='):
      return 6;
    case Op('+'):
    case Op('-'):
      return 7;
    case Op('*'):
    case Op('/'):
    case Op('%'):
      return 8;
    default:
      return -1;
  }
}

// Operators that bind at least as tightly as level, left to right.
bool CodeChecker::binary(int level, int depth, bool* unaryOnly) {
  if (!unary(depth)) return false;
  for (int found; (found = Precedence(cur_)) >= level;) {
    advance();
    *unaryOnly = false;
    if (!binary(found + 1, depth + 1, unaryOnly)) return false;
  }
  return true;
}

bool CodeChecker::unary(int depth) {
  if (depth > kDepthLimit) return fail("The code is nested too deeply for the engine's parser");
  if (isOp(Op('-')) || isOp(Op('!'))) {
    advance();
    return unary(depth + 1);
  }
  return postfix(depth);
}

bool CodeChecker::postfix(int depth) {
  const Token token = cur_;
  if (token.kind == Kind::Name || token.kind == Kind::Number || token.kind == Kind::String ||
      token.kind == Kind::Vector) {
    advance();
  } else if (isOp(Op('('))) {
    advance();
    if (!expression(depth + 1) || !expect(Op(')'))) return false;
  } else {
    if (token.kind == Kind::Break || token.kind == Kind::Continue)
      return fail(describe(token) + " does not exist in COG");
    if (token.kind == Kind::Op && (token.op == Op('~') || token.op == Op('.')))
      return fail("\"" + OpText(token.op) + "\" is no operator in COG");
    if (token.kind == Kind::Op && token.op == Op('+') && prev_.kind == Kind::Op && prev_.op == Op('+'))
      return fail("\"++\" does not exist in COG");
    return fail("The engine expects a value here, not " + describe(token));
  }
  for (;;) {
    if (isOp(Op('('))) {
      advance();
      if (isOp(Op(')'))) {
        advance();
        continue;
      }
      bool ignored = false;
      if (!assignment(depth + 1, &ignored)) return false;
      while (isOp(Op(','))) {
        advance();
        if (!assignment(depth + 1, &ignored)) return false;
      }
      if (!expect(Op(')'))) return false;
    } else if (isOp(Op('['))) {
      advance();
      if (!expression(depth + 1) || !expect(Op(']'))) return false;
    } else {
      return true;
    }
  }
}

}  // namespace

void CheckCode(const CheckedLines& lines, int first, CheckState& state) { CodeChecker(lines, first, state).run(); }

}  // namespace vorrik::check
