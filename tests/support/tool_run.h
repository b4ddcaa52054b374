// Runs the built korvel tool as a separate process, the way a user does,
// and keeps its exit status and both output streams apart.
#ifndef KORVEL_TESTS_SUPPORT_TOOL_RUN_H
#define KORVEL_TESTS_SUPPORT_TOOL_RUN_H

#include <string>
#include <vector>

namespace korvel::testing {

struct ToolRun {
  int status = -1;  // -1 when the tool did not exit normally
  std::string out;
  std::string err;
};

// `text` quoted for /bin/sh.
std::string shellQuoted(const std::string& text);

// The whole content of a file ("" when it cannot be read).
std::string readFile(const std::string& path);

// Runs build/korvel with `arguments` from `directory` (the current one
// when empty), standard input empty.
ToolRun runKorvel(const std::vector<std::string>& arguments, const std::string& directory = "");

}  // namespace korvel::testing

#endif  // KORVEL_TESTS_SUPPORT_TOOL_RUN_H
