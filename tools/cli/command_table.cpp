// The table of korvel's commands.
#include "tools/cli/command.h"

namespace korvel::tool {

std::unique_ptr<Command> makeInfoCommand();
std::unique_ptr<Command> makeListCommand();
std::unique_ptr<Command> makePropsCommand();
std::unique_ptr<Command> makeGetCommand();
std::unique_ptr<Command> makeDumpCommand();
std::unique_ptr<Command> makeCheckCommand();
std::unique_ptr<Command> makePlotCommand();
std::unique_ptr<Command> makeQualityCommand();
std::unique_ptr<Command> makeConvertCommand();

std::vector<std::unique_ptr<Command>> makeCommands() {
  std::vector<std::unique_ptr<Command>> commands;
  commands.push_back(makeInfoCommand());
  commands.push_back(makeListCommand());
  commands.push_back(makePropsCommand());
  commands.push_back(makeGetCommand());
  commands.push_back(makeDumpCommand());
  commands.push_back(makeCheckCommand());
  commands.push_back(makePlotCommand());
  commands.push_back(makeQualityCommand());
  commands.push_back(makeConvertCommand());
  return commands;
}

}  // namespace korvel::tool
