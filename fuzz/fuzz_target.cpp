// The libFuzzer targets. The Touchstone target takes the file's extension
// from the input's first byte, so that one target covers one-, two-, three-,
// four- and many-port files and the extension rules; the SC target writes
// every input as an .sc0 file.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_driver.h"

#if defined(KORVEL_FUZZ_TOUCHSTONE)
namespace {

const char* const kTouchstoneExtensions[] = {".s1p", ".s2p", ".s3p", ".s4p", ".s12p", ".s2", ".S2P", ".s9999"};

}  // namespace
#endif

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
#if defined(KORVEL_FUZZ_TOUCHSTONE)
  if (size == 0) return 0;
  constexpr size_t kChoices = sizeof kTouchstoneExtensions / sizeof kTouchstoneExtensions[0];
  korvel::fuzz::driveInput(data + 1, size - 1, kTouchstoneExtensions[data[0] % kChoices]);
#else
  korvel::fuzz::driveInput(data, size, ".sc0");
#endif
  return 0;
}
