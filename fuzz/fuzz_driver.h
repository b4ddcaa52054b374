// Drives one fuzz input through the plug-in as the viewer would. Built with
// any compiler: the libFuzzer targets and the replay of kept inputs share it.
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

// The Touchstone entry point: the input's first byte picks the file's
// extension, so that one target covers one-, two-, three-, four- and
// many-port files, .ts files and the extension rules, and whether the
// reader stops at the first error (as in the viewer) or reads on (as for
// the file check); the rest is the file.
void driveTouchstoneInput(const uint8_t* data, size_t size);

// The SC entry point: every input is an .sc0 file.
void driveScInput(const uint8_t* data, size_t size);

}  // namespace korvel::fuzz

#endif  // KORVEL_FUZZ_FUZZ_DRIVER_H
