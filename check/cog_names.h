#pragma once

#include <span>
#include <string_view>

#include "check/script_check.h"

namespace vorrik {

/// What an entry of the engine's own symbol table is.
enum class EngineNameKind { Verb, Message, Global };

/// An entry of the engine's own symbol table (verbs, message names and the
/// shared values global0-global15), in lower case as the engine keeps it.
struct EngineName {
  std::string_view name;
  EngineNameKind kind;
  bool inJediKnight;
  bool inMysteries;
  int messageId;  // for a message name, else 0

  bool inGame(Game game) const { return game == Game::JediKnight ? inJediKnight : inMysteries; }
};

/// The entry of this lower-case name, or null when neither game has one.
const EngineName* FindEngineName(std::string_view name);
/// Every entry, for suggestions.
std::span<const EngineName> EngineNames();

}  // namespace vorrik
