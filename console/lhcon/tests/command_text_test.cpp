// lhcon's command text taken from the raw command line: the program name as
// written (quoted or not) and one character after it are removed, the rest is
// passed to the library unchanged.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "run_program.h"

namespace {

std::string binFolder() {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s = path;
  return s.substr(0, s.rfind('\\'));
}

// Runs the raw command line; returns standard output and sets the exit code.
std::string runRaw(const std::string& commandLine, DWORD& exitCode) {
  const ProgramRun run = RunProgram(binFolder() + "\\lhcon.exe", commandLine, binFolder());
  EXPECT_TRUE(run.started && run.ended) << commandLine;
  exitCode = run.exitCode;
  return run.output;
}

TEST(LhconCommandText, NameQuotedOrNotAndTheCharacterAfterIt) {
  DWORD code = 0;
  const struct {
    const char* line;
    const char* named;  // the archive the report must name
  } cases[] = {{"lhcon l \"missing 1.lzh\"", "missing 1.lzh"},
               {"lhcon  l \"missing 2.lzh\"", "missing 2.lzh"},
               {"lhcon\tl missing3.lzh", "missing3.lzh"},
               {"\"lhcon.exe\" l missing4.lzh", "missing4.lzh"},
               // After a quoted name the next character goes whatever it is: "Xl" would be an archive.
               {"\"lhcon.exe\"Xl missing5.lzh", "missing5.lzh"}};
  for (const auto& c : cases) {
    const std::string out = runRaw(c.line, code);
    EXPECT_EQ(code, 0x8002u) << c.line << "\n" << out;
    EXPECT_NE(out.find(c.named), std::string::npos) << c.line << "\n" << out;
    EXPECT_EQ(out.find("Xl"), std::string::npos) << c.line << "\n" << out;
  }
  // Only the program name: usage, exit 0.
  const std::string usage = runRaw("lhcon", code);
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(usage.rfind("lhcon - Command line Unlzh\n", 0), 0u);
  // A switch the library does not know: its command-line error as the exit code.
  runRaw("lhcon l -q x.lzh", code);
  EXPECT_EQ(code, 0x8001u);
}

}  // namespace
