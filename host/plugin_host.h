// Loads a format plug-in the way the viewer does and drives its callbacks.
//
// PluginHost owns a real Tcl interpreter, loads the plug-in file with
// dlopen (RTLD_NOW | RTLD_GLOBAL, so the plug-in resolves the waveform
// library from this process), calls its korvelSC_Init, and chooses the
// format of a file by matching the extension of its name against each
// registered format's patterns with Tcl's string-match rules, which tell
// upper from lower case: a pattern takes ".S2P" only when it says so
// ("[sS][0-9]*[pP]*"). OpenedFile wraps one opened file and closes it when
// destroyed.
#ifndef KORVEL_HOST_PLUGIN_HOST_H
#define KORVEL_HOST_PLUGIN_HOST_H

#include <memory>
#include <string>
#include <vector>

#include "host/waveform_library.h"
#include "hostapi/korvel_host.h"

namespace korvel::host {

// The outcome of a property callback: its result code and answer text.
struct PropertyAnswer {
  int result = 1;
  bool answered = false;  // the plug-in initialised the answer
  int resultKind = 0;
  std::string text;
};

class PluginHost {
 public:
  PluginHost();
  ~PluginHost();
  PluginHost(const PluginHost&) = delete;
  PluginHost& operator=(const PluginHost&) = delete;

  // Loads the plug-in at `path` and calls its entry point. Returns false
  // with a reason in `*error` when the file cannot be loaded or has no
  // korvelSC_Init.
  bool load(const std::string& path, std::string* error);

  // Uses an entry point linked into this process instead of a plug-in file
  // (the fuzzers link the plug-in's code directly) and calls it.
  void attach(int (*init)(Tcl_Interp*));

  // Calls the loaded plug-in's entry point once more; returns its result.
  int callInit();

  Tcl_Interp* interp() const { return interp_; }

  // Leaves the interpreter to the end of the process instead of deleting
  // it with the host, as tclsh leaves its own on exit: deleting every
  // built-in command one by one costs more than a small file's whole
  // reading. For a process that is about to end.
  void keepInterpreterToExit();

  // The formats registered with the waveform library, in order.
  const std::vector<FormatDescriptor*>& formats() const;

  // The first registered format one of whose patterns matches the extension
  // of `path`'s file name (after the last dot), or null with a reason in `*error`.
  const FormatDescriptor* formatFor(const std::string& path, std::string* error) const;

  // Asks a format property.
  PropertyAnswer formatProperty(const FormatDescriptor& format, const std::string& option);

 private:
  Tcl_Interp* interp_ = nullptr;
  void* library_ = nullptr;
  int (*init_)(Tcl_Interp*) = nullptr;
};

class OpenedFile {
 public:
  // Opens `path` through `format`. Returns null when the plug-in refuses
  // it; `*result` receives the callback's result and `*slot` what it left
  // in the host's slot (both optional).
  static std::unique_ptr<OpenedFile> open(PluginHost& host, const FormatDescriptor& format,
                                          const std::string& path, int* result = nullptr);
  ~OpenedFile();
  OpenedFile(const OpenedFile&) = delete;
  OpenedFile& operator=(const OpenedFile&) = delete;

  const FormatDescriptor& format() const { return *format_; }
  void* dataSet() const { return dataSet_; }

  PropertyAnswer fileProperty(const std::string& option);
  PropertyAnswer waveformProperty(const std::string& name, const std::string& option);

  // The catalogue ("-waveforms") split into names with Tcl's list rules.
  std::vector<std::string> catalogue();

  // loadWaveform: the result and the handle the plug-in stored.
  int loadWaveform(const std::string& name, WaveformHandle* handle);
  // loadWaveformList over `names` (joined as a Tcl list); one handle per
  // name.
  int loadWaveformList(const std::vector<std::string>& names, std::vector<WaveformHandle>* handles);
  // loadWaveformList with the list text exactly as given.
  int loadWaveformListText(const std::string& list, size_t slots, std::vector<WaveformHandle>* handles);

  // Closes the file now (the destructor then does nothing).
  int close();

 private:
  OpenedFile(PluginHost& host, const FormatDescriptor& format, void* dataSet);

  PluginHost* host_;
  const FormatDescriptor* format_;
  void* dataSet_;
  bool open_ = true;
};

// The number of file descriptors this process has open, or -1; the plug-in
// must leave none open once a file is closed.
int openDescriptorCount();

// Joins names into one Tcl list text.
std::string joinTclList(const std::vector<std::string>& names);
// Splits a Tcl list text; false when it is not a well-formed list.
bool splitTclList(const std::string& text, std::vector<std::string>* elements);

}  // namespace korvel::host

#endif  // KORVEL_HOST_PLUGIN_HOST_H
