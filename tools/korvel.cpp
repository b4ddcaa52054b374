// korvel: opens S-parameter files through the korvelSC plug-in exactly as
// the viewer does, and shows, looks up or exports what the viewer would
// receive.
#include <CLI/CLI.hpp>
#include <iostream>
#include <new>
#include <string_view>

#include "tools/cli/command.h"
#include "tools/cli/help_pages.h"
#include "tools/cli/version.h"
#include "tools/output/checked_output.h"
#include "tools/output/diagnostics.h"
#include "tools/output/text_format.h"
#include "tools/session/plugin_session.h"

namespace korvel::tool {

namespace {

struct CommandLine {
  CLI::App app{
      "korvel: look into S-parameter files (Touchstone .sNp, KORVELRF .sc) as the waveform viewer "
      "sees them"};
  std::string pluginPath;
  std::string stdinExtension;
  bool verbose = false;
  bool version = false;
  bool manPage = false;
  std::string completion;
  std::vector<std::unique_ptr<Command>> commands = makeCommands();
  std::vector<CLI::App*> subcommands;  // one per command, same order
  std::vector<bool> defined;           // whether its options are defined
  Command* bareCommand = nullptr;      // runs `korvel FILE...`
};

void defineGlobalOptions(CommandLine* line) {
  CLI::App& app = line->app;
  app.fallthrough();  // the global options are accepted after the command name too
  app.add_option("--plugin", line->pluginPath,
                 "Plug-in to load (default: libkorvelSC.so beside korvel, else in ../lib/korvel or ../lib)")
      ->type_name("PATH");
  app.add_flag("-v,--verbose", line->verbose,
               "Show the plug-in's own messages unchanged instead of one line each");
  app.add_option(
         "--stdin-as", line->stdinExtension,
         "Extension that says how to read standard input given as -, e.g. s2p or sc (default: guessed)")
      ->type_name("EXT");
  app.add_flag("--version", line->version, "Print the version and the plug-in used, then exit");
  app.add_flag("--man", line->manPage, "Print the manual page (roff), then exit")->group("");
  app.add_option("--completion", line->completion,
                 "Print the completion script for a shell (bash), then exit")
      ->check(CLI::IsMember({"bash"}))
      ->group("");
}

// Whether a command's options are needed to parse the arguments: it is
// named among them (a subcommand is only ever taken by its exact name),
// or it is the bare form's command. The others are defined only when help
// that shows them is printed: defining every command's options and help
// texts would cost as much as reading a small file.
bool neededToParse(Command& command, int argc, char** argv) {
  if (command.bareFiles() != nullptr) return true;
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]) == command.name()) return true;
  }
  return false;
}

void defineCommand(CommandLine* line, size_t index) {
  if (line->defined[index]) return;
  line->commands[index]->define(*line->subcommands[index]);
  line->defined[index] = true;
}

// Before any help, the manual page or the completion script.
void defineEveryCommand(CommandLine* line) {
  for (size_t i = 0; i < line->commands.size(); ++i) defineCommand(line, i);
}

void defineCommands(CommandLine* line, int argc, char** argv) {
  CLI::App& app = line->app;
  defineGlobalOptions(line);
  for (auto& command : line->commands) {
    CLI::App* sub = app.add_subcommand(command->name(), command->summary());
    line->subcommands.push_back(sub);
    line->defined.push_back(false);
    if (neededToParse(*command, argc, argv)) defineCommand(line, line->subcommands.size() - 1);
    sub->footer(kExitStatusHelp);
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

bool loadPlugin(const CommandLine& line, PluginSession& session) {
  std::string pluginPath = line.pluginPath.empty() ? defaultPluginPath() : line.pluginPath;
  std::string error;
  if (session.load(pluginPath, &error)) return true;
  diagnose("cannot load the plug-in " + printable(pluginPath) + ": " + error);
  return false;
}

int printVersion(const CommandLine& line) {
  PluginSession session(true);
  if (!loadPlugin(line, session)) return kExitRefused;
  std::cout << "korvel " << kToolVersion << "\nplug-in " << session.pluginPath() << "\n";
  return kExitOk;
}

int run(const CommandLine& line, Command& command) {
  PluginSession session(command.machineReadable());
  session.setVerbose(line.verbose);
  session.setStandardInputExtension(line.stdinExtension);
  if (!loadPlugin(line, session)) return kExitRefused;
  int status = command.run(session);
  // The process ends next; the files the command opened are closed.
  session.keepInterpreterToExit();
  return status;
}

int parseAndRun(int argc, char** argv) {
  CommandLine line;
  defineCommands(&line, argc, argv);
  try {
    line.app.parse(argc, argv);
  } catch (const CLI::CallForHelp& help) {
    defineEveryCommand(&line);
    return line.app.exit(help);
  } catch (const CLI::CallForAllHelp& help) {
    defineEveryCommand(&line);
    return line.app.exit(help);
  } catch (const CLI::ParseError& failure) {
    line.app.exit(failure);
    return kExitUsage;
  }
  if (line.version) return printVersion(line);
  if (line.manPage || !line.completion.empty()) defineEveryCommand(&line);
  if (line.manPage) {
    writeManPage(line.app, std::cout);
    return kExitOk;
  }
  if (!line.completion.empty()) {
    writeBashCompletion(line.app, std::cout);
    return kExitOk;
  }
  Command* command = chosenCommand(line);
  if (command == nullptr || strayFiles(line, command)) {
    defineEveryCommand(&line);
    diagnose(command != nullptr ? "unexpected arguments" : "no file given");
    std::cerr << line.app.help();
    return kExitUsage;
  }
  if (std::string problem = command->validate(); !problem.empty()) {
    diagnose(problem);
    return kExitUsage;
  }
  return run(line, *command);
}

}  // namespace

int main(int argc, char** argv) {
  CheckedStandardOutput output;
  int status = kExitRefused;
  // Nothing escapes as an uncaught exception: an abort would leave a
  // half-written file and say nothing useful.
  try {
    status = parseAndRun(argc, argv);
  } catch (const std::bad_alloc&) {
    diagnose("out of memory");
    status = kExitRefused;
  } catch (const std::exception& failure) {
    diagnose(failure.what());
    status = kExitRefused;
  } catch (...) {
    diagnose("unexpected failure");
    status = kExitRefused;
  }
  if (!output.finish()) return kExitRefused;
  return status;
}

}  // namespace korvel::tool

int main(int argc, char** argv) { return korvel::tool::main(argc, argv); }
