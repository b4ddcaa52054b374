// Copying standard input to a named temporary file.
#include "tools/session/standard_input.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "plugin/file_header.h"

namespace korvel::tool {

namespace {

// How much of standard input the port count is told from: enough for
// several points of the largest networks, little enough to scan at once.
constexpr size_t kHeadBytes = 1u << 20;
// The largest port count a first row is tried as.
constexpr size_t kMostPorts = 1000;

std::string_view withoutComment(std::string_view line) {
  size_t bang = line.find('!');
  return bang == std::string_view::npos ? line : line.substr(0, bang);
}

bool isSeparator(char c) { return c == ' ' || c == '\t' || c == '\r' || c == ','; }

// One data line of a 1.x file: its numbers.
struct DataLine {
  std::vector<double> values;
  size_t count = 0;
  double first = 0;
};

// The numbers of one data line; false when a token is not a number.
bool readDataLine(std::string_view line, DataLine* data) {
  std::string token;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && isSeparator(line[i])) ++i;
    size_t start = i;
    while (i < line.size() && !isSeparator(line[i])) ++i;
    if (i == start) break;
    token.assign(line.substr(start, i - start));
    char* end = nullptr;
    double value = std::strtod(token.c_str(), &end);
    if (end != token.c_str() + token.size()) return false;
    if (data->count == 0) data->first = value;
    data->values.push_back(value);
    ++data->count;
  }
  return true;
}

// The port count as a file says it before its data, or the data lines of
// a 1.x Touchstone file.
struct HeadFacts {
  bool sc = false;
  int keywordPorts = 0;
  bool twoPortParameters = false;  // H or G on the option line
  std::vector<DataLine> lines;
};

// The data lines from the start of `text` up to the first line that is no
// data line.
std::vector<DataLine> readDataLines(std::string_view text) {
  std::vector<DataLine> lines;
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    line = withoutComment(line);
    size_t start = line.find_first_not_of(" \t\r");
    if (start == std::string_view::npos) continue;
    line.remove_prefix(start);
    if (line[0] == '#' || line[0] == '[' || line[0] == '*') break;
    DataLine data;
    if (!readDataLine(line, &data)) break;
    lines.push_back(data);
  }
  return lines;
}

// The header as the readers read it: the simulator's header line, the
// port count keyword or the option line's parameters; then the data lines.
HeadFacts readHead(std::string_view head, bool whole) {
  HeadFacts facts;
  if (readTextHeader(head, HeaderFormat::kSc).scHeaderLine) {
    facts.sc = true;
    return facts;
  }
  FileHeader header = readTextHeader(head, HeaderFormat::kTouchstone);
  if (header.ports > 0) {
    facts.keywordPorts = header.ports;
    return facts;
  }
  facts.twoPortParameters = header.parameterType == "H" || header.parameterType == "G";
  if (!header.dataFound || header.dataOffset > head.size()) return facts;
  std::string_view data = head.substr(header.dataOffset);
  // A line cut by the end of the head is not a whole line.
  if (!whole) {
    size_t last = data.rfind('\n');
    data = last == std::string_view::npos ? std::string_view() : data.substr(0, last);
  }
  facts.lines = readDataLines(data);
  return facts;
}

// How the data lines read as points of `ports` ports.
struct Reading {
  bool fits = false;
  bool rising = true;  // the points' frequencies rise strictly
};

// One- and two-port points: every line holds whole points (the last may
// be cut short). A two-port's noise block opens with a falling frequency
// on a line of five numbers.
Reading readAsWholeLines(const std::vector<DataLine>& lines, size_t ports) {
  const size_t perPoint = 1 + 2 * ports * ports;
  Reading reading;
  double last = 0;
  size_t points = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    const DataLine& line = lines[i];
    if (ports == 2 && points > 0 && line.first < last) {
      reading.fits = line.count == 5;
      return reading;
    }
    bool cutShort = i + 1 == lines.size() && points > 0 && line.count < perPoint;
    if (line.count % perPoint != 0 && !cutShort) return reading;
    for (size_t start = 0; start < line.count; start += perPoint) {
      if (points > 0 && !(line.values[start] > last)) reading.rising = false;
      last = line.values[start];
      ++points;
    }
  }
  reading.fits = points > 0;
  return reading;
}

// Larger networks: each point starts on a new line, and each row of its
// matrix (the first after the frequency) on a new line of its own.
Reading readAsRows(const std::vector<DataLine>& lines, size_t ports) {
  Reading reading;
  size_t row = 0;     // the row being filled
  size_t filled = 0;  // numbers of that row so far
  size_t points = 0;
  double last = 0;
  for (const DataLine& line : lines) {
    if (row == 0 && filled == 0) {
      if (points > 0 && !(line.first > last)) reading.rising = false;
      last = line.first;
    }
    size_t wanted = 2 * ports + (row == 0 ? 1 : 0);
    filled += line.count;
    if (filled > wanted) return reading;
    if (filled < wanted) continue;
    filled = 0;
    if (++row == ports) {
      row = 0;
      ++points;
    }
  }
  reading.fits = points > 0;
  return reading;
}

Reading readAs(const std::vector<DataLine>& lines, size_t ports) {
  if (ports <= 2) return readAsWholeLines(lines, ports);
  return readAsRows(lines, ports);
}

// The port counts whose first row ends where one of the first lines ends.
std::vector<size_t> candidatePorts(const std::vector<DataLine>& lines) {
  std::vector<size_t> ports = {1, 2};
  size_t sum = 0;
  for (const DataLine& line : lines) {
    sum += line.count;
    if (sum > 2 * kMostPorts + 1) break;
    if (sum % 2 == 1 && sum >= 7) ports.push_back((sum - 1) / 2);
  }
  return ports;
}

std::string listOfCounts(const std::vector<size_t>& counts) {
  std::string text;
  for (size_t i = 0; i < counts.size(); ++i) {
    text += i == 0 ? "" : i + 1 == counts.size() ? " and " : ", ";
    text += std::to_string(counts[i]);
  }
  return text;
}

// The port count of 1.x data lines from the whole points they hold.
std::string portsFromPoints(const std::vector<DataLine>& lines, bool twoPortOnly, std::string* why) {
  std::vector<size_t> fitting;
  std::vector<size_t> rising;
  std::vector<size_t> candidates = twoPortOnly ? std::vector<size_t>{2} : candidatePorts(lines);
  for (size_t ports : candidates) {
    if (std::find(fitting.begin(), fitting.end(), ports) != fitting.end()) continue;
    Reading reading = readAs(lines, ports);
    if (!reading.fits) continue;
    fitting.push_back(ports);
    if (reading.rising) rising.push_back(ports);
  }
  if (fitting.size() == 1) return "s" + std::to_string(fitting[0]) + "p";
  // Points of the right count whose frequencies also rise tell it apart.
  if (rising.size() == 1) return "s" + std::to_string(rising[0]) + "p";
  if (fitting.empty()) {
    *why = "its data lines hold no whole points of any port count";
  } else {
    *why = "its data lines read as whole points of " + listOfCounts(rising.empty() ? fitting : rising) +
           " ports";
  }
  return {};
}

}  // namespace

std::string guessExtension(std::string_view head, std::string* why, bool whole) {
  std::string ignored;
  if (why == nullptr) why = &ignored;
  HeadFacts facts = readHead(head, whole);
  if (facts.sc) return "sc";
  if (facts.keywordPorts > 0) return "s" + std::to_string(facts.keywordPorts) + "p";
  if (facts.lines.empty()) {
    *why = "it holds no data lines";
    return {};
  }
  return portsFromPoints(facts.lines, facts.twoPortParameters, why);
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
    if (head.size() < kHeadBytes) head.append(chunk.data(), std::min(read, kHeadBytes - head.size()));
    written = written && std::fwrite(chunk.data(), 1, read, copy) == read;
  }
  written = std::fclose(copy) == 0 && written && !std::ferror(stdin);
  if (!written) {
    *error = "cannot copy standard input";
    return false;
  }
  std::string why;
  bool whole = head.size() < kHeadBytes;
  std::string chosen = extension.empty() ? guessExtension(head, &why, whole) : extension;
  if (!chosen.empty() && chosen[0] == '.') chosen.erase(0, 1);
  for (char c : chosen) {
    if (!std::isalnum(static_cast<unsigned char>(c))) chosen.clear();
  }
  if (chosen.empty()) {
    *error = "cannot tell the format of standard input" + (why.empty() ? std::string() : " (" + why + ")") +
             "; name it with --stdin-as (e.g. --stdin-as s4p)";
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
