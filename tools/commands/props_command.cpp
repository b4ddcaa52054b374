// korvel props FILE... NAME...: what the viewer learns about waveforms
// before loading them.
#include <iostream>

#include "tools/command.h"
#include "tools/file_summary.h"
#include "tools/resolved_names.h"

namespace korvel::tool {

namespace {

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
      std::cerr << "korvel: props needs a waveform name after the files\n";
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
