// The CSV dumps: the long form, one row per point of each waveform, and
// the wide form, one row per frequency and segment with a column per
// quantity, as a spreadsheet wants it.
#include <algorithm>
#include <numeric>
#include <ostream>

#include "tools/commands/dump/dump_writers.h"
#include "tools/output/diagnostics.h"
#include "tools/output/sweep_values.h"
#include "tools/output/text_format.h"
#include "tools/session/progress.h"

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

// The sweep columns of the table `waveform` is written in.
std::vector<std::string> tableSweepNames(const host::RecordedWaveform& waveform, const CsvState& state) {
  return state.shared ? state.sweepNames : sweepNamesOf(waveform);
}

// Appends the names of `more` not yet in `names`, in their order.
void addNew(std::vector<std::string>* names, const std::vector<std::string>& more) {
  for (const std::string& name : more) {
    if (std::find(names->begin(), names->end(), name) == names->end()) names->push_back(name);
  }
}

// The segment and its sweep values under the table's sweep columns
// `columns` (empty where the waveform has no such parameter), each
// followed by a comma.
std::string segmentFields(const host::RecordedWaveform& waveform, size_t segment,
                          const std::vector<std::string>& columns) {
  std::string row = std::to_string(segment) + ",";
  std::vector<std::string> own = sweepNamesOf(waveform);
  std::vector<double> values = sweepValuesOf(waveform, segment);
  for (const std::string& column : columns) {
    auto at = std::find(own.begin(), own.end(), column);
    if (at != own.end()) row += shortestNumber(values[static_cast<size_t>(at - own.begin())]);
    row += ",";
  }
  return row;
}

bool loadFailed(const DumpedFile& file, const std::string& name) {
  diagnoseFile(file.path, printable(name) + " could not be loaded");
  file.release();
  return false;
}

void writeLongRows(const DumpedFile& file, const std::string& name, const host::RecordedWaveform& waveform,
                   ValueUnit unit, size_t valueColumnCount, const std::vector<std::string>& sweepColumns,
                   std::ostream& out) {
  ValueColumns columns = valueColumns(waveform, unit);
  const std::string namePart = csvField(name) + ",";
  const std::string unitPart = csvField(columns.units[0]);
  const size_t stride = columns.complex ? 2 : 1;
  double values[2];
  for (size_t s = 0; s < waveform.segments.size() && out; ++s) {
    const host::RecordedSegment& segment = waveform.segments[s];
    const std::string start = filePrefix(file, false) + namePart + segmentFields(waveform, s, sweepColumns);
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
    const std::vector<std::string> sweepColumns = tableSweepNames(waveform, *state);
    if (!headerWritten) {
      std::string header = filePrefix(file, true) + "name,segment," + sweepHeader(sweepColumns) +
                           csvField(waveform.xName + " " + bracketed(waveform.xUnit));
      for (const std::string& part : parts) header += "," + part;
      writeHeaderOnce(header + ",unit", state, out);
      headerWritten = true;
    }
    writeLongRows(file, file.names[i], waveform, unit, parts.size(), sweepColumns, out);
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

// The labels of the value columns of a file's waveforms, in order.
std::vector<std::string> valueLabelsOf(const DumpedFile& file, const std::vector<WideColumn>& table) {
  std::vector<std::string> labels;
  for (size_t w = 0; w < table.size(); ++w) {
    const ValueColumns& columns = table[w].columns;
    for (size_t c = 0; c < columns.parts.size(); ++c) {
      std::string label = file.names[w];
      if (columns.parts.size() > 1) label += " " + columns.parts[c];
      labels.push_back(label + " " + bracketed(columns.units[c]));
    }
  }
  return labels;
}

// The table's sweep and value columns for a file's waveforms, and where
// each of the file's value columns goes among the table's.
struct WideLayout {
  std::vector<std::string> sweepNames;
  std::vector<std::string> labels;
  std::vector<size_t> places;
};

WideLayout wideLayout(const DumpedFile& file, const std::vector<WideColumn>& table, const CsvState& state) {
  WideLayout layout;
  std::vector<std::string> own = valueLabelsOf(file, table);
  layout.sweepNames = tableSweepNames(*table.front().waveform, state);
  layout.labels = state.shared ? state.valueLabels : own;
  for (size_t c = 0; c < own.size(); ++c) {
    auto at = std::find(layout.labels.begin(), layout.labels.end(), own[c]);
    layout.places.push_back(state.shared ? static_cast<size_t>(at - layout.labels.begin()) : c);
  }
  return layout;
}

std::string wideHeader(const DumpedFile& file, const std::vector<WideColumn>& table,
                       const WideLayout& layout) {
  const host::RecordedWaveform& first = *table.front().waveform;
  std::string header = filePrefix(file, true) + "segment," + sweepHeader(layout.sweepNames) +
                       csvField(first.xName + " " + bracketed(first.xUnit));
  for (const std::string& label : layout.labels) header += "," + csvField(label);
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

// A quantity that holds one value over its whole range in a segment (a
// reference impedance, stored at the ends of its range): it has that value
// at every frequency of the range, not only at the stored ones.
struct ConstantRange {
  bool holds = false;
  double low = 0;
  double high = 0;
};

ConstantRange constantRange(const WideColumn& column, const std::vector<size_t>& order, size_t s) {
  ConstantRange range;
  if (order.size() < 2) return range;
  const host::RecordedSegment& segment = column.waveform->segments[s];
  const size_t stride = column.columns.complex ? 2 : 1;
  for (size_t p = 1; p < order.size(); ++p) {
    for (size_t part = 0; part < stride; ++part) {
      if (segment.y[p * stride + part] != segment.y[part]) return range;
    }
  }
  range.holds = true;
  range.low = segment.x[order.front()];
  range.high = segment.x[order.back()];
  return range;
}

void writeWideSegment(const DumpedFile& file, const std::vector<WideColumn>& table, const WideLayout& layout,
                      size_t s, ValueUnit unit, std::ostream& out) {
  const std::string start =
      filePrefix(file, false) + segmentFields(*table.front().waveform, s, layout.sweepNames);
  std::vector<std::vector<size_t>> orders = pointOrders(table, s);
  std::vector<size_t> cursor(table.size(), 0);
  std::vector<ConstantRange> constants;
  for (size_t w = 0; w < table.size(); ++w) constants.push_back(constantRange(table[w], orders[w], s));
  double values[2];
  std::vector<std::string> cells(layout.labels.size());
  for (double f : rowFrequencies(table, s)) {
    if (!out) return;
    out << start << shortestNumber(f);
    size_t own = 0;  // the file's value column being filled
    for (size_t w = 0; w < table.size(); ++w) {
      const ValueColumns& columns = table[w].columns;
      const std::vector<size_t>& order = orders[w];
      const host::RecordedSegment* segment =
          s < table[w].waveform->segments.size() ? &table[w].waveform->segments[s] : nullptr;
      while (cursor[w] < order.size() && segment->x[order[cursor[w]]] < f) ++cursor[w];
      bool here = cursor[w] < order.size() && segment->x[order[cursor[w]]] == f;
      if (here) {
        pointValues(columns, unit, &segment->y[order[cursor[w]] * (columns.complex ? 2 : 1)], values);
      } else if (constants[w].holds && f >= constants[w].low && f <= constants[w].high) {
        here = true;
        pointValues(columns, unit, &segment->y[0], values);
      }
      for (size_t c = 0; c < columns.parts.size(); ++c, ++own) {
        if (layout.places[own] < cells.size())
          cells[layout.places[own]] = here ? shortestNumber(values[c]) : "";
      }
    }
    for (const std::string& cell : cells) out << ',' << cell;
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
  const WideLayout layout = wideLayout(file, table, *state);
  writeHeaderOnce(wideHeader(file, table, layout), state, out);
  Progress progress;
  for (size_t s = 0; s < segments && out; ++s) {
    progress.show(printable(file.path) + ": segment " + std::to_string(s + 1) + " of " +
                  std::to_string(segments));
    writeWideSegment(file, table, layout, s, unit, out);
  }
  file.release();
  return static_cast<bool>(out);
}

bool addCsvColumns(const DumpedFile& file, ValueUnit unit, bool wide, CsvState* state) {
  if (file.names.empty()) return true;
  // The long table's sweep columns come from the first waveform, as its
  // header does; the wide table needs every waveform's value columns.
  std::vector<std::string> names = wide ? file.names : std::vector<std::string>{file.names.front()};
  std::vector<const host::RecordedWaveform*> received = file.load(names);
  std::vector<WideColumn> table;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i >= received.size() || received[i] == nullptr) return loadFailed(file, names[i]);
    table.push_back({received[i], valueColumns(*received[i], unit)});
  }
  addNew(&state->sweepNames, sweepNamesOf(*table.front().waveform));
  if (wide) addNew(&state->valueLabels, valueLabelsOf(file, table));
  return true;
}

}  // namespace korvel::tool
