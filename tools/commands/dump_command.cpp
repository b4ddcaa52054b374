// korvel dump [--format json|csv] [-o FILE] FILE [NAME...]: the waveforms
// exactly as the viewer's waveform library received them.
#include <fstream>
#include <iostream>

#include "tools/command.h"
#include "tools/waveform_dump.h"

namespace korvel::tool {

namespace {

class DumpCommand : public Command {
 public:
  const char* name() const override { return "dump"; }
  const char* summary() const override { return "Write waveforms exactly as the host received them"; }
  void define(CLI::App& command) override {
    command.add_option("--format", format_, "Output format")
        ->check(CLI::IsMember({"json", "csv"}))
        ->capture_default_str();
    command.add_option("-o,--output", outputPath_, "Write the dump to this file");
    command.add_option("file", file_, "S-parameter file")->required();
    command.add_option("names", names_, "Waveforms to dump (default: the whole catalogue)");
  }
  int run(PluginSession& session) override;

 private:
  std::string format_ = "json";
  std::string outputPath_;
  std::string file_;
  std::vector<std::string> names_;
};

int DumpCommand::run(PluginSession& session) {
  DumpFormat format = format_ == "csv" ? DumpFormat::kCsv : DumpFormat::kJson;
  if (outputPath_.empty()) return dumpWaveforms(session, file_, names_, format, std::cout);
  std::ofstream output(outputPath_, std::ios::binary);
  if (!output) {
    std::cerr << "korvel: cannot write " << outputPath_ << "\n";
    return kExitRefused;
  }
  int status = dumpWaveforms(session, file_, names_, format, output);
  output.close();
  if (status == kExitOk && !output) {
    std::cerr << "korvel: cannot write " << outputPath_ << "\n";
    return kExitRefused;
  }
  return status;
}

}  // namespace

std::unique_ptr<Command> makeDumpCommand() { return std::make_unique<DumpCommand>(); }

}  // namespace korvel::tool
