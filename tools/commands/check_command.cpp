// korvel check FILE...: every problem the reader finds in each file, one a
// line as FILE:LINE: error|warning: text, without stopping at the first.
//
// The reader runs in this process (the plug-in's own reading code, linked
// into the tool) with a message sink that collects instead of printing, so
// that it goes on after an error and every message keeps its line number.
// What the calculation prints on its own (a matrix with no inverse, once a
// point) is collected too and listed once with its count, as FILE: warning.
#include <iostream>
#include <string>
#include <vector>

#include "dataset/messages.h"
#include "plugin/open_file.h"
#include "tools/cli/command.h"
#include "tools/output/text_format.h"
#include "tools/session/output_capture.h"
#include "tools/session/plugin_messages.h"

namespace korvel::tool {

namespace {

struct Problem {
  Severity severity = Severity::kError;
  int line = 0;  // 0: the problem belongs to no line
  std::string text;
};

class CollectingSink final : public MessageSink {
 public:
  void report(Message message, const char* argument) noexcept override { reportAt(message, 0, argument); }
  void reportAt(Message message, int line, const char* argument) noexcept override {
    // The closing "Can't open file" line only repeats that the file is
    // refused. Memory too short for the list ends it.
    Severity severity = messageSeverity(message);
    if (severity == Severity::kOutcome) return;
    try {
      problems.push_back({severity, line, presentedMessage(messageWithArgument(message, argument))});
    } catch (...) {
    }
  }
  bool collectsAll() const noexcept override { return true; }

  std::vector<Problem> problems;
};

// The message as one line: the fixed texts end in line feeds and blanks.
std::string oneLine(const std::string& text) {
  std::string line;
  for (char c : text) line += (c == '\n' || c == '\r' || c == '\t') ? ' ' : c;
  size_t end = line.find_last_not_of(' ');
  return end == std::string::npos ? std::string() : line.substr(0, end + 1);
}

void printProblem(const std::string& file, const Problem& problem, std::ostream& out) {
  out << printable(file);
  if (problem.line > 0) out << ':' << problem.line;
  out << ": " << (problem.severity == Severity::kWarning ? "warning" : "error") << ": "
      << oneLine(problem.text) << "\n";
}

// Opens `path` with the messages collected: the reader's into `sink`,
// what else is printed (the calculation's reports on standard output,
// which here carries the problem list alone) into `printed`.
int openCollecting(const std::string& path, CollectingSink& sink, std::vector<RepeatedLine>* printed) {
  CaptureFiles capture;
  DataSet* data = nullptr;
  int result = kFailed;
  if (capture.usable()) {
    CapturedCall captured(capture);
    MessageRoute route(sink);
    result = openFile(path.c_str(), &data);
  } else {
    StandardOutputToError quiet;
    MessageRoute route(sink);
    result = openFile(path.c_str(), &data);
  }
  bool opened = result == kOk && data != nullptr;
  if (data != nullptr) closeFile(data);
  if (capture.usable()) {
    capture.takeOutputLines([&](std::string_view line) { countLine(printed, line); });
    for (const RepeatedLine& line : countRepeatedLines(capture.takeErrorText())) printed->push_back(line);
  }
  return opened ? kOk : kFailed;
}

// Reads one file (`name` as the user gave it, `path` the file read); true
// when it opens.
bool checkFile(const std::string& name, const std::string& path, std::ostream& out) {
  CollectingSink sink;
  std::vector<RepeatedLine> printed;
  bool opened = openCollecting(path, sink, &printed) == kOk;
  const std::string& file = name;
  bool anyError = false;
  for (const Problem& problem : sink.problems) {
    printProblem(file, problem, out);
    anyError = anyError || problem.severity == Severity::kError;
  }
  for (const RepeatedLine& line : printed)
    printProblem(file, {Severity::kWarning, 0, collapsedMessage(line)}, out);
  if (!opened && !anyError) printProblem(file, Problem{Severity::kError, 0, "the file is refused"}, out);
  return opened;
}

class CheckCommand : public Command {
 public:
  const char* name() const override { return "check"; }
  const char* summary() const override {
    return "List every problem the reader finds in each file, as FILE:LINE: error|warning: text";
  }
  void define(CLI::App& command) override {
    command.add_option("files", files_, "S-parameter files (- for standard input)")->required();
  }
  int run(PluginSession& session) override {
    int status = kExitOk;
    for (const std::string& file : files_) {
      std::string path = session.readablePath(file);
      if (path.empty() || !checkFile(file, path, std::cout)) status = kExitRefused;
    }
    return status;
  }

 private:
  std::vector<std::string> files_;
};

}  // namespace

std::unique_ptr<Command> makeCheckCommand() { return std::make_unique<CheckCommand>(); }

}  // namespace korvel::tool
