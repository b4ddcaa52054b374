// Looking up waveform values at frequencies.
#include "tools/commands/get/waveform_values.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <ostream>

#include "tools/cli/exit_codes.h"
#include "tools/names/name_resolver.h"
#include "tools/output/diagnostics.h"
#include "tools/output/number_format.h"
#include "tools/output/sweep_values.h"
#include "tools/output/text_format.h"

namespace korvel::tool {

namespace {

// One NAME[@FREQ] as typed.
struct Query {
  std::string typed;
  std::string name;  // as typed, before the @
  bool atFrequency = false;
  double hertz = 0.0;
};

// One line of the table.
struct Row {
  std::string name;
  std::string frequency;
  std::string sweep;
  std::string value;
  std::string note;
};

bool parseQuery(const std::string& typed, Query* query, std::string* problem) {
  query->typed = typed;
  size_t at = typed.rfind('@');
  query->name = typed.substr(0, at);
  if (at == std::string::npos) return true;
  query->atFrequency = true;
  if (!parseFrequency(typed.substr(at + 1), &query->hertz)) {
    *problem = "not a frequency: " + typed.substr(at + 1);
    return false;
  }
  return true;
}

// A value with its unit for a person: "12.6 dB", "-1.2 + 3.4j", "4.5 at 117 deg".
std::string describeValue(const ValueColumns& columns, ValueUnit unit, const double* values) {
  const std::string& baseUnit = columns.units[0];
  bool plain = baseUnit == "-" || baseUnit.empty() || baseUnit == "factor";
  std::string suffix = plain ? "" : " " + baseUnit;
  if (columns.complex && unit == ValueUnit::kRealImaginary) {
    std::string sign = std::signbit(values[1]) && !std::isnan(values[1]) ? " - " : " + ";
    return formatNumber(values[0]) + sign + formatNumber(std::fabs(values[1])) + "j" + suffix;
  }
  if (columns.complex && unit == ValueUnit::kMagnitudeAngle) {
    return formatNumber(values[0]) + suffix + " at " + formatNumber(values[1]) + " deg";
  }
  return formatNumber(values[0]) + suffix;
}

std::string describeSweepAt(const host::RecordedWaveform& waveform, size_t segment) {
  std::string text;
  std::vector<double> values = sweepValuesOf(waveform, segment);
  for (size_t q = 0; q < values.size(); ++q) {
    text += (q == 0 ? "" : " ") + waveform.parameters[q].name + "=" + formatNumber(values[q]);
  }
  return text;
}

// Whether the points `index` and `index + 1` hold the same value.
bool equalNeighbours(const std::vector<double>& y, bool complex, size_t index) {
  const size_t stride = complex ? 2 : 1;
  for (size_t part = 0; part < stride; ++part) {
    if (y[index * stride + part] != y[(index + 1) * stride + part]) return false;
  }
  return true;
}

// Why a frequency has no value on the grid `x`, after the waveform's name.
std::string missingValueReason(const std::vector<double>& x, double f, const GridPlace& place) {
  std::string at = formatFrequency(f);
  if (x.empty()) return "has no value at " + at + " (it has no points)";
  if (place.kind == GridPlace::Kind::kOutside) {
    auto [low, high] = std::minmax_element(x.begin(), x.end());
    return "has no value at " + at + " (its frequencies: " + formatFrequency(*low) + " .. " +
           formatFrequency(*high) + ")";
  }
  std::string fall = formatFrequency(x[place.index]) + " is followed by " +
                     formatFrequency(x[std::min(place.index + 1, x.size() - 1)]);
  if (place.points > 1) {
    return "has " + std::to_string(place.points) + " points at " + at +
           " (its frequencies do not rise strictly: " + fall + ")";
  }
  return "has no single value at " + at + ": its frequencies do not rise strictly around it (" + fall + ")";
}

// Adds the rows of one query on one received waveform; false when the
// frequency has no value on its grid.
bool addRows(const std::string& path, const Query& query, const std::string& name,
             const host::RecordedWaveform& waveform, ValueUnit unit, std::vector<Row>* rows) {
  ValueColumns columns = valueColumns(waveform, unit);
  const size_t stride = columns.complex ? 2 : 1;
  double point[2];
  double shown[2];
  bool found = true;
  for (size_t s = 0; s < waveform.segments.size(); ++s) {
    const host::RecordedSegment& segment = waveform.segments[s];
    size_t points = std::min(segment.x.size(), segment.y.size() / stride);
    std::vector<double> x(segment.x.begin(), segment.x.begin() + static_cast<std::ptrdiff_t>(points));
    std::string sweep = describeSweepAt(waveform, s);
    if (!query.atFrequency) {
      for (size_t p = 0; p < points; ++p) {
        pointValues(columns, unit, &segment.y[p * stride], shown);
        rows->push_back({name, formatFrequency(x[p]), sweep, describeValue(columns, unit, shown), ""});
      }
      continue;
    }
    GridPlace place = placeOnGrid(x, query.hertz);
    if (place.kind == GridPlace::Kind::kOutside || place.kind == GridPlace::Kind::kUnclear) {
      diagnoseFile(path, printable(name) + " " + missingValueReason(x, query.hertz, place));
      found = false;
      continue;
    }
    valueAt(segment.y, columns.complex, place, point);
    pointValues(columns, unit, point, shown);
    std::string note;
    // Between two equal values (a constant such as Zo, stored at the ends
    // of its range) the value is the stored one: nothing was interpolated.
    if (place.kind == GridPlace::Kind::kBetween &&
        !equalNeighbours(segment.y, columns.complex, place.index)) {
      note = "interpolated between " + formatFrequency(x[place.index]) + " and " +
             formatFrequency(x[place.index + 1]);
    }
    rows->push_back({name, formatFrequency(query.hertz), sweep, describeValue(columns, unit, shown), note});
  }
  return found;
}

void printTable(const std::vector<Row>& rows, std::ostream& out) {
  bool sweep = std::any_of(rows.begin(), rows.end(), [](const Row& row) { return !row.sweep.empty(); });
  bool notes = std::any_of(rows.begin(), rows.end(), [](const Row& row) { return !row.note.empty(); });
  std::vector<std::vector<std::string>> cells;
  std::vector<std::string> header = {"waveform", "f"};
  if (sweep) header.push_back("sweep");
  header.push_back("value");
  if (notes) header.push_back("note");
  cells.push_back(header);
  for (const Row& row : rows) {
    std::vector<std::string> line = {printable(row.name), row.frequency};
    if (sweep) line.push_back(printable(row.sweep));
    line.push_back(row.value);
    if (notes) line.push_back(row.note);
    cells.push_back(line);
  }
  std::vector<size_t> widths(header.size(), 0);
  for (const auto& line : cells) {
    for (size_t c = 0; c < line.size(); ++c) widths[c] = std::max(widths[c], line[c].size());
  }
  for (const auto& line : cells) {
    std::string text;
    for (size_t c = 0; c < line.size(); ++c) {
      text += line[c];
      if (c + 1 < line.size()) text += std::string(widths[c] - line[c].size() + 2, ' ');
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    out << text << "\n";
  }
}

// The values of every query on one file.
int printFileValues(PluginSession& session, const std::string& path, const std::vector<Query>& queries,
                    ValueUnit unit, bool headed, std::ostream& out) {
  OpenedFileInfo opened = session.open(path);
  if (opened.file == nullptr) return kExitRefused;
  std::vector<std::string> catalogue = session.catalogue(*opened.file);
  // A mixed-mode file's gains and noise belong to one of its two-ports:
  // each such value says which.
  const std::string twoPort = mixedModeTwoPort(catalogue);
  std::vector<std::string> resolved;
  std::vector<std::string> toLoad;
  int status = kExitOk;
  for (const Query& query : queries) {
    NameResolution resolution = resolveWaveformName(catalogue, query.name);
    if (resolution.outcome != NameResolution::Outcome::kFound) {
      diagnoseFile(path, printable(unresolvedMessage(query.name, resolution)));
      return kExitRefused;
    }
    resolved.push_back(resolution.name);
    if (std::find(toLoad.begin(), toLoad.end(), resolution.name) == toLoad.end())
      toLoad.push_back(resolution.name);
  }
  // Each waveform is loaded once however often it is asked for.
  PluginSession::WaveformRecording recording = session.recordWaveforms();
  std::vector<const host::RecordedWaveform*> received = session.load(*opened.file, toLoad);
  std::vector<Row> rows;
  for (size_t i = 0; i < queries.size(); ++i) {
    size_t slot = static_cast<size_t>(std::find(toLoad.begin(), toLoad.end(), resolved[i]) - toLoad.begin());
    if (slot >= received.size() || received[slot] == nullptr) {
      diagnoseFile(path, printable(resolved[i]) + " could not be loaded");
      status = kExitRefused;
      continue;
    }
    size_t first = rows.size();
    if (!addRows(path, queries[i], resolved[i], *received[slot], unit, &rows)) status = kExitRefused;
    if (!twoPort.empty() && isTwoPortFigure(resolved[i])) {
      for (size_t r = first; r < rows.size(); ++r) {
        rows[r].note = "of " + twoPort + (rows[r].note.empty() ? "" : "; " + rows[r].note);
      }
    }
  }
  if (headed) out << printable(path) << "\n";
  printTable(rows, out);
  return status;
}

}  // namespace

bool parseFrequency(const std::string& text, double* hertz) {
  const char* start = text.c_str();
  char* end = nullptr;
  double value = std::strtod(start, &end);
  if (end == start || !std::isfinite(value)) return false;
  std::string unit = lowerCase(std::string(end));
  unit.erase(std::remove(unit.begin(), unit.end(), ' '), unit.end());
  if (unit.size() > 2 && unit.compare(unit.size() - 2, 2, "hz") == 0)
    unit.resize(unit.size() - 2);
  else if (unit == "hz")
    unit.clear();
  static const std::map<std::string, double> kScales = {
      {"", 1.0}, {"k", 1e3}, {"m", 1e6}, {"g", 1e9}, {"t", 1e12}};
  auto scale = kScales.find(unit);
  if (scale == kScales.end()) return false;
  *hertz = value * scale->second;
  return std::isfinite(*hertz);
}

namespace {

// Whether a point of `x` lies strictly between neighbours `i` and `i + 1`.
bool anyInside(const std::vector<double>& x, size_t i) {
  return std::any_of(x.begin(), x.end(), [&](double v) { return x[i] < v && v < x[i + 1]; });
}

}  // namespace

GridPlace placeOnGrid(const std::vector<double>& x, double f) {
  GridPlace place;
  if (x.empty() || !std::isfinite(f)) return place;
  size_t exact = 0;
  size_t spans = 0;
  for (size_t i = 0; i < x.size(); ++i) {
    if (x[i] == f && exact++ == 0) place.index = i;
    if (i + 1 == x.size()) continue;
    if (std::min(x[i], x[i + 1]) < f && f < std::max(x[i], x[i + 1]) && spans++ == 0 && exact == 0)
      place.index = i;
  }
  if (exact == 1) {
    place.kind = GridPlace::Kind::kExact;
    return place;
  }
  if (exact == 0 && spans == 0) return place;
  if (exact == 0 && spans == 1 && x[place.index] < x[place.index + 1] && !anyInside(x, place.index)) {
    place.kind = GridPlace::Kind::kBetween;
    place.weight = (f - x[place.index]) / (x[place.index + 1] - x[place.index]);
    return place;
  }
  place.kind = GridPlace::Kind::kUnclear;
  place.points = exact;
  place.index = 0;
  while (place.index + 1 < x.size() && x[place.index] < x[place.index + 1]) ++place.index;
  return place;
}

void valueAt(const std::vector<double>& y, bool complex, const GridPlace& place, double* out) {
  const size_t stride = complex ? 2 : 1;
  for (size_t part = 0; part < stride; ++part) {
    double low = y[place.index * stride + part];
    if (place.kind == GridPlace::Kind::kExact) {
      out[part] = low;
      continue;
    }
    double high = y[(place.index + 1) * stride + part];
    out[part] = low + place.weight * (high - low);
  }
}

int printValues(PluginSession& session, const std::vector<std::string>& paths,
                const std::vector<std::string>& typed, ValueUnit unit, std::ostream& out) {
  std::vector<Query> queries;
  for (const std::string& text : typed) {
    Query query;
    std::string problem;
    if (!parseQuery(text, &query, &problem)) {
      diagnose(printable(problem));
      return kExitUsage;
    }
    queries.push_back(query);
  }
  int status = kExitOk;
  for (size_t i = 0; i < paths.size(); ++i) {
    if (i > 0) out << "\n";
    if (printFileValues(session, paths[i], queries, unit, paths.size() > 1, out) != kExitOk)
      status = kExitRefused;
    if (!out) return kExitRefused;
  }
  return status;
}

}  // namespace korvel::tool
