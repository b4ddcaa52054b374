// The plug-in's entry point: registration of its two formats with the host,
// and the one format-level callback.
#include <cstdlib>
#include <cstring>

#include "hostapi/korvel_host.h"
#include "plugin/callbacks.h"

namespace korvel {

namespace {

struct FormatRow {
  const char* formatName;
  const char* filePatterns;
};

// The formats served, in registration order, ended by a null name.
constexpr FormatRow kFormatTable[] = {
    {"KORVELRF SC", "sc*"},
    {"TouchStone", "s[0-9]*p* s[0-9][0-9] ts y[0-9]*p* z[0-9]*p* h[0-9]*p* g[0-9]*p*"},
    {nullptr, nullptr},
};

// Set by the first korvelSC_Init; later calls register nothing.
bool registered = false;

constexpr int kAnsweredResultKind = 7;

}  // namespace

namespace callbacks {

int formatProperty(Tcl_Interp*, const char* option, PropertyResult* result) {
  if (option == nullptr || std::strncmp(option, "-author", 2) != 0) return 1;
  result->resultKind = kAnsweredResultKind;
  Tcl_DStringInit(&result->answer);
  Tcl_DStringAppend(&result->answer, "Tarnwell ", -1);
  return 0;
}

}  // namespace callbacks

}  // namespace korvel

extern "C" __attribute__((visibility("default"))) int korvelSC_Init(Tcl_Interp* interp) {
  using namespace korvel;
  if (registered) return 0;
  registered = true;
  for (const FormatRow* row = kFormatTable; row->formatName != nullptr; ++row) {
    // A descriptor that cannot be allocated is skipped; the next format is
    // still registered. The host keeps the descriptor for good.
    auto* descriptor = static_cast<FormatDescriptor*>(std::calloc(1, sizeof(FormatDescriptor)));
    if (descriptor == nullptr) continue;
    descriptor->formatName = row->formatName;
    descriptor->filePatterns = row->filePatterns;
    descriptor->formatProperty = callbacks::formatProperty;
    descriptor->openFile = callbacks::openFile;
    descriptor->closeFile = callbacks::closeFile;
    descriptor->fileProperty = callbacks::fileProperty;
    descriptor->waveformProperty = callbacks::waveformProperty;
    descriptor->loadWaveform = callbacks::loadWaveform;
    descriptor->loadWaveformList = callbacks::loadWaveformList;
    PfFormat_CreateExternalFormat(interp, descriptor);
  }
  return 0;
}
