// The Zo line and the per-block S-parameters, noise parameters and group
// delays of an SC file.
//
// The points of a block are written on data lines: a point's frequency
// stands alone (the rest of its line is not read), and its values follow on
// the next data lines. Tokens are separated by blanks only. Every token
// read as a frequency or a value must be a number in full: anything else
// refuses the file, naming the token, its line and its block, rather than
// storing a number the file does not hold.
#include "sc/sc_blocks.h"

#include <cmath>
#include <cstddef>
#include <string>

#include "dataset/messages.h"
#include "dataset/result.h"
#include "dataset/waveform_names.h"
#include "rfcalc/network_layout.h"

namespace korvel {

namespace {

size_t sampleIndex(const DataSet& data, int block, int point) {
  return static_cast<size_t>(block) * static_cast<size_t>(data.pointCount) + static_cast<size_t>(point);
}

size_t samplesPerWaveform(const DataSet& data) {
  return static_cast<size_t>(data.blockCount) * static_cast<size_t>(data.pointCount);
}

void fillReferenceImpedance(ScReading& reading, int terminal, double impedance) {
  DataSet* data = reading.data;
  double* samples = data->waveformData[reading.layout.zo(static_cast<size_t>(terminal))];
  size_t count = samplesPerWaveform(*data);
  for (size_t s = 0; s < count; ++s) samples[2 * s] = impedance;
}

// Refuses a token that was due as a number in block `block` (from 0).
int failNotNumber(const ScLines& lines, std::string_view token, int block) {
  return failAt(Message::kValueNotNumber, lines.lineNumber(),
                quotedToken(token) + " in block " + std::to_string(block + 1));
}

// How reading a block's points ended.
enum class PointsRead { kComplete, kIncomplete, kRefused };

// True when the token at the start of `text` (blank-delimited) is a lone
// line feed: the end of a line whose last value was followed by a blank.
bool isLineFeedToken(std::string_view text) {
  return text[0] == '\n' && (text.size() == 1 || text[1] == ' ');
}

// Reads the tokens of the points of one block from the next data lines:
// per point a frequency token, then `valuesPerPoint` value tokens, handed
// to onFrequency(point, value) and onValue(point, valueIndex, value).
// kComplete when every point was complete before the end of the file,
// kRefused (with its message) at a token that is not a number.
template <typename OnFrequency, typename OnValue>
PointsRead readPoints(ScLines& lines, int block, int pointCount, size_t valuesPerPoint,
                      OnFrequency onFrequency, OnValue onValue) {
  int point = -1;
  size_t value = valuesPerPoint;  // a frequency comes next
  std::string_view line;
  while ((point < pointCount - 1 || value < valuesPerPoint) && lines.next(&line)) {
    if (!startsWith(line, kDataLine)) continue;
    TokenCursor cursor(line);
    for (;;) {
      // Looks at the next token's first characters only, so that a value
      // is scanned and converted in one pass (nextNumber).
      cursor.skipDelimiters(kBlankDelimiters);
      std::string_view rest = cursor.rest();
      if (rest.empty() || isLineFeedToken(rest)) break;
      if (rest[0] == '+' || startsWith(rest, "\r\n")) {
        cursor.next(kBlankDelimiters);
        continue;
      }
      double number = 0.0;
      std::string_view token;
      if (value < valuesPerPoint) {
        if (cursor.nextValue(kBlankDelimiters, &number, &token) != TokenValue::kNumber) {
          failNotNumber(lines, token, block);
          return PointsRead::kRefused;
        }
        onValue(point, value++, number);
        continue;
      }
      // What follows the block's last value on its line belongs to no point.
      if (point == pointCount - 1) break;
      if (cursor.nextValue(kBlankDelimiters, &number, &token) != TokenValue::kNumber) {
        failNotNumber(lines, token, block);
        return PointsRead::kRefused;
      }
      onFrequency(++point, number);
      value = 0;
      break;  // the rest of a frequency's line is not read
    }
  }
  return point == pointCount - 1 && value >= valuesPerPoint ? PointsRead::kComplete : PointsRead::kIncomplete;
}

int readScattering(ScReading& reading, int block) {
  DataSet* data = reading.data;
  std::string_view line;
  if (!reading.lines.find(kDataLine, {"DATA="}, &line)) {
    return fail(Message::kScatteringMissing);
  }
  size_t pairs = static_cast<size_t>(data->terminalCount) * static_cast<size_t>(data->terminalCount);
  PointsRead read = readPoints(
      reading.lines, block, data->pointCount, 2 * pairs,
      [&](int point, double frequency) { data->frequencies[sampleIndex(*data, block, point)] = frequency; },
      [&](int point, size_t value, double number) {
        double* sample = data->waveformData[value / 2] + 2 * sampleIndex(*data, block, point);
        sample[value % 2] = number;
        if (value % 2 == 1) convertComplex(data->complexFormat, &sample[0], &sample[1]);
      });
  if (read == PointsRead::kRefused) return kFailed;
  if (read == PointsRead::kIncomplete) {
    return fail(Message::kScatteringIncomplete);
  }
  return kOk;
}

// The four noise columns of a noise line (minimum noise figure in dB,
// magnitude and angle in degrees of the optimum source reflection, and
// normalised noise resistance), after the "*|" and frequency columns.
// kIncomplete when the line ends before the fourth, kRefused (with its
// message) when the frequency or one of the four is not a number.
PointsRead readNoiseColumns(const ScLines& lines, std::string_view line, int block, double columns[4]) {
  TokenCursor cursor(line);
  for (int column = -2; column < 4; ++column) {
    std::string_view token = cursor.next(kBlankDelimiters);
    if (token.empty() || isLineEnd(token)) return PointsRead::kIncomplete;
    double value = 0.0;
    if (column >= -1 && !parseNumberInFull(token, &value)) {
      failNotNumber(lines, token, block);
      return PointsRead::kRefused;
    }
    if (column >= 0) columns[column] = value;
  }
  return PointsRead::kComplete;
}

int readNoise(ScReading& reading, int block) {
  DataSet* data = reading.data;
  std::string_view line;
  if (!reading.lines.find(kMarkedLine, {"frequency"}, &line)) {
    return fail(Message::kNoiseMissing);
  }
  // The noise resistance is written normalised to terminal 1's impedance.
  double z0 = data->waveformData[reading.layout.zo(0)][2 * sampleIndex(*data, block, 0)];
  for (int point = 0; point < data->pointCount; ++point) {
    double columns[4];
    PointsRead read = PointsRead::kIncomplete;
    if (reading.lines.find(kMarkedLine, {}, &line))
      read = readNoiseColumns(reading.lines, line, block, columns);
    if (read == PointsRead::kRefused) return kFailed;
    if (read == PointsRead::kIncomplete) {
      return fail(Message::kNoiseIncomplete);
    }
    size_t at = 2 * sampleIndex(*data, block, point);
    const NetworkLayout& layout = reading.layout;
    data->waveformData[layout.noise(kMinimumNoiseFigure)][at] = columns[0];
    storePolar(&data->waveformData[layout.noise(kOptimumReflection)][at], columns[1], columns[2]);
    data->waveformData[layout.noise(kNoiseResistance)][at] = columns[3] * z0;
  }
  return kOk;
}

int readGroupDelay(ScReading& reading, int block) {
  DataSet* data = reading.data;
  std::string_view line;
  if (!reading.lines.find(kDataLine, {"DATA="}, &line)) {
    return fail(Message::kGroupDelayMissing);
  }
  size_t entries = static_cast<size_t>(data->terminalCount) * static_cast<size_t>(data->terminalCount);
  PointsRead read = readPoints(
      reading.lines, block, data->pointCount, entries, [](int, double) {},
      [&](int point, size_t entry, double delay) {
        data->waveformData[reading.layout.groupDelayBase() + entry][2 * sampleIndex(*data, block, point)] =
            delay;
      });
  if (read == PointsRead::kRefused) return kFailed;
  if (read == PointsRead::kIncomplete) {
    return fail(Message::kGroupDelayIncomplete);
  }
  return kOk;
}

}  // namespace

int readReferenceImpedances(ScReading& reading) {
  DataSet* data = reading.data;
  std::string_view line;
  if (reading.zoLineHeld) {
    line = reading.heldZoLine;
  } else if (!reading.lines.find(kDataLine, {"Zo="}, &line)) {
    return fail(Message::kZoValuesMissing);
  }
  TokenCursor cursor(line.substr(line.find("Zo=") + 3));
  int terminals = data->terminalCount;
  int read = 0;
  double first = 0.0;
  for (; read < terminals; ++read) {
    std::string_view token = cursor.next(kBlankDelimiters);
    if (token.empty() || isLineEnd(token)) break;
    double value = 0.0;
    if (!parseNumberInFull(token, &value)) {
      return failAt(Message::kValueNotNumber, reading.lines.lineNumber(),
                    quotedToken(token) + " among the Zo values");
    }
    if (read == 0) first = value;
    fillReferenceImpedance(reading, read, terminalImpedance(data, read, value));
  }
  if (read == 1) {
    // One value written for all terminals, each converted by its own mode.
    for (int terminal = 1; terminal < terminals; ++terminal) {
      fillReferenceImpedance(reading, terminal, terminalImpedance(data, terminal, first));
    }
  } else if (read < terminals) {
    return fail(Message::kZoValuesIncomplete);
  }
  return kOk;
}

int readBlock(ScReading& reading, int block) {
  if (readScattering(reading, block) != kOk) return kFailed;
  if (reading.data->hasNoise == 1 && readNoise(reading, block) != kOk) return kFailed;
  if (reading.data->hasGroupDelay != 0 && readGroupDelay(reading, block) != kOk) return kFailed;
  return kOk;
}

}  // namespace korvel
