#pragma once
// What the parts of a script check share while it runs: the problems found,
// the counts against the engine's limits and the script's own symbols.

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "check/script_check.h"

namespace vorrik::check {

/// A symbol the symbols section declares, as the engine keeps it.
struct Declaration {
  int line;
  bool message;
};

/// A declared message, in declaration order.
struct DeclaredMessage {
  std::string name;
  int line;
};

class CheckState {
 public:
  CheckState(Game game, ScriptCheck& result);

  Game game() const { return game_; }
  void warn(int line, std::string sentence);
  void fail(int line, std::string sentence);

  /// One more entry of each table; the one that passes the limit is an error
  /// at its line.
  void countSymbol(int line);
  void countReference(int line);
  void countMessage(int line);
  void countJumps(int line, int slots);

  /// The first declaration of each lower-case name.
  std::unordered_map<std::string, Declaration> declared;
  std::vector<DeclaredMessage> messages;

 private:
  void count(Limit limit, int line, int added, const char* what);

  Game game_;
  ScriptCheck& result_;
};

/// Text of the script as a sentence quotes it: UTF-8, every character as it
/// stands.
std::string Quoted(std::u16string_view text);
/// A lower-case name: "A"-"Z" lowered, as the engine lowers the script.
std::string Lowered(std::u16string_view text);

/// " Did you mean \"NAME\"?" for the name closest to a misspelled one among
/// the candidates, or nothing when none is near.
std::string Suggestion(std::string_view name, const std::vector<std::string_view>& candidates);

/// Reads the code section from line first (0-based) as the engine's scanner
/// and parser do: its problems, its symbols and jump slots.
void CheckCode(const CheckedLines& lines, int first, CheckState& state);

}  // namespace vorrik::check
