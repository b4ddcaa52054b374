// Opening an SC file with its blocks read in turn and read in parts, and
// telling whether the two records are the same bit for bit.
#ifndef KORVEL_TESTS_SUPPORT_SC_READING_MODES_H
#define KORVEL_TESTS_SUPPORT_SC_READING_MODES_H

#include <string>

#include "dataset/data_set.h"
#include "parallel/parallel_settings.h"
#include "sc/sc_block_parts.h"

namespace korvel::testing {

// Sets how blocks are read while it lives, and restores the settings after.
class BlockPartMode {
 public:
  explicit BlockPartMode(const ParallelSettings& settings) : saved_(parallelPolicy().scBlocks) {
    parallelPolicy().scBlocks = settings;
  }
  ~BlockPartMode() { parallelPolicy().scBlocks = saved_; }
  BlockPartMode(const BlockPartMode&) = delete;
  BlockPartMode& operator=(const BlockPartMode&) = delete;

 private:
  ParallelSettings saved_;
};

// Every block read in turn.
ParallelSettings inTurn();
// Blocks read in `parts` parts, however small the file.
ParallelSettings inParts(unsigned parts);

// The differences between two records, "" when they hold the same counts,
// names, ports, units and references and every sample bit for bit; either
// may be null (a refused file).
std::string recordDifferences(const DataSet* expected, const DataSet* actual);

}  // namespace korvel::testing

#endif  // KORVEL_TESTS_SUPPORT_SC_READING_MODES_H
