// korvel list FILE...: the waveform names, one a line.
#include <iostream>

#include "tools/command.h"
#include "tools/file_summary.h"

namespace korvel::tool {

namespace {

class ListCommand : public Command {
 public:
  const char* name() const override { return "list"; }
  const char* summary() const override {
    return "Print the waveform names of each file, one a line (FILE:NAME with several files)";
  }
  void define(CLI::App& command) override {
    command.add_option("files", files_, "S-parameter files; - reads standard input")->required();
  }
  int run(PluginSession& session) override { return printCatalogues(session, files_, std::cout); }

 private:
  std::vector<std::string> files_;
};

}  // namespace

std::unique_ptr<Command> makeListCommand() { return std::make_unique<ListCommand>(); }

}  // namespace korvel::tool
