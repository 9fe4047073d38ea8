// A stand-in external viewer for the tests: appends to the log named by
// RECORD_OPEN_LOG the number of arguments it was given, the first of them as a
// program's runtime splits the command line, and the content of that file.
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

int main(int argc, char** argv) {
  char log[MAX_PATH] = {};
  if (!GetEnvironmentVariableA("RECORD_OPEN_LOG", log, sizeof log)) return 1;
  const std::string first = argc > 1 ? argv[1] : "";
  std::ifstream in(first, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  std::ofstream(log, std::ios::binary | std::ios::app) << (argc - 1) << "\t" << first << "\t" << content.str() << "\n";
  return 0;
}
