// The libFuzzer targets, one per reader, each a thin wrapper around its
// entry point in the driver.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_driver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
#if defined(KORVEL_FUZZ_TOUCHSTONE)
  korvel::fuzz::driveTouchstoneInput(data, size);
#else
  korvel::fuzz::driveScInput(data, size);
#endif
  return 0;
}
