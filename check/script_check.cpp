#include "check/script_check.h"

#include <algorithm>

namespace vorrik {

std::optional<Game> GameFromName(std::string_view name) {
  if (name == "jk") return Game::JediKnight;
  if (name == "mots") return Game::MysteriesOfTheSith;
  return std::nullopt;
}

const char* GameTitle(Game game) { return game == Game::JediKnight ? "Jedi Knight" : "Mysteries of the Sith"; }

const char* ProblemKindName(ProblemKind kind) { return kind == ProblemKind::Error ? "error" : "warning"; }

const char* LimitName(Limit limit) {
  switch (limit) {
    case Limit::Symbols: return "symbols";
    case Limit::References: return "reference entries";
    case Limit::Messages: return "messages";
    case Limit::JumpSlots: return "jump slots";
  }
  return "";
}

int ScriptCheck::errors() const {
  return static_cast<int>(std::ranges::count(problems, ProblemKind::Error, &Problem::kind));
}

int ScriptCheck::warnings() const {
  return static_cast<int>(std::ranges::count(problems, ProblemKind::Warning, &Problem::kind));
}

ScriptCheck CheckScript(const CheckedLines&, Game game) {
  ScriptCheck check;
  check.game = game;
  check.counts = {{{Limit::Symbols, 0, 256},
                   {Limit::References, 0, 128},
                   {Limit::Messages, 0, 32},
                   {Limit::JumpSlots, 0, game == Game::JediKnight ? 511 : 1023}}};
  return check;
}

}  // namespace vorrik
