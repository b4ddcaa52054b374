// Manual page and completion script from the command line's definitions.
#include "tools/cli/help_pages.h"

#include <string>
#include <vector>

#include "tools/cli/version.h"

namespace korvel::tool {

const char* const kExitStatusHelp =
    "Exit status: 0 on success; 1 when a file is refused or cannot be read, a name is unknown, the output\n"
    "cannot be written or the plug-in cannot be loaded; 2 for a usage error.";

namespace {

// Text made safe for roff: backslashes and hyphens escaped, and a line
// that would begin with a control character protected.
std::string roff(const std::string& text) {
  std::string escaped;
  bool lineStart = true;
  for (char c : text) {
    if (lineStart && (c == '.' || c == '\'')) escaped += "\\&";
    if (c == '\\') {
      escaped += "\\e";
    } else if (c == '-') {
      escaped += "\\-";
    } else {
      escaped += c;
    }
    lineStart = c == '\n';
  }
  return escaped;
}

bool isHidden(const CLI::Option* option) { return option->get_group().empty(); }

bool takesValue(const CLI::Option* option) { return option->get_items_expected_max() > 0; }

std::vector<const CLI::Option*> shownOptions(const CLI::App& app) {
  std::vector<const CLI::Option*> shown;
  for (const CLI::Option* option : app.get_options()) {
    if (isHidden(option) || option == app.get_help_ptr() || option == app.get_help_all_ptr()) continue;
    shown.push_back(option);
  }
  return shown;
}

void writeOptions(const CLI::App& app, std::ostream& out) {
  for (const CLI::Option* option : shownOptions(app)) {
    out << ".TP\n";
    if (option->nonpositional()) {
      out << ".B " << roff(option->get_name(false, true));
      if (takesValue(option)) out << " \\fI" << roff(option->get_type_name()) << "\\fR";
    } else {
      out << ".I " << roff(option->get_name(true, false));
    }
    out << "\n" << roff(option->get_description()) << "\n";
  }
}

std::vector<std::string> flagsOf(const CLI::App& app, bool withValue) {
  std::vector<std::string> flags;
  for (const CLI::Option* option : app.get_options()) {
    if (!option->nonpositional() || isHidden(option) || takesValue(option) != withValue) continue;
    for (const std::string& name : option->get_lnames()) flags.push_back("--" + name);
    for (const std::string& name : option->get_snames()) flags.push_back("-" + name);
  }
  return flags;
}

std::string joined(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& word : words) text += (text.empty() ? "" : " ") + word;
  return text;
}

}  // namespace

void writeManPage(const CLI::App& app, std::ostream& out) {
  out << ".TH KORVEL 1 \"\" \"korvel " << kToolVersion << "\" \"User Commands\"\n";
  out << ".SH NAME\nkorvel \\- " << roff(app.get_description().substr(app.get_description().find(':') + 2))
      << "\n";
  out << ".SH SYNOPSIS\n.B korvel\n[\\fIOPTIONS\\fR] \\fIFILE\\fR...\n.br\n";
  out << ".B korvel\n[\\fIOPTIONS\\fR] \\fICOMMAND\\fR [\\fICOMMAND OPTIONS\\fR] \\fIFILE\\fR... "
         "[\\fINAME\\fR...]\n";
  out << ".SH DESCRIPTION\n"
      << roff(
             "korvel loads the korvelSC plug-in as the waveform viewer does and shows what the viewer would "
             "receive from each file: a summary, the waveform names, values at a frequency, or an export as "
             "JSON or CSV. Without a command it summarises each FILE. A FILE of - reads standard input.")
      << "\n";
  out << ".SH OPTIONS\n";
  writeOptions(app, out);
  out << ".SH COMMANDS\n";
  for (const CLI::App* command : app.get_subcommands({})) {
    out << ".SS " << roff(command->get_name()) << "\n" << roff(command->get_description()) << "\n";
    writeOptions(*command, out);
  }
  out << ".SH EXIT STATUS\n" << roff(kExitStatusHelp) << "\n";
}

void writeBashCompletion(const CLI::App& app, std::ostream& out) {
  std::vector<std::string> commands;
  for (const CLI::App* command : app.get_subcommands({})) commands.push_back(command->get_name());
  out << "# bash completion for korvel\n"
         "_korvel() {\n"
         "  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]} command= word\n"
         "  for word in \"${COMP_WORDS[@]:1:COMP_CWORD-1}\"; do\n"
         "    case \" "
      << joined(commands)
      << " \" in *\" $word \"*) command=$word; break;; esac\n"
         "  done\n"
         "  case $prev in\n"
         "    --format) [[ $command == plot ]] && word='svg png pdf' || word='json csv'\n"
         "      COMPREPLY=($(compgen -W \"$word\" -- \"$cur\")); return;;\n"
         "    --unit) COMPREPLY=($(compgen -W 'ri ma db mag deg' -- \"$cur\")); return;;\n"
         "    --stdin-as) COMPREPLY=($(compgen -W 's1p s2p s3p s4p sc' -- \"$cur\")); return;;\n"
         "    --plugin|-o|--output) COMPREPLY=($(compgen -f -- \"$cur\")); return;;\n"
         "  esac\n"
         "  local flags\n"
         "  case $command in\n";
  std::vector<std::string> global = flagsOf(app, false);
  std::vector<std::string> globalValued = flagsOf(app, true);
  global.insert(global.end(), globalValued.begin(), globalValued.end());
  for (const CLI::App* command : app.get_subcommands({})) {
    std::vector<std::string> flags = flagsOf(*command, false);
    std::vector<std::string> valued = flagsOf(*command, true);
    flags.insert(flags.end(), valued.begin(), valued.end());
    out << "    " << command->get_name() << ") flags='" << joined(flags) << " --help';;\n";
  }
  out << "    *) flags='" << joined(global) << " --help';;\n"
      << "  esac\n"
         "  if [[ $cur == -* ]]; then\n"
         "    COMPREPLY=($(compgen -W \"$flags\" -- \"$cur\"))\n"
         "  elif [[ -z $command ]]; then\n"
         "    COMPREPLY=($(compgen -W '"
      << joined(commands)
      << "' -- \"$cur\") $(compgen -f -- \"$cur\"))\n"
         "  else\n"
         "    COMPREPLY=($(compgen -f -- \"$cur\"))\n"
         "  fi\n"
         "}\n"
         "complete -o filenames -F _korvel korvel\n";
}

}  // namespace korvel::tool
