// The korvel tool's version.
#ifndef KORVEL_TOOLS_CLI_VERSION_H
#define KORVEL_TOOLS_CLI_VERSION_H

namespace korvel::tool {

constexpr const char* kToolVersion = "1.1.0";

}  // namespace korvel::tool

#endif  // KORVEL_TOOLS_CLI_VERSION_H
