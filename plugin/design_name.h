// The design name of an opened file: its base name without directory and
// extension, as the viewer's own Tcl file commands give it.
#ifndef KORVEL_PLUGIN_DESIGN_NAME_H
#define KORVEL_PLUGIN_DESIGN_NAME_H

#include <tcl.h>

namespace korvel {

// Appends `file rootname [file tail PATH]` of `path` to `answer`, with the
// path passed to each command as one word, so no character of a file name
// is ever substituted or run as a script. Appends nothing when either
// command fails; the interpreter's result then holds the error, which is
// not reported. Returns true when a name was appended.
bool appendDesignName(Tcl_Interp* interp, const char* path, Tcl_DString* answer);

}  // namespace korvel

#endif  // KORVEL_PLUGIN_DESIGN_NAME_H
