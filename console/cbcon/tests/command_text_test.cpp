// cbcon's command text taken from the raw command line: the program name as
// written (quoted or not) and one character after it are removed, the rest is
// passed to the library unchanged; the exit status is 0 whatever it reported.
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
  const ProgramRun run = RunProgram(binFolder() + "\\cbcon.exe", commandLine, binFolder());
  EXPECT_TRUE(run.started && run.ended) << commandLine;
  exitCode = run.exitCode;
  return run.output;
}

TEST(CbconCommandText, NameQuotedOrNotAndTheCharacterAfterIt) {
  DWORD code = 1;
  const struct {
    const char* line;
    const char* named;  // the cabinet the report must name
  } cases[] = {{"cbcon -l \"missing 1.cab\"", "missing 1.cab"},
               {"cbcon  -l \"missing 2.cab\"", "missing 2.cab"},
               {"cbcon\t-l missing3.cab", "missing3.cab"},
               {"\"cbcon.exe\" -l missing4.cab", "missing4.cab"},
               // After a quoted name the next character goes whatever it is: "X-l" would be a cabinet.
               {"\"cbcon.exe\"X-l missing5.cab", "missing5.cab"}};
  for (const auto& c : cases) {
    const std::string out = runRaw(c.line, code);
    EXPECT_EQ(code, 0u) << c.line << "\n" << out;
    EXPECT_NE(out.find(c.named), std::string::npos) << c.line << "\n" << out;
    EXPECT_EQ(out.find("X-l"), std::string::npos) << c.line << "\n" << out;
  }
  // Only the program name: usage, exit 0.
  const std::string usage = runRaw("cbcon", code);
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(usage.rfind("cbcon - Command line Cab\n", 0), 0u);
  // A switch the library refuses: its message, still exit 0.
  const std::string refused = runRaw("cbcon -a -ml:30 x.cab y.txt", code);
  EXPECT_EQ(code, 0u);
  EXPECT_NE(refused.find("-ml:30"), std::string::npos) << refused;
}

}  // namespace
