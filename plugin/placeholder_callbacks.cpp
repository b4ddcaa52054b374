// Placeholders until the property and loading callbacks land.
#include "plugin/callbacks.h"

namespace korvel::callbacks {

int fileProperty(Tcl_Interp*, void*, const char*, PropertyResult*) { return 1; }
int waveformProperty(Tcl_Interp*, void*, const char*, const char*, PropertyResult*) { return 1; }
int loadWaveform(Tcl_Interp*, void*, const char*, WaveformHandle* out) {
  if (out != nullptr) *out = nullptr;
  return 1;
}
int loadWaveformList(Tcl_Interp*, void*, const char*, void*, WaveformHandle*) { return 1; }

}  // namespace korvel::callbacks
