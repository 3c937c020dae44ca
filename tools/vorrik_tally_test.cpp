// Runs the built vorrik-tally on the sample scripts and on small scripts
// written here, and checks its output byte for byte, its messages and its
// exit status.
//
// Every expected tally below is worked out by hand from the counting rules;
// the comment next to it shows the working, with the line as the scanner sees
// it (lower case, blanks and tabs removed, cut at the first "//" or "#"):
//   name( 1.5       a word ended by "(" (1, plus .5)
//   x= 1            a word ended by anything else
//   lbl: 0          a word ended by ":" (1, minus 1)
//   = .5            a lone operator, settled by the next character
//   == .5 / -- 1    an operator pair (.5, and .5 more when the second is "-")
//   "..." 1 / '...' 2   a closed quote

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

namespace {

namespace fs = std::filesystem;

/// The path of a UTF-8 file name, as the tool takes its arguments.
fs::path U8Path(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

std::string Utf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

#ifdef _WIN32
/// The tool, beside this program (the build's path is the host's, not one
/// that Windows knows).
const std::wstring kTool = [] {
  std::wstring self(MAX_PATH, L'\0');
  self.resize(GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
  return self.substr(0, self.find_last_of(L'\\') + 1) + L"vorrik-tally.exe";
}();
#else
const std::string kTool = VORRIK_TALLY_PATH;
#endif
const std::string kSamples = VORRIK_SAMPLES_DIR;

std::string Sample(const std::string& name) { return kSamples + "/" + name; }

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

/// A scratch folder for this test run, removed when the run ends.
class ScratchFolder : public ::testing::Environment {
 public:
  static fs::path Path() {
    static const fs::path path = [] {
#ifdef _WIN32
      const unsigned long process = GetCurrentProcessId();
#else
      const long process = getpid();
#endif
      fs::path p = fs::temp_directory_path() / ("vorrik_tally_test." + std::to_string(process));
      fs::create_directories(p);
      return p;
    }();
    return path;
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(Path(), ignored);
  }
};
const auto* const kScratch = ::testing::AddGlobalTestEnvironment(new ScratchFolder);

/// Writes bytes to a new file in the scratch folder and returns its path.
std::string ScratchFile(const std::string& name, const std::string& bytes) {
  const fs::path path = ScratchFolder::Path() / U8Path(name);
  WriteBytes(path, bytes);
  return Utf8(path);
}

struct RunResult {
  int exitCode = -1;  // -1 when the tool did not exit normally
  std::string out;
  std::string err;
};

struct RunOptions {
  unsigned watchdogSeconds = 0;  // see RunTool
#ifdef _WIN32
  HANDLE stdoutHandle = nullptr;  // the tool's standard output; nullptr: captured
#else
  int stdoutFd = -1;  // the tool's standard output; -1: captured
#endif
  std::vector<std::string> environment = {};  // NAME=value, in place of the test's own
};

#ifdef _WIN32

/// arg as CommandLineToArgvW reads it back.
std::wstring Quoted(const std::wstring& arg) {
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(2 * backslashes, L'\\');
  return quoted + L'"';
}

/// Runs vorrik-tally with args (UTF-8), stdout and stderr captured
/// separately. With a watchdog, a run that has not ended after that many
/// seconds is stopped and fails the test instead of hanging it. lost tells
/// whether Wine lost the start (see RunTool).
RunResult RunToolOnce(const std::vector<std::string>& args, const RunOptions& options, bool& lost) {
  static int runs = 0;
  const fs::path stem = ScratchFolder::Path() / ("run" + std::to_string(++runs));
  if (!options.environment.empty()) ADD_FAILURE() << "no environment of its own for the tool here";
  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  const auto create = [&](const fs::path& path, DWORD access, DWORD disposition) {
    return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  };
  const HANDLE input = create(L"NUL", GENERIC_READ, OPEN_EXISTING);
  const HANDLE output =
      options.stdoutHandle != nullptr ? options.stdoutHandle : create(fs::path(stem) += ".out", GENERIC_WRITE, CREATE_ALWAYS);
  const HANDLE error = create(fs::path(stem) += ".err", GENERIC_WRITE, CREATE_ALWAYS);
  std::wstring command = Quoted(kTool);
  for (const auto& arg : args) command += L" " + Quoted(U8Path(arg).wstring());
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input;
  startup.hStdOutput = output;
  startup.hStdError = error;
  PROCESS_INFORMATION process{};
  const bool started =
      CreateProcessW(kTool.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
  const DWORD startError = GetLastError();
  CloseHandle(input);
  if (options.stdoutHandle == nullptr) CloseHandle(output);
  CloseHandle(error);
  RunResult result;
  lost = !started && startError == ERROR_INTERNAL_ERROR;
  if (!started) {
    if (!lost) ADD_FAILURE() << "cannot start vorrik-tally: error " << startError;
    return result;
  }
  CloseHandle(process.hThread);
  const DWORD wait = options.watchdogSeconds > 0 ? options.watchdogSeconds * 1000 : INFINITE;
  if (WaitForSingleObject(process.hProcess, wait) != WAIT_OBJECT_0) {
    ADD_FAILURE() << "vorrik-tally still runs after " << options.watchdogSeconds << " s";
    TerminateProcess(process.hProcess, 255);
    WaitForSingleObject(process.hProcess, INFINITE);
  }
  DWORD code = 0;
  if (GetExitCodeProcess(process.hProcess, &code)) result.exitCode = static_cast<int>(code);
  CloseHandle(process.hProcess);
  if (options.stdoutHandle == nullptr) result.out = ReadBytes(fs::path(stem) += ".out");
  result.err = ReadBytes(fs::path(stem) += ".err");
  lost = options.stdoutHandle == nullptr && result.exitCode == 1 && result.out.empty() && result.err.empty();
  return result;
}

/// As RunToolOnce. Wine loses about one start in a thousand: the tool never
/// runs, and CreateProcessW fails with ERROR_INTERNAL_ERROR, or the tool
/// ends with exit code 1 having written nothing, which vorrik-tally never
/// does. Such a start is made again, up to twice.
RunResult RunTool(const std::vector<std::string>& args, const RunOptions& options = {}) {
  bool lost = false;
  RunResult result = RunToolOnce(args, options, lost);
  for (int again = 0; again < 2 && lost; ++again) result = RunToolOnce(args, options, lost);
  if (lost && result.exitCode == -1) ADD_FAILURE() << "cannot start vorrik-tally: Wine lost three starts";
  return result;
}

#else

/// Runs vorrik-tally with args, stdout and stderr captured separately, and
/// SIGPIPE at its default whatever the test inherited. With a watchdog, a run
/// that has not ended after that many seconds is stopped and fails the test
/// instead of hanging it.
RunResult RunTool(const std::vector<std::string>& args, const RunOptions& options = {}) {
  static int runs = 0;
  const std::string stem = (ScratchFolder::Path() / ("run" + std::to_string(++runs))).string();
  const std::string outPath = stem + ".out";
  const std::string errPath = stem + ".err";

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (options.stdoutFd >= 0)
    posix_spawn_file_actions_adddup2(&actions, options.stdoutFd, 1);
  else
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);

  std::vector<std::string> argStore{kTool};
  argStore.insert(argStore.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& arg : argStore) argv.push_back(arg.data());
  argv.push_back(nullptr);
  std::vector<std::string> envStore = options.environment;
  std::vector<char*> envp;
  for (auto& entry : envStore) envp.push_back(entry.data());
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string_view name(*entry, std::strcspn(*entry, "="));
    if (std::none_of(envStore.begin(), envStore.end(),
                     [&](const std::string& own) { return own.compare(0, name.size() + 1, std::string(name) + "=") == 0; }))
      envp.push_back(*entry);
  }
  envp.push_back(nullptr);

  RunResult result;
  pid_t pid = 0;
  const int spawnError = posix_spawn(&pid, kTool.c_str(), &actions, &attributes, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (spawnError != 0) {
    ADD_FAILURE() << "cannot start " << kTool << ": " << std::strerror(spawnError);
    return result;
  }
  static volatile std::sig_atomic_t fired;
  fired = 0;
  struct sigaction onAlarm {}, previous {};
  onAlarm.sa_handler = [](int) { fired = 1; };  // no SA_RESTART: waitpid() returns
  sigaction(SIGALRM, &onAlarm, &previous);
  alarm(options.watchdogSeconds);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    if (fired) {
      ADD_FAILURE() << "vorrik-tally still runs after " << options.watchdogSeconds << " s";
      kill(pid, SIGKILL);
      fired = 0;
    }
  }
  alarm(0);
  sigaction(SIGALRM, &previous, nullptr);
  if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.err = "killed by signal " + std::to_string(WTERMSIG(status)) + "\n";
  if (options.stdoutFd < 0) result.out = ReadBytes(outPath);
  result.err += ReadBytes(errPath);
  return result;
}

#endif

/// The lines of a CR LF file (the samples are all CR LF; a bare LF stays in its line).
std::vector<std::string> SplitCrLf(const std::string& bytes) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(bytes.substr(start, end - start));
  EXPECT_EQ(start, bytes.size()) << "the last line has no CR LF";
  return lines;
}

std::string JoinCrLf(const std::vector<std::string>& lines) {
  std::string bytes;
  for (const auto& line : lines) bytes += line + "\r\n";
  return bytes;
}

// ---------------------------------------------------------------------------
// The samples as written, so that a sample edited by mistake shows up here
// rather than as a puzzling tally.

TEST(VorrikTallySamples, HaveTheExpectedLineCounts) {
  const std::map<std::string, std::size_t> lineCounts = {
      {"example.cog", 28}, {"quotes.cog", 19}, {"carry.cog", 22}, {"sections.cog", 22}, {"nocode.cog", 10},
  };
  for (const auto& [name, count] : lineCounts) {
    const std::string bytes = ReadBytes(Sample(name));
    ASSERT_FALSE(bytes.empty()) << name;
    EXPECT_EQ(SplitCrLf(bytes).size(), count) << name;
  }
}

// ---------------------------------------------------------------------------
// Whole-file tallies.
//
// example.cog  code section lines 10-26 (line 9 "code" opens, line 27 "end" closes):
//   10 startup: 0 | 11 player= 1, = .5, getlocalplayerthing( 1.5 = 3 | 12 callreset; 1
//   13 return; .5 | 14 empty 0 | 15 pulse: 0 | 16 pulses= 1 .5, pulses+ 1 .5, 1; 1 = 4
//   17 if( 1, getthinghealth( 1.5, player) 1, < .5, 100) 1 = 5
//   18 healthing( 1.5, player, 1, amount) 1 = 3.5 (comment cut)
//   19 "else" pending, 0 | 20 elseprint( 1.5, "fullhealth" 1 = 2.5 | 21 return; .5
//   22 empty 0 | 23 reset: 0 | 24 pulses= 1 .5, 0; 1 = 2.5 | 25 setpulse( 1.5, 1.0) 1 = 2.5
//   26 return; .5
//   sum 3+1+.5+4+5+3.5+2.5+.5+2.5+2.5+.5 = 25.5
// quotes.cog   lines 5-17, per line in kQuotesLines below:
//   0+2.5+4.5+1.5+0+1+2+5+1+0+4+3.5+.5 = 25.5
// carry.cog    lines 5-20, per line in kCarryLines below:
//   0+3.5+2.5+4.5+0+2.5+1.5+0+6+2.5+2.5+2+5+13.5+4+.5 = 50.5
// sections.cog lines 7-12 and 16-19, per line in kSectionsLines below:
//   0+1+.5+0+4.5+2.5 + 0+5-.5+2.5 = 15.5
// nocode.cog   "code:" and "codex" are not "code": nothing is scanned, 0

TEST(VorrikTallyFiles, SeveralFilesInOneCall) {
  const auto r = RunTool({Sample("example.cog"), Sample("quotes.cog"), Sample("carry.cog"),
                          Sample("sections.cog"), Sample("nocode.cog")});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, " 25.5\t" + Sample("example.cog") + "\n" +     //
                       " 25.5\t" + Sample("quotes.cog") + "\n" +  //
                       " 50.5\t" + Sample("carry.cog") + "\n" +   //
                       " 15.5\t" + Sample("sections.cog") + "\n" + " 0\t" + Sample("nocode.cog") + "\n");
}

TEST(VorrikTallyFiles, UnreadableFilesAreReportedAndTheOthersStillTallied) {
  const std::string missing = (ScratchFolder::Path() / "no-such-script.cog").string();
  const std::string folder = kSamples;
  const auto r =
      RunTool({Sample("sections.cog"), missing, Sample("carry.cog"), folder, Sample("nocode.cog")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, " 15.5\t" + Sample("sections.cog") + "\n" +   //
                       " 50.5\t" + Sample("carry.cog") + "\n" +  //
                       " 0\t" + Sample("nocode.cog") + "\n");
  // One line per unreadable file, naming it.
  const auto newline = r.err.find('\n');
  ASSERT_NE(newline, std::string::npos) << r.err;
  const std::string first = r.err.substr(0, newline);
  const std::string second = r.err.substr(newline + 1);
  EXPECT_NE(first.find(missing), std::string::npos) << r.err;
  EXPECT_NE(second.find(folder), std::string::npos) << r.err;
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 2) << r.err;
}

TEST(VorrikTallyFiles, UnreadableFileInTheOtherModes) {
  const std::string missing = (ScratchFolder::Path() / "gone.cog").string();
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"--lines", missing}, {"--select", "0-0", missing}, {"--rip", "0-0", missing},
           {"--bank", Sample("example.cog"), missing}, {"--bank", missing, Sample("example.cog")}}) {
    const auto r = RunTool(args);
    EXPECT_EQ(r.exitCode, 1) << args[0];
    EXPECT_EQ(r.out, "") << args[0];
    EXPECT_NE(r.err.find(missing), std::string::npos) << args[0] << ": " << r.err;
  }
}

// Files of up to 64 MiB are tallied; one byte more is refused.
TEST(VorrikTallyFiles, SixtyFourMiBIsTheLimit) {
  const fs::path limit = ScratchFolder::Path() / "limit.cog";
  const fs::path over = ScratchFolder::Path() / "over.cog";
  WriteBytes(limit, "");
  fs::resize_file(limit, 64u << 20);  // sparse: NUL bytes, no code section
  WriteBytes(over, "");
  fs::resize_file(over, (64u << 20) + 1);
  const auto r = RunTool({limit.string(), over.string()});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, " 0\t" + limit.string() + "\n");
  EXPECT_EQ(r.err, "vorrik-tally: cannot read " + over.string() +
                       ": The file is larger than 64 MiB, far more than a COG script can be.\n");
  fs::remove(limit);
  fs::remove(over);
}

// Pipes, devices and folders are refused at once: a pipe that no one writes
// to must not keep the tool waiting for a writer.
TEST(VorrikTallyFiles, WhatIsNoScriptIsRefusedAtOnce) {
#ifdef _WIN32
  // A pipe that waits for a writer to connect.
  const std::string pipe = "\\\\.\\pipe\\vorrik_tally_test." + std::to_string(GetCurrentProcessId());
  const HANDLE server = CreateNamedPipeW(U8Path(pipe).c_str(), PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1,
                                         4096, 4096, 0, nullptr);
  ASSERT_NE(server, INVALID_HANDLE_VALUE) << GetLastError();
  const std::string device = "NUL";
#else
  const std::string pipe = (ScratchFolder::Path() / "pipe.cog").string();
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  const std::string device = "/dev/null";
#endif
  const std::vector<std::pair<std::string, std::string>> cases = {
      {pipe, "It is a device or a pipe, not a file."},
      {device, "It is a device or a pipe, not a file."},
      {kSamples, "It is a folder, not a file."},
      {(ScratchFolder::Path() / "gone.cog").string(), "The file does not exist."},
  };
  for (const auto& [path, reason] : cases) {
    const auto r = RunTool({path}, {.watchdogSeconds = 30});
    EXPECT_EQ(r.exitCode, 1) << path;
    EXPECT_EQ(r.out, "") << path;
    EXPECT_EQ(r.err, "vorrik-tally: cannot read " + path + ": " + reason + "\n");
  }
#ifdef _WIN32
  CloseHandle(server);
#endif
}

// A read that fails part-way must not pass for the end of the file: the tool
// reports it and writes nothing of what it got. The failing-call shim,
// preloaded into the tool only, passes a budget of bytes read from files
// under a folder and then fails the reads with EIO.
TEST(VorrikTallyFiles, ReadThatFailsPartWayIsReported) {
#ifndef VORRIK_FAILING_IO_SHIM
  GTEST_SKIP() << "the failing-call shim is built on Linux only";
#else
  const fs::path folder = ScratchFolder::Path() / "failing";
  fs::create_directories(folder);
  // Past a read block of 64 KiB: lines that tally 2.5 each (x= 1, = .5, 1; 1).
  constexpr int kLines = 25000;
  std::string bytes = "code\r\n";
  std::string ripped = "code\r\n";
  for (int i = 0; i < kLines; ++i) {
    bytes += "x = 1;\r\n";
    ripped += "x, -x;\r\n";
  }
  const std::string path = (folder / "long.cog").string();
  WriteBytes(path, bytes);
  struct Mode {
    std::vector<std::string> args;
    std::string out;  // when every read passes
  };
  const std::vector<Mode> modes = {
      {{path}, " 62500\t" + path + "\n"},  // 25,000 * 2.5
      {{"--rip", "1-" + std::to_string(kLines), path}, ripped},
  };
  std::vector<std::string> environment = {
      "LD_PRELOAD=" VORRIK_FAILING_IO_SHIM, "ASAN_OPTIONS=verify_asan_link_order=0",
      "VORRIK_FAIL_UNDER=" + folder.string(), "VORRIK_FAIL_CALL=read",
      "VORRIK_FAIL_ERRNO=" + std::to_string(EIO), ""};
  for (const auto& mode : modes) {
    // A budget past the end: every read passes.
    environment.back() = "VORRIK_FAIL_AFTER=" + std::to_string(10 * bytes.size());
    const auto whole = RunTool(mode.args, {.environment = environment});
    EXPECT_EQ(whole.exitCode, 0) << mode.args[0] << ": " << whole.err;
    EXPECT_EQ(whole.out, mode.out) << mode.args[0];
    // One block and part of the next pass, then reading fails.
    environment.back() = "VORRIK_FAIL_AFTER=100000";
    const auto cut = RunTool(mode.args, {.environment = environment});
    EXPECT_EQ(cut.exitCode, 1) << mode.args[0];
    EXPECT_EQ(cut.out, "") << mode.args[0];
    EXPECT_EQ(cut.err, "vorrik-tally: cannot read " + path +
                           ": The disk reported an error while the file was being read.\n")
        << mode.args[0];
  }
#endif
}

TEST(VorrikTallyFiles, DoubleDashEndsOptions) {
  const auto r = RunTool({"--", Sample("sections.cog")});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, " 15.5\t" + Sample("sections.cog") + "\n");
}

// ---------------------------------------------------------------------------
// --lines, compared as a whole.

const char* const kQuotesLines =
    "\t# quotes.cog - strings, vectors and comment markers inside them\n"
    "\tsymbols\n"
    "\tmessage startup\n"
    "\tend\n"
    "\tcode\n"        // opens the code section, not scanned
    " 0\tstartup:\n"  // startup: 0
    // print( 1.5, "caf<E9>ouvert" 1; the comment (and its <E9>) is cut
    " 2.5\t    Print(\"Caf\xe9 ouvert\");     // \xe9 in a string and here: \xe9\n"
    // setthingpos( 1.5, player, 1, '1.02.03.0' 2
    " 4.5\t    SetThingPos(player, '1.0 2.0 3.0');\n"
    // cut at the "//" inside the string: print( 1.5, and `"seehttp:` leaves a quote open
    " 1.5\t    Print(\"see http://example.com for more\");\n"
    // all inside the open quote
    " 0\t    PrintInt(7);\n"
    // print( skipped, `"` closes 1; "done" pending; `"` opens again and ends nothing
    " 1\t    Print(\"done\");\n"
    // cut at "#": print( skipped, `"` closes 1 and ends "done" 1; "room" pending
    " 2\t    Print(\"room #5 is open\");\n"
    // roomx= 1, `'a'` 2 then settles "=" .5, + then `"b"` 1 settles "+" .5
    " 5\t    x = 'a ' + \"b\";\n"
    // y= 1, "=" still open, `'` opens
    " 1\t    y = 'unclosed\n"
    // inside the apostrophes
    " 0\t    z = 3;\n"
    // `'` closes 2 and settles the "=" from two lines up .5, - settled by 2 .5, 2; 1
    " 4\t    w = 4;' - 2;\n"
    // <E9> and <E0> are no word characters: d 1, j 1, = .5, 1; 1
    " 3.5\t    d\xe9j\xe0 = 1;\n"
    " .5\t    return;\n"  // return; .5
    "\tend\n";

const char* const kCarryLines =
    "\tSymbols\n"
    "\t\tmessage\tstartup\n"
    "\t\tint\ti\tlocal\n"
    "\tEnd\n"                            // outside, so nothing to leave
    "\tCODE\n"                           // "code": opens
    " 0\tstartup:\n"                     // startup: 0
    " 3.5\t\tSetHealth(player, 1.5);\n"  // sethealth( 1.5, player, 1, 1.5) 1
    " 2.5\t\ti = 0;\n"                   // i= 1, = .5, 0; 1
    " 4.5\t\twhile(i < 3)\n"             // while( 2, i< 1, < .5, 3) 1
    " 0\t\t{\n"
    " 2.5\t\t\ti = i +\n"  // i= 1, = .5, i+ 1; the "+" is left open
    " 1.5\t\t\t\t1;\n"     // "1" settles the "+" .5, 1; 1
    " 0\t\t}\n"
    " 6\t\tif(i == 3) x = 1; else\n"  // if( 1, i= 1, == .5, 3) 1, x= 1, = .5, 1; 1; "else" pending
    " 2.5\t\ty = 3;\n"                // elsey= 1, = .5, 3; 1
    " 2.5\t\ta = b -\n"               // a= 1, = .5, b- 1; the "-" is left open
    " 2\t\t-1;\n"                     // "-" pairs with it: .5 + .5 for "-", 1; 1
    " 5\t\tx = 1;\ny = 2;\n"          // x= 1, = .5, 1; 1, bare LF, y= 1, = .5, 2; 1
    // for( 2, j= 1 .5, 0; 1, j< 1 .5, 2; 1, j= 1 .5, j+ 1 .5, 1) 1, sleep( 1.5, 0.5) 1
    " 13.5\t\tfor(j=0; j<2; j=j+1) Sleep(0.5);\n"
    " 4\t\tk = 8 / 2; / / half of eight\n"  // "//" once blanks go: k= 1, = .5, 8/ 1, / .5, 2; 1
    " .5\t\tRETURN;\n"                      // return; .5
    "\tEnd\n";                              // leaves

const char* const kSectionsLines =
    "\t# sections.cog - two code sections, and words that only look like markers\n"
    "\tsymbols\n"
    "\tmessage   startup\n"
    "\tmessage   activated\n"
    "\tsector    door\n"
    "\tend\n"
    "\tcode   // first part\n"                     // "code" once the comment is cut: opens
    " 0\tstartup:\n"                               // startup: 0
    " 1\t    call open_door;\n"                    // callopen_door; 1
    " .5\t    return;\n"                           // return; .5
    " 0\topen_door:\n"                             // open_door: 0
    " 4.5\t    SetSectorLight(door, 0.5, 2.0);\n"  // setsectorlight( 1.5, door, 1, 0.5, 1, 2.0) 1
    " 2.5\t    coder = 1;\n"                       // coder= 1, = .5, 1; 1
    "\tEnd  # back out\n"                          // "end": leaves, not scanned
    "\tthese lines lie outside: x = 1;\n"
    "\tCo De\n"         // "code": opens again
    " 0\tactivated:\n"  // activated: 0
    // if( 1, isopen( 1.5, door) 1, return; .5, elsecallopen_door; 1
    " 5\t    if(IsOpen(door)) return; else call open_door;\n"
    "-.5\t    return:\n"       // return: .5 - 1
    " 2.5\t    ending = 2;\n"  // ending= 1, = .5, 2; 1
    "\tend\n"
    "\tcode = 9;\n";  // outside, and not "code"

TEST(VorrikTallyLines, SamplesLineByLine) {
  const std::map<std::string, std::string> expected = {
      {"quotes.cog", kQuotesLines}, {"carry.cog", kCarryLines}, {"sections.cog", kSectionsLines}};
  for (const auto& [name, lines] : expected) {
    const auto r = RunTool({"--lines", Sample(name)});
    EXPECT_EQ(r.exitCode, 0) << name;
    EXPECT_EQ(r.err, "") << name;
    EXPECT_EQ(r.out, lines) << name;
  }
}

const std::string kNoBreakSpace = "\xa0";

std::string AllHighBytes() {
  std::string bytes;
  for (int b = 0x80; b <= 0xFF; ++b) bytes += static_cast<char>(b);
  return bytes;
}

// Line ends and bytes: CR or CR LF ends a line, a bare LF does not, a final
// line end adds no empty line, and every byte comes back as it was read.
TEST(VorrikTallyLines, LineEndsAndBytes) {
  struct Case {
    const char* name;
    std::string bytes;
    std::string out;
  };
  const std::vector<Case> cases = {
      {"bare CR, no final line end", "code\rx = 1;\ry=2;",
       "\tcode\n"
       " 2.5\tx = 1;\n"  // x= 1, = .5, 1; 1
       " 2.5\ty=2;\n"},  // y= 1, = .5, 2; 1
      {"empty lines, final CR LF", "code\r\n\r\n\r\nx=1;\r\n",
       "\tcode\n"
       " 0\t\n"
       " 0\t\n"
       " 2.5\tx=1;\n"},  // as above
      {"CR then CR LF", "code\r\r\n", "\tcode\n 0\t\n"},
      // no CR LF: LF ends lines, as the game reads them
      {"LF only", "code\nx=1;\n", "\tcode\n 2.5\tx=1;\n"},
      // one CR LF: a lone LF stays in its line "code<LF>x=1;", which is not
      // "code": nothing is scanned
      {"LF beside a CR LF", "code\nx=1;\r\n", "\tcode\nx=1;\n"},
      {"empty file", "", ""},
      // bytes 0x80-0xFF in a comment: x= 1, = .5, 1; 1
      {"every byte above 127", "code\r\nx = 1; // " + AllHighBytes() + "\r\n",
       "\tcode\n 2.5\tx = 1; // " + AllHighBytes() + "\n"},
      // 0xA0 is not a blank, and no word character: a 1, b; 1
      {"no-break space", "code\r\na" + kNoBreakSpace + "b;\r\n", "\tcode\n 2\ta" + kNoBreakSpace + "b;\n"},
  };
  int n = 0;
  for (const auto& c : cases) {
    const auto r = RunTool({"--lines", ScratchFile("lines" + std::to_string(++n) + ".cog", c.bytes)});
    EXPECT_EQ(r.exitCode, 0) << c.name;
    EXPECT_EQ(r.out, c.out) << c.name;
  }
}

// ---------------------------------------------------------------------------
// --select: a run that starts inside the code section and scans the n lines
// ending at the focused line LAST.

TEST(VorrikTallySelect, Ranges) {
  struct Case {
    const char* sample;
    const char* range;
    const char* out;
    const char* working;
  };
  const std::vector<Case> cases = {
      {"example.cog", "17-17", " 5\n", "if( 1, getthinghealth( 1.5, player) 1, < .5, 100) 1"},
      {"sections.cog", "18-18", "-.5\n", "return: .5 - 1"},
      // A run starts afresh: the "+" left open by line 10 is not there.
      {"carry.cog", "11-11", " 1\n", "1; 1"},
      // A selection dragged upward from line 20 to line 17 has the focus on
      // 17 and 4 lines selected: the tally is of the 4 lines ending at the
      // focus, 14-17, not of 17-20.
      {"example.cog", "14-17", " 9\n", "empty 0, pulse: 0, 4, 5"},
      // Positions below line 0 hold nothing. Lines 1-4 join into one word
      // "symbolsmessagestartup...sectordoor", 5 "end" leaves, 6 "code" opens,
      // 7 ends the word with ":" 0; then 1 + .5 + 0 + 4.5 + 2.5.
      {"sections.cog", "-3-12", " 8.5\n", "0+0+1+.5+0+4.5+2.5"},
      {"example.cog", "13-12", " 0\n", "n = 0: nothing scanned"},
      {"example.cog", "0--1", " 0\n", "n = 0 and no focused line"},
      // 11 4.5, 12 2.5, 13 "End" leaves, 14 outside, 15 "code" opens, 16 0, 17 5
      {"sections.cog", "11-17", " 12\n", "4.5+2.5+0+5"},
      // 16 0, 17 5, 18 -.5, 19 2.5, 20 "end" leaves, 21 "code=9;" stays outside
      {"sections.cog", "16-21", " 7\n", "0+5-.5+2.5"},
      // Before "code": 2-4 join into one pending word; 5 ends it with "=" 1,
      // = .5, "0local" pending; 6 "0localflexamount=" 1, = .5; "2.5" dropped
      // at the end of the run.
      {"example.cog", "2-6", " 3\n", "1+.5+1+.5"},
      // As above (line 0 is only a comment, line 1 starts the word), then 7
      // "end" leaves with "2.5" still pending, 9 "code" opens, 10
      // "2.5startup:" 0, 11 3.
      {"example.cog", "0-11", " 6\n", "3+0+3"},
      // The whole file as a selection: 6 for lines 0-11, then lines 12-26 as
      // in the whole-file tally, 25.5 - 3 (line 11) = 22.5.
      {"example.cog", "0-27", " 28.5\n", "6+22.5"},
      // "code:" ends "code" with ":" 0, startup: 0, x= 1 .5 1; 1, then
      // "codex" joins "y": codexy= 1, = .5, 2; 1.
      {"nocode.cog", "4-8", " 5\n", "0+0+2.5+2.5"},
  };
  for (const auto& c : cases) {
    const auto r = RunTool({"--select", c.range, Sample(c.sample)});
    EXPECT_EQ(r.exitCode, 0) << c.sample << " " << c.range;
    EXPECT_EQ(r.err, "") << c.sample << " " << c.range;
    EXPECT_EQ(r.out, c.out) << c.sample << " " << c.range << ": " << c.working;
  }
}

// ---------------------------------------------------------------------------
// --rip: each scanned line becomes the placeholder of its own change to the
// tally (0 "", 1 "x;", 1.5 "-x;", k "x, " (k-1 times) "x;", k.5 the same
// ending "-x;"); .5 and negative changes, and lines not scanned, stay.

TEST(VorrikTallyRip, CarryByteForByte) {
  // Line changes as in kCarryLines; the run starts inside at line 5 with
  // nothing pending, as the whole-file run does there.
  const std::string expected =
      "Symbols\r\n"
      "\tmessage\tstartup\r\n"
      "\tint\ti\tlocal\r\n"
      "End\r\n"
      "CODE\r\n"
      "\r\n"                                         // 5  startup: 0
      "x, x, -x;\r\n"                                // 6  3.5
      "x, -x;\r\n"                                   // 7  2.5
      "x, x, x, -x;\r\n"                             // 8  4.5
      "\r\n"                                         // 9  { 0
      "x, -x;\r\n"                                   // 10 2.5
      "-x;\r\n"                                      // 11 1.5
      "\r\n"                                         // 12 } 0
      "x, x, x, x, x, x;\r\n"                        // 13 6
      "x, -x;\r\n"                                   // 14 2.5
      "x, -x;\r\n"                                   // 15 2.5
      "x, x;\r\n"                                    // 16 2
      "x, x, x, x, x;\r\n"                           // 17 5 (the bare LF goes with it)
      "x, x, x, x, x, x, x, x, x, x, x, x, -x;\r\n"  // 18 13.5: 12 times "x, "
      "x, x, x, x;\r\n"                              // 19 4
      "\tRETURN;\r\n"                                // 20 .5 stays
      "End\r\n";                                     // 21 leaves, stays
  const auto r = RunTool({"--rip", "5-21", Sample("carry.cog")});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, expected);
}

TEST(VorrikTallyRip, Ranges) {
  struct Case {
    const char* sample;
    const char* range;
    std::map<std::size_t, std::string> replaced;  // line index -> new text; the rest as in the sample
  };
  const std::vector<Case> cases = {
      // 7 0, 8 1, 9 .5 stays, 10 0, 11 4.5, 12 2.5, 13 "End" leaves, 14
      // outside, 15 "code" opens (13-15 stay), 16 0, 17 5, 18 -.5 stays, 19
      // 2.5, 20 "end" and 21 stay.
      {"sections.cog",
       "7-21",
       {{7, ""},
        {8, "x;"},
        {10, ""},
        {11, "x, x, x, -x;"},
        {12, "x, -x;"},
        {16, ""},
        {17, "x, x, x, x, x;"},
        {19, "x, -x;"}}},
      // 19 4, 20 .5 stays; line 17 with its bare LF is not in the range and
      // is written back as it was.
      {"carry.cog", "19-20", {{19, "x, x, x, x;"}}},
      // n = 0: nothing changes.
      {"example.cog", "13-12", {}},
      // Before "code": 0 comment 0, 1-4 pending 0, 5 1.5, 6 1.5, 7 "end"
      // leaves; 10 "2.5startup:" 0, 11 3.
      {"example.cog",
       "0-11",
       {{0, ""}, {1, ""}, {2, ""}, {3, ""}, {4, ""}, {5, "-x;"}, {6, "-x;"}, {10, ""}, {11, "x, x, x;"}}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> lines = SplitCrLf(ReadBytes(Sample(c.sample)));
    for (const auto& [index, text] : c.replaced) lines.at(index) = text;
    const auto r = RunTool({"--rip", c.range, Sample(c.sample)});
    EXPECT_EQ(r.exitCode, 0) << c.sample << " " << c.range;
    EXPECT_EQ(r.out, JoinCrLf(lines)) << c.sample << " " << c.range;
  }
}

TEST(VorrikTallyRip, ScratchScripts) {
  struct Case {
    const char* name;
    std::string bytes;
    const char* range;
    std::string out;
  };
  const std::vector<Case> cases = {
      // "code" pending 0 -> "", codeif( 1.5, x) 1 = 2.5
      {"code line ripped", "code\r\nif(x);\r\n", "0-1", "\r\nx, -x;\r\n"},
      // Saving writes CR LF after every line, whatever ended them before.
      {"line ends rewritten", "code\rx=1;", "1-0", "code\r\nx=1;\r\n"},
      // One line "a<LF>b" (there is a CR LF): a 1 (ended by the LF), "b"
      // dropped at the end -> "x;"
      {"bare LF line", "a\nb\r\nc", "0-0", "x;\r\nc\r\n"},
      // A file with LF ends is written with LF ends; "a" alone is still a
      // pending word when its line ends, so it rips to nothing.
      {"LF ends kept", "a\nb", "0-0", "\nb\n"},
      // Bytes above 127 on lines left alone come back unchanged.
      {"high bytes kept", "code\r\n// " + AllHighBytes() + "\r\n", "0--1",
       "code\r\n// " + AllHighBytes() + "\r\n"},
  };
  int n = 0;
  for (const auto& c : cases) {
    const auto r = RunTool({"--rip", c.range, ScratchFile("rip" + std::to_string(++n) + ".cog", c.bytes)});
    EXPECT_EQ(r.exitCode, 0) << c.name;
    EXPECT_EQ(r.out, c.out) << c.name;
  }
}

// A placeholder tallies to the change it stands for, so ripping the ripped
// file again changes nothing -- except on lines that began inside a quote,
// whose scan depended on the line that opened it.
TEST(VorrikTallyRip, RippingAgainChangesNothing) {
  struct Case {
    const char* sample;
    const char* range;
    std::vector<std::size_t> quoteOpen;  // lines that begin inside a quote
  };
  const std::vector<Case> cases = {
      {"example.cog", "0-27", {}},
      // 9 and 10 begin inside the quote opened on line 8, 11 inside the one
      // line 10 opens, 14 and 15 inside the apostrophe line 13 opens.
      {"quotes.cog", "0-18", {9, 10, 11, 14, 15}},
      {"carry.cog", "0-21", {}},
      {"sections.cog", "0-21", {}},
      {"nocode.cog", "0-9", {}},
  };
  for (const auto& c : cases) {
    const auto first = RunTool({"--rip", c.range, Sample(c.sample)});
    ASSERT_EQ(first.exitCode, 0) << c.sample;
    const auto second =
        RunTool({"--rip", c.range, ScratchFile(std::string("ripped-") + c.sample, first.out)});
    ASSERT_EQ(second.exitCode, 0) << c.sample;
    const auto before = SplitCrLf(first.out);
    const auto after = SplitCrLf(second.out);
    ASSERT_EQ(after.size(), before.size()) << c.sample;
    EXPECT_NE(first.out, ReadBytes(Sample(c.sample))) << c.sample << ": the first rip changed nothing";
    for (std::size_t i = 0; i < before.size(); ++i) {
      if (std::find(c.quoteOpen.begin(), c.quoteOpen.end(), i) != c.quoteOpen.end()) continue;
      EXPECT_EQ(after[i], before[i]) << c.sample << " line " << i;
    }
  }
}

// ---------------------------------------------------------------------------
// --check: each problem the check finds reaches the output with its file,
// line and kind, then the file's counts; the sentences are the check's own.

/// A script that lights a door, with line 10 (counted from 1) as given.
std::string DoorScript(const std::string& line10 = "    SetSectorLight(door, 1.0, 0.0);") {
  return JoinCrLf({"# door.cog - lights the door's sector at start-up", "symbols", "message   startup",
                   "sector    door", "thing     player    local", "end", "code", "startup:",
                   "    player = GetLocalPlayerThing();", line10, "    return;", "end"});
}

// Its symbols are startup, door and player, a jump slot each; door and player
// are reference entries (a thing is one even when local). A name the code
// uses without declaring it is one more symbol and jump slot.
const std::string kDoor = "3 of 256 symbols, 2 of 128 reference entries, 1 of 32 messages, 3 of 511 jump slots";
const std::string kDoorAndNewName =
    "4 of 256 symbols, 2 of 128 reference entries, 1 of 32 messages, 4 of 511 jump slots";

/// A --check run's output with the scratch folder taken off the paths and
/// the sentences cut: "door.cog:10: warning" and the summary lines.
std::string WithoutSentences(const std::string& out) {
  const std::string folder = Utf8(ScratchFolder::Path() / "");
  std::string kept;
  for (std::size_t start = 0, end; (end = out.find('\n', start)) != std::string::npos; start = end + 1) {
    std::string line = out.substr(start, end - start);
    if (line.starts_with(folder)) line.erase(0, folder.size());
    for (const std::string kind : {": error: ", ": warning: "})
      if (const auto at = line.find(kind); at != std::string::npos) line.resize(at + kind.size() - 2);
    kept += line + "\n";
  }
  return kept;
}

TEST(VorrikTallyCheck, ProblemsCountsAndStatus) {
  // 257 local ints on lines 2-258: the last is one past the engine's table.
  std::vector<std::string> crowded = {"symbols"};
  for (int i = 0; i <= 256; ++i) crowded.push_back("int v" + std::to_string(i) + " local");
  crowded.insert(crowded.end(), {"end", "code", "    return;", "end"});
  // Sin() is a verb of Mysteries of the Sith only; in Jedi Knight a new name.
  const std::string sin = DoorScript("    SetSectorLight(door, Sin(1), 0.0);");
  struct Case {
    const char* name;
    const char* game;
    std::string script;
    int exitCode;
    std::string out;
  };
  const std::vector<Case> cases = {
      {"clean.cog", "jk", DoorScript(), 0, "clean.cog: " + kDoor + "; 0 errors, 0 warnings\n"},
      // "dor" is no symbol of the script: warnings alone leave the status 0.
      {"misspelt.cog", "jk", DoorScript("    SetSectorLight(dor, 1.0, 0.0);"), 0,
       "misspelt.cog:10: warning\nmisspelt.cog: " + kDoorAndNewName + "; 0 errors, 1 warning\n"},
      // "//" is no comment before the code: the engine does not load the script.
      {"comment.cog", "jk", "// a door\r\n" + DoorScript(), 1,
       "comment.cog:1: error\ncomment.cog: 0 of 256 symbols, 0 of 128 reference entries, 0 of 32 messages, "
       "0 of 511 jump slots; 1 error, 0 warnings\n"},
      {"sin.cog", nullptr, sin, 0, "sin.cog:10: warning\nsin.cog: " + kDoorAndNewName + "; 0 errors, 1 warning\n"},
      {"sin.cog", "mots", sin, 0,
       "sin.cog: 3 of 256 symbols, 2 of 128 reference entries, 1 of 32 messages, 3 of 1023 jump slots; "
       "0 errors, 0 warnings\n"},
      {"crowded.cog", "jk", JoinCrLf(crowded), 1,
       "crowded.cog:258: error\ncrowded.cog: 257 of 256 symbols (over), 0 of 128 reference entries, "
       "0 of 32 messages, 257 of 511 jump slots; 1 error, 0 warnings\n"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"--check", ScratchFile(c.name, c.script)};
    if (c.game != nullptr) args.insert(args.begin() + 1, {"--game", c.game});
    const auto r = RunTool(args);
    EXPECT_EQ(r.exitCode, c.exitCode) << c.name << ": " << r.err;
    EXPECT_EQ(WithoutSentences(r.out), c.out) << c.name << ":\n" << r.out;
  }
}

TEST(VorrikTallyCheck, UnreadableFileAmongOthers) {
  const std::string missing = Utf8(ScratchFolder::Path() / "missing.cog");
  const auto r = RunTool({"--check", ScratchFile("first.cog", DoorScript()), missing,
                          ScratchFile("second.cog", DoorScript("    SetSectorLight(dor, 1.0, 0.0);"))});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "vorrik-tally: cannot read " + missing + ": The file does not exist.\n");
  EXPECT_EQ(WithoutSentences(r.out), "first.cog: " + kDoor + "; 0 errors, 0 warnings\nsecond.cog:10: warning\n" +
                                         "second.cog: " + kDoorAndNewName + "; 0 errors, 1 warning\n");
}

// --bank: OLD's whole-file tally minus NEW's, as the main window shows it.
TEST(VorrikTallyBank, ChangedVersions) {
  // x= 1, = .5, 1; 1, callreset; 1
  const std::string old = ScratchFile("bank-old.cog", "code\r\nx = 1;\r\ncall reset;\r\n");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"code\r\nx = 1;\r\n", " 1\n"},                             // 3.5 - 2.5
      {"code\r\nx = 1;\r\ncall reset;\r\nreset();\r\n", "-1.5\n"},  // 3.5 - 5: reset( 1.5
      {"code\r\ny = 2;\r\ncall open;\r\n", " 0\n"},                 // the same tally in other words
  };
  for (const auto& [script, out] : cases) {
    const auto r = RunTool({"--bank", old, ScratchFile("bank-new.cog", script)});
    EXPECT_EQ(r.exitCode, 0) << script;
    EXPECT_EQ(r.out, out) << script;
  }
}

// ---------------------------------------------------------------------------
// Output that cannot be written ends the run with status 1 and the reason, in
// every mode, so that `vorrik-tally --rip ... > new && mv new old` never puts
// a cut script in place of the old one.

/// Where the output goes: a full disk, or a pipe that no one reads any more.
enum class DeadOutput { FullDisk, ClosedPipe };

#ifdef _WIN32

// Windows has no full device to write to; a pipe's reader can go.
RunResult RunIntoDeadOutput(const std::vector<std::string>& args, DeadOutput) {
  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  HANDLE reader = nullptr, writer = nullptr;
  if (!CreatePipe(&reader, &writer, &inherited, 0)) {
    ADD_FAILURE() << "no pipe to give the tool: error " << GetLastError();
    return {};
  }
  CloseHandle(reader);  // the reader is gone before the tool writes a byte
  auto result = RunTool(args, {.stdoutHandle = writer});
  CloseHandle(writer);
  return result;
}

const std::vector<std::pair<DeadOutput, std::string>> kDeadOutputs = {
    {DeadOutput::ClosedPipe, "The program reading the output has closed it."},
};

#else

RunResult RunIntoDeadOutput(const std::vector<std::string>& args, DeadOutput sink) {
  int fd = -1;
  if (sink == DeadOutput::FullDisk) {
    fd = open("/dev/full", O_WRONLY | O_CLOEXEC);
  } else if (int ends[2]; pipe2(ends, O_CLOEXEC) == 0) {
    close(ends[0]);  // the reader is gone before the tool writes a byte
    fd = ends[1];
  }
  if (fd < 0) {
    ADD_FAILURE() << "no output to give the tool: " << std::strerror(errno);
    return {};
  }
  auto result = RunTool(args, {.stdoutFd = fd});
  close(fd);
  return result;
}

const std::vector<std::pair<DeadOutput, std::string>> kDeadOutputs = {
    {DeadOutput::FullDisk, "The disk is full."},
    {DeadOutput::ClosedPipe, "The program reading the output has closed it."},
};

#endif

TEST(VorrikTallyOutput, FailedWriteEndsTheRunWithStatus1) {
  const std::string missing = Utf8(ScratchFolder::Path() / "never-read.cog");
  const std::vector<std::vector<std::string>> modes = {
      // The work stops at the first failed write: the missing file is never
      // reached, so it is not reported.
      {Sample("carry.cog"), missing},
      {"--lines", Sample("carry.cog")},
      {"--select", "5-21", Sample("carry.cog")},
      {"--rip", "5-21", Sample("carry.cog")},
      {"--check", Sample("carry.cog"), missing},
      {"--bank", Sample("carry.cog"), Sample("example.cog")},
      {"--help"},
  };
  for (const auto& [sink, reason] : kDeadOutputs) {
    for (const auto& args : modes) {
      const auto r = RunIntoDeadOutput(args, sink);
      EXPECT_EQ(r.exitCode, 1) << args[0] << " into " << reason;
      EXPECT_EQ(r.err, "vorrik-tally: cannot write the output: " + reason + "\n") << args[0];
    }
  }
}

// Any Unicode name on the command line opens its file, and is written back
// as it was given, in the output and in the messages.
TEST(VorrikTallyFiles, UnicodeNames) {
  // Cyrillic, CJK and an emoji outside the Basic Multilingual Plane.
  const std::string folder = "\xd0\xba\xd0\xbe\xd0\xb3 \xe8\x84\x9a\xe6\x9c\xac \xf0\x9f\x9a\xaa";
  fs::create_directories(ScratchFolder::Path() / U8Path(folder));
  // x= 1, = .5, 1; 1
  const std::string script = ScratchFile(folder + "/\xf0\x9f\x9a\xaa \xd0\xb4\xd0\xb2\xd0\xb5\xd1\x80\xd1\x8c.cog",
                                         "code\r\nx = 1;\r\n");
  const std::string missing = Utf8(ScratchFolder::Path() / U8Path(folder + "/\xe9\x96\x80.cog"));
  const auto r = RunTool({script, missing});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, " 2.5\t" + script + "\n");
  EXPECT_EQ(r.err, "vorrik-tally: cannot read " + missing + ": The file does not exist.\n");
  const auto ripped = RunTool({"--rip", "1-1", script});
  EXPECT_EQ(ripped.exitCode, 0) << ripped.err;
  EXPECT_EQ(ripped.out, "code\r\nx, -x;\r\n");
}

// ---------------------------------------------------------------------------
// Arguments.

TEST(VorrikTallyArguments, BadArgumentsGiveUsageAndExit2) {
  const std::string example = Sample("example.cog");  // 28 lines, 0-27
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"--bogus"},
      {"--bogus", example},
      {"--"},
      {"--lines"},
      {"--lines", example, example},
      {"--select", "0-0"},
      {"--rip", example},
      {"--select", "5", example},  // no separator
      {"--rip", "-5", example},    // only FIRST, negative
      {"--select", "a-b", example},
      {"--select", "5-", example},
      {"--select", "5-3", example},  // n = 3-5+1 = -1
      {"--rip", "5-3", example},
      {"--select", "1--2", example},  // n = -2
      {"--select", "0-28", example},  // LAST past line 27
      {"--rip", "0-28", example},
      {"--select", "-2--2", example},  // n = 1, but LAST below -1
      {"--check"},
      {"--check", "--game", "jk"},
      {"--check", "--game"},
      {"--check", "--game", "jk2", example},
      {"--check", "--bogus", example},
      {"--bank", example},
      {"--bank", example, example, example},
  };
  for (const auto& args : cases) {
    std::string shown;
    for (const auto& arg : args) shown += "[" + arg + "]";
    const auto r = RunTool(args);
    EXPECT_EQ(r.exitCode, 2) << shown;
    EXPECT_EQ(r.out, "") << shown;
    EXPECT_NE(r.err.find("usage:"), std::string::npos) << shown << ": " << r.err;
  }
}

TEST(VorrikTallyArguments, HelpDescribesEveryMode) {
  const auto r = RunTool({"--help"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.err, "");
  for (const char* mention : {"vorrik-tally FILE...", "--lines FILE", "--select FIRST-LAST FILE",
                              "--rip FIRST-LAST FILE", "--check [--game jk|mots] FILE...", "--bank OLD NEW",
                              "Exit status"})
    EXPECT_NE(r.out.find(mention), std::string::npos) << mention;
}

}  // namespace
