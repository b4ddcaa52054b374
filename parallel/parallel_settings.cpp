#include "parallel/parallel_settings.h"

#include <algorithm>

namespace korvel {

unsigned ParallelSettings::partsFor(double work, size_t mostParts) const {
  if (parts == 1 || work < minimumWork) return 1;
  const size_t count = std::min<size_t>(parts != 0 ? parts : usableProcessorCount(), mostParts);
  return count > 0 ? static_cast<unsigned>(count) : 1;
}

ParallelPolicy& parallelPolicy() {
  static ParallelPolicy policy;
  return policy;
}

}  // namespace korvel
