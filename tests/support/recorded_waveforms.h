// Received waveforms made by hand, as the stand-in host would have
// recorded them, for tests that look at what the tool does with them.
#ifndef KORVEL_TESTS_SUPPORT_RECORDED_WAVEFORMS_H
#define KORVEL_TESTS_SUPPORT_RECORDED_WAVEFORMS_H

#include <complex>
#include <string>
#include <vector>

#include "host/waveform_library.h"

namespace korvel::testing {

// A complex waveform over `frequencies` in Hz with one segment per entry
// of `segments` (each as long as `frequencies`), unit `unit`, and
// property 3 set to `hint` when it is not empty.
host::RecordedWaveform complexWaveform(const std::vector<double>& frequencies,
                                       const std::vector<std::vector<std::complex<double>>>& segments,
                                       const std::string& unit, const std::string& hint);

// A real waveform likewise; `powerLike` sets property 1 to "1".
host::RecordedWaveform realWaveform(const std::vector<double>& frequencies,
                                    const std::vector<std::vector<double>>& segments, const std::string& unit,
                                    const std::string& hint, bool powerLike = false);

}  // namespace korvel::testing

#endif  // KORVEL_TESTS_SUPPORT_RECORDED_WAVEFORMS_H
