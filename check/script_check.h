#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorrik {

/// The game whose engine reads the script: the two differ in their verbs,
/// message names and jump slots.
enum class Game { JediKnight, MysteriesOfTheSith };

/// "jk" or "mots", as the command line names them.
std::optional<Game> GameFromName(std::string_view name);
/// "Jedi Knight" or "Mysteries of the Sith".
const char* GameTitle(Game game);

enum class ProblemKind { Error, Warning };
/// "error" or "warning", as compilers write them.
const char* ProblemKindName(ProblemKind kind);

/// One thing the engine will do that the modder likely did not mean.
struct Problem {
  int line;  // counted from 1, as editors and the game count
  ProblemKind kind;
  std::string sentence;  // one plain sentence, ASCII apart from the script's own names
};

/// The engine's fixed-size tables a script fills.
enum class Limit { Symbols, References, Messages, JumpSlots };
inline constexpr int kLimitCount = 4;
/// "symbols", "reference entries", "messages", "jump slots".
const char* LimitName(Limit limit);

struct LimitCount {
  Limit limit;
  int count;    // what the script takes
  int maximum;  // what the engine holds
  bool over() const { return count > maximum; }
};

/// What a check of one script found.
struct ScriptCheck {
  Game game = Game::JediKnight;
  std::array<LimitCount, kLimitCount> counts{};  // in the order of Limit
  std::vector<Problem> problems;                 // by line; on one line, errors first
  int errors() const;
  int warnings() const;
};

/// The lines of a script as the program holds them.
class CheckedLines {
 public:
  virtual ~CheckedLines() = default;
  virtual int count() const = 0;
  /// Line i (0 <= i < count()), valid while the lines do not change.
  virtual std::u16string_view line(int i) const = 0;
};

/// The lines of any store that has count() and line(i) (the line store, the
/// line list model), as the check reads them.
template <typename Store>
class LinesOf : public CheckedLines {
 public:
  explicit LinesOf(const Store& store) : store_(store) {}
  int count() const override { return store_.count(); }
  std::u16string_view line(int i) const override { return store_.line(i); }

 private:
  const Store& store_;
};

/// Reads the script as the game's engine does and reports its counts
/// against the engine's limits and the problems it would hide. Never
/// changes anything and never fails: any text gives a result.
ScriptCheck CheckScript(const CheckedLines& lines, Game game);

}  // namespace vorrik
