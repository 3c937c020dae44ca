// The header and symbols section of a script read as the engine's line
// reader reads them, and the check as a whole.

#include "check/script_check.h"

#include <algorithm>
#include <charconv>
#include <cstdint>

#include "check/check_state.h"
#include "check/cog_names.h"

namespace vorrik {

namespace check {

namespace {

constexpr int kSymbolLimit = 256;
constexpr int kReferenceLimit = 128;
constexpr int kMessageLimit = 32;
constexpr std::size_t kDefaultKept = 31;

constexpr std::string_view kReferenceTypes[] = {"thing", "surface",  "sector", "sound",    "template",
                                                "model", "keyframe", "cog",    "material", "ai"};
constexpr std::string_view kValueTypes[] = {"int", "flex", "float", "vector"};
constexpr std::string_view kKeywords[] = {"if",   "else",   "while", "do",  "for",   "goto",
                                          "call", "return", "stop",  "end", "break", "continue"};

bool Contains(std::span<const std::string_view> words, std::string_view word) {
  return std::ranges::find(words, word) != words.end();
}

int LineBuffer(Game game) { return game == Game::JediKnight ? 1024 : 2048; }
int TokensPerLine(Game game) { return game == Game::JediKnight ? 128 : 256; }

/// A word of a header line, split at its first "=" as the engine splits it.
struct Token {
  std::string key;
  std::string value;
  bool hasValue = false;
};

/// A line as the line reader gives it: joined with the lines a "\" carries
/// on to, lowered, cut at "#".
struct HeaderLine {
  int line;  // where it starts, counted from 1
  std::size_t length;
  std::vector<Token> tokens;
};

bool IsSeparator(char16_t c) { return c == u' ' || c == u'\t' || c == u',' || c == u'\r' || c == u'\n'; }

std::vector<Token> Tokens(std::u16string_view text) {
  std::vector<Token> tokens;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsSeparator(text[i])) ++i;
    const std::size_t start = i;
    while (i < text.size() && !IsSeparator(text[i])) ++i;
    if (i == start) break;
    const std::string word = Lowered(text.substr(start, i - start));
    Token token;
    if (const std::size_t equals = word.find('='); equals != std::string::npos) {
      token.key = word.substr(0, equals);
      token.value = word.substr(equals + 1);
      token.hasValue = true;
    } else {
      token.key = token.value = word;
    }
    tokens.push_back(std::move(token));
  }
  return tokens;
}

bool IsName(std::string_view name) {
  if (name.empty() || !(name[0] == '_' || (name[0] >= 'a' && name[0] <= 'z'))) return false;
  return std::ranges::all_of(name, [](char c) { return c == '_' || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); });
}

/// What atoi makes of a default, and whether that is all of it.
struct IntRead {
  long long value;
  bool whole;
};

IntRead ReadInt(std::string_view text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  long long value = 0;
  const std::size_t digits = i;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    value = std::min(value * 10 + (text[i] - '0'), 1LL << 40);
  return {negative ? -value : value, i > digits && i == text.size()};
}

bool IsWholeNumber(std::string_view text) {
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) text.remove_prefix(1);
  float value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
  return error == std::errc() && end == text.data() + text.size();
}

/// The symbols section and the lines around it, read in order.
class HeaderReader {
 public:
  HeaderReader(const CheckedLines& lines, CheckState& state) : lines_(lines), state_(state) {}

  /// Reads up to the "code" line: the 0-based line where the code starts, or
  /// -1 when the script has no code section.
  int read();

 private:
  bool next(HeaderLine& out);
  void readFlags(const HeaderLine& line);
  void readSymbol(const HeaderLine& line);
  void readMessage(const HeaderLine& line, const std::string& name);
  void readDefault(const HeaderLine& line, const std::string& type, const Token& name);
  void readSettings(const HeaderLine& line, const std::string& type, const std::string& name, bool spaced);
  void checkName(const HeaderLine& line, const std::string& name);
  bool checkEquals(const HeaderLine& line, const std::string& name);
  void declare(const HeaderLine& line, const std::string& name, bool message);

  const CheckedLines& lines_;
  CheckState& state_;
  int next_ = 0;  // the next 0-based line to read
};

bool HeaderReader::next(HeaderLine& out) {
  const int buffer = LineBuffer(state_.game());
  while (next_ < lines_.count()) {
    out.line = next_ + 1;
    std::u16string joined(lines_.line(next_++));
    while (!joined.empty() && joined.back() == u'\\' && next_ < lines_.count()) {
      joined.pop_back();
      joined += lines_.line(next_++);
    }
    out.length = joined.size();
    if (static_cast<int>(joined.size()) >= buffer)
      state_.warn(out.line, "This line is longer than the engine's " + std::to_string(buffer) +
                                " bytes: it reads the rest as a line of its own.");
    const std::size_t first = joined.find_first_not_of(u" \t");
    if (first == std::u16string::npos || joined[first] == u'#' || joined[first] == u';') continue;
    std::u16string_view text(joined);
    text = text.substr(0, text.find(u'#'));
    out.tokens = Tokens(text);
    if (out.tokens.empty()) continue;
    if (static_cast<int>(out.tokens.size()) > TokensPerLine(state_.game()))
      state_.fail(out.line, "This line has more than the engine's " + std::to_string(TokensPerLine(state_.game())) +
                                " words: reading it overwrites the engine's memory.");
    return true;
  }
  return false;
}

int HeaderReader::read() {
  HeaderLine line;
  if (!next(line)) {
    state_.fail(std::max(1, lines_.count()), "The script has no \"symbols\" line: the engine does not load it.");
    return -1;
  }
  if (line.tokens[0].key == "flags") {
    readFlags(line);
    if (!next(line)) {
      state_.fail(lines_.count(), "The script has no \"symbols\" line: the engine does not load it.");
      return -1;
    }
  }
  if (!line.tokens[0].key.starts_with("symbols")) {
    const bool bom = line.tokens[0].key.starts_with("\xc3\xaf\xc2\xbb\xc2\xbf");  // EF BB BF, as Windows-1252
    state_.fail(line.line, bom ? "The file starts with a UTF-8 byte order mark: the engine does not load the script; "
                                 "save it without one."
                               : "The engine expects the \"symbols\" line here and does not load the script "
                                 "(\"//\" is no comment outside the code; use \"#\").");
    return -1;
  }
  for (;;) {
    if (!next(line)) {
      state_.fail(lines_.count(), "The symbols section has no \"end\" line: the engine does not load the script.");
      return -1;
    }
    if (line.tokens[0].key.starts_with("end")) break;
    readSymbol(line);
  }
  if (!next(line)) {
    state_.fail(lines_.count(), "The script has no \"code\" line: the engine does not load it.");
    return -1;
  }
  if (!line.tokens[0].key.starts_with("code")) {
    state_.fail(line.line, "The engine expects the \"code\" line here and does not load the script.");
    return -1;
  }
  // What follows "//" there was meant as a comment, and is ignored as one.
  const bool comment = line.tokens.size() > 1 && line.tokens[1].key.starts_with("//");
  if ((line.tokens.size() > 1 && !comment) || line.tokens[0].key != "code")
    state_.warn(line.line, "The engine ignores the rest of the \"code\" line: start the code on the line after it.");
  return next_;
}

void HeaderReader::readFlags(const HeaderLine& line) {
  const Token& token = line.tokens[0];
  // The value is read as hex: "flags = 0x40" reads the word "flags" itself.
  std::string_view digits = token.hasValue ? std::string_view(token.value) : std::string_view(token.key);
  if (digits.starts_with("0x")) digits.remove_prefix(2);
  unsigned value = 0;
  std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
  if (!token.hasValue || token.value.empty()) {
    state_.warn(line.line,
                "Spaces around \"=\" make the engine read the flags as 0xf, which disables the script: "
                "write \"flags=0x40\".");
    return;
  }
  if (!token.value.starts_with("0x") && !token.value.empty() &&
      token.value.find_first_not_of("0123456789") == std::string::npos && value >= 10)
    state_.warn(line.line, "The engine reads flags as hex: flags=" + token.value + " means 0x" + token.value +
                               ", not " + token.value + ".");
  if (value & 0x2) state_.warn(line.line, "Flag 0x2 disables the script: the engine never runs it.");
}

void HeaderReader::readSymbol(const HeaderLine& line) {
  const std::string& type = line.tokens[0].key;
  // A line commented out with "//" is dropped; that is what its writer meant.
  if (type.starts_with("//")) return;
  const bool reference = Contains(kReferenceTypes, type);
  const bool value = Contains(kValueTypes, type);
  if (!reference && !value && type != "message") {
    std::vector<std::string_view> types(std::begin(kReferenceTypes), std::end(kReferenceTypes));
    types.insert(types.end(), std::begin(kValueTypes), std::end(kValueTypes));
    types.push_back("message");
    state_.warn(line.line,
                "The engine knows no type \"" + type + "\" and ignores this line." + Suggestion(type, types));
    return;
  }
  if (line.tokens.size() < 2) {
    state_.warn(line.line, "A declaration needs a name after its type: the engine ignores this line.");
    return;
  }
  const Token& name = line.tokens[1];
  const bool spaced = checkEquals(line, name.key);
  if (type == "message") {
    readMessage(line, name.key);
    return;
  }
  state_.countSymbol(line.line);
  const bool local = std::ranges::any_of(line.tokens.begin() + 2, line.tokens.end(),
                                         [](const Token& token) { return token.key == "local"; });
  if (reference || !local) state_.countReference(line.line);
  readDefault(line, type, name);
  readSettings(line, type, name.key, spaced);
  checkName(line, name.key);
  declare(line, name.key, false);
}

void HeaderReader::readMessage(const HeaderLine& line, const std::string& name) {
  const Game game = state_.game();
  const EngineName* found = FindEngineName(name);
  if (found == nullptr || !found->inGame(game)) {
    if (found != nullptr && found->kind == EngineNameKind::Message) {
      state_.warn(line.line, "\"" + name + "\" is a message of " +
                                 GameTitle(game == Game::JediKnight ? Game::MysteriesOfTheSith : Game::JediKnight) +
                                 " only: the " + GameTitle(game) + " engine drops this line.");
      return;
    }
    std::vector<std::string_view> names;
    for (const EngineName& entry : EngineNames())
      if (entry.kind == EngineNameKind::Message && entry.inGame(game)) names.push_back(entry.name);
    state_.warn(line.line,
                "The engine knows no message \"" + name + "\" and drops this line." + Suggestion(name, names));
    return;
  }
  if (found->kind != EngineNameKind::Message)
    state_.warn(line.line, "\"" + name + "\" is not a message: the engine accepts the line, but it never sends it.");
  state_.countSymbol(line.line);
  state_.countMessage(line.line);
  if (found->kind == EngineNameKind::Message) {
    for (const DeclaredMessage& earlier : state_.messages) {
      const EngineName* other = FindEngineName(earlier.name);
      if (earlier.name != name && other != nullptr && other->messageId == found->messageId) {
        state_.warn(line.line, "\"" + name + "\" is the same message as \"" + earlier.name + "\" (line " +
                                   std::to_string(earlier.line) + "): only the one declared first runs.");
        break;
      }
    }
  }
  if (!state_.declared.contains(name)) state_.messages.push_back({name, line.line});
  declare(line, name, true);
}

void HeaderReader::readDefault(const HeaderLine& line, const std::string& type, const Token& name) {
  if (!name.hasValue || name.value.empty()) return;
  const std::string& text = name.value;
  if (type == "vector") {
    state_.warn(line.line, "The engine ignores a vector's default: \"" + name.key + "\" starts at (0/0/0).");
  } else if (type == "int") {
    const IntRead read = ReadInt(text);
    if (text.starts_with("0x"))
      state_.warn(line.line, "The engine reads an int default as a decimal number: \"" + text + "\" gives 0.");
    else if (!read.whole)
      state_.warn(line.line,
                  "The engine reads the int default \"" + text + "\" as " + std::to_string(read.value) + ".");
  } else if (type == "flex" || type == "float") {
    if (!IsWholeNumber(text))
      state_.warn(line.line, "The engine reads only the number at the start of the default \"" + text + "\".");
  } else if (text.size() > kDefaultKept) {
    state_.warn(line.line,
                "The engine keeps the first 31 characters of a default: \"" + text.substr(0, kDefaultKept) + "\".");
  }
}

// The words after a spaced "=" are its value, told by checkEquals.
void HeaderReader::readSettings(const HeaderLine& line, const std::string& type, const std::string& name, bool spaced) {
  const bool reference = Contains(kReferenceTypes, type);
  std::string comment;  // the "//" word, once seen
  std::string applied;  // a setting the engine applies after it
  for (std::size_t i = 2; i < line.tokens.size(); ++i) {
    const Token& token = line.tokens[i];
    if (token.key.starts_with("//") || token.key.starts_with("/*")) {
      if (comment.empty()) comment = token.key.substr(0, 2);
      continue;
    }
    if (token.key.empty()) continue;  // an "=" of its own, told by checkEquals
    const bool known = token.key == "local" || token.key == "desc" ||
                       (reference && (token.key == "linkid" || token.key == "nolink" || token.key == "mask"));
    if (!comment.empty()) {
      if (known && token.key != "desc" && applied.empty()) applied = token.key;
      continue;
    }
    if (!known && !spaced)
      state_.warn(line.line,
                  "The engine ignores the unknown setting \"" + token.key + "\"." +
                      Suggestion(token.key,
                                 reference ? std::vector<std::string_view>{"local", "linkid", "nolink", "mask", "desc"}
                                           : std::vector<std::string_view>{"local", "desc"}));
  }
  if (comment.empty()) return;
  std::string sentence =
      "\"" + comment + "\" starts no comment in the symbols section: the engine reads the words after it";
  if (applied == "local")
    sentence += ", and \"local\" makes \"" + name + "\" local (no level value, and every later level value shifts).";
  else if (!applied.empty())
    sentence += ", and applies \"" + applied + "\" to \"" + name + "\".";
  else
    sentence += " as settings; use \"#\" for a comment.";
  state_.warn(line.line, sentence);
}

bool HeaderReader::checkEquals(const HeaderLine& line, const std::string& name) {
  for (std::size_t i = 1; i < line.tokens.size(); ++i) {
    const Token& token = line.tokens[i];
    const bool spaced = token.key.empty() || (token.hasValue && token.value.empty() && i + 1 < line.tokens.size());
    if (!spaced) continue;
    const std::string key = token.key.empty() ? line.tokens[i - 1].key : token.key;
    state_.warn(line.line, key == name
                               ? "Spaces around \"=\": the engine reads no default, and \"" + name + "\" starts at 0."
                               : "Spaces around \"=\": the engine reads \"" + key + "\" without its value.");
    return true;
  }
  return false;
}

void HeaderReader::checkName(const HeaderLine& line, const std::string& name) {
  if (name == "end") {
    state_.warn(line.line, "\"end\" ends the code wherever it stands: the code cannot use this symbol.");
  } else if (Contains(kKeywords, name)) {
    state_.warn(line.line, "\"" + name + "\" is a keyword: the code cannot use this symbol.");
  } else if (!IsName(name)) {
    state_.warn(line.line, "The code cannot use \"" + name +
                               "\": a name starts with a letter or \"_\" and holds only letters, digits and \"_\".");
  } else if (const EngineName* engine = FindEngineName(name); engine != nullptr && engine->inGame(state_.game())) {
    if (engine->kind == EngineNameKind::Verb)
      state_.warn(line.line, "\"" + name + "\" is the name of a verb: this symbol hides the verb in the whole script.");
    else if (engine->kind == EngineNameKind::Global)
      state_.warn(line.line, "\"" + name + "\" is a value all scripts share: this symbol hides it in this script.");
  }
}

void HeaderReader::declare(const HeaderLine& line, const std::string& name, bool message) {
  const auto [found, added] = state_.declared.try_emplace(name, Declaration{line.line, message});
  if (added) return;
  const Declaration& first = found->second;
  const std::string where = " (first on line " + std::to_string(first.line) + ")";
  if (message && !first.message)
    state_.warn(line.line, "\"" + name + "\" is already a symbol" + where +
                               ": that symbol takes the label, so this message never runs.");
  else if (message)
    state_.warn(line.line, "The message \"" + name + "\" is declared again" + where + ": only the first runs.");
  else
    state_.warn(line.line, "\"" + name + "\" is declared again" + where +
                               ": the engine keeps both, and every use means the first.");
}

/// The number of one-character edits (a transposition is one) that turn a
/// into b, or limit + 1 when it is more than limit.
int EditDistance(std::string_view a, std::string_view b, int limit) {
  const int n = static_cast<int>(a.size());
  const int m = static_cast<int>(b.size());
  if (std::abs(n - m) > limit) return limit + 1;
  std::vector<int> previous2(static_cast<std::size_t>(m) + 1), previous(previous2.size()), current(previous2.size());
  for (int j = 0; j <= m; ++j) previous[static_cast<std::size_t>(j)] = j;
  for (int i = 1; i <= n; ++i) {
    current[0] = i;
    int best = current[0];
    for (int j = 1; j <= m; ++j) {
      const auto J = static_cast<std::size_t>(j);
      const int cost = a[static_cast<std::size_t>(i - 1)] == b[J - 1] ? 0 : 1;
      int value = std::min({previous[J] + 1, current[J - 1] + 1, previous[J - 1] + cost});
      if (i > 1 && j > 1 && a[static_cast<std::size_t>(i - 1)] == b[J - 2] &&
          a[static_cast<std::size_t>(i - 2)] == b[J - 1])
        value = std::min(value, previous2[J - 2] + 1);
      current[J] = value;
      best = std::min(best, value);
    }
    if (best > limit) return limit + 1;
    std::swap(previous2, previous);
    std::swap(previous, current);
  }
  return previous[static_cast<std::size_t>(m)];
}

}  // namespace

CheckState::CheckState(Game game, ScriptCheck& result) : game_(game), result_(result) {
  result_.game = game;
  result_.counts = {{{Limit::Symbols, 0, kSymbolLimit},
                     {Limit::References, 0, kReferenceLimit},
                     {Limit::Messages, 0, kMessageLimit},
                     {Limit::JumpSlots, 0, game == Game::JediKnight ? 511 : 1023}}};
}

void CheckState::warn(int line, std::string sentence) {
  result_.problems.push_back({line, ProblemKind::Warning, std::move(sentence)});
}

void CheckState::fail(int line, std::string sentence) {
  result_.problems.push_back({line, ProblemKind::Error, std::move(sentence)});
}

void CheckState::count(Limit limit, int line, int added, const char* what) {
  LimitCount& counted = result_.counts[static_cast<std::size_t>(limit)];
  const bool wasWithin = !counted.over();
  counted.count += added;
  if (wasWithin && counted.over())
    fail(line, "Here the script passes the engine's limit of " + std::to_string(counted.maximum) + " " +
                   LimitName(limit) + ": " + what);
}

void CheckState::countSymbol(int line) {
  count(Limit::Symbols, line, 1,
        "the engine skips this one and every later one (declarations, new names in the "
        "code and strings all count).");
  countJumps(line, 1);
}

void CheckState::countReference(int line) {
  count(Limit::References, line, 1,
        "the engine ignores this line and every later one, and the code sees their "
        "names as new variables.");
}

void CheckState::countMessage(int line) {
  count(Limit::Messages, line, 1, "the engine drops this message and every later one.");
}

void CheckState::countJumps(int line, int slots) {
  count(Limit::JumpSlots, line, slots,
        "the engine writes past its table (one slot per symbol, and more for each if, "
        "else, while, do and for), and the game may crash.");
}

std::string Quoted(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char16_t c : text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      // Lines hold decoded bytes: no character needs a surrogate pair.
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::string Lowered(std::u16string_view text) {
  std::string out = Quoted(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::string Suggestion(std::string_view name, const std::vector<std::string_view>& candidates) {
  // Short names are near too many others to tell.
  const int limit = name.size() < 3 ? 0 : name.size() < 8 ? 1 : 2;
  if (limit == 0) return {};
  std::string_view best;
  int bestDistance = limit + 1;
  for (const std::string_view candidate : candidates) {
    const int distance = EditDistance(name, candidate, limit);
    if (distance > 0 && distance < bestDistance) {
      bestDistance = distance;
      best = candidate;
    }
  }
  return best.empty() ? std::string() : " Did you mean \"" + std::string(best) + "\"?";
}

}  // namespace check

std::optional<Game> GameFromName(std::string_view name) {
  if (name == "jk") return Game::JediKnight;
  if (name == "mots") return Game::MysteriesOfTheSith;
  return std::nullopt;
}

const char* GameTitle(Game game) { return game == Game::JediKnight ? "Jedi Knight" : "Mysteries of the Sith"; }

const char* ProblemKindName(ProblemKind kind) { return kind == ProblemKind::Error ? "error" : "warning"; }

const char* LimitName(Limit limit) {
  switch (limit) {
    case Limit::Symbols:
      return "symbols";
    case Limit::References:
      return "reference entries";
    case Limit::Messages:
      return "messages";
    case Limit::JumpSlots:
      return "jump slots";
  }
  return "";
}

int ScriptCheck::errors() const {
  return static_cast<int>(std::ranges::count(problems, ProblemKind::Error, &Problem::kind));
}

int ScriptCheck::warnings() const {
  return static_cast<int>(std::ranges::count(problems, ProblemKind::Warning, &Problem::kind));
}

ScriptCheck CheckScript(const CheckedLines& lines, Game game) {
  ScriptCheck result;
  check::CheckState state(game, result);
  const int code = check::HeaderReader(lines, state).read();
  if (code >= 0) check::CheckCode(lines, code, state);
  // By line, and on a line the error first: it is what the engine stops at.
  std::ranges::stable_sort(result.problems, [](const Problem& a, const Problem& b) {
    return a.line != b.line ? a.line < b.line : a.kind == ProblemKind::Error && b.kind != ProblemKind::Error;
  });
  return result;
}

}  // namespace vorrik
