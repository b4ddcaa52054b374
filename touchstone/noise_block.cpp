// The noise block of a Touchstone file.
#include "touchstone/noise_block.h"

#include <string>

#include "dataset/messages.h"
#include "dataset/result.h"
#include "dataset/waveform_names.h"
#include "rfcalc/network_layout.h"
#include "text/complex_conversion.h"
#include "touchstone/keyword_header.h"
#include "touchstone/line_kinds.h"
#include "touchstone/scattering_points.h"

namespace korvel {

namespace {

constexpr int kNoiseFields = 5;

// How the fields of a noise point were read.
enum class Fields { kComplete, kShort, kNotNumber };

// Reads fields[first] to the last field from `cursor`; kShort when the
// tokens run out before (`*taken` then counts the fields read),
// kNotNumber with `*bad` at a token that is no number.
Fields takeFields(TokenCursor* cursor, double* fields, int first, int* taken, std::string_view* bad) {
  *taken = first;
  for (int i = first; i < kNoiseFields; ++i) {
    TokenValue found = cursor->nextValue(kWhitespaceDelimiters, &fields[i], bad);
    if (found == TokenValue::kEnd) return Fields::kShort;
    if (found == TokenValue::kNotNumber) return Fields::kNotNumber;
    *taken = i + 1;
  }
  return Fields::kComplete;
}

std::string valueCount(int count) { return std::to_string(count) + (count == 1 ? " value" : " values"); }

void storeNoisePoint(DataSet* data, int k, const double* fields, double firstTerminalImpedance) {
  NetworkLayout layout = networkLayout(*data);
  double** entries = data->waveformData;
  data->noiseFrequencies[k] = fields[0] * data->frequencyScale;
  entries[layout.noise(kMinimumNoiseFigure)][2 * k] = fields[1];
  // The optimum reflection is written as magnitude and angle whatever the
  // option line's format.
  storePolar(entries[layout.noise(kOptimumReflection)] + 2 * k, fields[2], fields[3]);
  entries[layout.noise(kNoiseResistance)][2 * k] = fields[4] * firstTerminalImpedance;
}

// The next line that is not a comment line, as a cursor over its fields.
bool nextNoiseLine(LineSource* source, TokenCursor* cursor) {
  std::string_view line;
  while (source->next(&line)) {
    if (isCommentLine(line)) continue;
    *cursor = TokenCursor(withoutComment(line));
    return true;
  }
  return false;
}

// True when the frequency of noise point k does not rise above the one
// before.
bool fallsBack(const DataSet& data, int k, double frequency) {
  return k > 0 && frequency * data.frequencyScale <= data.noiseFrequencies[k - 1];
}

void warnOrder(int line) { reportAt(Message::kNoiseFrequencyNotRising, line); }

}  // namespace

std::string noiseOpeningFault(TokenCursor rest, double opening, int before) {
  double fields[kNoiseFields] = {opening};
  int numbers = 1;  // from the opening number on
  double number = 0.0;
  std::string_view bad;
  for (TokenValue found;
       (found = rest.nextValue(kWhitespaceDelimiters, &number, &bad)) != TokenValue::kEnd;) {
    if (found == TokenValue::kNotNumber) return std::string();
    if (numbers < kNoiseFields) fields[numbers] = number;
    ++numbers;
  }
  int total = before + numbers;
  if (total != kNoiseFields) {
    return "it holds " + std::to_string(total) + (total == 1 ? " number" : " numbers") + ", not " +
           std::to_string(kNoiseFields);
  }
  if (before > 0) return "the number that opens it is not the line's first";
  if (!(fields[0] > 0.0)) return "its frequency " + numberText(fields[0]) + " is not above zero";
  if (fields[1] < 0.0) return "its minimum noise figure " + numberText(fields[1]) + " dB is below zero";
  if (fields[4] < 0.0) return "its noise resistance " + numberText(fields[4]) + " is below zero";
  return std::string();
}

NoiseEnd readNoiseData(LineSource* source, int64_t declared, double resistanceScale, DataSet* data) {
  NoiseEnd end;
  double fields[kNoiseFields] = {};
  int taken = 0;
  bool warned = false;
  std::string_view line;
  while (source->next(&line)) {
    if (isBlankLine(line)) continue;
    if (isKeywordLine(line)) {
      end.keywordLine = source->lineNumber();
      end.keyword = keywordName(line);
      break;
    }
    TokenCursor cursor(withoutComment(line));
    double number = 0.0;
    std::string_view token;
    for (TokenValue found;
         (found = cursor.nextValue(kWhitespaceDelimiters, &number, &token)) != TokenValue::kEnd;) {
      if (found == TokenValue::kNotNumber) {
        end.notNumber.assign(token);
        end.notNumberLine = source->lineNumber();
        return end;
      }
      fields[taken++] = number;
      if (taken < kNoiseFields) continue;
      taken = 0;
      if (end.points >= declared) {
        end.tooMany = true;
        end.keywordLine = source->lineNumber();
        return end;
      }
      int k = static_cast<int>(end.points++);
      // Noise points beyond the network points have no place to go.
      if (k >= data->pointCount) continue;
      if (!warned && fallsBack(*data, k, fields[0])) {
        warned = true;
        warnOrder(source->lineNumber());
      }
      storeNoisePoint(data, k, fields, resistanceScale);
      data->noisePointCount = k + 1;
    }
  }
  end.incomplete = taken != 0;
  return end;
}

int readNoiseBlock(LineSource* source, TokenCursor* cursor, double opening, double firstTerminalImpedance,
                   DataSet* data) {
  double fields[kNoiseFields] = {opening};
  int k = 0;
  int taken = 0;
  std::string_view bad;
  Fields read = takeFields(cursor, fields, 1, &taken, &bad);
  while (read == Fields::kComplete) {
    storeNoisePoint(data, k, fields, firstTerminalImpedance);
    if (++k == data->pointCount) break;
    TokenCursor next("");
    if (!nextNoiseLine(source, &next)) break;
    read = takeFields(&next, fields, 0, &taken, &bad);
  }
  data->noisePointCount = k;
  if (read == Fields::kNotNumber)
    return failAt(Message::kValueNotNumber, source->lineNumber(), quotedToken(bad));
  if (read == Fields::kShort && taken > 0) {
    reportAt(Message::kNoisePointCutShort, source->lineNumber(), valueCount(kNoiseFields - taken));
  }
  return kOk;
}

}  // namespace korvel
