// Reading the leading lines of a file for the parts the summary shows.
#include "tools/session/file_header.h"

#include <algorithm>
#include <cstdio>
#include <functional>

#include "tools/output/text_format.h"

namespace korvel::tool {

namespace {

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\r'))
    text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
    text.remove_suffix(1);
  return text;
}

std::vector<std::string_view> tokensOf(std::string_view text) {
  std::vector<std::string_view> tokens;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r')) ++i;
    size_t start = i;
    while (i < text.size() && text[i] != ' ' && text[i] != '\t' && text[i] != '\r') ++i;
    if (i > start) tokens.push_back(text.substr(start, i - start));
  }
  return tokens;
}

// Calls `line` for each line of `head` until it returns false; the last
// line is dropped when `head` was cut inside it.
void forEachLine(std::string_view head, const std::function<bool(std::string_view)>& line) {
  while (!head.empty()) {
    size_t end = head.find('\n');
    if (end == std::string_view::npos) return;
    if (!line(head.substr(0, end))) return;
    head.remove_prefix(end + 1);
  }
}

void readOptionLine(std::string_view line, FileHeader* header) {
  header->optionLine = true;
  size_t bang = line.find('!');
  std::vector<std::string_view> tokens =
      tokensOf(line.substr(1, bang == std::string_view::npos ? bang : bang - 1));
  for (size_t i = 0; i < tokens.size(); ++i) {
    std::string token = upperCase(tokens[i]);
    if (token == "HZ" || token == "KHZ" || token == "MHZ" || token == "GHZ") {
      header->frequencyUnit = token == "HZ" ? "Hz" : std::string(1, token[0] == 'K' ? 'k' : token[0]) + "Hz";
    } else if (token == "DB" || token == "MA" || token == "RI") {
      header->dataFormat = token;
    } else if (token == "R") {
      ++i;  // the reference resistance follows
    } else if (token.size() == 1 && std::string_view("SYZHG").find(token[0]) != std::string_view::npos) {
      header->parameterType = token;
    }
  }
}

bool beginsData(std::string_view line) {
  char c = line.empty() ? '\0' : line[0];
  return (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+';
}

std::string commentText(std::string_view line) {
  line.remove_prefix(1);
  return std::string(trimmed(line));
}

}  // namespace

FileHeader touchstoneHeader(std::string_view head) {
  FileHeader header;
  forEachLine(head, [&](std::string_view raw) {
    std::string_view line = trimmed(raw);
    if (line.empty()) return true;
    if (line[0] == '!') {
      header.comments.push_back(commentText(line));
      return true;
    }
    if (line[0] == '#') {
      if (!header.optionLine) readOptionLine(line, &header);
      return true;
    }
    if (line[0] == '[') {
      std::string keyword = upperCase(line.substr(0, line.find(']') + 1));
      if (keyword == "[VERSION]") {
        std::vector<std::string_view> tokens = tokensOf(line.substr(keyword.size()));
        if (!tokens.empty()) header.version = std::string(tokens[0]);
      }
      return keyword != "[NETWORK DATA]" && keyword != "[NOISE DATA]" && keyword != "[END]";
    }
    return !beginsData(line);
  });
  return header;
}

FileHeader scHeader(std::string_view head) {
  FileHeader header;
  header.parameterType = "S";
  header.frequencyUnit = "Hz";
  bool pastHeader = false;
  forEachLine(head, [&](std::string_view raw) {
    std::string_view line = trimmed(raw);
    if (line.empty()) return true;
    if (line.rfind("*|", 0) == 0) {
      for (std::string_view token : tokensOf(line.substr(2))) {
        std::string upper = upperCase(token);
        constexpr std::string_view kFormat = "COMPLEX_DATAFORMAT=";
        if (upper.rfind(kFormat, 0) == 0) header.dataFormat = upper.substr(kFormat.size());
      }
      return true;
    }
    // Comments after the first "+" line belong to the blocks.
    if (line[0] == '*' && !pastHeader) {
      header.comments.push_back(commentText(line));
      return true;
    }
    pastHeader = pastHeader || line[0] == '+';
    return line.find("DATA=") == std::string_view::npos;
  });
  return header;
}

FileHeader readFileHeader(const std::string& path, bool scFormat, size_t limit) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return {};
  // Read in pieces up to the limit: a small file costs only its own size,
  // not a whole limit's worth of zeroed memory.
  std::string head;
  char piece[16 * 1024];
  while (head.size() < limit) {
    size_t read = std::fread(piece, 1, std::min(sizeof piece, limit - head.size()), file);
    if (read == 0) break;
    head.append(piece, read);
  }
  std::fclose(file);
  // Within the limit the last line may be cut; a file shorter than it
  // still ends its last line.
  if (head.size() < limit && (head.empty() || head.back() != '\n')) head += '\n';
  return scFormat ? scHeader(head) : touchstoneHeader(head);
}

std::string describeDataFormat(const std::string& format) {
  if (format == "DB") return "DB (dB, angle)";
  if (format == "MA") return "MA (magnitude, angle)";
  if (format == "RI") return "RI (real, imaginary)";
  return format;
}

}  // namespace korvel::tool
