// korvel convert INPUT -o OUTPUT [options]: any file the plug-in reads,
// written as a Touchstone file (1.0, 1.1 or 2.1), renormalised, as Y, Z,
// H or G, single-ended to mixed-mode and back; an SC sweep as one file per
// segment.
//
// The file is read in this process with the plug-in's own reader (as
// korvel check does), so that the writer takes the S, references, terminal
// names and noise data of the record itself; the network calculation is
// left out, as the writer needs none of its Z, Y and gains (--type runs it
// on the network written).
#include <cmath>
#include <iostream>
#include <map>
#include <new>
#include <optional>
#include <sstream>

#include "dataset/messages.h"
#include "plugin/file_header.h"
#include "plugin/open_file.h"
#include "text/text_input.h"
#include "tools/cli/command.h"
#include "tools/cli/version.h"
#include "tools/output/checked_output.h"
#include "tools/output/diagnostics.h"
#include "tools/output/sweep_values.h"
#include "tools/output/text_format.h"
#include "tools/session/output_capture.h"
#include "touchstone/written_network.h"

namespace korvel::tool {

namespace {

// Shows the reader's messages on standard error, naming the file.
class ReportingSink final : public MessageSink {
 public:
  explicit ReportingSink(std::string file) : file_(std::move(file)) {}
  void report(Message message, const char* argument) noexcept override { reportAt(message, 0, argument); }
  void reportAt(Message message, int line, const char* argument) noexcept override {
    Severity severity = messageSeverity(message);
    if (severity == Severity::kOutcome) return;
    try {
      std::string text = messageWithArgument(message, argument);
      for (char& c : text) {
        if (c == '\n' || c == '\r' || c == '\t') c = ' ';
      }
      while (!text.empty() && text.back() == ' ') text.pop_back();
      diagnoseLine(file_, line, (severity == Severity::kError ? "refused: " : "warning: ") + printable(text));
      refusalShown_ = refusalShown_ || severity == Severity::kError;
    } catch (...) {
    }
  }
  bool refusalShown() const { return refusalShown_; }

 private:
  std::string file_;
  bool refusalShown_ = false;
};

struct OutputName {
  bool keyword = false;  // .ts
  int ports = 0;         // from .sNp (also y, z, h, g); 0 for .ts or standard output
};

// The port count an output file name promises, or an error.
bool outputNameOf(const std::string& path, OutputName* name, std::string* error) {
  if (path == "-") return true;
  size_t slash = path.find_last_of('/');
  size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
    *error = "the output needs a Touchstone name (.sNp or .ts), which tells readers its port count";
    return false;
  }
  std::string extension = lowerCase(path.substr(dot + 1));
  if (extension == "ts") {
    name->keyword = true;
    return true;
  }
  if (extension.size() >= 3 && std::string("syzhg").find(extension[0]) != std::string::npos &&
      extension.back() == 'p') {
    std::string digits = extension.substr(1, extension.size() - 2);
    bool numeric =
        !digits.empty() && digits.size() <= 5 && digits.find_first_not_of("0123456789") == std::string::npos;
    if (numeric) {
      name->ports = std::stoi(digits);
      return true;
    }
  }
  *error = "the output needs a Touchstone name (.sNp or .ts), which tells readers its port count";
  return false;
}

// "out.s2p" with segment 3 is "out_3.s2p".
std::string segmentPath(const std::string& path, int segment) {
  size_t slash = path.find_last_of('/');
  size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
    return path + "_" + std::to_string(segment);
  }
  return path.substr(0, dot) + "_" + std::to_string(segment) + path.substr(dot);
}

// The sweep parameters of the record as the host receives them: each
// value list holds its count in element 0.
std::vector<host::RecordedParameter> sweepParametersOf(const DataSet& data) {
  std::vector<host::RecordedParameter> parameters(static_cast<size_t>(std::max(data.sweepCount, 0)));
  for (size_t p = 0; p < parameters.size(); ++p) {
    if (data.sweepNames != nullptr && data.sweepNames[p] != nullptr) parameters[p].name = data.sweepNames[p];
    const double* list = data.sweepValues != nullptr ? data.sweepValues[p] : nullptr;
    if (list == nullptr || !(list[0] >= 1)) continue;
    parameters[p].values.assign(list + 1, list + 1 + static_cast<size_t>(list[0]));
  }
  return parameters;
}

// The value of each sweep parameter in segment `block`, the first
// parameter changing fastest (NaN where the segment has none).
std::vector<std::pair<std::string, double>> sweepOf(const DataSet& data, int block) {
  std::vector<host::RecordedParameter> parameters = sweepParametersOf(data);
  std::vector<double> values = sweepValuesOf(parameters, static_cast<size_t>(block));
  std::vector<std::pair<std::string, double>> named;
  for (size_t p = 0; p < parameters.size(); ++p) named.push_back({parameters[p].name, values[p]});
  return named;
}

std::string sweepText(const std::vector<std::pair<std::string, double>>& values) {
  std::string text;
  for (const auto& [name, value] : values) {
    if (!text.empty()) text += ' ';
    text += name + "=" + shortestNumber(value);
  }
  return text;
}

// The segment that "temp=85 vdd=3" names, or -1.
int segmentNamed(const DataSet& data, const std::string& wanted, std::string* error) {
  std::map<std::string, double> asked;
  std::istringstream words(wanted);
  std::string word;
  while (words >> word) {
    size_t equals = word.find('=');
    double value = 0.0;
    if (equals == std::string::npos || !parseNumberInFull(word.substr(equals + 1), &value)) {
      *error = "--segment takes a segment number or NAME=VALUE pairs: \"" + word + "\"";
      return -1;
    }
    asked[lowerCase(word.substr(0, equals))] = value;
  }
  int found = -1;
  for (int block = 0; block < data.blockCount; ++block) {
    bool matches = true;
    size_t named = 0;
    for (const auto& [name, value] : sweepOf(data, block)) {
      auto wantedValue = asked.find(lowerCase(name));
      if (wantedValue == asked.end()) continue;
      ++named;
      matches = matches && wantedValue->second == value;
    }
    if (named != asked.size()) {
      *error = "the file has no sweep parameter of every name in \"" + wanted + "\"";
      return -1;
    }
    if (matches) {
      if (found >= 0) {
        *error = "\"" + wanted + "\" names more than one segment; name every sweep parameter";
        return -1;
      }
      found = block;
    }
  }
  if (found < 0) *error = "no segment has " + wanted;
  return found;
}

std::optional<ParameterKind> parameterNamed(const std::string& name) {
  static const std::map<std::string, ParameterKind> kinds = {{"s", ParameterKind::kScattering},
                                                             {"y", ParameterKind::kAdmittance},
                                                             {"z", ParameterKind::kImpedance},
                                                             {"h", ParameterKind::kHybrid},
                                                             {"g", ParameterKind::kInverseHybrid}};
  auto found = kinds.find(lowerCase(name));
  if (found == kinds.end()) return std::nullopt;
  return found->second;
}

// "D1,3 D2,4 C1,3 C2,4": the standard's [Mixed-Mode Order] descriptors.
bool modeRowsOf(const std::string& text, std::vector<ModeRow>* rows, std::string* error) {
  std::istringstream words(text);
  std::string word;
  while (words >> word) {
    char mode = static_cast<char>(std::toupper(static_cast<unsigned char>(word[0])));
    std::string rest = word.substr(1);
    size_t comma = rest.find(',');
    ModeRow row;
    row.mode = mode;
    bool good = mode == 'D' || mode == 'C' || mode == 'S';
    try {
      size_t used = 0;
      row.first = std::stoi(rest, &used) - 1;
      good = good && used == (comma == std::string::npos ? rest.size() : comma);
      if (mode == 'S') {
        good = good && comma == std::string::npos;
      } else {
        good = good && comma != std::string::npos;
        if (good) {
          std::string second = rest.substr(comma + 1);
          row.second = std::stoi(second, &used) - 1;
          good = used == second.size();
        }
      }
    } catch (...) {
      good = false;
    }
    if (!good) {
      *error = "\"" + word + "\" is no mixed-mode descriptor (D<i>,<j>, C<i>,<j> or S<i>)";
      return false;
    }
    rows->push_back(row);
  }
  return true;
}

// The [Mixed-Mode Order] line of a 2.x file's header, or empty.
std::string mixedModeOrderOf(const std::string& path) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return {};
  std::string head(256 * 1024, '\0');
  head.resize(std::fread(head.data(), 1, head.size(), file));
  std::fclose(file);
  std::istringstream lines(head);
  std::string line;
  const std::string keyword = "[mixed-mode order]";
  while (std::getline(lines, line)) {
    size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos) continue;
    if (lowerCase(line.substr(start, keyword.size())) == keyword) {
      std::string order = line.substr(start + keyword.size());
      size_t comment = order.find('!');
      return comment == std::string::npos ? order : order.substr(0, comment);
    }
    if (lowerCase(line.substr(start, 14)) == "[network data]") break;
  }
  return {};
}

std::vector<std::string> splitList(const std::string& text) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : text) {
    if (c == ',' || c == ' ') {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) parts.push_back(part);
  return parts;
}

class ConvertCommand : public Command {
 public:
  const char* name() const override { return "convert"; }
  const char* summary() const override {
    return "Write a file as Touchstone 1.0, 1.1 or 2.1: renormalised, as Y or Z, mixed-mode";
  }
  void define(CLI::App& command) override {
    command.description(
        "Write any file the plug-in reads as a Touchstone file: by default the oldest version that carries "
        "the data (1.0, or 2.1 for per-port references, mixed mode, a half matrix or a .ts name), numbers "
        "in the shortest form that reads back to the same value, the header comments carried over. A "
        "swept SC file gives one file per segment (OUTPUT_1.s2p, ...), or the one --segment names.");
    command.add_option("input", input_, "The file to convert; - reads standard input")->required();
    command
        .add_option("-o,--output", output_,
                    "The Touchstone file to write (.sNp or .ts; - for standard output)")
        ->required()
        ->type_name("FILE");
    command.add_option("--version", version_, "Touchstone version: 1.0, 1.1 or 2.1")
        ->check(CLI::IsMember({"1.0", "1.1", "2.1"}));
    command.add_option("--format", format_, "ri, ma or db (default: as read; ri for SC files)")
        ->check(CLI::IsMember({"ri", "ma", "db"}, CLI::ignore_case));
    command.add_option("--unit", unit_, "Frequency unit: hz, khz, mhz or ghz (default: as read)")
        ->check(CLI::IsMember({"hz", "khz", "mhz", "ghz"}, CLI::ignore_case));
    command
        .add_option("--matrix", matrix_, "full, lower or upper (2.1; lower and upper for symmetric networks)")
        ->check(CLI::IsMember({"full", "lower", "upper"}, CLI::ignore_case));
    command.add_option("--type", type_, "Parameters written: s, y, z, or h, g for a two-port (default s)")
        ->check(CLI::IsMember({"s", "y", "z", "h", "g"}, CLI::ignore_case));
    command
        .add_option("--ref", reference_,
                    "Renormalise to real references: one resistance for every port, or one per port "
                    "(50,50,75,75); in mixed mode the resistance of each terminal's pair")
        ->type_name("OHMS");
    command
        .add_option("--mixed-mode", mixedMode_,
                    "Single-ended to mixed-mode S, in the order given: \"D1,3 D2,4 C1,3 C2,4\" (D<i>,<j>: "
                    "differential, C<i>,<j>: common mode of ports i and j, i positive; S<i>: port i)")
        ->type_name("ORDER");
    command.add_flag("--single-ended", singleEnded_, "Mixed-mode S back to single-ended S");
    command.add_option("--segment", segment_,
                       "Of a swept file, one segment: its number (from 1) or its sweep values "
                       "(\"temp=85 vdd=3\")");
  }
  std::string validate() const override {
    if (!mixedMode_.empty() && singleEnded_) return "--mixed-mode and --single-ended exclude each other";
    return {};
  }
  int run(PluginSession& session) override;

 private:
  int convertSegment(DataSet* data, int block, const std::string& outputPath, const FileHeader& header,
                     bool several);
  bool writeOut(const NetworkToWrite& network, const TouchstoneWriteOptions& options,
                TouchstoneVersion version, const std::string& path);

  std::string input_;
  std::string readPath_;
  std::string output_;
  std::string version_;
  std::string format_;
  std::string unit_;
  std::string matrix_;
  std::string type_ = "s";
  std::string reference_;
  std::string mixedMode_;
  bool singleEnded_ = false;
  std::string segment_;
};

bool ConvertCommand::writeOut(const NetworkToWrite& network, const TouchstoneWriteOptions& options,
                              TouchstoneVersion version, const std::string& path) {
  if (path == "-") {
    writeTouchstone(network, options, version, std::cout);
    std::cout.flush();
    return static_cast<bool>(std::cout);
  }
  ReplacingFile output(path);
  std::string error;
  if (!output.open(&error) || !writeTouchstone(network, options, version, output.stream()) ||
      !output.commit(&error)) {
    diagnose("cannot write " + printable(path) + ": " + (error.empty() ? "write failed" : error));
    return false;
  }
  return true;
}

TouchstoneWriteOptions writeOptionsOf(const std::string& version, const std::string& format,
                                      const std::string& unit, const std::string& matrix,
                                      const FileHeader& header, bool scFile) {
  TouchstoneWriteOptions options;
  if (version == "1.0") options.version = TouchstoneVersion::kOneZero;
  if (version == "1.1") options.version = TouchstoneVersion::kOneOne;
  if (version == "2.1") options.version = TouchstoneVersion::kTwoOne;
  std::string chosenFormat = lowerCase(!format.empty() ? format : scFile ? "ri" : header.dataFormat);
  options.format = chosenFormat == "ri"   ? WrittenFormat::kRealImaginary
                   : chosenFormat == "db" ? WrittenFormat::kDecibelAngle
                                          : WrittenFormat::kMagnitudeAngle;
  std::string chosenUnit = lowerCase(!unit.empty() ? unit : scFile ? "hz" : header.frequencyUnit);
  static const std::map<std::string, std::pair<double, const char*>> units = {
      {"hz", {1.0, "Hz"}}, {"khz", {1e3, "kHz"}}, {"mhz", {1e6, "MHz"}}, {"ghz", {1e9, "GHz"}}};
  auto found = units.find(chosenUnit);
  if (found == units.end()) found = units.find("ghz");  // the Touchstone default
  options.unitScale = found->second.first;
  options.unitName = found->second.second;
  std::string chosenMatrix = lowerCase(matrix);
  options.matrix = chosenMatrix == "lower"   ? MatrixHalf::kLower
                   : chosenMatrix == "upper" ? MatrixHalf::kUpper
                                             : MatrixHalf::kFull;
  return options;
}

int ConvertCommand::convertSegment(DataSet* data, int block, const std::string& outputPath,
                                   const FileHeader& header, bool several) {
  auto fail = [&](const std::string& why) {
    diagnoseFile(input_, printable(why) + "; nothing written");
    return kExitRefused;
  };
  WrittenNetwork network;
  std::string error = network.take(*data, block, false);
  if (error.empty() && data->mixedMode != 0 && data->isScFormat == 0) {
    // A file's own mode order keeps its single-ended port numbers; a
    // mapping in comment lines has none, and the pairs are numbered in
    // order of appearance.
    std::vector<ModeRow> fileOrder;
    std::string unreadable;
    std::string order = mixedModeOrderOf(readPath_);
    if (!order.empty() && modeRowsOf(order, &fileOrder, &unreadable)) network.useModeRows(fileOrder);
  }
  if (error.empty() && !reference_.empty()) {
    std::vector<double> ohms;
    for (const std::string& part : splitList(reference_)) {
      double value = 0.0;
      if (!parseNumberInFull(part, &value)) return fail("--ref takes resistances in ohms: \"" + part + "\"");
      ohms.push_back(value);
    }
    error = network.renormalise(ohms);
  }
  if (error.empty() && !mixedMode_.empty()) {
    std::vector<ModeRow> rows;
    if (!modeRowsOf(mixedMode_, &rows, &error)) return fail(error);
    error = network.toMixedMode(rows);
  }
  if (error.empty() && singleEnded_) error = network.toSingleEnded();
  if (error.empty()) error = network.referenceLimit();
  if (error.empty()) {
    StandardOutputToError quiet;
    error = network.toParameter(*parameterNamed(type_));
  }
  if (!error.empty()) return fail(error);

  NetworkToWrite& written = network.editableNetwork();
  written.comments = header.comments;
  if (data->sweepCount > 0) written.comments.push_back("sweep: " + sweepText(sweepOf(*data, block)));
  written.comments.push_back(std::string("written by korvel ") + kToolVersion + " from " +
                             printable(input_ == "-" ? std::string("standard input") : input_));
  TouchstoneWriteOptions options =
      writeOptionsOf(version_, format_, unit_, matrix_, header, data->isScFormat == 1);
  OutputName name;
  if (!outputNameOf(outputPath, &name, &error)) return fail(error);
  options.keywordFileName = name.keyword;
  if (name.ports != 0 && name.ports != written.terminalCount) {
    return fail("the network has " + std::to_string(written.terminalCount) + " ports and " +
                printable(outputPath) + " names " + std::to_string(name.ports));
  }
  TouchstoneVersion version = TouchstoneVersion::kTwoOne;
  error = chooseTouchstoneVersion(written, options, &version);
  if (!error.empty()) return fail(error);
  if (several) {
    diagnoseFile(outputPath, sweepText(sweepOf(*data, block)));
  }
  return writeOut(written, options, version, outputPath) ? kExitOk : kExitRefused;
}

int ConvertCommand::run(PluginSession& /*session*/) {
  std::string readPath = input_;
  std::unique_ptr<StandardInputCopy> standardInput;
  if (input_ == "-") {
    standardInput = std::make_unique<StandardInputCopy>();
    std::string error;
    if (!standardInput->make("", &error)) {
      diagnoseFile("-", error);
      return kExitRefused;
    }
    readPath = standardInput->path();
  }
  readPath_ = readPath;
  ReportingSink sink(input_);
  DataSet* data = nullptr;
  int result = kFailed;
  try {
    StandardOutputToError quiet;
    MessageRoute route(sink);
    result = readFileData(readPath.c_str(), &data);
  } catch (...) {
    result = kFailed;
  }
  if (result != kOk || data == nullptr) {
    if (data != nullptr) closeFile(data);
    if (!sink.refusalShown()) diagnoseFile(input_, "refused");
    return kExitRefused;
  }
  std::unique_ptr<DataSet, int (*)(DataSet*)> owned(data, closeFile);
  FileHeader header =
      readFileHeader(readPath, data->isScFormat == 1 ? HeaderFormat::kSc : HeaderFormat::kTouchstone);
  if (data->hasGroupDelay != 0) {
    diagnoseFile(input_, "group delay has no place in Touchstone and is not written");
  }
  std::vector<int> blocks;
  if (!segment_.empty()) {
    std::string error;
    int block = -1;
    if (segment_.find('=') == std::string::npos) {
      double number = 0.0;
      if (parseNumberInFull(segment_, &number) && number >= 1 && number <= data->blockCount &&
          number == std::floor(number)) {
        block = static_cast<int>(number) - 1;
      } else {
        error = "the file has " + std::to_string(data->blockCount) + " segment" +
                (data->blockCount == 1 ? "" : "s") + ", numbered from 1: \"" + segment_ + "\"";
      }
    } else {
      block = segmentNamed(*data, segment_, &error);
    }
    if (block < 0) {
      diagnoseFile(input_, printable(error));
      return kExitRefused;
    }
    blocks.push_back(block);
  } else {
    for (int block = 0; block < data->blockCount; ++block) blocks.push_back(block);
  }
  bool several = blocks.size() > 1;
  if (several && output_ == "-") {
    diagnoseFile(input_, "the file has " + std::to_string(blocks.size()) +
                             " segments; give --segment, or a file name for one file per segment");
    return kExitRefused;
  }
  int status = kExitOk;
  for (int block : blocks) {
    std::string path = several ? segmentPath(output_, block + 1) : output_;
    int written = kExitRefused;
    try {
      written = convertSegment(data, block, path, header, several);
    } catch (const std::bad_alloc&) {
      diagnoseFile(input_, "not enough memory to convert the file; nothing written");
    }
    if (written != kExitOk) status = written;
  }
  return status;
}

}  // namespace

std::unique_ptr<Command> makeConvertCommand() { return std::make_unique<ConvertCommand>(); }

}  // namespace korvel::tool
