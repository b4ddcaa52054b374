// korvel info FILE... (and the bare form korvel FILE...): a summary of each
// file for a person.
#include <iostream>

#include "tools/command.h"
#include "tools/file_summary.h"

namespace korvel::tool {

namespace {

class InfoCommand : public Command {
 public:
  const char* name() const override { return "info"; }
  const char* summary() const override {
    return "Summarise each file: format, design, counts, grid, sweep, catalogue";
  }
  void define(CLI::App& command) override {
    command.add_option("files", files_, "S-parameter files")->required();
  }
  // The summary is for a person: the plug-in's reports pass through where
  // the plug-in writes them.
  bool machineReadable() const override { return false; }
  int run(PluginSession& session) override { return printSummaries(session, files_, std::cout); }
  std::vector<std::string>* bareFiles() override { return &files_; }

 private:
  std::vector<std::string> files_;
};

}  // namespace

std::unique_ptr<Command> makeInfoCommand() { return std::make_unique<InfoCommand>(); }

}  // namespace korvel::tool
