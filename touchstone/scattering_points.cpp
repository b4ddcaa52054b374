// The network data points of a Touchstone file.
#include "touchstone/scattering_points.h"

#include <string>
#include <utility>

#include "dataset/messages.h"
#include "dataset/result.h"
#include "rfcalc/network_layout.h"
#include "text/complex_conversion.h"
#include "touchstone/network_storage.h"

namespace korvel {

namespace {

// Lower than any frequency a file holds, so the first one never opens the
// noise block.
constexpr double kNoFrequencyYet = -9.999e29;

}  // namespace

std::string numberText(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.9g", value);
  return text;
}

void pairEntries(int terminals, const PointLayout& layout, std::vector<int>* targets,
                 std::vector<int>* mirrors) {
  targets->clear();
  mirrors->clear();
  MatrixFormat format = layout.matrix;
  for (int row = 0; row < terminals; ++row) {
    int first = format == MatrixFormat::kUpper ? row : 0;
    int last = format == MatrixFormat::kLower ? row : terminals - 1;
    for (int col = first; col <= last; ++col) {
      targets->push_back(row * terminals + col);
      mirrors->push_back(format != MatrixFormat::kFull && col != row ? col * terminals + row : -1);
    }
  }
  // The column-first two-port order exchanges the second and third pairs.
  if (terminals == 2 && format == MatrixFormat::kFull && layout.columnsFirst)
    std::swap((*targets)[1], (*targets)[2]);
}

ScatteringPoints::ScatteringPoints(DataSet* data, size_t capacity, const PointLayout& layout)
    : data_(data),
      layout_(layout),
      capacity_(capacity),
      limit_(capacity),
      lastFrequency_(kNoFrequencyYet),
      frequencyBefore_(kNoFrequencyYet),
      scale_(data->frequencyScale),
      format_(data->complexFormat),
      batched_(format_ != kFormatRealImaginary) {
  pairEntries(data->terminalCount, layout, &targetEntries_, &mirrorEntries_);
  pairCount_ = static_cast<int>(targetEntries_.size());
  valueIndex_ = pairCount_;
  targets_.resize(targetEntries_.size());
  mirrors_.resize(targetEntries_.size());
  refreshTargets();
}

void ScatteringPoints::refreshTargets() {
  for (size_t pair = 0; pair < targets_.size(); ++pair) {
    targets_[pair] = data_->waveformData[targetEntries_[pair]];
    mirrors_[pair] = mirrorEntries_[pair] >= 0 ? data_->waveformData[mirrorEntries_[pair]] : nullptr;
  }
}

void ScatteringPoints::readWindow(size_t first, size_t end) {
  window_ = true;
  point_ = static_cast<int64_t>(first) - 1;
  limit_ = end < capacity_ ? end : capacity_;
  layout_.pointLimit = -1;  // the window knows no absolute index
}

void ScatteringPoints::setCeiling(size_t ceiling, std::function<void()> onReach) {
  ceiling_ = ceiling;
  onCeiling_ = std::move(onReach);
  if (!window_) limit_ = ceiling_ < capacity_ ? ceiling_ : capacity_;
}

void ScatteringPoints::continueAfter(int64_t points, double lastFrequency, int lastNumberLine) {
  point_ = points - 1;
  valueIndex_ = pairCount_;
  realRead_ = false;
  lastFrequency_ = lastFrequency;
  lastNumberLine_ = lastNumberLine;
  lineNumbers_ = 0;
}

void ScatteringPoints::dropUnfinishedPoint() {
  if (frequencyDue()) return;
  --point_;
  lastFrequency_ = frequencyBefore_;
  valueIndex_ = pairCount_;
  realRead_ = false;
}

bool ScatteringPoints::passLimit(size_t next) {
  if (window_) return false;
  if (next >= ceiling_) {
    ceiling_ = SIZE_MAX;
    limit_ = capacity_;
    std::function<void()> onReach = std::move(onCeiling_);
    onCeiling_ = nullptr;
    if (onReach) onReach();
    if (next < capacity_) return true;
  }
  if (growNetworkStorage(data_, next, &capacity_) != kOk) return false;
  limit_ = ceiling_ < capacity_ ? ceiling_ : capacity_;
  refreshTargets();
  return true;
}

bool ScatteringPoints::startPoint(double frequency) {
  size_t next = static_cast<size_t>(point_ + 1);
  if (next >= limit_) {
    storeBatch();  // the storage may move
    if (!passLimit(next)) return false;
  }
  point_ = static_cast<int64_t>(next);
  data_->frequencies[next] = frequency;
  frequencyBefore_ = lastFrequency_;
  lastFrequency_ = frequency;
  valueIndex_ = 0;
  return true;
}

void ScatteringPoints::storeValue(double imaginary) {
  size_t pair = static_cast<size_t>(valueIndex_);  // below pairCount_ here
  double* sample = targets_[pair] + 2 * point_;
  double* mirror = mirrors_[pair] != nullptr ? mirrors_[pair] + 2 * point_ : nullptr;
  if (batched_) {
    batch_[2 * batchCount_] = real_;
    batch_[2 * batchCount_ + 1] = imaginary;
    batchSamples_[batchCount_] = sample;
    batchMirrors_[batchCount_] = mirror;
    if (++batchCount_ == kBatchPairs) storeBatch();
    return;
  }
  storePair(sample, real_, imaginary, format_);
  if (mirror != nullptr) {
    mirror[0] = sample[0];
    mirror[1] = sample[1];
  }
}

void ScatteringPoints::storeBatch() {
  if (batchCount_ == 0) return;  // as always for real and imaginary parts
  convertSamples(format_, batch_, batchCount_);
  for (size_t k = 0; k < batchCount_; ++k) {
    double* sample = batchSamples_[k];
    sample[0] = batch_[2 * k];
    sample[1] = batch_[2 * k + 1];
    if (double* mirror = batchMirrors_[k]; mirror != nullptr) {
      mirror[0] = sample[0];
      mirror[1] = sample[1];
    }
  }
  batchCount_ = 0;
}

ScatteringPoints::Outcome ScatteringPoints::read(TokenCursor* cursor, double* opening, int line) {
  Outcome outcome = readNumbers(cursor, opening, line);
  storeBatch();
  return outcome;
}

ScatteringPoints::Outcome ScatteringPoints::readNumbers(TokenCursor* cursor, double* opening, int line) {
  for (;;) {
    double number = 0.0;
    TokenValue token = cursor->nextValue(kWhitespaceDelimiters, &number, &notNumber_);
    if (token == TokenValue::kEnd) return Outcome::kLineDone;
    if (token == TokenValue::kNotNumber) return Outcome::kNotNumber;
    if (line != lastNumberLine_) lineNumbers_ = 0;
    lastNumberLine_ = line;
    ++lineNumbers_;
    if (valueIndex_ < pairCount_) {
      // A pair may be split between lines: the real part waits.
      if (!realRead_) {
        real_ = number;
        realRead_ = true;
        continue;
      }
      realRead_ = false;
      storeValue(number);
      ++valueIndex_;
      continue;
    }
    if (layout_.pointLimit >= 0 && point_ + 1 >= layout_.pointLimit) return Outcome::kTooManyPoints;
    double frequency = number * scale_;
    if (frequency < lastFrequency_ && layout_.fallingOpensNoise) {
      *opening = number;
      return Outcome::kNoiseBlock;
    }
    if (frequency <= lastFrequency_ && !warnedOrder_) {
      if (window_) return Outcome::kLeftToCaller;
      warnedOrder_ = true;
      reportAt(Message::kFrequencyNotRising, line, numberText(number));
    }
    if (!startPoint(frequency)) return window_ ? Outcome::kLeftToCaller : Outcome::kOutOfMemory;
  }
}

int ScatteringPoints::missingValues() const {
  if (frequencyDue()) return 0;
  return 2 * (pairCount_ - valueIndex_) - (realRead_ ? 1 : 0);
}

int ScatteringPoints::completePoints() const {
  return static_cast<int>(valueIndex_ == pairCount_ ? point_ + 1 : point_);
}

}  // namespace korvel
