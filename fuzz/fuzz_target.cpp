// One libFuzzer target per file extension; the build names the extension.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fuzz/fuzz_driver.h"

#ifndef KORVEL_FUZZ_EXTENSION
#error "KORVEL_FUZZ_EXTENSION must name the file extension, e.g. \".s2p\""
#endif

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The plug-in's messages are part of its contract but only noise here.
  if (std::getenv("KORVEL_FUZZ_VERBOSE") == nullptr) {
    std::freopen("/dev/null", "w", stdout);
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  korvel::fuzz::driveInput(data, size, KORVEL_FUZZ_EXTENSION);
  return 0;
}
