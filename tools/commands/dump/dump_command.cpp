// korvel dump [--format json|csv] [--wide] [--unit U] [--prefix] [-o FILE]
// FILE... [NAME...]: the waveforms as the viewer receives them.
#include <iostream>

#include "tools/cli/command.h"
#include "tools/commands/dump/waveform_dump.h"
#include "tools/names/resolved_names.h"
#include "tools/output/checked_output.h"
#include "tools/output/diagnostics.h"
#include "tools/output/text_format.h"

namespace korvel::tool {

namespace {

class DumpCommand : public Command {
 public:
  const char* name() const override { return "dump"; }
  const char* summary() const override { return "Export waveforms as JSON or as a CSV table"; }
  void define(CLI::App& command) override {
    command.description(
        "Export waveforms as JSON or as a CSV table, exactly as the viewer receives them. Without names, "
        "every "
        "waveform of the file. Names may be short: S21, S(2,1), Sdd21, K, NFmin (any case).");
    command.add_option("--format", format_, "json (one document per file and line) or csv")
        ->check(CLI::IsMember({"json", "csv"}))
        ->capture_default_str();
    command.add_flag("--wide", wide_, "CSV: one row per frequency, one column per quantity");
    command.add_option("--unit", unit_, kValueUnitHelp)
        ->check(CLI::IsMember(valueUnitNames()))
        ->capture_default_str();
    command.add_flag("--prefix", prefix_,
                     "Find names as the viewer does: the first waveform whose name equals the one given or "
                     "begins it");
    command
        .add_option("-o,--output", outputPath_,
                    "Write to this file (replaced only when the whole export succeeded)")
        ->type_name("FILE");
    command.add_option("arguments", arguments_, "FILE... then NAME...; - reads standard input")->required();
  }
  std::string validate() const override {
    if (wide_ && format_ != "csv") return "--wide needs --format csv";
    return {};
  }
  int run(PluginSession& session) override;

 private:
  std::string format_ = "json";
  bool wide_ = false;
  std::string unit_ = "ri";
  bool prefix_ = false;
  std::string outputPath_;
  std::vector<std::string> arguments_;
};

int DumpCommand::run(PluginSession& session) {
  DumpOptions options;
  options.format = format_ == "csv" ? DumpFormat::kCsv : DumpFormat::kJson;
  options.wide = wide_;
  options.unit = valueUnitNamed(unit_);
  options.viewerLookup = prefix_;
  std::vector<std::string> files;
  std::vector<std::string> names;
  splitFilesAndNames(arguments_, &files, &names);
  if (outputPath_.empty()) return dumpFiles(session, files, names, options, std::cout);
  ReplacingFile output(outputPath_);
  std::string error;
  if (!output.open(&error)) {
    diagnose("cannot write " + printable(outputPath_) + ": " + error);
    return kExitRefused;
  }
  int status = dumpFiles(session, files, names, options, output.stream());
  if (status != kExitOk) {
    diagnose(printable(outputPath_) + " left as it was");
    return status;
  }
  if (!output.commit(&error)) {
    diagnose("cannot write " + printable(outputPath_) + ": " + error);
    return kExitRefused;
  }
  return kExitOk;
}

}  // namespace

std::unique_ptr<Command> makeDumpCommand() { return std::make_unique<DumpCommand>(); }

}  // namespace korvel::tool
