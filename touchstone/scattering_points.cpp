// The S-parameter points of a Touchstone file.
#include "touchstone/scattering_points.h"

#include "dataset/result.h"
#include "rfcalc/network_layout.h"
#include "text/complex_conversion.h"
#include "touchstone/network_storage.h"

namespace korvel {

namespace {

// Lower than any frequency a file holds, so the first one never opens the
// noise block.
constexpr double kNoFrequencyYet = -9.999e29;

// Storage is row-major, but a two-port file lists its pairs as S11, S21,
// S12, S22: positions 1 and 2 change places. Files of other sizes list
// their pairs row-major.
size_t storedPosition(size_t pair, size_t terminals) {
  if (terminals == 2 && (pair == 1 || pair == 2)) return 3 - pair;
  return pair;
}

}  // namespace

ScatteringPoints::ScatteringPoints(DataSet* data, size_t capacity)
    : data_(data),
      terminals_(NetworkLayout(data->terminalCount, data->portCount, false, false).terminals),
      pairCount_(terminals_ * terminals_),
      valueIndex_(pairCount_),
      capacity_(capacity),
      lastFrequency_(kNoFrequencyYet),
      scale_(data->frequencyScale),
      format_(data->complexFormat),
      targets_(pairCount_) {
  refreshTargets();
}

void ScatteringPoints::refreshTargets() {
  for (size_t pair = 0; pair < pairCount_; ++pair) {
    targets_[pair] = data_->waveformData[storedPosition(pair, terminals_)];
  }
}

bool ScatteringPoints::startPoint(double frequency) {
  size_t next = static_cast<size_t>(point_ + 1);
  if (next >= capacity_) {
    if (growNetworkStorage(data_, next, &capacity_) != kOk) return false;
    refreshTargets();
  }
  point_ = static_cast<int64_t>(next);
  data_->frequencies[next] = frequency;
  lastFrequency_ = frequency;
  valueIndex_ = 0;
  return true;
}

ScatteringPoints::Outcome ScatteringPoints::read(TokenCursor* cursor, double* opening) {
  for (;;) {
    double number = 0.0;
    if (!cursor->nextNumber(kWhitespaceDelimiters, &number)) return Outcome::kLineDone;
    if (valueIndex_ < pairCount_) {
      // A pair may be split between lines: the real part waits.
      if (!realRead_) {
        real_ = number;
        realRead_ = true;
        continue;
      }
      realRead_ = false;
      storePair(targets_[valueIndex_] + 2 * point_, real_, number, format_);
      ++valueIndex_;
      continue;
    }
    double frequency = number * scale_;
    if (frequency < lastFrequency_) {
      *opening = number;
      return Outcome::kNoiseBlock;
    }
    if (!startPoint(frequency)) return Outcome::kOutOfMemory;
  }
}

int ScatteringPoints::completePoints() const {
  return static_cast<int>(valueIndex_ == pairCount_ ? point_ + 1 : point_);
}

}  // namespace korvel
