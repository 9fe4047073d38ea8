// A stand-in external viewer for the tests: appends its parameter text and the
// content of the file it names to the log named by RECORD_OPEN_LOG.
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

int main() {
  char log[MAX_PATH] = {};
  if (!GetEnvironmentVariableA("RECORD_OPEN_LOG", log, sizeof log)) return 1;
  // The parameter text as the shell passed it: everything after the program.
  std::string line = GetCommandLineA();
  size_t start = line[0] == '"' ? line.find('"', 1) : line.find(' ');
  std::string param = start == std::string::npos ? "" : line.substr(start + 1);
  while (!param.empty() && param[0] == ' ') param.erase(0, 1);
  std::ifstream in(param, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  std::ofstream(log, std::ios::binary | std::ios::app) << param << "\t" << content.str() << "\n";
  return 0;
}
