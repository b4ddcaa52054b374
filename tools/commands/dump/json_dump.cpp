// The JSON dump, written as it goes: one waveform loaded, written and let
// go at a time, so that a dump needs no more memory than the open file.
#include <ostream>

#include "hostapi/korvel_host.h"
#include "tools/commands/dump/dump_writers.h"
#include "tools/output/diagnostics.h"
#include "tools/output/sweep_values.h"
#include "tools/output/text_format.h"
#include "tools/session/progress.h"

namespace korvel::tool {

namespace {

// The display hints by name; the codes are those the plug-in passes.
const char* hintName(int code) {
  switch (code) {
    case kPropertyPowerRatio:
      return "power";
    case kPropertyXDisplay:
      return "x";
    case kPropertyYDisplay:
      return "y";
    default:
      return nullptr;
  }
}

void writeKey(std::ostream& out, const char* key) {
  writeJsonString(out, key);
  out << ':';
}

// A string field and the comma before the next one.
void writeStringField(std::ostream& out, const char* key, std::string_view value) {
  writeKey(out, key);
  writeJsonString(out, value);
  out << ',';
}

void writeNumbers(std::ostream& out, const double* values, size_t count, size_t stride) {
  out << '[';
  for (size_t i = 0; i < count; ++i) {
    if (i > 0) out << ',';
    writeJsonNumber(out, values[i * stride]);
  }
  out << ']';
}

void writeProperties(std::ostream& out, const host::RecordedWaveform& waveform) {
  writeKey(out, "props");
  out << '{';
  bool first = true;
  for (const host::RecordedProperty& property : waveform.properties) {
    if (!first) out << ',';
    first = false;
    writeJsonString(out, std::to_string(property.code));
    out << ':';
    writeJsonString(out, property.value);
  }
  out << "},";
  writeKey(out, "display");
  out << '{';
  first = true;
  for (const host::RecordedProperty& property : waveform.properties) {
    const char* name = hintName(property.code);
    if (name == nullptr) continue;
    if (!first) out << ',';
    first = false;
    writeKey(out, name);
    writeJsonString(out, property.value);
  }
  out << '}';
}

void writeParameters(std::ostream& out, const host::RecordedWaveform& waveform) {
  writeKey(out, "parameters");
  out << '[';
  for (size_t i = 0; i < waveform.parameters.size(); ++i) {
    const host::RecordedParameter& parameter = waveform.parameters[i];
    if (i > 0) out << ',';
    out << '{';
    writeKey(out, "name");
    writeJsonString(out, parameter.name);
    out << ',';
    writeKey(out, "values");
    writeNumbers(out, parameter.values.data(), parameter.values.size(), 1);
    out << '}';
  }
  out << ']';
}

void writeSegment(std::ostream& out, const host::RecordedWaveform& waveform, size_t index) {
  const host::RecordedSegment& segment = waveform.segments[index];
  size_t points = segment.x.size();
  out << '{';
  if (!waveform.parameters.empty()) {
    writeKey(out, "sweep");
    out << '{';
    std::vector<double> values = sweepValuesOf(waveform, index);
    for (size_t q = 0; q < values.size(); ++q) {
      if (q > 0) out << ',';
      writeJsonString(out, waveform.parameters[q].name);
      out << ':';
      writeJsonNumber(out, values[q]);
    }
    out << "},";
  }
  writeKey(out, "x");
  writeNumbers(out, segment.x.data(), points, 1);
  if (waveform.isComplex()) {
    points = std::min(points, segment.y.size() / 2);
    out << ',';
    writeKey(out, "re");
    writeNumbers(out, segment.y.data(), points, 2);
    out << ',';
    writeKey(out, "im");
    writeNumbers(out, segment.y.data() + (points > 0 ? 1 : 0), points, 2);
  } else {
    points = std::min(points, segment.y.size());
    out << ',';
    writeKey(out, "y");
    writeNumbers(out, segment.y.data(), points, 1);
  }
  out << '}';
}

void writeWaveform(std::ostream& out, const std::string& name, const host::RecordedWaveform& waveform) {
  out << '{';
  writeStringField(out, "name", name);
  writeStringField(out, "datatype", waveform.isComplex() ? "complex" : "real");
  writeStringField(out, "xname", waveform.xName);
  writeStringField(out, "xunit", waveform.xUnit);
  writeStringField(out, "yunit", waveform.yUnit);
  writeProperties(out, waveform);
  out << ',';
  writeParameters(out, waveform);
  out << ',';
  writeKey(out, "segments");
  out << '[';
  for (size_t s = 0; s < waveform.segments.size() && out; ++s) {
    if (s > 0) out << ',';
    writeSegment(out, waveform, s);
  }
  out << "]}";
}

void writeFileFields(std::ostream& out, const DumpedFile& file) {
  writeStringField(out, "file", file.path);
  writeStringField(out, "format", file.formatName);
  writeStringField(out, "design", file.design);
  writeKey(out, "nwaveforms");
  out << file.waveformCount << ',';
  writeKey(out, "nsegments");
  out << file.segmentCount << ',';
}

}  // namespace

bool writeJsonDocument(const DumpedFile& file, std::ostream& out) {
  Progress progress;
  out << '{';
  writeFileFields(out, file);
  writeKey(out, "waveforms");
  out << '[';
  for (size_t i = 0; i < file.names.size() && out; ++i) {
    progress.show(printable(file.path) + ": waveform " + std::to_string(i + 1) + " of " +
                  std::to_string(file.names.size()));
    std::vector<const host::RecordedWaveform*> received = file.load({file.names[i]});
    if (received.empty() || received[0] == nullptr) {
      diagnoseFile(file.path, printable(file.names[i]) + " could not be loaded");
      file.release();
      return false;
    }
    if (i > 0) out << ',';
    writeWaveform(out, file.names[i], *received[0]);
    file.release();
  }
  out << "]}\n";
  return static_cast<bool>(out);
}

}  // namespace korvel::tool
