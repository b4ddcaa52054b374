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

// The formats served, in registration order, ended by a null name. The
// host matches patterns case by case; instruments that run Windows write
// ".S2P", so every letter takes either case.
constexpr FormatRow kFormatTable[] = {
    {"KORVELRF SC", "[sS][cC]*"},
    {"TouchStone",
     "[sS][0-9]*[pP]* [sS][0-9][0-9] [tT][sS] [yY][0-9]*[pP]* [zZ][0-9]*[pP]* [hH][0-9]*[pP]* "
     "[gG][0-9]*[pP]*"},
    {nullptr, nullptr},
};

// Set by the first korvelSC_Init; later calls register nothing.
bool registered = false;

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
