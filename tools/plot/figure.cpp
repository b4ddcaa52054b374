// Building the figure model from received waveforms.
#include "tools/plot/figure.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <limits>
#include <utility>

#include "dataset/waveform_groups.h"
#include "parallel/parallel_settings.h"
#include "tools/output/number_format.h"
#include "tools/output/sweep_values.h"
#include "tools/plot/block_extremes.h"

namespace korvel::plot {

namespace {

constexpr int kTargetTicksX = 7;
constexpr int kTargetTicksY = 6;
constexpr double kSmithTick = 0.5;
constexpr const char* kNeutralColour = "#404040";
constexpr const char* kFirstMark = "●";
constexpr const char* kLastMark = "■";

// One curve family of a panel: a part of a waveform, with its legend label.
struct Series {
  const host::RecordedWaveform* waveform = nullptr;
  std::string name;
  Display display = Display::kLinear;
  Part part = Part::kLinear;
  std::string label;
};

// A frequency in a legend or note, where room is short: "2.45 GHz".
std::string labelFrequency(double hertz) { return tool::formatFrequency(hertz, 4); }

bool isStabilityFactor(const std::string& name) { return name == waveformName(kGainGroup, "K"); }

}  // namespace

std::string quantityOf(const std::string& name, Display display) {
  std::string_view group = waveformGroup(name);
  std::string item = shortName(name);
  if (isStabilityFactor(name)) return "Stability factor K";
  if (group == kGainGroup) return "Gain";
  if (item.rfind("NF", 0) == 0) return "Noise figure";
  if (group == kGroupDelayGroup) return "Group delay";
  if (group == kReferenceImpedanceGroup) return "Reference impedance";
  if (group == kImpedanceGroup || item == "Zopt" || item == "Zcor") return "Impedance";
  if (group == kAdmittanceGroup || item == "Ycor") return "Admittance";
  if (item == "Rn") return "Noise resistance";
  if (item == "vn^2" || item == "in^2") return "Noise density";
  if (display == Display::kDbAmplitude || display == Display::kDbPower) return "Magnitude";
  return "Value";
}

namespace {

std::string seriesLabel(const PanelSpec& spec, const std::string& name, Part part) {
  auto own = spec.labels.find(name);
  std::string item = own != spec.labels.end() ? own->second : shortName(name);
  if (part == Part::kReal) return "Re " + item;
  if (part == Part::kImaginary) return "Im " + item;
  return item;
}

std::vector<Series> seriesOf(const PanelSpec& spec, const WaveformSet& waveforms) {
  std::vector<Series> series;
  for (const std::string& name : spec.names) {
    auto found = waveforms.find(name);
    if (found == waveforms.end() || found->second == nullptr) continue;
    const host::RecordedWaveform* waveform = found->second;
    Display display = displayOf(*waveform);
    std::vector<Part> parts;
    if (spec.kind == PanelKind::kCartesian) parts = partsOf(display);
    if (spec.kind == PanelKind::kPhase && waveform->isComplex()) parts = {Part::kPhase};
    if (spec.kind == PanelKind::kSmith && waveform->isComplex()) parts = {Part::kReflection};
    for (Part part : parts) series.push_back({waveform, name, display, part, seriesLabel(spec, name, part)});
  }
  return series;
}

std::vector<size_t> segmentsToDraw(const host::RecordedWaveform& waveform, const FigureOptions& options) {
  std::vector<size_t> segments;
  if (options.segments.empty()) {
    for (size_t i = 0; i < waveform.segments.size(); ++i) segments.push_back(i);
    return segments;
  }
  for (size_t segment : options.segments) {
    if (segment < waveform.segments.size()) segments.push_back(segment);
  }
  return segments;
}

const std::string& cycled(const std::vector<std::string>& list, size_t index) {
  return list[index % list.size()];
}

// The first waveform of the set that carries sweep parameters, or null.
const host::RecordedWaveform* sweptWaveform(const WaveformSet& waveforms) {
  for (const auto& [name, waveform] : waveforms) {
    if (waveform != nullptr && !waveform->parameters.empty()) return waveform;
  }
  return nullptr;
}

void addCurves(Panel* panel, const std::vector<Series>& series, bool swept, const FigureOptions& options) {
  for (size_t i = 0; i < series.size(); ++i) {
    const Series& one = series[i];
    const std::string& dash = cycled(dashStyles(), i);
    for (size_t segment : segmentsToDraw(*one.waveform, options)) {
      Curve curve{one.name, segment, one.part, cycled(curveColours(), swept ? segment : i), dash, {}};
      curve.source = one.waveform;
      curve.display = one.display;
      curve.count = PartReader(*one.waveform, segment, one.display, one.part).size();
      if (curve.count <= kMostDrawnPoints)
        curve.points = partPoints(*one.waveform, segment, one.display, one.part);
      panel->curves.push_back(std::move(curve));
    }
    panel->legend.push_back({one.label, swept ? kNeutralColour : cycled(curveColours(), i), dash});
  }
}

// What framing a panel needs of one of its curves.
struct CurveExtent {
  Range x;  // every x value (against frequency)
  Range y;  // the values at a finite x (against frequency)
  // On a Smith chart: the largest magnitude that is a number, and the
  // first and last point that has a picture, if any has.
  double largestMagnitude = 0;
  bool drawn = false;
  size_t first = 0;
  size_t last = 0;
};

// Keys within this relative distance of the extreme key may hold the
// extreme value: keys order values only to within a relative 1e-12.
constexpr double kKeyTolerance = 1e-10;

// Points are looked at again for their values in blocks of this many,
// only in the blocks whose keys reach near the ends: the rest need no
// second pass over the waveform.
constexpr size_t kKeyBlock = 4096;

// The smallest and largest key of each block of kKeyBlock points.
struct KeyBlock {
  double low = std::numeric_limits<double>::infinity();
  double high = 0;
};

// The x and value ranges of a curve against frequency. Decibels are taken
// only of the points whose key (the squared magnitude or the power, which
// orders them as their decibels do) lies at either end: the others cannot
// reach the ends of the range.
CurveExtent frequencyExtent(const PartReader& reader) {
  CurveExtent extent;
  Part part = reader.part();
  bool keyed = part == Part::kDb;
  // A real part's keys are its values (NaN where not a number).
  bool valued = part == Part::kReal || part == Part::kImaginary || part == Part::kLinear;
  size_t count = reader.size();
  std::vector<KeyBlock> blocks(keyed ? (count + kKeyBlock - 1) / kKeyBlock : 0);
  std::vector<double> keys(keyed || valued ? std::min(count, kKeyBlock) : 0);
  // The ranges as Range::include takes them one after the other, without
  // a branch but for the points that have no picture.
  Range x;
  KeyBlock values;
  values.high = -values.low;
  x.low = values.low;
  x.high = values.high;
  for (size_t begin = 0; begin < count; begin += kKeyBlock) {
    size_t end = std::min(count, begin + kKeyBlock);
    if (keyed || valued) reader.orderKeys(begin, end, keys.data());
    KeyBlock block;
    size_t from = begin;
    if (keyed || valued) {
      BlockExtremes scan = blockExtremes(reader.frequencies() + begin, keys.data(), end - begin, keyed);
      if (scan.settled) {
        x.low = scan.lowFrequency < x.low ? scan.lowFrequency : x.low;
        x.high = scan.highFrequency > x.high ? scan.highFrequency : x.high;
        KeyBlock& keysTo = valued ? values : block;
        keysTo.low = scan.lowKey < keysTo.low ? scan.lowKey : keysTo.low;
        keysTo.high = scan.highKey > keysTo.high ? scan.highKey : keysTo.high;
        from = end;
      }
    }
    // Point by point where the look a block at a time leaves it open.
    for (size_t i = from; i < end; ++i) {
      double frequency = reader.frequency(i);
      if (!std::isfinite(frequency)) continue;
      x.low = frequency < x.low ? frequency : x.low;
      x.high = frequency > x.high ? frequency : x.high;
      double key = keys.empty() ? 0.0 : keys[i - begin];
      if (valued) {
        values.low = key < values.low ? key : values.low;
        values.high = key > values.high ? key : values.high;
      } else if (keyed && !std::isnan(key)) {
        block.low = key < block.low ? key : block.low;
        block.high = key > block.high ? key : block.high;
      } else {
        extent.y.include(reader.at(i).y);
      }
    }
    if (keyed) blocks[begin / kKeyBlock] = block;
  }
  if (x.low <= x.high) {
    extent.x.include(x.low);
    extent.x.include(x.high);
  }
  if (values.low <= values.high) {
    extent.y.include(values.low);
    extent.y.include(values.high);
  }
  KeyBlock all;
  for (const KeyBlock& block : blocks) {
    all.low = std::min(all.low, block.low);
    all.high = std::max(all.high, block.high);
  }
  if (!(all.high > 0)) return extent;
  double low = all.low * (1 + kKeyTolerance);
  double high = all.high * (1 - kKeyTolerance);
  for (size_t b = 0; b < blocks.size(); ++b) {
    if (!(blocks[b].low <= low || blocks[b].high >= high)) continue;
    for (size_t i = b * kKeyBlock; i < std::min(count, (b + 1) * kKeyBlock); ++i) {
      if (!std::isfinite(reader.frequency(i))) continue;
      double key = reader.decibelKey(i);
      if (key != 0 && (key <= low || key >= high)) extent.y.include(reader.at(i).y);
    }
  }
  return extent;
}

// The largest magnitude and the drawn ends of a curve on a Smith chart.
// The hypot is taken only of the points whose squared magnitude lies at
// the top, or is not a normal double.
CurveExtent chartExtent(const PartReader& reader) {
  CurveExtent extent;
  auto finite = [&](size_t i) {
    Point point = reader.at(i);
    return std::isfinite(point.x) && std::isfinite(point.y);
  };
  size_t count = reader.size();
  size_t first = 0;
  while (first < count && !finite(first)) ++first;
  if (first < count) {
    size_t last = count - 1;
    while (!finite(last)) --last;
    extent.drawn = true;
    extent.first = first;
    extent.last = last;
  }
  auto include = [&](double magnitude) {
    if (std::isfinite(magnitude)) extent.largestMagnitude = std::max(extent.largestMagnitude, magnitude);
  };
  std::vector<double> blockHigh((count + kKeyBlock - 1) / kKeyBlock, 0.0);
  for (size_t i = 0; i < count; ++i) {
    double key = reader.squaredMagnitude(i);
    if (key == 0) {
      include(reader.magnitude(i));
    } else {
      blockHigh[i / kKeyBlock] = std::max(blockHigh[i / kKeyBlock], key);
    }
  }
  double highKey = 0;
  for (double key : blockHigh) highKey = std::max(highKey, key);
  if (!(highKey > 0)) return extent;
  double high = highKey * (1 - kKeyTolerance);
  for (size_t b = 0; b < blockHigh.size(); ++b) {
    if (!(blockHigh[b] >= high)) continue;
    for (size_t i = b * kKeyBlock; i < std::min(count, (b + 1) * kKeyBlock); ++i) {
      if (reader.squaredMagnitude(i) >= high) include(reader.magnitude(i));
    }
  }
  return extent;
}

// The extent of a curve; a curve whose points are not held keeps its
// reader for its reduction.
CurveExtent extentOf(Curve* curve, PanelKind kind) {
  auto reader = std::make_shared<const PartReader>(readerOf(*curve));
  CurveExtent extent = kind == PanelKind::kSmith ? chartExtent(*reader) : frequencyExtent(*reader);
  if (curve->points.empty()) curve->reader = std::move(reader);
  return extent;
}

// The extents of every curve of `panels`, in order, measured a curve at a
// time on as many processors as the parallel policy gives.
std::vector<CurveExtent> measureCurves(std::vector<Panel>* panels) {
  std::vector<std::pair<Curve*, PanelKind>> curves;
  double points = 0;
  for (Panel& panel : *panels) {
    for (Curve& curve : panel.curves) {
      curves.push_back({&curve, panel.kind});
      points += static_cast<double>(curve.count);
    }
  }
  std::vector<CurveExtent> extents(curves.size());
  std::atomic<size_t> next{0};
  runInParts(parallelPolicy().curves.partsFor(points, curves.size()), [&](unsigned) {
    for (size_t k = next++; k < curves.size(); k = next++)
      extents[k] = extentOf(curves[k].first, curves[k].second);
  });
  return extents;
}

Range xRange(const std::vector<CurveExtent>& extents) {
  Range range;
  for (const CurveExtent& extent : extents) range.include(extent.x);
  return range;
}

Range yRange(const Panel& panel, const std::vector<CurveExtent>& extents) {
  Range range;
  for (const CurveExtent& extent : extents) range.include(extent.y);
  for (double line : panel.referenceLines) range.include(line);
  return range;
}

void frameCartesian(Panel* panel, const Series& first, const std::vector<CurveExtent>& extents) {
  panel->x = exactAxis(xRange(extents), kTargetTicksX);
  labelAxis(&panel->x, "Frequency", first.waveform->xUnit);
  panel->y = paddedAxis(yRange(*panel, extents), kTargetTicksY);
  if (panel->kind == PanelKind::kPhase) {
    labelAxis(&panel->y, "Phase", "deg");
  } else if (first.part == Part::kDb) {
    labelAxis(&panel->y, quantityOf(first.name, first.display), "dB");
  } else {
    labelAxis(&panel->y, quantityOf(first.name, first.display), first.waveform->yUnit);
  }
}

// The chart shows the unit circle, and more when an active device's
// reflection leaves it.
void frameSmith(Panel* panel, const std::vector<Series>& series, const std::vector<CurveExtent>& extents) {
  double radius = 1;
  for (const CurveExtent& extent : extents) radius = std::max(radius, extent.largestMagnitude);
  radius = std::ceil(radius * 1.06 / 0.1) * 0.1;
  panel->x = fixedAxis(-radius, radius, kSmithTick);
  panel->y = fixedAxis(-radius, radius, kSmithTick);

  // Mark the first and last frequency of every curve; name them once when
  // all curves share them, else in each waveform's legend entry.
  struct Span {
    std::string waveform;
    double first = 0;
    double last = 0;
  };
  std::vector<Span> spans;
  for (size_t c = 0; c < panel->curves.size(); ++c) {
    const Curve& curve = panel->curves[c];
    const CurveExtent& extent = extents[c];
    auto source = std::find_if(series.begin(), series.end(),
                               [&](const Series& one) { return one.name == curve.waveform; });
    if (source == series.end() || !extent.drawn) continue;
    PartReader reader = readerOf(curve);
    panel->markers.push_back({reader.at(extent.first), true, curve.colour});
    panel->markers.push_back({reader.at(extent.last), false, curve.colour});
    spans.push_back({curve.waveform, reader.frequency(extent.first), reader.frequency(extent.last)});
  }
  if (spans.empty()) return;
  bool shared = std::all_of(spans.begin(), spans.end(), [&](const Span& span) {
    return span.first == spans.front().first && span.last == spans.front().last;
  });
  if (shared) {
    panel->note = std::string(kFirstMark) + " " + labelFrequency(spans.front().first) + "   " + kLastMark +
                  " " + labelFrequency(spans.front().last);
    return;
  }
  panel->note = std::string(kFirstMark) + " first   " + kLastMark + " last frequency";
  for (size_t i = 0; i < panel->legend.size() && i < series.size(); ++i) {
    auto span = std::find_if(spans.begin(), spans.end(),
                             [&](const Span& one) { return one.waveform == series[i].name; });
    if (span == spans.end()) continue;
    panel->legend[i].label += " (" + labelFrequency(span->first) + " – " + labelFrequency(span->last) + ")";
  }
}

}  // namespace

const std::vector<std::string>& curveColours() {
  static const std::vector<std::string> colours = {"#1f77b4", "#d62728", "#2ca02c", "#ff7f0e",
                                                   "#9467bd", "#8c564b", "#e377c2", "#17becf"};
  return colours;
}

const std::vector<std::string>& dashStyles() {
  static const std::vector<std::string> dashes = {"", "8 4", "2 3", "10 3 2 3", "4 4", "12 3 3 3 3 3"};
  return dashes;
}

std::string sweepLabel(const std::vector<host::RecordedParameter>& parameters, size_t segment) {
  std::vector<double> values = tool::sweepValuesOf(parameters, segment);
  std::string label;
  for (size_t q = 0; q < parameters.size(); ++q) {
    if (!label.empty()) label += ", ";
    label += parameters[q].name + " = " + (std::isnan(values[q]) ? "?" : tool::formatNumber(values[q]));
  }
  return label;
}

std::string shortName(const std::string& name) { return std::string(waveformItem(name)); }

Figure buildFigure(const std::string& title, const std::vector<PanelSpec>& specs,
                   const WaveformSet& waveforms, const FigureOptions& options) {
  Figure figure;
  figure.title = title;
  const host::RecordedWaveform* swept = sweptWaveform(waveforms);
  if (swept != nullptr) {
    for (size_t segment : segmentsToDraw(*swept, options)) {
      figure.sweepLegend.push_back(
          {sweepLabel(swept->parameters, segment), cycled(curveColours(), segment), ""});
    }
  }
  // The panels' curves first, then every curve's extent (on both cores),
  // then each panel's frame.
  std::vector<Panel> panels;
  std::vector<std::vector<Series>> panelSeries;
  for (const PanelSpec& spec : specs) {
    std::vector<Series> series = seriesOf(spec, waveforms);
    if (series.empty()) continue;
    Panel panel;
    panel.title = spec.title;
    panel.kind = spec.kind;
    addCurves(&panel, series, swept != nullptr, options);
    if (panel.curves.empty()) continue;
    panels.push_back(std::move(panel));
    panelSeries.push_back(std::move(series));
  }
  std::vector<CurveExtent> extents = measureCurves(&panels);
  auto extent = extents.begin();
  for (size_t p = 0; p < panels.size(); ++p) {
    Panel& panel = panels[p];
    const std::vector<Series>& series = panelSeries[p];
    std::vector<CurveExtent> own(extent, extent + static_cast<std::ptrdiff_t>(panel.curves.size()));
    extent += static_cast<std::ptrdiff_t>(panel.curves.size());
    if (panel.kind == PanelKind::kSmith) {
      frameSmith(&panel, series, own);
    } else {
      if (panel.kind == PanelKind::kCartesian &&
          std::any_of(series.begin(), series.end(),
                      [](const Series& one) { return isStabilityFactor(one.name); })) {
        panel.referenceLines.push_back(1.0);
      }
      frameCartesian(&panel, series.front(), own);
    }
    figure.panels.push_back(std::move(panel));
  }
  return figure;
}

PartReader readerOf(const Curve& curve) {
  static const host::RecordedWaveform kNone;
  return PartReader(curve.source != nullptr ? *curve.source : kNone, curve.segment, curve.display,
                    curve.part);
}

std::vector<std::vector<Point>> curveRuns(const std::vector<Point>& points) {
  std::vector<std::vector<Point>> runs;
  std::vector<Point> run;
  for (const Point& point : points) {
    if (std::isfinite(point.x) && std::isfinite(point.y)) {
      run.push_back(point);
      continue;
    }
    if (!run.empty()) runs.push_back(std::move(run));
    run.clear();
  }
  if (!run.empty()) runs.push_back(std::move(run));
  return runs;
}

}  // namespace korvel::plot
