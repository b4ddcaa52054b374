// The S-parameter points of a Touchstone file: one stream of numbers that
// runs across line ends, a frequency followed by N x N value pairs, point
// after point, until a frequency lower than its predecessor opens the
// noise block.
#ifndef KORVEL_TOUCHSTONE_SCATTERING_POINTS_H
#define KORVEL_TOUCHSTONE_SCATTERING_POINTS_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "dataset/data_set.h"
#include "text/text_input.h"

namespace korvel {

class ScatteringPoints {
 public:
  enum class Outcome {
    kLineDone,     // every number of the line was taken
    kNoiseBlock,   // a frequency below its predecessor opened the noise block
    kOutOfMemory,  // the storage could not grow for the next point
  };

  // `data` holds storage for `capacity` points (allocateNetworkStorage);
  // it grows as needed. The data set must outlive this reader.
  ScatteringPoints(DataSet* data, size_t capacity);

  // Takes the numbers of `cursor` in turn. On kNoiseBlock `*opening` holds
  // the number (as written, in the file's unit) that opened the block, and
  // the cursor stands after it.
  Outcome read(TokenCursor* cursor, double* opening);

  // The points read whole so far: an unfinished last point is not counted.
  int completePoints() const;

 private:
  bool startPoint(double frequency);
  void refreshTargets();

  DataSet* data_;
  size_t terminals_;
  size_t pairCount_;
  size_t valueIndex_;  // pair due within the point; pairCount_ when a frequency is due
  bool realRead_ = false;
  double real_ = 0.0;
  int64_t point_ = -1;
  size_t capacity_;
  double lastFrequency_;
  double scale_;
  int format_;
  std::vector<double*> targets_;  // the S array of each pair, in file order
};

}  // namespace korvel

#endif  // KORVEL_TOUCHSTONE_SCATTERING_POINTS_H
