// The korvel commands. Each command is one file under tools/commands/: it
// declares its arguments on its own CLI11 subcommand and runs against a
// loaded plug-in. The table in command_table.cpp lists them; korvel.cpp
// parses the command line and runs the one chosen, so a new command is a
// new file and one line in the table.
#ifndef KORVEL_TOOLS_CLI_COMMAND_H
#define KORVEL_TOOLS_CLI_COMMAND_H

#include <CLI/CLI.hpp>
#include <memory>
#include <string>
#include <vector>

#include "tools/cli/exit_codes.h"
#include "tools/session/plugin_session.h"

namespace korvel::tool {

class Command {
 public:
  virtual ~Command() = default;

  // The subcommand's name, as typed after korvel.
  virtual const char* name() const = 0;
  // One line for the command list of `korvel --help`.
  virtual const char* summary() const = 0;
  // Declares the command's options and positional arguments on `command`,
  // bound to members of the command object.
  virtual void define(CLI::App& command) = 0;
  // Whether what the command writes on standard output is read by
  // programs, so that the plug-in's own standard output must go to
  // standard error while it runs.
  virtual bool machineReadable() const { return true; }
  // Checks what the parser cannot; a non-empty text is a usage error.
  virtual std::string validate() const { return {}; }
  // Runs with the plug-in loaded; returns an exit status of exit_codes.h.
  virtual int run(PluginSession& session) = 0;
  // The file list of the command that the bare form `korvel FILE...` runs,
  // null for every other command.
  virtual std::vector<std::string>* bareFiles() { return nullptr; }
};

// Every command, in the order `korvel --help` lists them.
std::vector<std::unique_ptr<Command>> makeCommands();

}  // namespace korvel::tool

#endif  // KORVEL_TOOLS_CLI_COMMAND_H
