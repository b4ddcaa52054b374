// The data stage of a Touchstone read.
#include "touchstone/touchstone_data.h"

#include <climits>
#include <limits>
#include <new>
#include <string>
#include <utility>

#include "dataset/messages.h"
#include "dataset/result.h"
#include "dataset/waveform_names.h"
#include "rfcalc/scattering_conversion.h"
#include "touchstone/network_storage.h"
#include "touchstone/noise_block.h"
#include "touchstone/parallel_points.h"
#include "touchstone/point_stream.h"
#include "touchstone/port_impedances.h"

namespace korvel {

namespace {

// "3 declared, 2 read".
std::string declaredAndRead(int64_t declared, int64_t read) {
  return std::to_string(declared) + " declared, " + std::to_string(read) + " read";
}

// Storage for the points the file can hold; a file whose size is unknown
// starts small and grows. Falls back to that small start when the
// estimate cannot be had, and throws std::bad_alloc when not even that can.
void allocateForFile(DataSet* data, size_t estimate, size_t* capacity) {
  *capacity = estimate > 0 ? estimate : kGrowthStartPoints;
  if (allocateNetworkStorage(data, *capacity) == kOk) return;
  if (*capacity > kGrowthStartPoints) {
    *capacity = kGrowthStartPoints;
    if (allocateNetworkStorage(data, *capacity) == kOk) return;
  }
  throw std::bad_alloc();
}

// The points [Number of Frequencies] declares, when the file can hold that
// many (`bound`, from its size); 0 when none is declared, the size is
// unknown or the count is beyond it. Such a count is only a size: the
// points read are checked against it as any count.
size_t plausibleCount(const DataPlan& plan, uint64_t bound) {
  if (!plan.keywords || plan.fileSize == 0 || plan.layout.pointLimit <= 0) return 0;
  uint64_t declared = static_cast<uint64_t>(plan.layout.pointLimit);
  return declared <= bound ? static_cast<size_t>(declared) : 0;
}

// The storage for a declared count that the file can hold, exactly that
// many points. The arrays the points fill are advised onto large pages, as
// they will be written whole.
void allocateForCount(DataSet* data, size_t declared, size_t* capacity) {
  allocateForFile(data, declared, capacity);
  if (*capacity >= declared) advisePointArrays(*data, declared);
}

// The impedance of every terminal after its mode's conversion; records
// the reference impedance of the terminal that plays port 1.
std::vector<double> terminalImpedances(DataSet* data, const std::vector<double>& written) {
  std::vector<double> converted(static_cast<size_t>(data->terminalCount));
  for (int i = 0; i < data->terminalCount; ++i) {
    size_t at = static_cast<size_t>(i);  // from 0 up
    converted[at] = terminalImpedance(data, i, written[at]);
  }
  return converted;
}

// "1 value", "3 values".
std::string valueCount(int count) { return std::to_string(count) + (count == 1 ? " value" : " values"); }

// Whether the port impedance lines of the file are its references: only
// for S data (other parameters do not depend on the reference they are
// turned into S at), when nothing else gives references, and for plain
// ports.
bool readsPortImpedances(const DataPlan& plan, const DataSet& data) {
  return plan.parameter == ParameterKind::kScattering && !plan.referencesGiven && data.mixedMode == 0;
}

// The line that opened a 1.x noise block must be a noise point: a short
// or shifted data line whose number happens to fall is no noise data.
// Returns true when the read must stop; `*valid` says whether the block
// may be read.
bool checkNoiseOpening(const StreamEnd& end, const ScatteringPoints& points, ReadStatus* status,
                       bool* valid) {
  std::string fault = noiseOpeningFault(end.rest, end.opening, points.numbersOnLastLine() - 1);
  *valid = fault.empty();
  return !*valid && status->refuse(Message::kNoiseOpeningInvalid, end.line, fault);
}

int readNoiseBlockOfVersionOne(LineSource* source, StreamEnd* end, double resistance, DataSet* data) {
  data->hasNoise = 1;
  appendNoiseNames(data);
  if (allocateNoiseStorage(data) != kOk) return kFailed;
  return readNoiseBlock(source, &end->rest, end->opening, resistance, data);
}

// True for a mixed-mode mapping that makes the file a two-port: the gain
// and noise formulas take their ports 1 and 2 from two of its terminals.
bool definesTwoPort(const DataSet& data) {
  auto isTerminal = [&](int index) { return index >= 0 && index < data.terminalCount; };
  return data.mixedMode == 1 && data.portCount == 2 && isTerminal(data.port1Index) &&
         isTerminal(data.port2Index) && data.port1Index != data.port2Index;
}

// The available gain pairs every network point with a noise point.
void appendAvailableGainWhenComplete(DataSet* data) {
  if (data->hasNoise == 1 && data->portCount == 2 && data->noisePointCount == data->pointCount) {
    appendAvailableGainName(data);
  }
}

// The points read against [Number of Frequencies].
bool checkPointCount(const StreamEnd& end, const ScatteringPoints& points, const DataPlan& plan,
                     ReadStatus* status) {
  int64_t declared = plan.layout.pointLimit;
  if (end.outcome == ScatteringPoints::Outcome::kTooManyPoints) {
    return status->refuse(Message::kPointsBeyondCount, end.line, std::to_string(declared));
  }
  if (!points.frequencyDue()) {
    if (status->refuse(Message::kPointIncomplete, end.line)) return true;
  }
  if (points.completePoints() != declared) {
    return status->refuse(Message::kPointCountMismatch, end.line,
                          declaredAndRead(declared, points.completePoints()));
  }
  return false;
}

// [Noise Data] to the keyword after it. Returns true when the read must stop.
bool readNoiseOfVersionTwo(LineSource* source, const DataPlan& plan, StreamEnd* end, DataSet* data,
                           ReadStatus* status) {
  int line = end->line;
  if (data->terminalCount != 2) return status->refuse(Message::kNoiseNotTwoPort, line);
  if (plan.noisePoints == 0) return status->refuse(Message::kNoiseCountMissing, line);
  data->hasNoise = 1;
  appendNoiseNames(data);
  if (allocateNoiseStorage(data) != kOk) return true;
  NoiseEnd noise = readNoiseData(source, plan.noisePoints, 1.0, data);
  end->keyword = noise.keyword;
  end->line = noise.keywordLine != 0 ? noise.keywordLine : source->lineNumber();
  if (!noise.notNumber.empty()) {
    reportAt(Message::kValueNotNumber, noise.notNumberLine, quotedToken(noise.notNumber));
    return true;
  }
  if (noise.tooMany) {
    return status->refuse(Message::kNoisePointsBeyondCount, end->line, std::to_string(plan.noisePoints));
  }
  if (noise.incomplete && status->refuse(Message::kNoisePointIncomplete, end->line)) return true;
  if (noise.points != plan.noisePoints) {
    return status->refuse(Message::kNoiseCountMismatch, end->line,
                          declaredAndRead(plan.noisePoints, noise.points));
  }
  if (noise.points > data->pointCount) {
    reportAt(Message::kNoisePointsDropped, plan.noiseDeclaredLine, std::to_string(data->pointCount));
  }
  return false;
}

// The keywords after the network data: [Noise Data] when declared, then
// [End]. Returns true when the read must stop.
bool readClosingKeywords(LineSource* source, const DataPlan& plan, StreamEnd* end, DataSet* data,
                         ReadStatus* status) {
  if (end->keyword == "noise data") {
    if (readNoiseOfVersionTwo(source, plan, end, data, status)) return true;
  } else if (plan.noisePoints > 0) {
    // The network data is whole: the file opens without noise.
    reportAt(Message::kNoiseDataMissing, plan.noiseDeclaredLine);
  }
  if (end->keyword.empty()) {
    reportAt(Message::kEndMissing, source->lineNumber());
    return false;
  }
  if (end->keyword != "end") {
    return status->refuse(Message::kEndExpected, end->line, quotedToken(end->keyword, QuoteMarks::kBrackets));
  }
  return false;
}

// Turns the Y, Z, H or G values read into the S storage into S at the
// terminals' reference impedances, de-normalising 1.x values first.
int convertReadValues(const DataPlan& plan, const std::vector<double>& zo, DataSet* data) {
  size_t points = static_cast<size_t>(data->pointCount);
  int terminals = data->terminalCount;
  ScatteringConversion outcome = ScatteringConversion::kConverted;
  if (plan.normalised) {
    outcome = denormaliseParameters(plan.parameter, terminals, plan.normalisingResistance, data->waveformData,
                                    points);
  }
  if (outcome == ScatteringConversion::kConverted) {
    outcome = convertToScattering(plan.parameter, terminals, zo.data(), data->waveformData, points);
  }
  if (outcome == ScatteringConversion::kConverted) return kOk;
  if (outcome == ScatteringConversion::kOutOfMemory) throw std::bad_alloc();
  if (outcome == ScatteringConversion::kReferenceNotPositive) {
    reportAt(Message::kReferenceNotPositive, plan.optionLine,
             std::string(1, parameterLetter(plan.parameter)));
  }
  return kFailed;
}

}  // namespace

DataPlan versionOnePlan(const DataSet& data, std::vector<double> resistances, uint64_t fileSize) {
  DataPlan plan;
  plan.resistances = std::move(resistances);
  plan.layout.fallingOpensNoise = data.terminalCount == 2 || definesTwoPort(data);
  plan.layout.wholePointsPerLine = data.terminalCount <= 2;
  plan.fileSize = fileSize;
  return plan;
}

int readTouchstoneData(LineSource* source, const std::string_view* pending, const DataPlan& plan,
                       DataSet* data) {
  int64_t waveforms = noiseBaseIndex(*data);
  if (waveforms <= 0 || waveforms > INT_MAX - static_cast<int64_t>(noiseSlotCount(*data)) - 1) return kFailed;
  uint64_t estimate = plan.fileSize / static_cast<uint64_t>(waveforms);
  // A known size too small for one point's text: nothing can be read, and
  // no name or array is built for it.
  if (plan.fileSize > 0 && estimate == 0) return failAt(Message::kNoData, source->lineNumber());
  if (estimate > INT_MAX) estimate = INT_MAX;

  appendNetworkNames(data);
  size_t capacity = 0;
  if (size_t declared = plausibleCount(plan, estimate); declared > 0) {
    allocateForCount(data, declared, &capacity);
  } else {
    allocateForFile(data, static_cast<size_t>(estimate), &capacity);
  }
  std::vector<double> zo = terminalImpedances(data, plan.resistances);
  if (plan.noiseResistance > 0.0) data->referenceImpedance = plan.noiseResistance;

  ScatteringPoints points(data, capacity, plan.layout);
  PortImpedances impedances(data->terminalCount);
  PointStreamRules rules;
  rules.keywords = plan.keywords;
  // Line widths are a matter of style, looked at only for a full check.
  rules.checkWidth = !plan.keywords && plan.collecting;
  rules.collecting = plan.collecting;
  NetworkRead read;
  read.data = data;
  read.capacity = capacity;
  read.layout = plan.layout;
  read.fileEnd = plan.fileSize > 0 ? source->offset() + plan.fileSize - source->consumed() : 0;
  StreamEnd end = readNetworkPoints(source, pending, rules, read, &points,
                                    readsPortImpedances(plan, *data) ? &impedances : nullptr);
  if (end.outcome == ScatteringPoints::Outcome::kOutOfMemory || end.refused) return kFailed;
  if (impedances.finish() != kOk) return kFailed;
  if (end.outcome == ScatteringPoints::Outcome::kNotNumber) {
    return failAt(Message::kValueNotNumber, end.line, quotedToken(points.notNumber()));
  }
  ReadStatus status(plan.collecting);
  if (end.failed) status.take(kFailed);
  if (plan.keywords && plan.layout.pointLimit > 0 && checkPointCount(end, points, plan, &status))
    return kFailed;
  data->pointCount = points.completePoints();
  if (data->pointCount == 0) return failAt(Message::kNoData, end.line);
  int missing = points.missingValues();
  if (!plan.keywords && missing > 0)
    reportAt(Message::kPointCutShort, points.lastNumberLine(), valueCount(missing));
  writeReferenceImpedances(data, zo);
  if (!impedances.empty()) {
    if (impedances.apply(data, missing > 0, end.line) != kOk) return kFailed;
    if (plan.noiseResistance > 0.0) data->referenceImpedance = plan.noiseResistance;
  } else if (plan.referenceValueMissing) {
    reportAt(Message::kReferenceValueMissing, plan.optionLine);
  }
  if (plan.parameter != ParameterKind::kScattering && convertReadValues(plan, zo, data) != kOk)
    return kFailed;

  bool noiseValid = false;
  if (end.outcome == ScatteringPoints::Outcome::kNoiseBlock &&
      checkNoiseOpening(end, points, &status, &noiseValid)) {
    return kFailed;
  }
  if (noiseValid) {
    // A 1.x Rn is normalised to the reference of the two-port's port 1:
    // the terminal that plays port 1 (D1 of a mixed-mode mapping, wherever
    // the mapping puts it), not the file's first terminal.
    double resistance = plan.noiseResistance > 0.0 ? plan.noiseResistance : data->referenceImpedance;
    if (!impedances.empty()) {
      // Rn is normalised to port 1's reference, which must be one value.
      resistance = data->referenceImpedance;
      if (!impedances.portOneConstant(data->pointCount)) {
        reportAt(Message::kPortImpedanceNoise, end.line);
        resistance = data->referenceImpedance = std::numeric_limits<double>::quiet_NaN();
      }
    }
    if (readNoiseBlockOfVersionOne(source, &end, resistance, data) != kOk) return kFailed;
  }
  if (plan.keywords && readClosingKeywords(source, plan, &end, data, &status)) return kFailed;
  appendAvailableGainWhenComplete(data);
  return status.result();
}

}  // namespace korvel
