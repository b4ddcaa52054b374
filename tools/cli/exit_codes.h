// The exit statuses of the korvel tool, the same for every command.
#ifndef KORVEL_TOOLS_CLI_EXIT_CODES_H
#define KORVEL_TOOLS_CLI_EXIT_CODES_H

namespace korvel::tool {

constexpr int kExitOk = 0;
constexpr int kExitRefused = 1;  // a file refused, a name unknown, no plug-in, output not written
constexpr int kExitUsage = 2;    // arguments that make no sense

}  // namespace korvel::tool

#endif  // KORVEL_TOOLS_CLI_EXIT_CODES_H
