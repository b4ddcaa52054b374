// Human-readable descriptions of opened files.
#include "tools/file_summary.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iomanip>
#include <iostream>
#include <limits>

namespace korvel::tool {

namespace {

// Every waveform property the host asks, in the order shown.
const char* const kWaveformOptions[] = {"-datatype", "-got_xaxis", "-nsegments", "-wftype", "-xname",
                                        "-xunit",    "-xscale",    "-yname",     "-yunit",  "-yscale"};

std::string formatNumber(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", value);
  return text;
}

// The x range and points of a received waveform, over all its segments.
struct GridExtent {
  double low = std::numeric_limits<double>::infinity();
  double high = -std::numeric_limits<double>::infinity();
  size_t points = 0;  // of the first segment
  size_t segments = 0;
};

GridExtent extentOf(const host::RecordedWaveform& waveform) {
  GridExtent extent;
  for (const auto& segment : waveform.segments) {
    if (segment.x.empty()) continue;
    if (extent.segments == 0) extent.points = segment.x.size();
    ++extent.segments;
    auto [low, high] = std::minmax_element(segment.x.begin(), segment.x.end());
    extent.low = std::min(extent.low, *low);
    extent.high = std::max(extent.high, *high);
  }
  return extent;
}

std::string describeGrid(const GridExtent& extent) {
  if (extent.segments == 0) return "no points";
  std::string text = formatFrequency(extent.low) + " .. " + formatFrequency(extent.high) + ", " +
                     std::to_string(extent.points) + (extent.points == 1 ? " point" : " points");
  if (extent.segments > 1) text += " in each of " + std::to_string(extent.segments) + " segments";
  return text;
}

std::string describeSweep(const host::RecordedWaveform& waveform) {
  if (waveform.parameters.empty()) return "none";
  std::string text;
  for (const auto& parameter : waveform.parameters) {
    if (!text.empty()) text += "; ";
    text += parameter.name + " =";
    for (double value : parameter.values) text += " " + formatNumber(value);
  }
  return text;
}

// The catalogue's groups in order of first appearance, each with its items.
std::vector<std::pair<std::string, std::vector<std::string>>> groupByKind(
    const std::vector<std::string>& names) {
  std::vector<std::pair<std::string, std::vector<std::string>>> groups;
  for (const std::string& name : names) {
    size_t slash = name.find('/');
    std::string group = slash == std::string::npos ? name : name.substr(0, slash);
    std::string item = slash == std::string::npos ? name : name.substr(slash + 1);
    auto found =
        std::find_if(groups.begin(), groups.end(), [&](const auto& entry) { return entry.first == group; });
    if (found == groups.end()) {
      groups.push_back({group, {}});
      found = groups.end() - 1;
    }
    found->second.push_back(item);
  }
  return groups;
}

void printRow(std::ostream& out, const std::string& label, const std::string& value) {
  out << "  " << std::left << std::setw(12) << label << value << "\n";
}

// Loads the first waveform of the main grid and, when there is one, a
// noise waveform, to learn the frequency grids and the sweep.
void printGrids(PluginSession& session, host::OpenedFile& file, const std::vector<std::string>& names,
                std::ostream& out) {
  std::vector<std::string> probes;
  if (!names.empty()) probes.push_back(names.front());
  bool noise = std::find(names.begin(), names.end(), "Noise-Par/NF") != names.end();
  if (noise) probes.push_back("Noise-Par/NF");
  std::vector<const host::RecordedWaveform*> received = session.load(file, probes);
  if (received.empty() || received[0] == nullptr) {
    printRow(out, "frequency", "unknown");
    return;
  }
  printRow(out, "frequency", describeGrid(extentOf(*received[0])));
  // Touchstone noise data may have a grid of its own; show it when it does.
  if (noise && received.size() > 1 && received[1] != nullptr) {
    std::string noiseGrid = describeGrid(extentOf(*received[1]));
    if (noiseGrid != describeGrid(extentOf(*received[0]))) printRow(out, "noise grid", noiseGrid);
  }
  printRow(out, "sweep", describeSweep(*received[0]));
}

void printSummary(PluginSession& session, const std::string& path, OpenedFileInfo& opened,
                  std::ostream& out) {
  host::OpenedFile& file = *opened.file;
  std::vector<std::string> names = session.catalogue(file);
  out << path << "\n";
  printRow(out, "format", opened.formatName);
  printRow(out, "design", session.fileProperty(file, "-design"));
  printRow(out, "waveforms", session.fileProperty(file, "-nwaveforms"));
  printRow(out, "segments", session.fileProperty(file, "-nsegments"));
  printGrids(session, file, names, out);
  out << "  catalogue\n";
  for (const auto& [group, items] : groupByKind(names)) {
    std::string line;
    for (const std::string& item : items) line += (line.empty() ? "" : " ") + item;
    out << "    " << std::left << std::setw(12) << group << line << "\n";
  }
}

}  // namespace

std::string formatFrequency(double hertz) {
  static const struct {
    double scale;
    const char* unit;
  } kUnits[] = {{1e12, "THz"}, {1e9, "GHz"}, {1e6, "MHz"}, {1e3, "kHz"}};
  for (const auto& unit : kUnits) {
    if (std::fabs(hertz) >= unit.scale) return formatNumber(hertz / unit.scale) + " " + unit.unit;
  }
  return formatNumber(hertz) + " Hz";
}

int printSummaries(PluginSession& session, const std::vector<std::string>& paths, std::ostream& out) {
  int status = kExitOk;
  bool first = true;
  for (const std::string& path : paths) {
    OpenedFileInfo opened = session.open(path);
    if (opened.file == nullptr) {
      status = kExitRefused;
      continue;
    }
    if (!first) out << "\n";
    first = false;
    printSummary(session, path, opened, out);
  }
  return status;
}

int printCatalogue(PluginSession& session, const std::string& path, std::ostream& out) {
  OpenedFileInfo opened = session.open(path);
  if (opened.file == nullptr) return kExitRefused;
  for (const std::string& name : session.catalogue(*opened.file)) out << name << "\n";
  return kExitOk;
}

int printWaveformProperties(PluginSession& session, const std::string& path, const std::string& name,
                            std::ostream& out) {
  OpenedFileInfo opened = session.open(path);
  if (opened.file == nullptr) return kExitRefused;
  for (const char* option : kWaveformOptions) {
    host::PropertyAnswer answer = session.waveformProperty(*opened.file, name, option);
    if (answer.result != 0) {
      std::cerr << "korvel: " << path << ": no waveform named " << name << "\n";
      return kExitRefused;
    }
    out << std::left << std::setw(12) << option << answer.text << "\n";
  }
  return kExitOk;
}

}  // namespace korvel::tool
