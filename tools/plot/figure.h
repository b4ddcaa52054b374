// The figure model: panels of curves in data units with their axes, legends
// and markers, built from received waveforms without drawing anything.
// figure_layout places it on a page, svg_writer draws it.
#ifndef KORVEL_TOOLS_PLOT_FIGURE_H
#define KORVEL_TOOLS_PLOT_FIGURE_H

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/waveform_library.h"
#include "tools/plot/axis_scale.h"
#include "tools/plot/waveform_view.h"

namespace korvel::plot {

enum class PanelKind {
  kCartesian,  // each waveform as its display hints say, against frequency
  kPhase,      // the unwrapped phase of complex waveforms, in degrees
  kSmith,      // unitless complex waveforms on a Smith chart
};

// What a panel should hold, before any data is looked at.
struct PanelSpec {
  std::string title;
  PanelKind kind = PanelKind::kCartesian;
  std::vector<std::string> names;  // catalogue names
  // Legend labels that are not the short name (a reciprocal pair drawn
  // once names both of its waveforms), by catalogue name.
  std::map<std::string, std::string> labels = {};
};

struct LegendEntry {
  std::string label;
  std::string colour;  // "#rrggbb"
  std::string dash;    // SVG stroke-dasharray, "" for solid
};

struct Rect {
  double x = 0;
  double y = 0;
  double width = 0;
  double height = 0;
};

// No panel draws a curve of more points than this point for point: the
// widest page has 10000 pixel columns, and a curve of more than four
// points per column of its panel is reduced (see curve_reduction.h).
constexpr size_t kMostDrawnPoints = 40000;

// One segment of one part of one waveform.
struct Curve {
  std::string waveform;
  size_t segment = 0;
  Part part = Part::kLinear;
  std::string colour;
  std::string dash;
  std::vector<Point> points;  // data units; a non-finite point breaks the line
  // Where the points come from, and how many there are. A curve of more
  // than kMostDrawnPoints keeps no `points`: reduceCurves reads them from
  // the waveform in place (which must outlive the figure), without a copy.
  const host::RecordedWaveform* source = nullptr;
  Display display = Display::kLinear;
  size_t count = 0;
  // The reader of such a curve, kept from measuring its extent to its
  // reduction (a phase, unwrapped once), and released by reduceCurves.
  std::shared_ptr<const PartReader> reader = nullptr;
  // Set by reduceCurves when the curve has more points than its panel can
  // show: it is then drawn as `strokes`, solid lines in data units (a
  // dashed curve's dashes each a stroke of their own), and lone points as
  // dots, or, when its lines cover the panel too densely to be told apart,
  // as `coverage`, the page rectangles its ink fills.
  bool reduced = false;
  std::vector<std::vector<Point>> strokes = {};
  std::vector<Point> dots = {};
  std::vector<Rect> coverage = {};
};

// The first or last frequency of a curve on a Smith chart.
struct Marker {
  Point at;
  bool first = true;
  std::string colour;
};

struct Panel {
  std::string title;
  PanelKind kind = PanelKind::kCartesian;
  Axis x;
  Axis y;
  std::vector<Curve> curves;
  std::vector<LegendEntry> legend;
  std::vector<double> referenceLines;  // dashed horizontal lines at these y values
  std::vector<Marker> markers;
  std::string note;  // a line under the title (the Smith markers' frequencies)
  // Placed on the page by layoutFigure:
  Rect plot;                    // the plotting area
  Point titleAt;                // baseline start of the title
  Point noteAt;                 // baseline start of the note
  std::vector<Point> legendAt;  // left end of each legend entry's sample line

  // The page position of a point in data units, and each of its
  // coordinates on its own.
  Point toPixel(Point data) const { return {toPixelX(data.x), toPixelY(data.y)}; }
  double toPixelX(double value) const { return plot.x + (value - x.low) / (x.high - x.low) * plot.width; }
  double toPixelY(double value) const { return plot.y + (y.high - value) / (y.high - y.low) * plot.height; }
};

struct Figure {
  std::string title;
  // One entry per plotted segment of a swept file, naming its sweep values;
  // empty when the file is not swept.
  std::vector<LegendEntry> sweepLegend;
  std::vector<Panel> panels;
  // Placed on the page by layoutFigure:
  double width = 0;
  double height = 0;
  Point titleAt;
  std::vector<Point> sweepLegendAt;
};

// The loaded waveforms by catalogue name.
using WaveformSet = std::map<std::string, const host::RecordedWaveform*>;

struct FigureOptions {
  std::vector<size_t> segments;  // segments to draw (counted from 0); empty draws all
};

// The colours of curves (one per segment of a swept file, else one per
// curve of a panel) and the dash styles that tell a panel's waveforms apart.
const std::vector<std::string>& curveColours();
const std::vector<std::string>& dashStyles();

// "temp = -40, vdd = 2.7": the sweep values of segment `segment`, the first
// parameter varying fastest from one segment to the next.
std::string sweepLabel(const std::vector<host::RecordedParameter>& parameters, size_t segment);

// The item of a catalogue name: "S(2,1)" of "S-Par/S(2,1)".
std::string shortName(const std::string& name);

// The word a y axis gives a waveform's quantity: "Gain", "Noise figure",
// "Group delay", "Magnitude" (of an S-parameter in dB).
std::string quantityOf(const std::string& name, Display display);

// Builds the panels of `specs` from `waveforms`. Names missing from
// `waveforms` are skipped; a panel left without curves is dropped. The
// curves' extents are measured on the processors the parallel policy
// gives (its curves settings), a curve to a part.
Figure buildFigure(const std::string& title, const std::vector<PanelSpec>& specs,
                   const WaveformSet& waveforms, const FigureOptions& options);

// The reader of a curve's points.
PartReader readerOf(const Curve& curve);

// Splits points into the runs a line joins: every non-finite point ends a
// run. Runs of one point are kept (they are drawn as dots).
std::vector<std::vector<Point>> curveRuns(const std::vector<Point>& points);

}  // namespace korvel::plot

#endif  // KORVEL_TOOLS_PLOT_FIGURE_H
