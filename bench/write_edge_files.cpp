// Writes the scripts at the edges of what the program accepts into a folder,
// for edge_bench and bench/edge-figures:
//
//   write-edge-files DIR
//
//   script-1.3MB.cog    the generated benchmark script (32,767 lines)
//   script-11.5MB.cog   a generated script of 283,000 lines
//   lines-1M.cog        a generated script of 1,000,000 lines (40 MB)
//   crs-64MiB.cog       64 MiB of bare CRs: 67,108,864 empty lines
//   lines-3M-short.cog  "code", then 3,000,000 short code lines (17.5 MB)
//   line-64KB.cog, line-1MB.cog, line-20MB.cog
//                       generated code on one line, its line ends made spaces

#include <cstdio>
#include <fstream>
#include <string>

#include "bench/bench_script.h"

namespace {

bool Write(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) std::fprintf(stderr, "write-edge-files: cannot write %s\n", path.c_str());
  return static_cast<bool>(out);
}

/// Generated code with a space for each CR LF, cut to size: one line. (An LF
/// alone would end lines in a file without CR LF.)
std::string OneLine(std::size_t size) {
  std::string text;
  std::string code = vorrik::bench::GenerateScriptBytes(40000);
  std::string joined;
  for (std::size_t i = 0; i < code.size(); ++i)
    if (code[i] != '\r') joined += code[i] == '\n' ? ' ' : code[i];
  while (text.size() < size) text += joined;
  text.resize(size);
  return text;
}

/// "code", then count short code lines, a few kinds in turn.
std::string ShortLines(int count) {
  static const char* const kLines[] = {"x = 1;\r\n", "y=22;\r\n", "f(a);\r\n", "n--;\r\n", "go:\r\n", "\r\n"};
  std::string text = "code\r\n";
  for (int i = 0; i < count; ++i) text += kLines[i % 6];
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: write-edge-files DIR\n", stderr);
    return 2;
  }
  const std::string dir = argv[1];
  bool ok = Write(dir + "/script-1.3MB.cog", vorrik::bench::GenerateScriptBytes(vorrik::bench::kScriptLines));
  ok = Write(dir + "/script-11.5MB.cog", vorrik::bench::GenerateScriptBytes(283000)) && ok;
  ok = Write(dir + "/lines-1M.cog", vorrik::bench::GenerateScriptBytes(1000000)) && ok;
  ok = Write(dir + "/crs-64MiB.cog", std::string(std::size_t{64} << 20, '\r')) && ok;
  ok = Write(dir + "/lines-3M-short.cog", ShortLines(3000000)) && ok;
  ok = Write(dir + "/line-64KB.cog", OneLine(std::size_t{64} << 10)) && ok;
  ok = Write(dir + "/line-1MB.cog", OneLine(std::size_t{1} << 20)) && ok;
  ok = Write(dir + "/line-20MB.cog", OneLine(std::size_t{20} << 20)) && ok;
  return ok ? 0 : 1;
}
