// Drives one fuzz input through the plug-in as the viewer would.
#ifndef KORVEL_FUZZ_FUZZ_DRIVER_H
#define KORVEL_FUZZ_FUZZ_DRIVER_H

#include <cstddef>
#include <cstdint>

namespace korvel::fuzz {

// Writes `data` to a file with extension `extension` (".s2p", ".sc0", ...),
// then: openFile, every file property, every waveform property of every
// catalogue name, loadWaveformList of the whole catalogue, a second load,
// closeFile. Aborts when a file descriptor is left open afterwards.
void driveInput(const uint8_t* data, size_t size, const char* extension);

}  // namespace korvel::fuzz

#endif  // KORVEL_FUZZ_FUZZ_DRIVER_H
