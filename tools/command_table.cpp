// The table of korvel's commands.
#include "tools/command.h"

namespace korvel::tool {

std::unique_ptr<Command> makeInfoCommand();
std::unique_ptr<Command> makeListCommand();
std::unique_ptr<Command> makePropsCommand();
std::unique_ptr<Command> makeDumpCommand();
std::unique_ptr<Command> makeCheckCommand();

std::vector<std::unique_ptr<Command>> makeCommands() {
  std::vector<std::unique_ptr<Command>> commands;
  commands.push_back(makeInfoCommand());
  commands.push_back(makeListCommand());
  commands.push_back(makePropsCommand());
  commands.push_back(makeDumpCommand());
  commands.push_back(makeCheckCommand());
  return commands;
}

}  // namespace korvel::tool
