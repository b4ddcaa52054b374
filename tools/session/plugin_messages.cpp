// Collapsing the plug-in's messages into the tool's lines.
#include "tools/session/plugin_messages.h"

#include "dataset/messages.h"
#include "rfcalc/singular_matrix_report.h"

namespace korvel::tool {

namespace {

// The words of the plug-in's generic closing message before the file name
// ("Can't open file: "); another message can run straight into it (one of
// them ends without a line feed).
std::string_view openFailureOpening() {
  std::string_view text = messageText(Message::kCannotOpenFile);
  return text.substr(0, text.find("%s"));
}

// The calculation's messages that come once for each point whose matrix
// has no inverse.
constexpr std::string_view kSingularPoints[] = {
    kIdentityMinusScatteringSingular,
    kIdentityPlusScatteringSingular,
};

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::vector<std::string_view> linesOf(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    size_t end = text.find('\n');
    lines.push_back(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

std::string withoutFullStop(std::string_view text) {
  if (!text.empty() && text.back() == '.') text.remove_suffix(1);
  return std::string(text);
}

}  // namespace

std::string oneLineMessage(std::string_view text) {
  std::string line;
  auto append = [&](std::string_view part) {
    part = trimmed(part);
    if (part.empty()) return;
    if (!line.empty()) line += ' ';
    line += part;
  };
  std::string_view openFailure = openFailureOpening();
  for (std::string_view piece : linesOf(text)) {
    size_t joint = piece.find(openFailure, 1);
    while (joint != std::string_view::npos) {
      append(piece.substr(0, joint));
      piece.remove_prefix(joint);
      joint = piece.find(openFailure, 1);
    }
    append(piece);
  }
  return line;
}

void countLine(std::vector<RepeatedLine>* counted, std::string_view line) {
  line = trimmed(line);
  if (line.empty()) return;
  for (RepeatedLine& known : *counted) {
    if (known.text == line) {
      ++known.count;
      return;
    }
  }
  counted->push_back({std::string(line), 1});
}

std::vector<RepeatedLine> countRepeatedLines(std::string_view text) {
  std::vector<RepeatedLine> counted;
  for (std::string_view piece : linesOf(text)) countLine(&counted, piece);
  return counted;
}

std::string presentedMessage(std::string text) {
  std::string_view missing = trimmed(messageText(Message::kHeaderLineMissing));
  size_t at = text.find(missing);
  if (!missing.empty() && at != std::string::npos) {
    text.replace(at, missing.size(), "no option line (#) before the data.");
  }
  return text;
}

bool isSingularPointMessage(std::string_view line) {
  for (std::string_view known : kSingularPoints) {
    if (trimmed(line) == known) return true;
  }
  return false;
}

std::string collapsedMessage(const RepeatedLine& line) {
  if (isSingularPointMessage(line.text)) {
    return withoutFullStop(line.text) + " at " + std::to_string(line.count) +
           (line.count == 1 ? " point" : " points");
  }
  if (line.count == 1) return line.text;
  return withoutFullStop(line.text) + " (" + std::to_string(line.count) + " times)";
}

}  // namespace korvel::tool
