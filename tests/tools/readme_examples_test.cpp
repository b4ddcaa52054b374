// The korvel examples shown in README.md are what the tool really prints:
// every "$ korvel ..." line there is run from the source tree and its
// output compared with the lines shown under it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

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

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs `command` with the built korvel first on the path, from the source
// tree; returns its standard output.
std::string runFromSourceTree(const std::string& command, int* status) {
  std::string script = "cd '" + std::string(KORVEL_SOURCE_DIR) + "' && PATH='" +
                       std::string(KORVEL_BINARY_DIR) + "':\"$PATH\" && " + command + " 2>/dev/null";
  std::string output;
  FILE* pipe = popen(script.c_str(), "r");
  if (pipe == nullptr) {
    *status = -1;
    return output;
  }
  char buffer[4096];
  size_t read = 0;
  while ((read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, read);
  int raw = pclose(pipe);
  *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return output;
}

bool hasPython() { return std::system("command -v python3 >/dev/null 2>&1") == 0; }

TEST(ReadmeExamples, ShowWhatTheToolPrints) {
  std::vector<ShownExample> examples = shownExamples(readFile(std::string(KORVEL_SOURCE_DIR) + "/README.md"));
  ASSERT_GE(examples.size(), 5u) << "README.md shows the tool's commands";
  for (const ShownExample& example : examples) {
    if (example.command.find("python3") != std::string::npos && !hasPython()) continue;
    int status = -1;
    std::string output = runFromSourceTree(example.command, &status);
    EXPECT_EQ(status, 0) << example.command;
    EXPECT_EQ(output, example.output) << example.command;
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
