// The reader of Touchstone files. A file whose first field is [Version]
// is a 2.x file: its keyword section, then the data stage. Any other file
// is a 1.x file: the comment lines before the option line (with a possible
// mixed-mode mapping), the option line, more comments after it, then the
// data stage.
#include "touchstone/touchstone_reader.h"

#include <string>
#include <vector>

#include "dataset/messages.h"
#include "dataset/result.h"
#include "text/text_input.h"
#include "touchstone/keyword_header.h"
#include "touchstone/line_kinds.h"
#include "touchstone/mixed_mode_comments.h"
#include "touchstone/network_storage.h"
#include "touchstone/option_line.h"
#include "touchstone/touchstone_data.h"

namespace korvel {

namespace {

// Skips, unexamined, every line up to the option line; false when the file
// ends first.
bool findOptionLine(LineSource* source, bool haveLine, std::string_view* line) {
  while (haveLine && !isOptionLine(*line)) haveLine = source->next(line);
  return haveLine;
}

// The size of the whole text, taken before any of it is read; 0 when the
// stream cannot tell it, and the storage then grows as points arrive.
uint64_t textSize(FILE* file) {
  uint64_t size = remainingBytes(file);
  return size == kUnknownSize ? 0 : size;
}

// Skips comment and blank lines; false when the file ends first.
bool findFirstField(LineSource* source, std::string_view* line) {
  while (source->next(line)) {
    if (!isCommentLine(*line) && !isBlankLine(*line)) return true;
  }
  return false;
}

bool isHybridType(ParameterKind type) {
  return type == ParameterKind::kHybrid || type == ParameterKind::kInverseHybrid;
}

// H and G describe two-ports only.
int checkParameterFitsPorts(const OptionLine& option, int ports) {
  if (!isHybridType(option.parameter) || ports == 2) return kOk;
  return failAt(Message::kHybridNotTwoPort, option.line, std::to_string(ports));
}

// Forgets a mapping of comment lines read before a 2.x file's [Version]:
// there the mixed-mode order comes from the keyword.
void forgetCommentMapping(DataSet* data) {
  data->mixedMode = 0;
  data->port1Index = 0;
  data->port2Index = 1;
}

// One resistance per port, from [Reference] or else the option line.
int portResistances(const KeywordHeader& header, std::vector<double>* resistances) {
  if (!header.reference.empty()) {
    *resistances = header.reference;
    return kOk;
  }
  return terminalResistances(header.option, {.terminals = header.ports}, resistances);
}

int readVersionTwo(LineSource* source, std::string_view versionLine, uint64_t fileSize, bool collecting,
                   DataSet* data) {
  KeywordHeader header;
  ReadStatus status(collecting);
  status.take(readKeywordHeader(source, versionLine, collecting, &header));
  // Without [Network Data] there is nothing more to read, even for a check.
  if (status.stopped() || header.ports == 0 || !header.networkDataFound) return kFailed;
  if (data->terminalCount > 0 && data->terminalCount != header.ports) {
    reportAt(Message::kPortCountDiffers, header.portsLine,
             std::to_string(header.ports) + " ports, the file name " + std::to_string(data->terminalCount));
  }
  forgetCommentMapping(data);
  data->terminalCount = data->portCount = header.ports;
  if (applyOptionLine(header.option, data) != kOk) return kFailed;
  status.take(checkParameterFitsPorts(header.option, header.ports));
  std::vector<double> resistances;
  status.take(portResistances(header, &resistances));
  if (status.stopped() || resistances.size() != static_cast<size_t>(header.ports)) return kFailed;
  DataPlan plan;
  if (!header.mixedModeOrder.empty()) {
    status.take(applyMixedModeOrder(header.mixedModeOrder, resistances, header.mixedModeLine, data,
                                    &plan.resistances));
    if (status.stopped()) return kFailed;
  } else {
    plan.resistances = resistances;
  }
  plan.layout.matrix = header.matrix;
  plan.layout.columnsFirst = header.columnsFirst;
  // A count that is missing was reported; a check then reads on unbounded.
  plan.layout.pointLimit = header.frequencies > 0 ? header.frequencies : -1;
  plan.parameter = header.option.parameter;
  plan.optionLine = header.option.line;
  plan.keywords = true;
  plan.noisePoints = header.noiseFrequencies;
  plan.noiseDeclaredLine = header.noiseFrequenciesLine;
  // Noise data refers to the option line's R (port 1's of a list), not
  // to [Reference].
  plan.noiseResistance = header.option.resistances.front();
  plan.referencesGiven = header.option.resistancesGiven || !header.reference.empty();
  plan.referenceValueMissing = header.option.resistanceValueMissing && header.reference.empty();
  plan.fileSize = fileSize;
  plan.collecting = collecting;
  status.take(readTouchstoneData(source, nullptr, plan, data));
  return status.result();
}

// The option line given again before the data: the same again is passed
// over with a warning, a different one leaves the options in doubt and
// refuses the file. `*line` is the next line when `*haveLine`; afterwards
// it is the first line that is no option line.
int passRepeatedOptionLines(LineSource* source, const OptionLine& option, bool collecting, bool* haveLine,
                            std::string_view* line) {
  if (!*haveLine) *haveLine = source->next(line);
  int status = kOk;
  while (*haveLine && isOptionLine(*line)) {
    int number = source->lineNumber();
    OptionLine again;
    if (readOptionLine(*line, number, collecting, &again) != kOk) {
      status = kFailed;
    } else if (!again.sameMeaning(option)) {
      status = failAt(Message::kOptionLineTwice, number);
    } else {
      reportAt(Message::kOptionLineRepeated, number);
    }
    if (status != kOk && !collecting) return status;
    // Blank lines are passed over here; a comment line goes to the data.
    do {
      *haveLine = source->next(line);
    } while (*haveLine && !isCommentLine(*line) && isBlankLine(*line));
  }
  return status;
}

// 1.x Y, Z, H and G values are normalised to one resistance; a list of
// per-port values gives none to normalise them to.
int checkNormalisation(const OptionLine& option) {
  if (option.parameter == ParameterKind::kScattering || option.resistances.size() <= 1) return kOk;
  return failAt(Message::kPerPortNormalised, option.line, std::string(1, parameterLetter(option.parameter)));
}

int readVersionOne(LineSource* source, CommentScan before, std::string_view line, uint64_t fileSize,
                   bool collecting, DataSet* data) {
  if (data->terminalCount <= 0) {
    return failAt(Message::kTsWithoutVersion, source->lineNumber());
  }
  if (!findOptionLine(source, before.haveLine, &line)) {
    return failAt(Message::kHeaderLineMissing, source->lineNumber());
  }
  ReadStatus status(collecting);
  OptionLine option;
  status.take(readOptionLine(line, source->lineNumber(), collecting, &option));
  if (status.stopped() || applyOptionLine(option, data) != kOk) return kFailed;
  status.take(checkParameterFitsPorts(option, data->terminalCount));
  status.take(checkNormalisation(option));
  std::vector<double> resistances;
  status.take(terminalResistances(
      option, {.terminals = data->terminalCount, .ports = data->portCount, .mixedMode = data->mixedMode},
      &resistances));
  if (status.stopped() || resistances.size() != static_cast<size_t>(data->terminalCount)) return kFailed;

  // A mapping may also follow the option line, unless one was already
  // read or abandoned before it.
  bool pending = false;
  if (data->mixedMode == 0 && !before.mappingAbandoned) {
    pending = readMixedModeComments(source, data, &line).haveLine;
  }
  status.take(passRepeatedOptionLines(source, option, collecting, &pending, &line));
  if (status.stopped()) return kFailed;
  DataPlan plan = versionOnePlan(*data, resistances, fileSize);
  plan.parameter = option.parameter;
  plan.optionLine = option.line;
  plan.normalised = true;
  plan.normalisingResistance = option.resistances.front();
  plan.referencesGiven = option.resistancesGiven;
  plan.referenceValueMissing = option.resistanceValueMissing;
  plan.collecting = collecting;
  status.take(readTouchstoneData(source, pending ? &line : nullptr, plan, data));
  return status.result();
}

}  // namespace

int readTouchstone(DataSet* data) {
  uint64_t fileSize = textSize(data->file);
  // Whether this read collects every error (a full check) rather than
  // stopping at the first: asked once, carried by the read from here.
  const bool collecting = readsOnAfterErrors();
  LineSource source(data->file, LineEnds::kAny);
  std::string_view line;
  CommentScan before;
  // A .ts file (no port count in its name) has no comment mapping to read.
  if (data->terminalCount > 0) {
    before = readMixedModeComments(&source, data, &line);
  } else {
    before.haveLine = findFirstField(&source, &line);
  }
  if (before.haveLine && keywordName(line) == "version")
    return readVersionTwo(&source, line, fileSize, collecting, data);
  return readVersionOne(&source, before, line, fileSize, collecting, data);
}

}  // namespace korvel
