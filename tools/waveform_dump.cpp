// JSON and CSV dumps of received waveforms.
#include "tools/waveform_dump.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <nlohmann/json.hpp>

namespace korvel::tool {

namespace {

using Json = nlohmann::ordered_json;

// JSON has no non-finite numbers; they travel as the strings a reader of
// the dump can map back.
Json numberOf(double value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";
  return value;
}

Json numbersOf(const double* values, size_t count, size_t stride = 1) {
  Json array = Json::array();
  for (size_t i = 0; i < count; ++i) array.push_back(numberOf(values[i * stride]));
  return array;
}

Json segmentOf(const host::RecordedWaveform& waveform, const host::RecordedSegment& segment) {
  Json json;
  json["x"] = numbersOf(segment.x.data(), segment.x.size());
  size_t points = segment.x.size();
  if (waveform.isComplex()) {
    json["re"] = numbersOf(segment.y.data(), points, 2);
    json["im"] = numbersOf(segment.y.data() + (points > 0 ? 1 : 0), points, 2);
  } else {
    json["y"] = numbersOf(segment.y.data(), points);
  }
  return json;
}

Json waveformOf(const std::string& name, const host::RecordedWaveform& waveform) {
  Json json;
  json["name"] = name;
  json["datatype"] = waveform.isComplex() ? "complex" : "real";
  json["xname"] = waveform.xName;
  json["xunit"] = waveform.xUnit;
  json["yunit"] = waveform.yUnit;
  json["props"] = Json::object();
  for (const auto& property : waveform.properties)
    json["props"][std::to_string(property.code)] = property.value;
  json["parameters"] = Json::array();
  for (const auto& parameter : waveform.parameters) {
    json["parameters"].push_back(
        {{"name", parameter.name}, {"values", numbersOf(parameter.values.data(), parameter.values.size())}});
  }
  json["segments"] = Json::array();
  for (const auto& segment : waveform.segments) json["segments"].push_back(segmentOf(waveform, segment));
  return json;
}

// Everything a dump holds, gathered before anything is written.
struct Received {
  std::string path;
  std::string formatName;
  std::string design;
  int waveformCount = 0;
  int segmentCount = 0;
  std::vector<std::string> names;
  std::vector<const host::RecordedWaveform*> waveforms;
};

void writeJson(const Received& received, std::ostream& out) {
  Json json;
  json["file"] = received.path;
  json["format"] = received.formatName;
  json["design"] = received.design;
  json["nwaveforms"] = received.waveformCount;
  json["nsegments"] = received.segmentCount;
  json["waveforms"] = Json::array();
  for (size_t i = 0; i < received.names.size(); ++i) {
    json["waveforms"].push_back(waveformOf(received.names[i], *received.waveforms[i]));
  }
  out << json.dump() << "\n";
}

std::string csvNumber(double value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";
  char text[32];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

// Names hold commas ("S-Par/S(1,2)"), so fields are quoted when needed.
std::string csvField(const std::string& text) {
  if (text.find_first_of(",\"\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

void writeCsv(const Received& received, std::ostream& out) {
  out << "name,segment,f,re,im\n";
  for (size_t i = 0; i < received.names.size(); ++i) {
    const host::RecordedWaveform& waveform = *received.waveforms[i];
    std::string name = csvField(received.names[i]);
    for (size_t s = 0; s < waveform.segments.size(); ++s) {
      const auto& segment = waveform.segments[s];
      for (size_t p = 0; p < segment.x.size(); ++p) {
        out << name << ',' << s << ',' << csvNumber(segment.x[p]) << ',';
        if (waveform.isComplex()) {
          out << csvNumber(segment.y[2 * p]) << ',' << csvNumber(segment.y[2 * p + 1]) << '\n';
        } else {
          out << csvNumber(segment.y[p]) << ",\n";
        }
      }
    }
  }
}

// The names the host would load: the ones asked for, each checked to be in
// the file, or the whole catalogue.
bool chooseNames(PluginSession& session, host::OpenedFile& file, const std::string& path,
                 const std::vector<std::string>& requested, std::vector<std::string>* names) {
  if (requested.empty()) {
    *names = session.catalogue(file);
    return true;
  }
  for (const std::string& name : requested) {
    if (session.waveformProperty(file, name, "-datatype").result != 0) {
      std::cerr << "korvel: " << path << ": no waveform named " << name << "\n";
      return false;
    }
  }
  *names = requested;
  return true;
}

}  // namespace

int dumpWaveforms(PluginSession& session, const std::string& path, const std::vector<std::string>& names,
                  DumpFormat format, std::ostream& out) {
  OpenedFileInfo opened = session.open(path);
  if (opened.file == nullptr) return kExitRefused;
  host::OpenedFile& file = *opened.file;
  Received received;
  received.path = path;
  received.formatName = opened.formatName;
  if (!chooseNames(session, file, path, names, &received.names)) return kExitRefused;
  received.design = session.fileProperty(file, "-design");
  received.waveformCount = std::atoi(session.fileProperty(file, "-nwaveforms").c_str());
  received.segmentCount = std::atoi(session.fileProperty(file, "-nsegments").c_str());
  received.waveforms = session.load(file, received.names);
  for (size_t i = 0; i < received.names.size(); ++i) {
    if (received.waveforms[i] == nullptr) {
      // A name given twice: its samples were handed over the first time.
      std::cerr << "korvel: " << path << ": " << received.names[i] << " could not be loaded\n";
      return kExitRefused;
    }
  }
  if (format == DumpFormat::kJson) {
    writeJson(received, out);
  } else {
    writeCsv(received, out);
  }
  return kExitOk;
}

}  // namespace korvel::tool
