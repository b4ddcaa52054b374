// korvel info FILE... (and the bare form korvel FILE...): a summary of each
// file for a person, or for scripts as JSON.
#include <iostream>

#include "tools/cli/command.h"
#include "tools/commands/info/file_summary.h"
#include "tools/output/word_wrap.h"

namespace korvel::tool {

namespace {

class InfoCommand : public Command {
 public:
  const char* name() const override { return "info"; }
  const char* summary() const override {
    return "Summarise each file: format, ports, data format, reference impedances, frequencies, sweep, "
           "comments, waveform names";
  }
  void define(CLI::App& command) override {
    command.add_flag("--json", json_, "One JSON document per file, one a line, for scripts");
    command.add_flag("--comments", allComments_,
                     "Show every comment line of the file's header, not the first few");
    command.add_option("files", files_, "S-parameter files; - reads standard input")->required();
  }
  bool machineReadable() const override { return json_; }
  int run(PluginSession& session) override {
    SummaryOptions options;
    options.json = json_;
    options.allComments = allComments_;
    options.width = outputWidth();
    return printSummaries(session, files_, options, std::cout);
  }
  std::vector<std::string>* bareFiles() override { return &files_; }

 private:
  bool json_ = false;
  bool allComments_ = false;
  std::vector<std::string> files_;
};

}  // namespace

std::unique_ptr<Command> makeInfoCommand() { return std::make_unique<InfoCommand>(); }

}  // namespace korvel::tool
