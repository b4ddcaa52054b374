// The waveform property callback: data type, axes and segment count of a
// named waveform.
#include <cstdio>

#include "dataset/data_set.h"
#include "plugin/callbacks.h"
#include "plugin/property_answer.h"
#include "plugin/waveform_kind.h"
#include "plugin/waveform_lookup.h"

namespace korvel {

namespace {

// Appends the answer to `option` for the waveform requested as `name`.
// Within one second character the options are tried in the listed order;
// every option compares three characters.
void answerWaveformProperty(const DataSet& data, const char* name, const char* option, Tcl_DString* answer) {
  const char* text = nullptr;
  char number[16];
  switch (option[1]) {
    case 'd':
      if (optionMatches(option, "-datatype", 3)) text = isRealTyped(name) ? "real" : "complex";
      break;
    case 'g':
      if (optionMatches(option, "-got_xaxis", 3)) text = "1";
      break;
    case 'n':
      if (optionMatches(option, "-nsegments", 3)) {
        std::snprintf(number, sizeof number, "%d", data.blockCount);
        text = number;
      }
      break;
    case 'w':
      if (optionMatches(option, "-wftype", 3)) text = "";
      break;
    case 'x':
      if (optionMatches(option, "-xname", 3)) {
        text = "f";
      } else if (optionMatches(option, "-xunit", 3)) {
        text = "Hz";
      } else if (optionMatches(option, "-xscale", 3)) {
        text = "linear";
      }
      break;
    case 'y':
      if (optionMatches(option, "-yname", 3)) {
        text = name;
      } else if (optionMatches(option, "-yunit", 3)) {
        text = "-";
      } else if (optionMatches(option, "-yscale", 3)) {
        text = "linear";
      }
      break;
    default:
      break;
  }
  if (text != nullptr) Tcl_DStringAppend(answer, text, -1);
}

}  // namespace

namespace callbacks {

int waveformProperty(Tcl_Interp*, void* dataSet, const char* name, const char* option,
                     PropertyResult* result) {
  if (!isWellFormedOption(option) || dataSet == nullptr || result == nullptr) return 1;
  const auto& data = *static_cast<const DataSet*>(dataSet);
  // An unknown name leaves an empty answer but the record not marked as
  // answered.
  Tcl_DStringInit(&result->answer);
  if (findWaveformIndex(&data, name) < 0) return 1;
  result->resultKind = kAnsweredResultKind;
  answerWaveformProperty(data, name, option, &result->answer);
  return 0;
}

}  // namespace callbacks

}  // namespace korvel
