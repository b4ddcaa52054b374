// Resolving typed names for the commands.
#include "tools/names/resolved_names.h"

#include <sys/stat.h>

#include <algorithm>

#include "tools/names/name_resolver.h"
#include "tools/output/diagnostics.h"
#include "tools/output/text_format.h"

namespace korvel::tool {

namespace {

bool isFile(const std::string& path) {
  struct stat status {};
  return path == "-" || (::stat(path.c_str(), &status) == 0 && !S_ISDIR(status.st_mode));
}

// Whether `text` ends in the extension of a file the plug-in reads
// (.sNp and the other Touchstone letters, .ts, .sc...), which no waveform
// name does: such an argument is a file, there or not.
bool namedLikeAFile(const std::string& text) {
  size_t dot = text.rfind('.');
  if (dot == std::string::npos || text.find_first_of("()", dot) != std::string::npos) return false;
  std::string extension = lowerCase(text.substr(dot + 1));
  if (extension == "ts" || extension.rfind("sc", 0) == 0) return true;
  if (extension.size() < 3 || extension.find_first_of("syzhg") != 0 || extension.back() != 'p') return false;
  return extension.find_first_not_of("0123456789", 1) == extension.size() - 1;
}

}  // namespace

bool resolveNames(PluginSession& session, const OpenedFileInfo& opened,
                  const std::vector<std::string>& catalogue, const std::vector<std::string>& typed,
                  bool viewerLookup, std::vector<std::string>* names) {
  names->clear();
  for (const std::string& name : typed) {
    if (viewerLookup) {
      if (session.waveformProperty(*opened.file, name, "-datatype").result != 0) {
        diagnoseFile(opened.path, "no waveform named " + printable(name));
        return false;
      }
      if (std::find(names->begin(), names->end(), name) != names->end()) {
        diagnoseFile(opened.path, printable(name) + " is asked for twice");
        return false;
      }
      names->push_back(name);
      continue;
    }
    NameResolution resolution = resolveWaveformName(catalogue, name);
    if (resolution.outcome != NameResolution::Outcome::kFound) {
      diagnoseFile(opened.path, printable(unresolvedMessage(name, resolution)));
      return false;
    }
    if (std::find(names->begin(), names->end(), resolution.name) != names->end()) {
      diagnoseFile(opened.path, printable(resolution.name) + " is asked for twice");
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
  // A file that is not there is said to be missing when it is opened, not
  // looked up as a waveform name.
  while (i < arguments.size() && (isFile(arguments[i]) || namedLikeAFile(arguments[i])))
    files->push_back(arguments[i++]);
  names->assign(arguments.begin() + static_cast<std::ptrdiff_t>(i), arguments.end());
}

}  // namespace korvel::tool
