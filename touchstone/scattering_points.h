// The network data points of a Touchstone file: one stream of numbers, a
// frequency followed by the matrix entries as value pairs, point after
// point. It runs across line ends, except in a 1.x one- or two-port file,
// whose every data line holds whole points. In a 1.x file whose two-port
// is defined a frequency lower than its predecessor opens the noise block.
#ifndef KORVEL_TOUCHSTONE_SCATTERING_POINTS_H
#define KORVEL_TOUCHSTONE_SCATTERING_POINTS_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "dataset/data_set.h"
#include "text/text_input.h"

namespace korvel {

// Which entries of each matrix a point holds: all, row-major, or the lower
// (row i: columns 1..i) or upper (row i: columns i..n) half, the other half
// mirroring it.
enum class MatrixFormat { kFull, kLower, kUpper };

// Where the pairs of one point go, and how points follow each other.
struct PointLayout {
  MatrixFormat matrix = MatrixFormat::kFull;
  // A full two-port written column first: N11 N21 N12 N22.
  bool columnsFirst = true;
  // A frequency below its predecessor opens the noise block; otherwise
  // it is kept as a point, with a warning.
  bool fallingOpensNoise = false;
  // The points the file declares; a number after the last of them is
  // refused. Negative: no limit.
  int64_t pointLimit = -1;
  // Every data line holds whole points (1.x one- and two-ports): a line
  // that ends inside a point is an error unless no data line follows it.
  bool wholePointsPerLine = false;
};

// A number for a message, to nine significant digits.
std::string numberText(double value);

// For each pair of a point of `layout` in file order, the stored matrix
// entry it fills (`*targets`) and the entry its mirror fills (`*mirrors`,
// -1 for none), for a matrix of `terminals` entries a side.
void pairEntries(int terminals, const PointLayout& layout, std::vector<int>* targets,
                 std::vector<int>* mirrors);

class ScatteringPoints {
 public:
  enum class Outcome {
    kLineDone,       // every number of the line was taken
    kNoiseBlock,     // a frequency below its predecessor opened the noise block
    kOutOfMemory,    // the storage could not grow for the next point
    kTooManyPoints,  // a number stands after the last declared point
    kNotNumber,      // a token is no number (notNumber() holds it)
    kLeftToCaller,   // a window reader met what only the whole read may judge
  };

  // `data` holds storage for `capacity` points (allocateNetworkStorage);
  // it grows as needed. The data set must outlive this reader.
  ScatteringPoints(DataSet* data, size_t capacity, const PointLayout& layout);

  // Takes the numbers of `cursor` (text of line `line`) in turn. On
  // kNoiseBlock `*opening` holds the number (as written, in the file's
  // unit) that opened the block, and the cursor stands after it.
  Outcome read(TokenCursor* cursor, double* opening, int line);

  // Makes this a reader of one part of the points for a worker thread: it
  // stores its points from index `first` on, stops with kLeftToCaller
  // rather than grow past `end` or warn of a frequency that does not rise,
  // and reports nothing. The storage must not move while it reads.
  void readWindow(size_t first, size_t end);

  // Before the point at index `ceiling` is stored, `onReach` is called
  // (once), after which reading goes on as before: the caller's read of
  // the first part hands back the indices beyond its own.
  void setCeiling(size_t ceiling, std::function<void()> onReach);

  // Goes on as if `points` whole points had been read, the last at
  // `lastFrequency` (hertz) with its last number on line `lastNumberLine`:
  // the points a window reader stored where they now are.
  void continueAfter(int64_t points, double lastFrequency, int lastNumberLine);

  // The index the next point goes to, and the last frequency read (hertz).
  size_t nextIndex() const { return static_cast<size_t>(point_ + 1); }
  double lastFrequency() const { return lastFrequency_; }

  // The points read whole so far: an unfinished last point is not counted.
  int completePoints() const;

  // The values an unfinished last point lacks (0 when none is unfinished),
  // and the line of the last number read.
  int missingValues() const;
  int lastNumberLine() const { return lastNumberLine_; }

  // The numbers read on the line of the last number read, and the numbers
  // of one point: a frequency and its pairs.
  int numbersOnLastLine() const { return lineNumbers_; }
  int pointNumbers() const { return 1 + 2 * pairCount_; }
  bool wholePointsPerLine() const { return layout_.wholePointsPerLine; }

  // Forgets an unfinished last point, so that the next number is a
  // frequency again, compared with the last whole point's: a full check
  // reads on after a data line that does not hold whole points.
  void dropUnfinishedPoint();

  // The token of kNotNumber, valid while the line it came from is.
  std::string_view notNumber() const { return notNumber_; }

  // True when the next number is a frequency: no point is half read.
  bool frequencyDue() const { return valueIndex_ == pairCount_ && !realRead_; }

 private:
  bool startPoint(double frequency);
  // Called when the next point reaches limit_: the ceiling, the capacity
  // or the window's end. True when the point may be stored.
  bool passLimit(size_t next);
  void refreshTargets();
  Outcome readNumbers(TokenCursor* cursor, double* opening, int line);
  void storeValue(double imaginary);
  // Converts the pairs waiting in the batch and stores them.
  void storeBatch();

  DataSet* data_;
  PointLayout layout_;
  std::vector<int> targetEntries_;  // per pair: the stored entry, and its mirror's or -1
  std::vector<int> mirrorEntries_;
  int pairCount_ = 0;
  int valueIndex_ = 0;  // pair due within the point; pairCount_ when a frequency is due
  bool realRead_ = false;
  bool warnedOrder_ = false;
  int lastNumberLine_ = 0;
  int lineNumbers_ = 0;  // numbers read on lastNumberLine_
  std::string_view notNumber_;
  double real_ = 0.0;
  int64_t point_ = -1;
  size_t capacity_;
  size_t limit_;  // the smallest of capacity_, the ceiling and the window's end
  bool window_ = false;
  size_t ceiling_ = SIZE_MAX;
  std::function<void()> onCeiling_;
  double lastFrequency_;
  double frequencyBefore_;  // the last frequency before the current point's
  double scale_;
  int format_;
  std::vector<double*> targets_;  // the array of each pair, in file order
  std::vector<double*> mirrors_;  // the mirror's array, or null
  // Pairs in dB or magnitude and angle wait here as read, with the sample
  // each goes to (and its mirror's, or null), to be converted several at
  // a time: when the batch is full, before the storage may move, and
  // before read() returns, so that between reads every pair read is
  // stored.
  static constexpr size_t kBatchPairs = 64;
  bool batched_;
  size_t batchCount_ = 0;
  double batch_[2 * kBatchPairs];
  double* batchSamples_[kBatchPairs];
  double* batchMirrors_[kBatchPairs];
};

}  // namespace korvel

#endif  // KORVEL_TOUCHSTONE_SCATTERING_POINTS_H
