// Copying standard input to a named temporary file.
#include "tools/standard_input.h"

#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "tools/text_format.h"

namespace korvel::tool {

namespace {

std::string_view withoutComment(std::string_view line) {
  size_t bang = line.find('!');
  return bang == std::string_view::npos ? line : line.substr(0, bang);
}

size_t tokenCount(std::string_view line) {
  size_t count = 0;
  bool inToken = false;
  for (char c : line) {
    bool blank = c == ' ' || c == '\t' || c == '\r' || c == ',';
    if (!blank && !inToken) ++count;
    inToken = !blank;
  }
  return count;
}

// The port count after "[Number of Ports]", or 0.
int portsKeyword(std::string_view line) {
  constexpr std::string_view kKeyword = "[number of ports]";
  std::string lower = lowerCase(line);
  if (lower.rfind(kKeyword, 0) != 0) return 0;
  return std::atoi(lower.c_str() + kKeyword.size());
}

}  // namespace

std::string guessExtension(std::string_view head) {
  while (!head.empty()) {
    size_t end = head.find('\n');
    std::string_view line = head.substr(0, end);
    head = end == std::string_view::npos ? std::string_view() : head.substr(end + 1);
    size_t start = line.find_first_not_of(" \t\r");
    if (start == std::string_view::npos) continue;
    line.remove_prefix(start);
    if (line.rfind("*|", 0) == 0) return "sc";
    if (int ports = portsKeyword(line); ports > 0) return "s" + std::to_string(ports) + "p";
    if (line[0] == '!' || line[0] == '#' || line[0] == '[' || line[0] == '*' || line[0] == '+') continue;
    switch (tokenCount(withoutComment(line))) {
      case 3:
        return "s1p";
      case 9:
        return "s2p";
      default:
        return {};
    }
  }
  return {};
}

bool StandardInputCopy::make(const std::string& extension, std::string* error) {
  char pattern[] = "/tmp/korvel-stdin-XXXXXX";
  const char* made = mkdtemp(pattern);
  if (made == nullptr) {
    *error = "cannot make a temporary directory";
    return false;
  }
  directory_ = made;
  std::string scratch = directory_ + "/stdin";
  FILE* copy = std::fopen(scratch.c_str(), "wb");
  if (copy == nullptr) {
    *error = "cannot copy standard input";
    return false;
  }
  std::string head;
  std::vector<char> chunk(64 * 1024);
  size_t read = 0;
  bool written = true;
  while ((read = std::fread(chunk.data(), 1, chunk.size(), stdin)) > 0) {
    if (head.size() < 64 * 1024) head.append(chunk.data(), std::min(read, 64 * 1024 - head.size()));
    written = written && std::fwrite(chunk.data(), 1, read, copy) == read;
  }
  written = std::fclose(copy) == 0 && written && !std::ferror(stdin);
  if (!written) {
    *error = "cannot copy standard input";
    return false;
  }
  std::string chosen = extension.empty() ? guessExtension(head) : extension;
  if (!chosen.empty() && chosen[0] == '.') chosen.erase(0, 1);
  for (char c : chosen) {
    if (!std::isalnum(static_cast<unsigned char>(c))) chosen.clear();
  }
  if (chosen.empty()) {
    *error = "cannot tell the format of standard input; name it with --stdin-as (e.g. --stdin-as s4p)";
    return false;
  }
  path_ = directory_ + "/stdin." + chosen;
  std::error_code failure;
  std::filesystem::rename(scratch, path_, failure);
  if (failure) {
    *error = "cannot copy standard input";
    path_.clear();
    return false;
  }
  return true;
}

StandardInputCopy::~StandardInputCopy() {
  if (directory_.empty()) return;
  std::error_code ignored;
  std::filesystem::remove_all(directory_, ignored);
}

}  // namespace korvel::tool
