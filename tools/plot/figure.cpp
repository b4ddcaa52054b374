// Building the figure model from received waveforms.
#include "tools/plot/figure.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "dataset/waveform_groups.h"
#include "tools/output/number_format.h"
#include "tools/output/sweep_values.h"

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
      Curve curve{one.name, segment,
                  one.part, cycled(curveColours(), swept ? segment : i),
                  dash,     partPoints(*one.waveform, segment, one.display, one.part)};
      panel->curves.push_back(std::move(curve));
    }
    panel->legend.push_back({one.label, swept ? kNeutralColour : cycled(curveColours(), i), dash});
  }
}

Range xRange(const Panel& panel) {
  Range range;
  for (const Curve& curve : panel.curves) {
    for (const Point& point : curve.points) range.include(point.x);
  }
  return range;
}

Range yRange(const Panel& panel) {
  Range range;
  for (const Curve& curve : panel.curves) {
    for (const Point& point : curve.points) {
      if (std::isfinite(point.x)) range.include(point.y);
    }
  }
  for (double line : panel.referenceLines) range.include(line);
  return range;
}

void frameCartesian(Panel* panel, const Series& first) {
  panel->x = exactAxis(xRange(*panel), kTargetTicksX);
  labelAxis(&panel->x, "Frequency", first.waveform->xUnit);
  panel->y = paddedAxis(yRange(*panel), kTargetTicksY);
  if (panel->kind == PanelKind::kPhase) {
    labelAxis(&panel->y, "Phase", "deg");
  } else if (first.part == Part::kDb) {
    labelAxis(&panel->y, quantityOf(first.name, first.display), "dB");
  } else {
    labelAxis(&panel->y, quantityOf(first.name, first.display), first.waveform->yUnit);
  }
}

// The index of the first and of the last point of a curve that has a
// picture, or none.
bool endsOf(const Curve& curve, size_t* first, size_t* last) {
  auto finite = [](const Point& point) { return std::isfinite(point.x) && std::isfinite(point.y); };
  auto begin = std::find_if(curve.points.begin(), curve.points.end(), finite);
  if (begin == curve.points.end()) return false;
  auto end = std::find_if(curve.points.rbegin(), curve.points.rend(), finite);
  *first = static_cast<size_t>(begin - curve.points.begin());
  *last = curve.points.size() - 1 - static_cast<size_t>(end - curve.points.rbegin());
  return true;
}

// The chart shows the unit circle, and more when an active device's
// reflection leaves it.
void frameSmith(Panel* panel, const std::vector<Series>& series) {
  double radius = 1;
  for (const Curve& curve : panel->curves) {
    for (const Point& point : curve.points) {
      double magnitude = std::hypot(point.x, point.y);
      if (std::isfinite(magnitude)) radius = std::max(radius, magnitude);
    }
  }
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
  for (const Curve& curve : panel->curves) {
    size_t first = 0;
    size_t last = 0;
    auto source = std::find_if(series.begin(), series.end(),
                               [&](const Series& one) { return one.name == curve.waveform; });
    if (source == series.end() || !endsOf(curve, &first, &last)) continue;
    panel->markers.push_back({curve.points[first], true, curve.colour});
    panel->markers.push_back({curve.points[last], false, curve.colour});
    const std::vector<double>& x = source->waveform->segments[curve.segment].x;
    spans.push_back({curve.waveform, x[first], x[last]});
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
  for (const PanelSpec& spec : specs) {
    std::vector<Series> series = seriesOf(spec, waveforms);
    if (series.empty()) continue;
    Panel panel;
    panel.title = spec.title;
    panel.kind = spec.kind;
    addCurves(&panel, series, swept != nullptr, options);
    if (panel.curves.empty()) continue;
    if (spec.kind == PanelKind::kSmith) {
      frameSmith(&panel, series);
    } else {
      if (spec.kind == PanelKind::kCartesian &&
          std::any_of(series.begin(), series.end(),
                      [](const Series& one) { return isStabilityFactor(one.name); })) {
        panel.referenceLines.push_back(1.0);
      }
      frameCartesian(&panel, series.front());
    }
    figure.panels.push_back(std::move(panel));
  }
  return figure;
}

Point Panel::toPixel(Point data) const {
  double xSpan = x.high - x.low;
  double ySpan = y.high - y.low;
  return {plot.x + (data.x - x.low) / xSpan * plot.width, plot.y + (y.high - data.y) / ySpan * plot.height};
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
