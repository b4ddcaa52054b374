// Human-readable descriptions of opened files.
#include "tools/commands/info/file_summary.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iomanip>
#include <limits>
#include <ostream>

#include "dataset/waveform_groups.h"
#include "plugin/file_header.h"
#include "tools/names/name_resolver.h"
#include "tools/names/resolved_names.h"
#include "tools/output/json_writer.h"
#include "tools/output/number_format.h"
#include "tools/output/text_format.h"
#include "tools/output/word_wrap.h"

namespace korvel::tool {

namespace {

constexpr size_t kShownComments = 3;
constexpr size_t kLabelWidth = 12;

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
    if (segment.points == 0) continue;
    if (extent.segments == 0) extent.points = segment.points;
    ++extent.segments;
    if (!std::isnan(segment.lowX)) extent.low = std::min(extent.low, segment.lowX);
    if (!std::isnan(segment.highX)) extent.high = std::max(extent.high, segment.highX);
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

// Everything the summary shows of one file, gathered before it is written.
struct FileFacts {
  std::string path;
  std::string formatName;
  std::string design;
  std::string waveformCount;
  std::string segmentCount;
  size_t ports = 0;
  FileHeader header;
  bool gridKnown = false;
  GridExtent grid;
  bool noiseGridDiffers = false;
  GridExtent noiseGrid;
  std::vector<host::RecordedParameter> sweep;
  std::vector<std::pair<std::string, double>> references;  // terminal item, ohms
  bool referencesVary = false;
  bool referencesComplex = false;  // an imaginary part at some point
  std::vector<std::string> catalogue;
};

// The reference impedance of each terminal from its Zo waveform (its
// values at the first and last frequency of every segment).
void gatherReferences(const std::vector<std::string>& names,
                      const std::vector<const host::RecordedWaveform*>& received, FileFacts* facts) {
  for (size_t i = 0; i < names.size(); ++i) {
    if (waveformGroup(names[i]) != kReferenceImpedanceGroup || received[i] == nullptr) continue;
    const host::YSummary& values = received[i]->ySummary;
    if (!values.any) continue;
    if (values.varies) facts->referencesVary = true;
    facts->references.push_back({std::string(waveformItem(names[i])), values.first});
  }
}

// Loads the first waveform of the main grid, a noise waveform when there
// is one and the reference impedances, for the grids, sweep and references.
void gatherGrids(PluginSession& session, host::OpenedFile& file, FileFacts* facts) {
  const std::vector<std::string>& names = facts->catalogue;
  std::vector<std::string> probes;
  if (!names.empty()) probes.push_back(names.front());
  std::string noiseFigure = waveformName(kNoiseGroup, "NF");
  bool noise = std::find(names.begin(), names.end(), noiseFigure) != names.end();
  if (noise && probes.front() != noiseFigure) probes.push_back(noiseFigure);
  for (const std::string& name : names) {
    if (waveformGroup(name) == kReferenceImpedanceGroup &&
        std::find(probes.begin(), probes.end(), name) == probes.end())
      probes.push_back(name);
  }
  // A summary needs no copy of a waveform that may be as large as the file.
  PluginSession::WaveformRecording recording = session.recordWaveforms(host::ValueRecording::kExtents);
  std::vector<const host::RecordedWaveform*> received = session.load(file, probes);
  if (!received.empty() && received[0] != nullptr) {
    facts->gridKnown = true;
    facts->grid = extentOf(*received[0]);
    facts->sweep = received[0]->parameters;
    // Touchstone noise data may have a grid of its own; shown when it does.
    if (noise && received.size() > 1 && received[1] != nullptr) {
      facts->noiseGrid = extentOf(*received[1]);
      facts->noiseGridDiffers = describeGrid(facts->noiseGrid) != describeGrid(facts->grid);
    }
  }
  gatherReferences(probes, received, facts);
}

FileFacts gatherFacts(PluginSession& session, OpenedFileInfo& opened) {
  host::OpenedFile& file = *opened.file;
  FileFacts facts;
  facts.path = opened.path;
  facts.formatName = opened.formatName;
  facts.referencesComplex = opened.complexReferences;
  facts.catalogue = session.catalogue(file);
  facts.design = session.fileProperty(file, "-design");
  facts.waveformCount = session.fileProperty(file, "-nwaveforms");
  facts.segmentCount = session.fileProperty(file, "-nsegments");
  facts.ports = static_cast<size_t>(
      std::count_if(facts.catalogue.begin(), facts.catalogue.end(),
                    [](const std::string& name) { return waveformGroup(name) == kReferenceImpedanceGroup; }));
  facts.header = readFileHeader(
      opened.readPath, opened.formatName == "TouchStone" ? HeaderFormat::kTouchstone : HeaderFormat::kSc);
  gatherGrids(session, file, &facts);
  return facts;
}

// The real parts the Zo waveforms hold.
std::string describeRealReferences(const FileFacts& facts) {
  if (facts.referencesVary) return "per frequency";
  bool same = std::all_of(facts.references.begin(), facts.references.end(),
                          [&](const auto& entry) { return entry.second == facts.references.front().second; });
  if (same) return formatNumber(facts.references.front().second) + " Ohms";
  std::string text;
  for (const auto& [item, value] : facts.references)
    text += (text.empty() ? "" : ", ") + item + " " + formatNumber(value);
  return text + " Ohms";
}

// The Zo waveforms hold real parts only: references with an imaginary
// part are said to be complex, their real parts named as such.
std::string describeReferences(const FileFacts& facts) {
  if (facts.references.empty()) return "unknown";
  std::string real = describeRealReferences(facts);
  if (!facts.referencesComplex) return real;
  if (facts.referencesVary) return "complex, per frequency";
  return "complex (real part " + real + ")";
}

// "MA (magnitude, angle)"; the format itself when it is not one of the three.
std::string describeDataFormat(const std::string& format) {
  if (format == "DB") return "DB (dB, angle)";
  if (format == "MA") return "MA (magnitude, angle)";
  if (format == "RI") return "RI (real, imaginary)";
  return format;
}

std::string describeParameters(const FileFacts& facts) {
  std::string type = facts.header.parameterType.empty() ? "S" : facts.header.parameterType;
  std::string text = type + "-parameters";
  if (!facts.header.dataFormat.empty()) text += ", " + describeDataFormat(facts.header.dataFormat);
  if (!facts.header.frequencyUnit.empty()) text += ", frequency in " + facts.header.frequencyUnit;
  if (!facts.header.version.empty()) text += ", Touchstone " + facts.header.version;
  return text;
}

std::string describeSweep(const std::vector<host::RecordedParameter>& sweep) {
  if (sweep.empty()) return "none";
  std::string text;
  for (const auto& parameter : sweep) {
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
    std::string group(waveformGroup(name));
    auto found =
        std::find_if(groups.begin(), groups.end(), [&](const auto& entry) { return entry.first == group; });
    if (found == groups.end()) {
      groups.push_back({group, {}});
      found = groups.end() - 1;
    }
    found->second.emplace_back(waveformItem(name));
  }
  return groups;
}

std::string padded(const std::string& text, size_t width) {
  return text.size() >= width ? text + " " : text + std::string(width - text.size(), ' ');
}

class SummaryWriter {
 public:
  SummaryWriter(std::ostream& out, const SummaryOptions& options) : out_(out), options_(options) {}

  void row(const std::string& label, const std::string& value) {
    out_ << wrapWords("  " + padded(label, kLabelWidth), splitWords(value), 2 + kLabelWidth, options_.width)
         << "\n";
  }
  void listRow(const std::string& label, const std::vector<std::string>& items, size_t indent) {
    out_ << wrapWords(std::string(indent, ' ') + padded(label, kLabelWidth), items, indent + kLabelWidth,
                      options_.width)
         << "\n";
  }
  void comments(const std::vector<std::string>& lines) {
    if (lines.empty()) return;
    size_t shown = options_.allComments ? lines.size() : std::min(lines.size(), kShownComments);
    for (size_t i = 0; i < shown; ++i) {
      // A comment keeps its own spacing (often column headings) when it fits.
      std::string lead = "  " + padded(i == 0 ? "comments" : "", kLabelWidth);
      std::string text = printable(lines[i]);
      if (lead.size() + text.size() <= options_.width) {
        out_ << lead << text << "\n";
      } else {
        row(i == 0 ? "comments" : "", text);
      }
    }
    if (shown < lines.size()) {
      row("", "(" + std::to_string(lines.size() - shown) + " more; --comments shows them all)");
    }
  }

 private:
  static std::vector<std::string> splitWords(const std::string& text) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < text.size()) {
      size_t end = text.find(' ', i);
      if (end == std::string::npos) end = text.size();
      if (end > i) words.push_back(text.substr(i, end - i));
      i = end + 1;
    }
    return words;
  }

  std::ostream& out_;
  const SummaryOptions& options_;
};

void printSummary(const FileFacts& facts, const SummaryOptions& options, std::ostream& out) {
  SummaryWriter writer(out, options);
  out << printable(facts.path) << "\n";
  writer.row("format", facts.formatName);
  writer.row("design", printable(facts.design));
  writer.row("ports", std::to_string(facts.ports));
  writer.row("data", describeParameters(facts));
  writer.row("reference", describeReferences(facts));
  if (std::string twoPort = mixedModeTwoPort(facts.catalogue); !twoPort.empty()) {
    writer.row("two-port", "gains, stability and noise of " + twoPort + " (ports 1 and 2 of its formulas)");
  }
  writer.row("waveforms", facts.waveformCount);
  writer.row("segments", facts.segmentCount);
  writer.row("frequency", facts.gridKnown ? describeGrid(facts.grid) : "unknown");
  if (facts.noiseGridDiffers) writer.row("noise grid", describeGrid(facts.noiseGrid));
  writer.row("sweep", printable(describeSweep(facts.sweep)));
  writer.comments(facts.header.comments);
  out << "  catalogue\n";
  for (const auto& [group, items] : groupByKind(facts.catalogue)) {
    std::vector<std::string> shown;
    for (const std::string& item : items) shown.push_back(printable(item));
    writer.listRow(printable(group), shown, 4);
  }
}

JsonDocument jsonGrid(const GridExtent& grid) {
  JsonDocument document;
  document["start"] = grid.segments > 0 ? grid.low : std::nan("");
  document["stop"] = grid.segments > 0 ? grid.high : std::nan("");
  document["points"] = grid.points;
  document["segments"] = grid.segments;
  return document;
}

JsonDocument jsonSummary(const FileFacts& facts) {
  JsonDocument document;
  document["file"] = facts.path;
  document["format"] = facts.formatName;
  document["design"] = facts.design;
  document["ports"] = facts.ports;
  document["parameter"] = facts.header.parameterType.empty() ? "S" : facts.header.parameterType;
  document["dataFormat"] = facts.header.dataFormat;
  document["frequencyUnit"] = facts.header.frequencyUnit;
  document["version"] = facts.header.version;
  JsonDocument& reference = document["reference"] = JsonDocument::object();
  for (const auto& [item, ohms] : facts.references) reference[item] = ohms;
  document["referenceVaries"] = facts.referencesVary;
  document["referenceComplex"] = facts.referencesComplex;
  document["twoPort"] = mixedModeTwoPort(facts.catalogue);
  document["nwaveforms"] = std::atoi(facts.waveformCount.c_str());
  document["nsegments"] = std::atoi(facts.segmentCount.c_str());
  document["frequency"] = jsonGrid(facts.grid);
  if (facts.noiseGridDiffers) document["noiseFrequency"] = jsonGrid(facts.noiseGrid);
  JsonDocument& sweep = document["sweep"] = JsonDocument::array();
  for (const host::RecordedParameter& parameter : facts.sweep) {
    sweep.push_back({{"name", parameter.name}, {"values", parameter.values}});
  }
  document["comments"] = facts.header.comments;
  document["catalogue"] = facts.catalogue;
  return document;
}

void printJsonSummary(const FileFacts& facts, std::ostream& out) {
  writeJson(out, jsonSummary(facts));
  out << "\n";
}

}  // namespace

int printSummaries(PluginSession& session, const std::vector<std::string>& paths,
                   const SummaryOptions& options, std::ostream& out) {
  int status = kExitOk;
  bool first = true;
  for (const std::string& path : paths) {
    OpenedFileInfo opened = session.open(path);
    if (opened.file == nullptr) {
      status = kExitRefused;
      continue;
    }
    FileFacts facts = gatherFacts(session, opened);
    if (!first && !options.json) out << "\n";
    first = false;
    if (options.json) {
      printJsonSummary(facts, out);
    } else {
      printSummary(facts, options, out);
    }
    if (!out) return kExitRefused;
  }
  return status;
}

}  // namespace korvel::tool
