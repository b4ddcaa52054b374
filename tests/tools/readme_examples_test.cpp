// The korvel examples shown in README.md are what the tool really prints:
// every "$ korvel ..." line there is run from the source tree and its
// output compared with the lines shown under it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/tool_run.h"

namespace korvel::testing {
namespace {

struct ShownExample {
  std::string command;  // after the "$ "
  std::string output;   // the lines shown under it, indentation removed
};

constexpr const char* kIndent = "    ";
constexpr const char* kPrompt = "    $ ";

bool startsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

// The indented lines of a shown example end at the next prompt or at the
// first line that is not indented. Blank lines inside an example belong to
// it unless the example ends there.
std::vector<ShownExample> shownExamples(const std::string& readme) {
  std::vector<ShownExample> examples;
  std::istringstream lines(readme);
  std::string line;
  ShownExample* current = nullptr;
  std::string pendingBlanks;
  while (std::getline(lines, line)) {
    if (startsWith(line, kPrompt) && startsWith(line.substr(6), "korvel")) {
      examples.push_back({line.substr(6), ""});
      current = &examples.back();
      pendingBlanks.clear();
    } else if (current != nullptr && line.empty()) {
      pendingBlanks += "\n";
    } else if (current != nullptr && startsWith(line, kIndent) && !startsWith(line, kPrompt)) {
      current->output += pendingBlanks + line.substr(4) + "\n";
      pendingBlanks.clear();
    } else {
      current = nullptr;
    }
  }
  return examples;
}

// Runs `command` with the built korvel first on the path, from the source
// tree.
ToolRun runFromSourceTree(const std::string& command) {
  return shell("cd " + shellQuoted(KORVEL_SOURCE_DIR) + " && " + command);
}

bool hasPython() { return std::system("command -v python3 >/dev/null 2>&1") == 0; }

TEST(ReadmeExamples, ShowWhatTheToolPrints) {
  std::vector<ShownExample> examples = shownExamples(readFile(std::string(KORVEL_SOURCE_DIR) + "/README.md"));
  ASSERT_GE(examples.size(), 5u) << "README.md shows the tool's commands";
  for (const ShownExample& example : examples) {
    if (example.command.find("python3") != std::string::npos && !hasPython()) continue;
    ToolRun run = runFromSourceTree(example.command);
    EXPECT_EQ(run.status, 0) << example.command;
    EXPECT_EQ(run.out, example.output) << example.command;
  }
}

// The common tasks stay shown with real commands: S21 at a frequency, a
// table in dB, stability, a folder at once, a refused file.
TEST(ReadmeExamples, CommonTasksAreShownAndRun) {
  std::string readme = readFile(std::string(KORVEL_SOURCE_DIR) + "/README.md");
  size_t start = readme.find("### Common tasks\n");
  ASSERT_NE(start, std::string::npos);
  size_t end = readme.find("\n### ", start + 1);
  std::vector<ShownExample> tasks = shownExamples(readme.substr(start, end - start));
  ASSERT_GE(tasks.size(), 5u);
  for (const char* needed : {"S21@", "--wide --unit db", " K ", "examples/*", "refused"}) {
    bool shown = false;
    for (const ShownExample& task : tasks)
      shown = shown || (task.command + task.output).find(needed) != std::string::npos;
    EXPECT_TRUE(shown) << needed;
  }
}

}  // namespace
}  // namespace korvel::testing
