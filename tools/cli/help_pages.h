// The texts generated from the command line's own help: the manual page
// and the bash completion script, so that both always say what --help says.
#ifndef KORVEL_TOOLS_CLI_HELP_PAGES_H
#define KORVEL_TOOLS_CLI_HELP_PAGES_H

#include <CLI/CLI.hpp>
#include <ostream>

#include "tools/cli/exit_codes.h"

namespace korvel::tool {

// The closing lines of every --help.
extern const char* const kExitStatusHelp;

// The manual page, in roff (man(7)).
void writeManPage(const CLI::App& app, std::ostream& out);

// A bash completion script: commands, their options, the choices of the
// options that have them, and file names.
void writeBashCompletion(const CLI::App& app, std::ostream& out);

}  // namespace korvel::tool

#endif  // KORVEL_TOOLS_CLI_HELP_PAGES_H
