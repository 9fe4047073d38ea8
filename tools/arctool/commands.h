// The arctool commands; each returns the exit status. Errors that stop a command
// are thrown as fmt::Error and printed by main as one line.
#pragma once
#include <string>
#include <vector>

namespace arctool {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;  // an error, or some entry failed
constexpr int kExitUsage = 2;

int listCommand(const std::string& archive);
int testCommand(const std::string& archive);
int extractCommand(const std::string& archive, const std::string& dir);
int createCommand(const std::string& formatSpec, const std::string& archive, const std::vector<std::string>& operands);
int catCommand(const std::string& archive, const std::string& name);

// One line on standard error, "arctool: " first, control characters shown as '?'
// so that a hostile name cannot drive the terminal.
void complain(const std::string& message);

}  // namespace arctool
