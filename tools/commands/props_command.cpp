// korvel props FILE NAME: every answer the plug-in gives the viewer about
// one waveform.
#include <iostream>

#include "tools/command.h"
#include "tools/file_summary.h"

namespace korvel::tool {

namespace {

class PropsCommand : public Command {
 public:
  const char* name() const override { return "props"; }
  const char* summary() const override { return "Print every waveform property answer of one waveform"; }
  void define(CLI::App& command) override {
    command.add_option("file", file_, "S-parameter file")->required();
    command.add_option("name", name_, "Waveform name, e.g. S-Par/S(2,1)")->required();
  }
  int run(PluginSession& session) override {
    return printWaveformProperties(session, file_, name_, std::cout);
  }

 private:
  std::string file_;
  std::string name_;
};

}  // namespace

std::unique_ptr<Command> makePropsCommand() { return std::make_unique<PropsCommand>(); }

}  // namespace korvel::tool
