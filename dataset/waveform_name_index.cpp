#include "dataset/waveform_name_index.h"

#include <string>
#include <unordered_map>

#include "text/text_input.h"

namespace korvel {

struct WaveformNameIndex {
  int builtForLength = -1;  // length of the name list the table was built from
  size_t longestName = 0;
  // Each distinct stored name and the position of its first occurrence.
  std::unordered_map<std::string_view, int> firstPosition;
};

namespace {

std::string_view nameListOf(const DataSet& data) {
  return std::string_view(Tcl_DStringValue(&data.waveformNames),
                          static_cast<size_t>(Tcl_DStringLength(&data.waveformNames)));
}

// The views point into the record's name list, which does not change
// while the table is in use (a grown list rebuilds the table).
void build(const DataSet& data, WaveformNameIndex* index) {
  index->firstPosition.clear();
  index->longestName = 0;
  TokenCursor names(nameListOf(data));
  int position = 0;
  for (std::string_view stored = names.next(kBlankDelimiters); !stored.empty();
       stored = names.next(kBlankDelimiters), ++position) {
    index->firstPosition.try_emplace(stored, position);
    if (stored.size() > index->longestName) index->longestName = stored.size();
  }
  index->builtForLength = Tcl_DStringLength(&data.waveformNames);
}

// The same answer by walking the name list, for when no table can be made.
int walkWaveformNames(const DataSet& data, std::string_view requested) {
  TokenCursor names(nameListOf(data));
  int position = 0;
  for (std::string_view stored = names.next(kBlankDelimiters); !stored.empty();
       stored = names.next(kBlankDelimiters), ++position) {
    if (startsWith(requested, stored)) return position;
  }
  return -1;
}

int lookupThroughTable(const DataSet& data, std::string_view requested) {
  if (data.nameIndex == nullptr) data.nameIndex = new WaveformNameIndex();
  WaveformNameIndex* index = data.nameIndex;
  if (index->builtForLength != Tcl_DStringLength(&data.waveformNames)) build(data, index);
  // Every stored name that leads the request is one of its prefixes; the
  // earliest stored one wins.
  int found = -1;
  size_t longest = requested.size() < index->longestName ? requested.size() : index->longestName;
  for (size_t length = 1; length <= longest; ++length) {
    auto entry = index->firstPosition.find(requested.substr(0, length));
    if (entry != index->firstPosition.end() && (found < 0 || entry->second < found)) found = entry->second;
  }
  return found;
}

}  // namespace

int lookupWaveformIndex(const DataSet& data, std::string_view requested) {
  try {
    return lookupThroughTable(data, requested);
  } catch (...) {
    releaseWaveformNameIndex(data.nameIndex);
    data.nameIndex = nullptr;
    return walkWaveformNames(data, requested);
  }
}

void releaseWaveformNameIndex(WaveformNameIndex* index) { delete index; }

}  // namespace korvel
