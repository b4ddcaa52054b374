// The korvel tool's side of the host: the plug-in loaded through the
// stand-in waveform library with a real Tcl interpreter, files opened
// through the format the host chooses, and the waveforms the host received.
// What the plug-in prints is collected and shown as the tool's own lines
// on standard error (see plugin_messages.h), or passed through unchanged
// when verbose.
#ifndef KORVEL_TOOLS_SESSION_PLUGIN_SESSION_H
#define KORVEL_TOOLS_SESSION_PLUGIN_SESSION_H

#include <memory>
#include <string>
#include <vector>

#include "host/plugin_host.h"
#include "host/waveform_library.h"
#include "tools/session/output_capture.h"
#include "tools/session/plugin_messages.h"
#include "tools/session/standard_input.h"

namespace korvel::tool {

// The plug-in that sits beside the executable (the build tree), or the one
// that cmake --install put in ../lib or ../lib/korvel beside bin/.
std::string defaultPluginPath();

// An opened file with what the host learnt about it.
struct OpenedFileInfo {
  std::unique_ptr<host::OpenedFile> file;
  std::string formatName;
  std::string path;      // as the user named it ("-" for standard input)
  std::string readPath;  // the file the plug-in read
  // The plug-in warned of port impedances with an imaginary part, which
  // the real-valued Zo waveforms do not show.
  bool complexReferences = false;
};

class PluginSession {
 public:
  // When `quiet` is set and the session is verbose, the plug-in's standard
  // output is sent to standard error around every call into it (its output
  // must not mix with what a command writes for programs).
  explicit PluginSession(bool quiet) : quiet_(quiet) {}

  // Passes the plug-in's output through unchanged instead of collecting it.
  void setVerbose(bool verbose) { verbose_ = verbose; }
  bool verbose() const { return verbose_; }
  // How standard input ("-") is named for the plug-in (its extension
  // chooses the reader); empty to guess from the contents.
  void setStandardInputExtension(const std::string& extension) { stdinExtension_ = extension; }

  // Loads the plug-in; false with a reason on failure.
  bool load(const std::string& pluginPath, std::string* error);
  // The path of the loaded plug-in.
  const std::string& pluginPath() const { return pluginPath_; }
  // For a process about to end: its interpreter is left to the end
  // instead of being deleted with the session.
  void keepInterpreterToExit() { host_.keepInterpreterToExit(); }

  // Opens `path` ("-": standard input) through the format whose patterns
  // match it. When no format matches, the file cannot be read or the
  // plug-in refuses it, writes "korvel: FILE: ..." on standard error and
  // returns an empty file. The plug-in's warnings while opening are shown
  // collapsed, one line each.
  OpenedFileInfo open(const std::string& path);

  // The file the plug-in is to read for `path` ("-": the copy of
  // standard input), or "" with a message shown.
  std::string readablePath(const std::string& path);

  // A file property answer ("" when refused).
  std::string fileProperty(host::OpenedFile& file, const std::string& option);
  // A waveform property call as the host makes it.
  host::PropertyAnswer waveformProperty(host::OpenedFile& file, const std::string& name,
                                        const std::string& option);
  // The catalogue in its order.
  std::vector<std::string> catalogue(host::OpenedFile& file);

  // Loads `names` with one loadWaveformList call; one record per name, null
  // where the plug-in gave no waveform. The records stay valid while the
  // WaveformRecording under which they were loaded lives.
  std::vector<const host::RecordedWaveform*> load(host::OpenedFile& file,
                                                  const std::vector<std::string>& names);

  // While one lives, the stand-in host keeps what its mode says of the
  // values of every waveform it receives; when it ends, every waveform the
  // host holds is forgotten (the records load returned become invalid)
  // and the mode before it is back. A command holds one for as long as it
  // uses what it loaded, for one file or for all of them.
  class WaveformRecording {
   public:
    ~WaveformRecording();
    WaveformRecording(const WaveformRecording&) = delete;
    WaveformRecording& operator=(const WaveformRecording&) = delete;

   private:
    friend class PluginSession;
    explicit WaveformRecording(host::ValueRecording mode);
    host::ValueRecording saved_;
  };
  // kAll keeps every value; kExtents the shape alone (points, x extents,
  // first value), for a summary that needs no copy of a large waveform.
  [[nodiscard]] WaveformRecording recordWaveforms(host::ValueRecording mode = host::ValueRecording::kAll);
  // Forgets one waveform before the recording ends (its record becomes
  // invalid).
  void forget(const host::RecordedWaveform* waveform);

 private:
  // Runs `call` with the plug-in's output captured or passed through.
  template <typename Call>
  auto guarded(Call call);
  // Shows the warnings collected while `opened` was opened.
  void reportWarnings(const OpenedFileInfo& opened, const std::vector<RepeatedLine>& lines,
                      const std::string& errorText);
  bool quiet_;
  bool verbose_ = false;
  std::string stdinExtension_;
  std::string pluginPath_;
  host::PluginHost host_;
  CaptureFiles capture_;
  std::unique_ptr<StandardInputCopy> standardInput_;
};

}  // namespace korvel::tool

#endif  // KORVEL_TOOLS_SESSION_PLUGIN_SESSION_H
