// The korvel tool's side of the host: the plug-in loaded through the
// stand-in waveform library with a real Tcl interpreter, files opened
// through the format the host chooses, and the waveforms the host received.
#ifndef KORVEL_TOOLS_PLUGIN_SESSION_H
#define KORVEL_TOOLS_PLUGIN_SESSION_H

#include <memory>
#include <string>
#include <vector>

#include "host/plugin_host.h"
#include "tools/exit_codes.h"

namespace korvel::tool {

// The plug-in that sits beside the executable (the build tree), or the one
// that cmake --install put in ../lib beside bin/.
std::string defaultPluginPath();

// While alive, whatever is written to standard output goes to standard
// error instead. The plug-in reports singular matrices on standard output;
// what list, props and dump print must stand alone there.
class StandardOutputToError {
 public:
  StandardOutputToError();
  ~StandardOutputToError();
  StandardOutputToError(const StandardOutputToError&) = delete;
  StandardOutputToError& operator=(const StandardOutputToError&) = delete;

 private:
  int saved_ = -1;
};

// An opened file with what the host learnt about it.
struct OpenedFileInfo {
  std::unique_ptr<host::OpenedFile> file;
  std::string formatName;
};

class PluginSession {
 public:
  // When `quiet` is set, the plug-in's standard output is sent to standard
  // error around every call into it.
  explicit PluginSession(bool quiet) : quiet_(quiet) {}

  // Loads the plug-in; false with a reason on failure.
  bool load(const std::string& pluginPath, std::string* error);

  // Opens `path` through the format whose patterns match it. Writes a line
  // to standard error and returns an empty file when no format matches or
  // the plug-in refuses the file (the plug-in writes its own reason).
  OpenedFileInfo open(const std::string& path);

  // A file property answer ("" when refused).
  std::string fileProperty(host::OpenedFile& file, const std::string& option);
  // A waveform property call as the host makes it.
  host::PropertyAnswer waveformProperty(host::OpenedFile& file, const std::string& name,
                                        const std::string& option);
  // The catalogue in its order.
  std::vector<std::string> catalogue(host::OpenedFile& file);

  // Loads `names` with one loadWaveformList call; one record per name, null
  // where the plug-in gave no waveform.
  std::vector<const host::RecordedWaveform*> load(host::OpenedFile& file,
                                                  const std::vector<std::string>& names);

 private:
  std::unique_ptr<StandardOutputToError> guard() const;

  bool quiet_;
  host::PluginHost host_;
};

}  // namespace korvel::tool

#endif  // KORVEL_TOOLS_PLUGIN_SESSION_H
