// korvel list FILE...: the waveform names, one a line.
#include <iostream>

#include "tools/cli/command.h"
#include "tools/session/plugin_session.h"

namespace korvel::tool {

namespace {

// Writes the waveform names, one a line; with several files each line is
// "FILE:NAME".
int printCatalogues(PluginSession& session, const std::vector<std::string>& paths, std::ostream& out) {
  int status = kExitOk;
  for (const std::string& path : paths) {
    OpenedFileInfo opened = session.open(path);
    if (opened.file == nullptr) {
      status = kExitRefused;
      continue;
    }
    const std::string prefix = paths.size() > 1 ? path + ":" : "";
    for (const std::string& name : session.catalogue(*opened.file)) out << prefix << name << "\n";
    if (!out) return kExitRefused;
  }
  return status;
}

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
