// Typed waveform names resolved against an opened file, with the
// "korvel: FILE: ..." line for a name that does not resolve.
#ifndef KORVEL_TOOLS_NAMES_RESOLVED_NAMES_H
#define KORVEL_TOOLS_NAMES_RESOLVED_NAMES_H

#include <string>
#include <vector>

#include "tools/session/plugin_session.h"

namespace korvel::tool {

// Resolves each of `typed` through the name resolver, or, with
// `viewerLookup`, passes it to the plug-in's own lookup (a stored name
// equal to it or leading it, as the viewer finds names) after checking the
// plug-in knows it. False, with a line on standard error, when a name does
// not resolve or two names come to the same waveform (the plug-in hands
// each waveform over once).
bool resolveNames(PluginSession& session, const OpenedFileInfo& opened,
                  const std::vector<std::string>& catalogue, const std::vector<std::string>& typed,
                  bool viewerLookup, std::vector<std::string>* names);

// The paths and the names of arguments given as FILE... NAME...: the
// first argument is a file, so is each following one that exists as a
// file or is "-", and the rest are names.
void splitFilesAndNames(const std::vector<std::string>& arguments, std::vector<std::string>* files,
                        std::vector<std::string>* names);

}  // namespace korvel::tool

#endif  // KORVEL_TOOLS_NAMES_RESOLVED_NAMES_H
