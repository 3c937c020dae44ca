#include "bench/bench_script.h"

#include <string_view>

namespace vorrik::bench {

namespace {

constexpr std::uint64_t kSeed = 0x5EED'C0DE'2024'0001;

/// SplitMix64: the same sequence on every platform and standard library,
/// unlike the <random> distributions.
class Rng {
 public:
  explicit Rng(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15u);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
  }
  std::size_t Below(std::size_t n) { return static_cast<std::size_t>(Next() % n); }
  template <typename T, std::size_t N>
  const T& Pick(const T (&items)[N]) {
    return items[Below(N)];
  }

 private:
  std::uint64_t state_;
};

constexpr const char* kVars[] = {"victim",     "player",      "doorThing",  "counter",   "liftSpeed",
                                 "damage",     "targetThing", "doorSector", "switchSurf", "destFrame",
                                 "keyNum",     "msgID",       "liftThing",  "soundChan", "ghostThing",
                                 "curFrame"};
constexpr const char* kLabels[] = {"startup", "activated", "pulse",   "timer",   "killed",  "damaged",
                                   "arrived", "touched",   "entered", "crossed", "blocked", "user0"};
constexpr const char* kGetters[] = {"GetLocalPlayerThing()", "GetSourceRef()",   "GetSenderRef()",
                                    "GetThingHealth(victim)", "GetCurFrame(door)", "Rand()",
                                    "GetInv(player, 41)",     "GetSenderId()",     "GetThingSector(player)"};
constexpr const char* kTexts[] = {"The door is locked",      "You need the red key", "You found a secret area",
                                  "The reactor is overloading", "Press the switch",   "Access denied"};
constexpr const char* kWords[] = {"open the door when the player is near", "wait for the lift to arrive",
                                  "TODO: tune this value",  "the player touched the switch",
                                  "Sounds from 0 to 3",     "see the level notes for the frames"};
constexpr const char* kIndents[] = {"\t", "\t\t", "\t\t", "\t\t\t", "    ", "        ", "\t  ", ""};
constexpr const char* kCompare[] = {"<", ">", "==", "!=", "<=", ">="};

/// Mixed case, as hand-written scripts have it: mostly as written, sometimes
/// all lower or all upper case.
std::string Cased(Rng& rng, std::string_view word) {
  std::string out(word);
  const std::size_t roll = rng.Below(20);
  if (roll < 3) {
    for (char& c : out)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  } else if (roll < 5) {
    for (char& c : out)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

std::string Number(Rng& rng) { return std::to_string(rng.Below(200)); }
std::string Flex(Rng& rng) { return std::to_string(rng.Below(10)) + "." + std::to_string(rng.Below(10)); }

std::string CodeLine(Rng& rng) {
  const std::string ind = rng.Pick(kIndents);
  const std::string a = rng.Pick(kVars);
  const std::string b = rng.Pick(kVars);
  switch (rng.Below(24)) {
    case 0: return ind + a + " = " + Cased(rng, rng.Pick(kGetters)) + ";";
    case 1: return ind + Cased(rng, "SetThingHealth") + "(" + a + ", " + Number(rng) + ");";
    case 2: return ind + Cased(rng, "if") + " (" + a + " " + rng.Pick(kCompare) + " " + Number(rng) + ") " + b + " = " + b + " + 1;";
    case 3: return ind + Cased(rng, "else") + " " + Cased(rng, "PlaySoundThing") + "(" + a + ", " + b + ", 1.0, -1, -1, 0);";
    case 4: return ind + Cased(rng, "while") + " (" + a + " < " + Number(rng) + ") " + a + " = " + a + " * 2;";
    case 5: return ind + Cased(rng, "for") + " (i = 0; i < " + Number(rng) + "; i = i + 1) {";
    case 6: return std::string(rng.Pick(kLabels)) + ":";
    case 7: return ind + "// " + rng.Pick(kWords) + " (" + a + ")";
    case 8: return "# " + std::string(rng.Pick(kWords));
    case 9: return ind + Cased(rng, "Print") + "(\"" + rng.Pick(kTexts) + "\");";
    case 10: return ind + "jkStringConcatAsciiString('" + rng.Pick(kTexts) + "');";
    case 11: return ind + a + " = " + a + " - " + Flex(rng) + ";  // " + rng.Pick(kWords);
    case 12: return ind + Cased(rng, "return") + ";";
    case 13: return ind + (rng.Below(2) ? "{" : "}") + "  // " + a;
    case 14: return ind + "if ((" + a + " == " + b + ") && (" + b + " != -1)) {";
    case 15: return ind + Cased(rng, "call") + " " + rng.Pick(kLabels) + ";";
    case 16: return ind + Cased(rng, "SetTimerEx") + "(" + Flex(rng) + ", 1, " + a + ", 0);";
    case 17: return ind + Cased(rng, "MoveToFrame") + "(" + a + ", " + Number(rng) + ", " + Flex(rng) + ");";
    case 18: return ind + Cased(rng, "SetSectorLight") + "(" + a + ", " + Flex(rng) + ", 0.5);\t# dim";
    case 19: return ind + Cased(rng, "SendMessageEx") + "(" + a + ", user1, " + b + ", 0, 0, 0);  // notify";
    case 20: return ind + a + " = VectorAdd(GetThingPos(" + b + "), VectorScale(" + a + ", 0.5));";
    case 21: return ind + Cased(rng, "PlaySoundLocal") + "(hitSound, 1.0, 0.0, 0x80);";
    case 22: return ind + Cased(rng, "ChangeInv") + "(" + a + ", " + Number(rng) + ", -1);";
    default: return "";
  }
}

/// The script as lines of text (ASCII), always the same for the same seed.
std::vector<std::string> GenerateScriptText(int lineCount) {
  std::vector<std::string> lines = {
      "# 00_BENCH.COG",
      "#",
      "# Door, lift and message logic for a test level.",
      "#==============================================================#",
      "symbols",
      "",
      "message\tstartup",
      "message\tactivated",
      "message\tpulse",
      "message\ttimer",
      "thing\tvictim\t\tlocal",
      "thing\tplayer\t\tlocal",
      "int\t\tcounter=0\tlocal",
      "flex\tspeed=1.5",
      "sound\thitSound=activate01.wav",
      "surface\tswitch\t\tlinkid=1",
      "sector\troom",
      "",
      "end",
      "",
      "#==============================================================#",
      "code",
  };
  Rng rng(kSeed);
  while (lines.size() < static_cast<std::size_t>(lineCount) - 1) lines.push_back(CodeLine(rng));
  lines.push_back("end");
  return lines;
}

}  // namespace

const Script& TheScript() {
  static const Script script = [] {
    Script s;
    const auto text = GenerateScriptText(kScriptLines);
    for (std::size_t i = 0; i < text.size(); ++i) {
      s.lines.emplace_back(text[i].begin(), text[i].end());
      s.bytes += text[i];
      s.bytes += "\r\n";
      s.chars += static_cast<std::int64_t>(text[i].size());
      if (text[i] == "code") s.firstCodeLine = static_cast<int>(i) + 1;
    }
    s.codeLines = kScriptLines - 1 - s.firstCodeLine;
    return s;
  }();
  return script;
}

std::string GenerateScriptBytes(int lines) {
  std::string bytes;
  for (const std::string& line : GenerateScriptText(lines)) bytes += line + "\r\n";
  return bytes;
}

}  // namespace vorrik::bench
