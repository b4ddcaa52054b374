// korvel get FILE... NAME[@FREQ]... [--unit U]: values at a frequency.
#include <iostream>

#include "tools/cli/command.h"
#include "tools/commands/get/waveform_values.h"
#include "tools/names/resolved_names.h"
#include "tools/output/diagnostics.h"

namespace korvel::tool {

namespace {

class GetCommand : public Command {
 public:
  const char* name() const override { return "get"; }
  const char* summary() const override { return "Print waveform values at a frequency, e.g. S21@2.4GHz"; }
  void define(CLI::App& command) override {
    command.description(
        "Print waveform values at a frequency: NAME@FREQ (e.g. S21@2.4GHz, K@900MHz, NFmin@1e9), or every "
        "point with NAME alone. Between two frequencies of the file the value is interpolated on a straight "
        "line (real and imaginary parts) and the output says so; outside them is an error.");
    command.add_option("--unit", unit_, kValueUnitHelp)
        ->check(CLI::IsMember(valueUnitNames()))
        ->capture_default_str();
    command
        .add_option(
            "arguments", arguments_,
            "FILE... then NAME[@FREQ]...; names may be short: S21, S(2,1), Sdd21, K, NFmin (any case)")
        ->required();
  }
  std::string validate() const override {
    return arguments_.size() < 2 ? "get needs a file and a waveform name" : std::string();
  }
  int run(PluginSession& session) override {
    std::vector<std::string> files;
    std::vector<std::string> names;
    splitFilesAndNames(arguments_, &files, &names);
    if (names.empty()) {
      diagnose("get needs a waveform name after the files");
      return kExitUsage;
    }
    return printValues(session, files, names, valueUnitNamed(unit_), std::cout);
  }

 private:
  std::string unit_ = "ri";
  std::vector<std::string> arguments_;
};

}  // namespace

std::unique_ptr<Command> makeGetCommand() { return std::make_unique<GetCommand>(); }

}  // namespace korvel::tool
