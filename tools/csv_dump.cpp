// The CSV dumps: the long form, one row per point of each waveform, and
// the wide form, one row per frequency and segment with a column per
// quantity, as a spreadsheet wants it.
#include <algorithm>
#include <iostream>
#include <numeric>

#include "tools/dump_writers.h"
#include "tools/progress.h"
#include "tools/sweep_values.h"
#include "tools/text_format.h"

namespace korvel::tool {

namespace {

// The long form's value columns for a unit.
std::vector<std::string> longValueColumns(ValueUnit unit) {
  switch (unit) {
    case ValueUnit::kRealImaginary:
      return {"re", "im"};
    case ValueUnit::kMagnitudeAngle:
      return {"mag", "deg"};
    default:
      return {"value"};
  }
}

std::string bracketed(const std::string& unit) { return "[" + unit + "]"; }

void writeHeaderOnce(const std::string& header, CsvState* state, std::ostream& out) {
  if (header == state->header) return;
  out << header << '\n';
  state->header = header;
}

std::string filePrefix(const DumpedFile& file, bool header) {
  if (!file.fileColumn) return {};
  return header ? "file," : csvField(file.path) + ",";
}

std::string sweepHeader(const std::vector<std::string>& sweepNames) {
  std::string header;
  for (const std::string& name : sweepNames) header += csvField(name) + ",";
  return header;
}

// The segment and its sweep values, each followed by a comma.
std::string segmentFields(const host::RecordedWaveform& waveform, size_t segment) {
  std::string row = std::to_string(segment) + ",";
  for (double value : sweepValuesOf(waveform, segment)) row += shortestNumber(value) + ",";
  return row;
}

bool loadFailed(const DumpedFile& file, const std::string& name) {
  std::cerr << "korvel: " << printable(file.path) << ": " << printable(name) << " could not be loaded\n";
  file.release();
  return false;
}

void writeLongRows(const DumpedFile& file, const std::string& name, const host::RecordedWaveform& waveform,
                   ValueUnit unit, size_t valueColumnCount, std::ostream& out) {
  ValueColumns columns = valueColumns(waveform, unit);
  const std::string namePart = csvField(name) + ",";
  const std::string unitPart = csvField(columns.units[0]);
  const size_t stride = columns.complex ? 2 : 1;
  double values[2];
  for (size_t s = 0; s < waveform.segments.size() && out; ++s) {
    const host::RecordedSegment& segment = waveform.segments[s];
    const std::string start = filePrefix(file, false) + namePart + segmentFields(waveform, s);
    for (size_t p = 0; p < segment.x.size() && (p + 1) * stride <= segment.y.size() && out; ++p) {
      pointValues(columns, unit, &segment.y[p * stride], values);
      out << start << shortestNumber(segment.x[p]);
      for (size_t c = 0; c < valueColumnCount; ++c) {
        out << ',';
        if (c < columns.parts.size()) out << shortestNumber(values[c]);
      }
      out << ',' << unitPart << '\n';
    }
  }
}

}  // namespace

bool writeLongCsv(const DumpedFile& file, ValueUnit unit, CsvState* state, std::ostream& out) {
  Progress progress;
  const std::vector<std::string> parts = longValueColumns(unit);
  bool headerWritten = false;
  for (size_t i = 0; i < file.names.size() && out; ++i) {
    progress.show(printable(file.path) + ": waveform " + std::to_string(i + 1) + " of " +
                  std::to_string(file.names.size()));
    std::vector<const host::RecordedWaveform*> received = file.load({file.names[i]});
    if (received.empty() || received[0] == nullptr) return loadFailed(file, file.names[i]);
    const host::RecordedWaveform& waveform = *received[0];
    if (!headerWritten) {
      std::string header = filePrefix(file, true) + "name,segment," + sweepHeader(sweepNamesOf(waveform)) +
                           csvField(waveform.xName + " " + bracketed(waveform.xUnit));
      for (const std::string& part : parts) header += "," + part;
      writeHeaderOnce(header + ",unit", state, out);
      headerWritten = true;
    }
    writeLongRows(file, file.names[i], waveform, unit, parts.size(), out);
    file.release();
  }
  return static_cast<bool>(out);
}

namespace {

// One waveform's place in the wide table.
struct WideColumn {
  const host::RecordedWaveform* waveform;
  ValueColumns columns;
};

std::string wideHeader(const DumpedFile& file, const std::vector<WideColumn>& table) {
  const host::RecordedWaveform& first = *table.front().waveform;
  std::string header = filePrefix(file, true) + "segment," + sweepHeader(sweepNamesOf(first)) +
                       csvField(first.xName + " " + bracketed(first.xUnit));
  for (size_t w = 0; w < table.size(); ++w) {
    const ValueColumns& columns = table[w].columns;
    for (size_t c = 0; c < columns.parts.size(); ++c) {
      std::string label = file.names[w];
      if (columns.parts.size() > 1) label += " " + columns.parts[c];
      header += "," + csvField(label + " " + bracketed(columns.units[c]));
    }
  }
  return header;
}

// The frequencies of segment `s` of every waveform, sorted, each once.
std::vector<double> rowFrequencies(const std::vector<WideColumn>& table, size_t s) {
  std::vector<double> x;
  for (const WideColumn& column : table) {
    if (s < column.waveform->segments.size()) {
      const std::vector<double>& own = column.waveform->segments[s].x;
      x.insert(x.end(), own.begin(), own.end());
    }
  }
  std::sort(x.begin(), x.end());
  x.erase(std::unique(x.begin(), x.end()), x.end());
  return x;
}

// For each waveform, its point indices in segment `s` by rising frequency.
std::vector<std::vector<size_t>> pointOrders(const std::vector<WideColumn>& table, size_t s) {
  std::vector<std::vector<size_t>> orders;
  for (const WideColumn& column : table) {
    std::vector<size_t> order;
    if (s < column.waveform->segments.size()) {
      const host::RecordedSegment& segment = column.waveform->segments[s];
      size_t stride = column.columns.complex ? 2 : 1;
      order.resize(std::min(segment.x.size(), segment.y.size() / stride));
      std::iota(order.begin(), order.end(), 0);
      std::stable_sort(order.begin(), order.end(),
                       [&](size_t a, size_t b) { return segment.x[a] < segment.x[b]; });
    }
    orders.push_back(std::move(order));
  }
  return orders;
}

void writeWideSegment(const DumpedFile& file, const std::vector<WideColumn>& table, size_t s, ValueUnit unit,
                      std::ostream& out) {
  const std::string start = filePrefix(file, false) + segmentFields(*table.front().waveform, s);
  std::vector<std::vector<size_t>> orders = pointOrders(table, s);
  std::vector<size_t> cursor(table.size(), 0);
  double values[2];
  for (double f : rowFrequencies(table, s)) {
    if (!out) return;
    out << start << shortestNumber(f);
    for (size_t w = 0; w < table.size(); ++w) {
      const ValueColumns& columns = table[w].columns;
      const std::vector<size_t>& order = orders[w];
      const host::RecordedSegment* segment =
          s < table[w].waveform->segments.size() ? &table[w].waveform->segments[s] : nullptr;
      while (cursor[w] < order.size() && segment->x[order[cursor[w]]] < f) ++cursor[w];
      bool here = cursor[w] < order.size() && segment->x[order[cursor[w]]] == f;
      if (here) pointValues(columns, unit, &segment->y[order[cursor[w]] * (columns.complex ? 2 : 1)], values);
      for (size_t c = 0; c < columns.parts.size(); ++c) {
        out << ',';
        if (here) out << shortestNumber(values[c]);
      }
    }
    out << '\n';
  }
}

}  // namespace

bool writeWideCsv(const DumpedFile& file, ValueUnit unit, CsvState* state, std::ostream& out) {
  if (file.names.empty()) return true;
  std::vector<const host::RecordedWaveform*> received = file.load(file.names);
  std::vector<WideColumn> table;
  size_t segments = 0;
  for (size_t i = 0; i < file.names.size(); ++i) {
    if (i >= received.size() || received[i] == nullptr) return loadFailed(file, file.names[i]);
    table.push_back({received[i], valueColumns(*received[i], unit)});
    segments = std::max(segments, received[i]->segments.size());
  }
  writeHeaderOnce(wideHeader(file, table), state, out);
  Progress progress;
  for (size_t s = 0; s < segments && out; ++s) {
    progress.show(printable(file.path) + ": segment " + std::to_string(s + 1) + " of " +
                  std::to_string(segments));
    writeWideSegment(file, table, s, unit, out);
  }
  file.release();
  return static_cast<bool>(out);
}

}  // namespace korvel::tool
