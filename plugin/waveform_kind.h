// How a waveform is presented to the host, decided by its name alone.
//
// The property answers and the waveform builder must agree on whether a
// waveform is real or complex, so both ask here. The name is the one the
// host asked for; a stored name is always a leading part of it.
#ifndef KORVEL_PLUGIN_WAVEFORM_KIND_H
#define KORVEL_PLUGIN_WAVEFORM_KIND_H

#include <string_view>

#include "hostapi/korvel_host.h"

namespace korvel {

// True for the reference impedances, the gains, the scalar noise figures
// and the group delays; false for the matrices and the complex noise
// quantities (GammaOpt, Zopt, Zcor, Ycor).
bool isRealTyped(std::string_view name);

// One WfX_SetWfProp call.
struct DisplayHint {
  int property;
  const char* text;
};

// The y unit of a waveform and the display hints it is built with, in the
// order they are set.
struct Presentation {
  const char* yUnit;
  int hintCount;
  DisplayHint hints[2];
};

// The presentation of the first rule of the units table that `name`
// satisfies; "-" and no hints (S-parameters: "db(y)", "real(x)") when none
// does.
Presentation presentationOf(std::string_view name);

}  // namespace korvel

#endif  // KORVEL_PLUGIN_WAVEFORM_KIND_H
