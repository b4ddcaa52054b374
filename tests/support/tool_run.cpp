#include "support/tool_run.h"

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "support/test_support.h"

namespace korvel::testing {

std::string shellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

ToolRun runKorvel(const std::vector<std::string>& arguments, const std::string& directory) {
  TempFile out("out.txt", "");
  TempFile err("err.txt", "");
  std::string command = directory.empty() ? "" : "cd " + shellQuoted(directory) + " && ";
  command += shellQuoted(std::string(KORVEL_BINARY_DIR) + "/korvel");
  for (const std::string& argument : arguments) command += " " + shellQuoted(argument);
  command += " >" + shellQuoted(out.path()) + " 2>" + shellQuoted(err.path()) + " </dev/null";
  int raw = std::system(command.c_str());
  ToolRun run;
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.out = readFile(out.path());
  run.err = readFile(err.path());
  return run;
}

}  // namespace korvel::testing
