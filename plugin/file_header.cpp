// The header of a file, read with the readers' own line sources and line
// rules.
#include "plugin/file_header.h"

#include <climits>

#include "dataset/messages.h"
#include "sc/sc_header.h"
#include "sc/sc_input.h"
#include "text/text_input.h"
#include "touchstone/keyword_header.h"
#include "touchstone/line_kinds.h"
#include "touchstone/option_line.h"

namespace korvel {

namespace {

// Takes the option line's messages: the reader reports them when it
// opens the file; the header is only looked at.
class SilentSink final : public MessageSink {
 public:
  void report(Message /*message*/, const char* /*argument*/) noexcept override {}
};

// The text of a comment line after its mark, without the blanks and the
// line end around it.
std::string commentText(std::string_view line) {
  line.remove_prefix(1);
  size_t first = line.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  size_t last = line.find_last_not_of(" \t\r\n");
  return std::string(line.substr(first, last - first + 1));
}

void takeOptionLine(std::string_view line, int lineNumber, FileHeader* header) {
  header->optionLine = true;
  OptionLine option;
  readOptionLine(line, lineNumber, false, &option);
  if (option.unitWord != nullptr) header->frequencyUnit = option.unitWord;
  if (option.parameterWord != nullptr) header->parameterType = option.parameterWord;
  if (option.formatWord != nullptr) header->dataFormat = option.formatWord;
}

// True, noting where the data starts, when a keyword line ends the header.
bool takeKeywordLine(std::string_view line, bool firstField, uint64_t nextLine, FileHeader* header) {
  std::string_view rest;
  std::string name = keywordName(line, &rest);
  if (name == "version" && firstField) header->version = keywordVersion(line);
  int64_t ports = 0;
  if (name == "number of ports" && keywordCount(rest, &ports) && ports >= 1 && ports <= INT_MAX) {
    header->ports = static_cast<int>(ports);
  }
  if (name != "network data" && name != "noise data" && name != "end") return false;
  header->dataFound = true;
  header->dataOffset = nextLine;
  return true;
}

// A Touchstone file: comment lines up to the data, the first option line,
// and the keywords; a 2.x file (whose first field is [Version]) has its
// data after [Network Data], a 1.x file at the first other line after the
// option line.
FileHeader touchstoneHeader(FILE* file, uint64_t limit) {
  FileHeader header;
  LineSource source(file, LineEnds::kAny);
  const uint64_t begin = source.offset();
  bool firstField = true;
  std::string_view line;
  while (source.next(&line) && source.lineStart() - begin < limit) {
    if (isCommentLine(line)) {
      header.comments.push_back(commentText(line));
      continue;
    }
    if (isBlankLine(line)) continue;
    if (isOptionLine(line)) {
      if (!header.optionLine) takeOptionLine(line, source.lineNumber(), &header);
    } else if (isKeywordLine(line)) {
      if (takeKeywordLine(line, firstField, source.offset() - begin, &header)) break;
    } else if (header.optionLine && header.version.empty()) {
      header.dataFound = true;
      header.dataOffset = source.lineStart() - begin;
      break;
    }
    firstField = false;
  }
  return header;
}

// An SC file: the header line's data format, and the '*' comment lines
// before the first data line.
FileHeader scHeader(FILE* file, uint64_t limit) {
  FileHeader header;
  header.parameterType = "S";
  header.frequencyUnit = "Hz";
  ScLines lines(file);
  const uint64_t begin = lines.offset();
  bool pastComments = false;
  std::string_view line;
  while (lines.next(&line) && lines.lineStart() - begin < limit) {
    if (!header.scHeaderLine && isHeaderLine(line)) {
      header.scHeaderLine = true;
      for (char c : writtenComplexFormat(line)) {
        header.dataFormat += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
      }
    } else if (startsWith(line, kDataLine)) {
      pastComments = true;
      if (header.scHeaderLine) break;
    } else if (startsWith(line, "*") && !startsWith(line, kMarkedLine) && !pastComments) {
      header.comments.push_back(commentText(line));
    }
  }
  return header;
}

}  // namespace

FileHeader readFileHeader(FILE* file, HeaderFormat format, uint64_t limit) {
  SilentSink silent;
  MessageRoute route(silent);
  return format == HeaderFormat::kSc ? scHeader(file, limit) : touchstoneHeader(file, limit);
}

FileHeader readFileHeader(const std::string& path, HeaderFormat format) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return {};
  FileHeader header = readFileHeader(file, format);
  std::fclose(file);
  return header;
}

FileHeader readTextHeader(std::string_view text, HeaderFormat format) {
  // An empty stream in memory cannot be made; one blank line reads alike.
  std::string copy = text.empty() ? std::string("\n") : std::string(text);
  FILE* file = fmemopen(copy.data(), copy.size(), "r");
  if (file == nullptr) return {};
  FileHeader header = readFileHeader(file, format, copy.size() + 1);
  std::fclose(file);
  return header;
}

}  // namespace korvel
