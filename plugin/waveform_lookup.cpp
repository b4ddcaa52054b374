// Waveform lookup by name.
#include "plugin/waveform_lookup.h"

#include <string_view>

#include "dataset/waveform_name_index.h"

namespace korvel {

int findWaveformIndex(const DataSet* data, const char* name) {
  if (data == nullptr || name == nullptr) return -1;
  return lookupWaveformIndex(*data, name);
}

}  // namespace korvel
