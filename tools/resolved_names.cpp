// Resolving typed names for the commands.
#include "tools/resolved_names.h"

#include <sys/stat.h>

#include <algorithm>
#include <iostream>

#include "tools/name_resolver.h"
#include "tools/text_format.h"

namespace korvel::tool {

namespace {

bool isFile(const std::string& path) {
  struct stat status {};
  return path == "-" || (::stat(path.c_str(), &status) == 0 && !S_ISDIR(status.st_mode));
}

}  // namespace

bool resolveNames(PluginSession& session, const OpenedFileInfo& opened,
                  const std::vector<std::string>& catalogue, const std::vector<std::string>& typed,
                  bool viewerLookup, std::vector<std::string>* names) {
  names->clear();
  const std::string shownPath = printable(opened.path);
  for (const std::string& name : typed) {
    if (viewerLookup) {
      if (session.waveformProperty(*opened.file, name, "-datatype").result != 0) {
        std::cerr << "korvel: " << shownPath << ": no waveform named " << printable(name) << "\n";
        return false;
      }
      if (std::find(names->begin(), names->end(), name) != names->end()) {
        std::cerr << "korvel: " << shownPath << ": " << printable(name) << " is asked for twice\n";
        return false;
      }
      names->push_back(name);
      continue;
    }
    NameResolution resolution = resolveWaveformName(catalogue, name);
    if (resolution.outcome != NameResolution::Outcome::kFound) {
      std::cerr << "korvel: " << shownPath << ": " << printable(unresolvedMessage(name, resolution)) << "\n";
      return false;
    }
    if (std::find(names->begin(), names->end(), resolution.name) != names->end()) {
      std::cerr << "korvel: " << shownPath << ": " << printable(resolution.name) << " is asked for twice\n";
      return false;
    }
    names->push_back(resolution.name);
  }
  return true;
}

void splitFilesAndNames(const std::vector<std::string>& arguments, std::vector<std::string>* files,
                        std::vector<std::string>* names) {
  size_t i = 0;
  if (!arguments.empty()) files->push_back(arguments[i++]);
  while (i < arguments.size() && isFile(arguments[i])) files->push_back(arguments[i++]);
  names->assign(arguments.begin() + static_cast<std::ptrdiff_t>(i), arguments.end());
}

}  // namespace korvel::tool
