// Waveform lookup by name.
#include "plugin/waveform_lookup.h"

#include <string_view>

#include "dataset/text_input.h"

namespace korvel {

int findWaveformIndex(const DataSet* data, const char* name) {
  if (data == nullptr || name == nullptr) return -1;
  std::string_view requested(name);
  TokenCursor names(std::string_view(Tcl_DStringValue(&data->waveformNames),
                                     static_cast<size_t>(Tcl_DStringLength(&data->waveformNames))));
  int position = 0;
  for (std::string_view stored = names.next(kBlankDelimiters); !stored.empty();
       stored = names.next(kBlankDelimiters), ++position) {
    if (startsWith(requested, stored)) return position;
  }
  return -1;
}

}  // namespace korvel
