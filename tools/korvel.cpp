// korvel: opens S-parameter files through the korvelSC plug-in exactly as
// the viewer does, and shows, lists or dumps what the viewer would receive.
#include <CLI/CLI.hpp>
#include <fstream>
#include <iostream>
#include <optional>

#include "tools/file_summary.h"
#include "tools/plugin_session.h"
#include "tools/waveform_dump.h"

namespace korvel::tool {

namespace {

struct Arguments {
  std::string pluginPath;
  std::vector<std::string> files;  // korvel FILE... and korvel info FILE...
  std::string file;                // list, props, dump
  std::string name;                // props
  std::vector<std::string> names;  // dump
  std::string dumpFormat = "json";
  std::string outputPath;
};

enum class Command { kInfo, kList, kProps, kDump };

constexpr const char* kExitStatusHelp =
    "Exit status: 0 on success; 1 when the plug-in refuses a file, a waveform name is unknown or the\n"
    "plug-in cannot be loaded; 2 for a usage error.";

struct CommandLine {
  CLI::App app{"korvel: open S-parameter files through the korvelSC plug-in, as the viewer does"};
  CLI::App* info = nullptr;
  CLI::App* list = nullptr;
  CLI::App* props = nullptr;
  CLI::App* dump = nullptr;
};

void defineCommands(CommandLine* line, Arguments* arguments) {
  CLI::App& app = line->app;
  app.fallthrough();  // --plugin is accepted after the command name too
  app.add_option("--plugin", arguments->pluginPath, "Plug-in to load (default: " + defaultPluginPath() + ")");
  app.add_option("files", arguments->files, "Files to summarise (same as 'korvel info FILE...')");

  line->info = app.add_subcommand("info", "Summarise each file: format, design, counts, grid, sweep, catalogue");
  line->info->add_option("files", arguments->files, "S-parameter files")->required();

  line->list = app.add_subcommand("list", "Print the catalogue of waveform names, one a line");
  line->list->add_option("file", arguments->file, "S-parameter file")->required();

  line->props = app.add_subcommand("props", "Print every waveform property answer of one waveform");
  line->props->add_option("file", arguments->file, "S-parameter file")->required();
  line->props->add_option("name", arguments->name, "Waveform name, e.g. S-Par/S(2,1)")->required();

  line->dump = app.add_subcommand("dump", "Write waveforms exactly as the host received them");
  line->dump->add_option("--format", arguments->dumpFormat, "Output format")
      ->check(CLI::IsMember({"json", "csv"}))
      ->capture_default_str();
  line->dump->add_option("-o,--output", arguments->outputPath, "Write the dump to this file");
  line->dump->add_option("file", arguments->file, "S-parameter file")->required();
  line->dump->add_option("names", arguments->names, "Waveforms to dump (default: the whole catalogue)");
  app.require_subcommand(0, 1);
  app.footer(kExitStatusHelp);
  for (CLI::App* command : {line->info, line->list, line->props, line->dump}) command->footer(kExitStatusHelp);
}

// The command given, or none when the arguments make no sense together.
std::optional<Command> chosenCommand(const CommandLine& line, const Arguments& arguments) {
  if (line.list->parsed()) return Command::kList;
  if (line.props->parsed()) return Command::kProps;
  if (line.dump->parsed()) return Command::kDump;
  if (line.info->parsed() || !arguments.files.empty()) return Command::kInfo;
  return std::nullopt;
}

// Arguments that a subcommand did not take fall through to the file list
// of the bare form; with a subcommand other than info that is a mistake.
bool strayFiles(const CommandLine& line, const Arguments& arguments) {
  return !line.info->parsed() && !arguments.files.empty() &&
         (line.list->parsed() || line.props->parsed() || line.dump->parsed());
}

int runDump(PluginSession& session, const Arguments& arguments) {
  DumpFormat format = arguments.dumpFormat == "csv" ? DumpFormat::kCsv : DumpFormat::kJson;
  if (arguments.outputPath.empty()) return dumpWaveforms(session, arguments.file, arguments.names, format, std::cout);
  std::ofstream output(arguments.outputPath, std::ios::binary);
  if (!output) {
    std::cerr << "korvel: cannot write " << arguments.outputPath << "\n";
    return kExitRefused;
  }
  int status = dumpWaveforms(session, arguments.file, arguments.names, format, output);
  output.close();
  if (status == kExitOk && !output) {
    std::cerr << "korvel: cannot write " << arguments.outputPath << "\n";
    return kExitRefused;
  }
  return status;
}

int run(Command command, const Arguments& arguments) {
  // The output of list, props and dump is read by programs: it must hold
  // nothing but their own lines. The summary is for a person and passes
  // the plug-in's reports through where the plug-in writes them.
  PluginSession session(command != Command::kInfo);
  std::string pluginPath = arguments.pluginPath.empty() ? defaultPluginPath() : arguments.pluginPath;
  std::string error;
  if (!session.load(pluginPath, &error)) {
    std::cerr << "korvel: cannot load the plug-in " << pluginPath << ": " << error << "\n";
    return kExitRefused;
  }
  switch (command) {
    case Command::kInfo:
      return printSummaries(session, arguments.files, std::cout);
    case Command::kList:
      return printCatalogue(session, arguments.file, std::cout);
    case Command::kProps:
      return printWaveformProperties(session, arguments.file, arguments.name, std::cout);
    case Command::kDump:
      return runDump(session, arguments);
  }
  return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  CommandLine line;
  Arguments arguments;
  defineCommands(&line, &arguments);
  try {
    line.app.parse(argc, argv);
  } catch (const CLI::CallForHelp& help) {
    return line.app.exit(help);
  } catch (const CLI::CallForAllHelp& help) {
    return line.app.exit(help);
  } catch (const CLI::ParseError& failure) {
    line.app.exit(failure);
    return kExitUsage;
  }
  std::optional<Command> command = chosenCommand(line, arguments);
  if (!command || strayFiles(line, arguments)) {
    std::cerr << (command ? "korvel: unexpected arguments\n" : "korvel: no file given\n") << line.app.help();
    return kExitUsage;
  }
  int status = run(*command, arguments);
  std::cout.flush();
  return status;
}

}  // namespace korvel::tool

int main(int argc, char** argv) { return korvel::tool::main(argc, argv); }
