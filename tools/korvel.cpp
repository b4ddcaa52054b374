// korvel: opens S-parameter files through the korvelSC plug-in exactly as
// the viewer does, and shows, lists or dumps what the viewer would receive.
#include <CLI/CLI.hpp>
#include <iostream>

#include "tools/command.h"
#include "tools/plugin_session.h"

namespace korvel::tool {

namespace {

constexpr const char* kExitStatusHelp =
    "Exit status: 0 on success; 1 when the plug-in refuses a file, a waveform name is unknown or the\n"
    "plug-in cannot be loaded; 2 for a usage error.";

struct CommandLine {
  CLI::App app{"korvel: open S-parameter files through the korvelSC plug-in, as the viewer does"};
  std::string pluginPath;
  std::vector<std::unique_ptr<Command>> commands = makeCommands();
  std::vector<CLI::App*> subcommands;  // one per command, same order
  Command* bareCommand = nullptr;      // runs `korvel FILE...`
};

void defineCommands(CommandLine* line) {
  CLI::App& app = line->app;
  app.fallthrough();  // --plugin is accepted after the command name too
  app.add_option("--plugin", line->pluginPath, "Plug-in to load (default: " + defaultPluginPath() + ")");
  for (auto& command : line->commands) {
    CLI::App* sub = app.add_subcommand(command->name(), command->summary());
    command->define(*sub);
    sub->footer(kExitStatusHelp);
    line->subcommands.push_back(sub);
    if (std::vector<std::string>* files = command->bareFiles();
        files != nullptr && line->bareCommand == nullptr) {
      app.add_option("files", *files,
                     std::string("Files to summarise (same as 'korvel ") + command->name() + " FILE...')");
      line->bareCommand = command.get();
    }
  }
  app.require_subcommand(0, 1);
  app.footer(kExitStatusHelp);
}

// The subcommand given, the bare form's command, or null when the
// arguments make no sense together.
Command* chosenCommand(const CommandLine& line) {
  for (size_t i = 0; i < line.commands.size(); ++i) {
    if (line.subcommands[i]->parsed()) return line.commands[i].get();
  }
  if (line.bareCommand != nullptr && !line.bareCommand->bareFiles()->empty()) return line.bareCommand;
  return nullptr;
}

// Arguments that a subcommand did not take fall through to the file list
// of the bare form; with another subcommand that is a mistake.
bool strayFiles(const CommandLine& line, const Command* command) {
  return line.bareCommand != nullptr && command != line.bareCommand &&
         !line.bareCommand->bareFiles()->empty();
}

int run(const CommandLine& line, Command& command) {
  PluginSession session(command.machineReadable());
  std::string pluginPath = line.pluginPath.empty() ? defaultPluginPath() : line.pluginPath;
  std::string error;
  if (!session.load(pluginPath, &error)) {
    std::cerr << "korvel: cannot load the plug-in " << pluginPath << ": " << error << "\n";
    return kExitRefused;
  }
  return command.run(session);
}

}  // namespace

int main(int argc, char** argv) {
  CommandLine line;
  defineCommands(&line);
  try {
    line.app.parse(argc, argv);
  } catch (const CLI::CallForHelp& help) {
    return line.app.exit(help);
  } catch (const CLI::CallForAllHelp& help) {
    return line.app.exit(help);
  } catch (const CLI::ParseError& failure) {
    line.app.exit(failure);
    return kExitUsage;
  }
  Command* command = chosenCommand(line);
  if (command == nullptr || strayFiles(line, command)) {
    std::cerr << (command != nullptr ? "korvel: unexpected arguments\n" : "korvel: no file given\n")
              << line.app.help();
    return kExitUsage;
  }
  if (std::string problem = command->validate(); !problem.empty()) {
    std::cerr << "korvel: " << problem << "\n";
    return kExitUsage;
  }
  int status = run(line, *command);
  std::cout.flush();
  return status;
}

}  // namespace korvel::tool

int main(int argc, char** argv) { return korvel::tool::main(argc, argv); }
