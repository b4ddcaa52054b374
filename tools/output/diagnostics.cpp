// The tool's messages on standard error.
#include "tools/output/diagnostics.h"

#include <iostream>
#include <string>

#include "tools/output/text_format.h"

namespace korvel::tool {

namespace {

constexpr std::string_view kOpening = "korvel: ";

// One write, so that a line is never split by another writer.
void writeLine(const std::string& line) { std::cerr << line << std::flush; }

}  // namespace

void diagnose(std::string_view text) {
  std::string line(kOpening);
  line.append(text);
  line += '\n';
  writeLine(line);
}

void diagnoseFile(std::string_view path, std::string_view text) { diagnoseLine(path, 0, text); }

void diagnoseLine(std::string_view path, int line, std::string_view text) {
  std::string message(kOpening);
  message += printable(path);
  if (line > 0) message += ":" + std::to_string(line);
  message += ": ";
  message.append(text);
  message += '\n';
  writeLine(message);
}

}  // namespace korvel::tool
