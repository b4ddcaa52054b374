#include "support/recorded_waveforms.h"

namespace korvel::testing {

namespace {

host::RecordedWaveform frame(int dataType, const std::string& unit, const std::string& hint, bool powerLike) {
  host::RecordedWaveform waveform;
  waveform.dataType = dataType;
  waveform.xName = "f";
  waveform.xUnit = "Hz";
  waveform.yUnit = unit;
  if (powerLike) waveform.properties.push_back({1, "1"});
  if (!hint.empty()) waveform.properties.push_back({3, hint});
  return waveform;
}

}  // namespace

host::RecordedWaveform complexWaveform(const std::vector<double>& frequencies,
                                       const std::vector<std::vector<std::complex<double>>>& segments,
                                       const std::string& unit, const std::string& hint) {
  host::RecordedWaveform waveform = frame(kDataTypeComplex, unit, hint, false);
  for (const auto& values : segments) {
    host::RecordedSegment segment;
    segment.x = frequencies;
    for (std::complex<double> value : values) {
      segment.y.push_back(value.real());
      segment.y.push_back(value.imag());
    }
    segment.points = values.size();
    waveform.segments.push_back(std::move(segment));
  }
  return waveform;
}

host::RecordedWaveform realWaveform(const std::vector<double>& frequencies,
                                    const std::vector<std::vector<double>>& segments, const std::string& unit,
                                    const std::string& hint, bool powerLike) {
  host::RecordedWaveform waveform = frame(kDataTypeReal, unit, hint, powerLike);
  for (const auto& values : segments) {
    host::RecordedSegment segment;
    segment.x = frequencies;
    segment.y = values;
    segment.points = values.size();
    waveform.segments.push_back(std::move(segment));
  }
  return waveform;
}

}  // namespace korvel::testing
