// korvel props FILE... NAME...: what the viewer learns about waveforms
// before loading them.
#include <iomanip>
#include <iostream>

#include "tools/cli/command.h"
#include "tools/names/name_resolver.h"
#include "tools/names/resolved_names.h"
#include "tools/output/diagnostics.h"
#include "tools/session/plugin_session.h"

namespace korvel::tool {

namespace {

// Every waveform property the viewer asks, in the order shown.
const char* const kWaveformOptions[] = {"-datatype", "-got_xaxis", "-nsegments", "-wftype", "-xname",
                                        "-xunit",    "-xscale",    "-yname",     "-yunit",  "-yscale"};

// Writes every property the viewer asks of each named waveform (names
// resolved as get does).
int printWaveformProperties(PluginSession& session, const std::vector<std::string>& paths,
                            const std::vector<std::string>& typed, std::ostream& out) {
  int status = kExitOk;
  bool headed = paths.size() > 1 || typed.size() > 1;
  for (const std::string& path : paths) {
    OpenedFileInfo opened = session.open(path);
    std::vector<std::string> names;
    if (opened.file == nullptr ||
        !resolveNames(session, opened, session.catalogue(*opened.file), typed, false, &names)) {
      status = kExitRefused;
      continue;
    }
    for (const std::string& name : names) {
      if (headed) out << (paths.size() > 1 ? path + ": " : "") << name << "\n";
      for (const char* option : kWaveformOptions) {
        host::PropertyAnswer answer = session.waveformProperty(*opened.file, name, option);
        out << (headed ? "  " : "") << std::left << std::setw(12) << option << answer.text << "\n";
      }
    }
    if (!out) return kExitRefused;
  }
  return status;
}

class PropsCommand : public Command {
 public:
  const char* name() const override { return "props"; }
  const char* summary() const override {
    return "Print how the viewer is told to show a waveform: type, axes, units, scales";
  }
  void define(CLI::App& command) override {
    command
        .add_option("arguments", arguments_,
                    "FILE... then NAME...; names may be short: S21, S(2,1), Sdd21, K, NFmin (any case)")
        ->required();
  }
  std::string validate() const override {
    return arguments_.size() < 2 ? "props needs a file and a waveform name" : std::string();
  }
  int run(PluginSession& session) override {
    std::vector<std::string> files;
    std::vector<std::string> names;
    splitFilesAndNames(arguments_, &files, &names);
    if (names.empty()) {
      diagnose("props needs a waveform name after the files");
      return kExitUsage;
    }
    return printWaveformProperties(session, files, names, std::cout);
  }

 private:
  std::vector<std::string> arguments_;
};

}  // namespace

std::unique_ptr<Command> makePropsCommand() { return std::make_unique<PropsCommand>(); }

}  // namespace korvel::tool
