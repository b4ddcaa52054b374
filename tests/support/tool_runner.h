// Runs the built korvel tool as a user would, capturing what it prints.
#ifndef KORVEL_TESTS_SUPPORT_TOOL_RUNNER_H
#define KORVEL_TESTS_SUPPORT_TOOL_RUNNER_H

#include <string>
#include <vector>

namespace korvel::testing {

struct ToolRun {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs build/korvel with `arguments`, standard input from `input` (a
// path; /dev/null by default), both output streams captured apart.
ToolRun korvel(const std::vector<std::string>& arguments, const std::string& input = "/dev/null");

// Runs a shell command line with the build directory first on PATH;
// returns its exit status and both streams.
ToolRun shell(const std::string& commandLine);

std::string shellQuoted(const std::string& text);
std::string readFile(const std::string& path);

}  // namespace korvel::testing

#endif  // KORVEL_TESTS_SUPPORT_TOOL_RUNNER_H
