// korvel list FILE: the catalogue, one name a line.
#include <iostream>

#include "tools/command.h"
#include "tools/file_summary.h"

namespace korvel::tool {

namespace {

class ListCommand : public Command {
 public:
  const char* name() const override { return "list"; }
  const char* summary() const override { return "Print the catalogue of waveform names, one a line"; }
  void define(CLI::App& command) override {
    command.add_option("file", file_, "S-parameter file")->required();
  }
  int run(PluginSession& session) override { return printCatalogue(session, file_, std::cout); }

 private:
  std::string file_;
};

}  // namespace

std::unique_ptr<Command> makeListCommand() { return std::make_unique<ListCommand>(); }

}  // namespace korvel::tool
