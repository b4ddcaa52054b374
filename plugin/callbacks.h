// The seven callbacks the host calls through each registered
// FormatDescriptor, in slot order.
//
// Each is a thin boundary: it converts the host's arguments, calls the
// plug-in's own code, maps the outcome to 0 or 1 and lets no exception
// escape into the host.
#ifndef KORVEL_PLUGIN_CALLBACKS_H
#define KORVEL_PLUGIN_CALLBACKS_H

#include "hostapi/korvel_host.h"

namespace korvel::callbacks {

int formatProperty(Tcl_Interp* interp, const char* option, PropertyResult* result);
int openFile(Tcl_Interp* interp, const char* path, void** dataSet);
int closeFile(Tcl_Interp* interp, void* dataSet);
int fileProperty(Tcl_Interp* interp, void* dataSet, const char* option, PropertyResult* result);
int waveformProperty(Tcl_Interp* interp, void* dataSet, const char* name, const char* option,
                     PropertyResult* result);
int loadWaveform(Tcl_Interp* interp, void* dataSet, const char* name, WaveformHandle* out);
int loadWaveformList(Tcl_Interp* interp, void* dataSet, const char* nameList, void* unused,
                     WaveformHandle* out);

}  // namespace korvel::callbacks

#endif  // KORVEL_PLUGIN_CALLBACKS_H
