// The file property callback: design name, path, counts and catalogue.
#include <cstdio>

#include "dataset/data_set.h"
#include "plugin/callbacks.h"
#include "plugin/design_name.h"
#include "plugin/property_answer.h"
#include "plugin/waveform_catalogue.h"

namespace korvel {

namespace {

void appendNumber(Tcl_DString* answer, int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", value);
  Tcl_DStringAppend(answer, text, -1);
}

// Appends the answer to `option` (already known to be well formed); an
// option not served leaves the answer empty.
void answerFileProperty(Tcl_Interp* interp, const DataSet& data, const char* option, Tcl_DString* answer) {
  const char* path = Tcl_DStringValue(&data.fileName);
  switch (option[1]) {
    case 'd':
      if (optionMatches(option, "-design", 3)) appendDesignName(interp, path, answer);
      break;
    case 'f':
      if (optionMatches(option, "-filenames", 3)) Tcl_DStringAppendElement(answer, path);
      break;
    case 'n':
      // "-nw" is enough for the waveform count; the segment count needs
      // "-nseg".
      if (optionMatches(option, "-nwaveforms", 3)) {
        appendNumber(answer, data.waveformCount);
      } else if (optionMatches(option, "-nsegments", 5)) {
        appendNumber(answer, data.blockCount);
      }
      break;
    case 'p':
      if (optionMatches(option, "-pfname", 4)) appendDesignName(interp, path, answer);
      break;
    case 'w':
      if (optionMatches(option, "-waveforms", 3)) appendWaveformCatalogue(data, answer);
      break;
    default:
      break;
  }
}

}  // namespace

namespace callbacks {

int fileProperty(Tcl_Interp* interp, void* dataSet, const char* option, PropertyResult* result) {
  if (!isWellFormedOption(option) || dataSet == nullptr || result == nullptr) return 1;
  beginAnswer(result);
  try {
    answerFileProperty(interp, *static_cast<const DataSet*>(dataSet), option, &result->answer);
  } catch (...) {
    // Out of memory while answering: the answer stays as far as it got.
  }
  return 0;
}

}  // namespace callbacks

}  // namespace korvel
