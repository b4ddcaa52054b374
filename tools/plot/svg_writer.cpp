// The SVG writer.
#include "tools/plot/svg_writer.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <sstream>

#include "tools/output/number_format.h"
#include "tools/plot/figure_layout.h"

namespace korvel::plot {

namespace {

constexpr const char* kFontFamily = "DejaVu Sans, Bitstream Vera Sans, Verdana, sans-serif";
constexpr const char* kGridColour = "#dcdcdc";
constexpr const char* kFrameColour = "#202020";
constexpr const char* kTextColour = "#202020";
constexpr const char* kSmithGridColour = "#c8c8c8";
constexpr double kTickLength = 4;
// Pixel coordinates are kept within this of the page so that data far off
// the axes cannot produce numbers SVG readers choke on.
constexpr double kFarthestPixel = 1e6;

// The constant-resistance circles and constant-reactance arcs of the chart.
constexpr double kSmithValues[] = {0.2, 0.5, 1.0, 2.0, 5.0};

std::string number(double value) {
  if (!std::isfinite(value)) value = 0;
  value = std::clamp(value, -kFarthestPixel, kFarthestPixel);
  char text[48];
  // Rounded correctly, as printf's "%.2f" rounds, without a format to read.
  std::to_chars_result written = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 2);
  std::string out(text, written.ptr);
  if (out == "-0.00") out = "0.00";
  return out;
}

// The length of the well-formed UTF-8 sequence that starts at `text[i]`,
// or 0 when there is none (overlong forms, surrogates and code points past
// U+10FFFF included, which XML readers refuse).
size_t utf8Length(const std::string& text, size_t i) {
  auto byte = [&](size_t k) { return static_cast<unsigned char>(text[i + k]); };
  unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                  : lead >= 0xE0 && lead <= 0xEF ? 3
                  : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                 : 0;
  if (length == 0 || i + length > text.size()) return 0;
  for (size_t k = 1; k < length; ++k) {
    if ((byte(k) & 0xC0) != 0x80) return 0;
  }
  unsigned char second = byte(1);
  if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0)) return 0;
  if ((lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second >= 0x90)) return 0;
  return length;
}

class SvgOut {
 public:
  std::ostringstream& out() { return out_; }

  void text(Point at, const std::string& content, double size, const char* anchor = "start",
            const char* weight = nullptr, const std::string& extra = "") {
    out_ << "<text x=\"" << number(at.x) << "\" y=\"" << number(at.y) << "\" font-size=\"" << number(size)
         << "\"";
    if (std::string(anchor) != "start") out_ << " text-anchor=\"" << anchor << "\"";
    if (weight != nullptr) out_ << " font-weight=\"" << weight << "\"";
    out_ << extra << ">" << xmlEscape(content) << "</text>\n";
  }

  void line(Point from, Point to, const std::string& colour, double width, const std::string& dash = "") {
    out_ << "<line x1=\"" << number(from.x) << "\" y1=\"" << number(from.y) << "\" x2=\"" << number(to.x)
         << "\" y2=\"" << number(to.y) << "\" stroke=\"" << colour << "\" stroke-width=\"" << number(width)
         << "\"";
    if (!dash.empty()) out_ << " stroke-dasharray=\"" << dash << "\"";
    out_ << "/>\n";
  }

  void circle(Point centre, double radius, const std::string& stroke, const std::string& fill, double width) {
    out_ << "<circle cx=\"" << number(centre.x) << "\" cy=\"" << number(centre.y) << "\" r=\""
         << number(radius) << "\" fill=\"" << fill << "\" stroke=\"" << stroke << "\" stroke-width=\""
         << number(width) << "\"/>\n";
  }

 private:
  std::ostringstream out_;
};

void writeLegend(SvgOut* svg, const std::vector<LegendEntry>& entries, const std::vector<Point>& at) {
  for (size_t i = 0; i < entries.size() && i < at.size(); ++i) {
    const LegendEntry& entry = entries[i];
    Point start = at[i];
    svg->line(start, {start.x + kLegendSampleLength, start.y}, entry.colour, 2.2, entry.dash);
    svg->text({start.x + kLegendSampleLength + kLegendSampleGap, start.y + 4}, entry.label, kTextFontSize);
  }
}

void writeCartesianAxes(SvgOut* svg, const Panel& panel) {
  const Rect& plot = panel.plot;
  double bottom = plot.y + plot.height;
  std::ostringstream grid;
  for (double tick : panel.x.ticks) {
    Point at = panel.toPixel({tick, panel.y.low});
    grid << "M" << number(at.x) << " " << number(plot.y) << "V" << number(bottom);
    svg->line({at.x, bottom}, {at.x, bottom + kTickLength}, kFrameColour, 1);
    svg->text({at.x, bottom + kTickLength + 13}, panel.x.tickLabel(tick), kTextFontSize, "middle");
  }
  for (double tick : panel.y.ticks) {
    Point at = panel.toPixel({panel.x.low, tick});
    grid << "M" << number(plot.x) << " " << number(at.y) << "H" << number(plot.x + plot.width);
    svg->line({plot.x - kTickLength, at.y}, {plot.x, at.y}, kFrameColour, 1);
    svg->text({plot.x - kTickLength - 3, at.y + 4}, panel.y.tickLabel(tick), kTextFontSize, "end");
  }
  svg->out() << "<path d=\"" << grid.str() << "\" fill=\"none\" stroke=\"" << kGridColour
             << "\" stroke-width=\"1\"/>\n";
  svg->text({plot.x + plot.width / 2, bottom + 38}, panel.x.label, kTextFontSize, "middle");
  Point yLabel{plot.x - 50, plot.y + plot.height / 2};
  svg->text(yLabel, panel.y.label, kTextFontSize, "middle", nullptr,
            " transform=\"rotate(-90 " + number(yLabel.x) + " " + number(yLabel.y) + ")\"");
}

// The Γ at which the reactance arc x meets the rim: (x² − 1 + 2jx)/(x² + 1).
Point rimPoint(double reactance) {
  double square = reactance * reactance;
  return {(square - 1) / (square + 1), 2 * reactance / (square + 1)};
}

void writeSmithGrid(SvgOut* svg, const Panel& panel, const std::string& clipId) {
  double scale = panel.plot.width / (panel.x.high - panel.x.low);
  Point centre = panel.toPixel({0, 0});
  svg->out() << "<defs><clipPath id=\"" << clipId << "-rim\"><circle cx=\"" << number(centre.x) << "\" cy=\""
             << number(centre.y) << "\" r=\"" << number(scale) << "\"/></clipPath></defs>\n";
  svg->out() << "<g clip-path=\"url(#" << clipId << "-rim)\">\n";
  for (double value : kSmithValues) {
    // Constant resistance r: centre r/(1+r), radius 1/(1+r).
    svg->circle(panel.toPixel({value / (1 + value), 0}), scale / (1 + value), kSmithGridColour, "none", 1);
    // Constant reactance ±x: centre 1 ± j/x, radius 1/x.
    for (double sign : {1.0, -1.0}) {
      svg->circle(panel.toPixel({1, sign / value}), scale / value, kSmithGridColour, "none", 1);
    }
  }
  svg->out() << "</g>\n";
  svg->line(panel.toPixel({-1, 0}), panel.toPixel({1, 0}), kSmithGridColour, 1);
  svg->circle(centre, scale, kFrameColour, "none", 1.2);
  for (double value : kSmithValues) {
    std::string label = tool::formatNumber(value);
    Point onAxis = panel.toPixel({(value - 1) / (value + 1), 0});
    svg->text({onAxis.x + 2, onAxis.y - 3}, label, 10);
    for (double sign : {1.0, -1.0}) {
      Point rim = rimPoint(sign * value);
      Point at = panel.toPixel({rim.x * 1.07, rim.y * 1.07});
      svg->text({at.x, at.y + 4}, std::string(sign > 0 ? "+j" : "−j") + label, 10, "middle");
    }
  }
}

void writePolyline(SvgOut* svg, const Panel& panel, const Curve& curve, const std::vector<Point>& run) {
  std::ostringstream points;
  for (size_t i = 0; i < run.size(); ++i) {
    Point at = panel.toPixel(run[i]);
    points << (i == 0 ? "" : " ") << number(at.x) << "," << number(at.y);
  }
  // A lone point between breaks is drawn as a dot: a zero-length line
  // with round caps.
  if (run.size() == 1) points << " " << points.str();
  svg->out() << "<polyline data-waveform=\"" << xmlEscape(curve.waveform) << "\" data-segment=\""
             << curve.segment << "\" data-part=\"" << partName(curve.part) << "\" points=\"" << points.str()
             << "\" fill=\"none\" stroke=\"" << curve.colour << "\" stroke-width=\"" << number(kCurveWidth)
             << "\"";
  if (!curve.dash.empty()) svg->out() << " stroke-dasharray=\"" << curve.dash << "\"";
  svg->out() << " stroke-linejoin=\"round\" stroke-linecap=\"round\"/>\n";
}

// The area a reduced curve's ink covers, as one filled path.
void writeCoverage(SvgOut* svg, const Curve& curve) {
  std::ostringstream outline;
  for (const Rect& rect : curve.coverage) {
    outline << "M" << number(rect.x) << " " << number(rect.y) << "h" << number(rect.width) << "v"
            << number(rect.height) << "h-" << number(rect.width) << "z";
  }
  svg->out() << "<path data-waveform=\"" << xmlEscape(curve.waveform) << "\" data-segment=\"" << curve.segment
             << "\" data-part=\"" << partName(curve.part) << "\" d=\"" << outline.str() << "\" fill=\""
             << curve.colour << "\" stroke=\"none\"/>\n";
}

// A reduced curve's strokes and dots as one solid path (a dot is a
// zero-length line with round caps).
void writeStrokes(SvgOut* svg, const Panel& panel, const Curve& curve) {
  std::ostringstream outline;
  auto point = [&](char command, Point data) {
    Point at = panel.toPixel(data);
    outline << command << number(at.x) << " " << number(at.y);
  };
  for (const std::vector<Point>& stroke : curve.strokes) {
    for (size_t i = 0; i < stroke.size(); ++i) point(i == 0 ? 'M' : 'L', stroke[i]);
  }
  for (const Point& dot : curve.dots) {
    point('M', dot);
    point('L', dot);
  }
  svg->out() << "<path data-waveform=\"" << xmlEscape(curve.waveform) << "\" data-segment=\"" << curve.segment
             << "\" data-part=\"" << partName(curve.part) << "\" d=\"" << outline.str()
             << "\" fill=\"none\" stroke=\"" << curve.colour << "\" stroke-width=\"" << number(kCurveWidth)
             << "\" stroke-linejoin=\"round\" stroke-linecap=\"round\"/>\n";
}

void writeCurve(SvgOut* svg, const Panel& panel, const Curve& curve) {
  if (!curve.reduced) {
    for (const std::vector<Point>& run : curveRuns(curve.points)) writePolyline(svg, panel, curve, run);
    return;
  }
  if (!curve.strokes.empty() || !curve.dots.empty()) writeStrokes(svg, panel, curve);
  if (!curve.coverage.empty()) writeCoverage(svg, curve);
}

void writeMarkers(SvgOut* svg, const Panel& panel) {
  for (const Marker& marker : panel.markers) {
    Point at = panel.toPixel(marker.at);
    if (marker.first) {
      svg->circle(at, 4, "#ffffff", marker.colour, 1);
      continue;
    }
    svg->out() << "<rect x=\"" << number(at.x - 4) << "\" y=\"" << number(at.y - 4)
               << "\" width=\"8\" height=\"8\" fill=\"" << marker.colour
               << "\" stroke=\"#ffffff\" stroke-width=\"1\"/>\n";
  }
}

void writeReferenceLines(SvgOut* svg, const Panel& panel) {
  for (double value : panel.referenceLines) {
    Point left = panel.toPixel({panel.x.low, value});
    Point right = panel.toPixel({panel.x.high, value});
    svg->line(left, right, "#606060", 1.2, "6 4");
  }
}

void writePanel(SvgOut* svg, const Panel& panel, size_t index) {
  std::string clipId = "plot" + std::to_string(index + 1);
  const Rect& plot = panel.plot;
  svg->out() << "<g class=\"panel\">\n";
  svg->text(panel.titleAt, panel.title, kPanelTitleFontSize, "start", "bold");
  if (!panel.note.empty()) svg->text(panel.noteAt, panel.note, kTextFontSize);
  writeLegend(svg, panel.legend, panel.legendAt);
  svg->out() << "<defs><clipPath id=\"" << clipId << "\"><rect x=\"" << number(plot.x) << "\" y=\""
             << number(plot.y) << "\" width=\"" << number(plot.width) << "\" height=\"" << number(plot.height)
             << "\"/></clipPath></defs>\n";
  if (panel.kind == PanelKind::kSmith) {
    writeSmithGrid(svg, panel, clipId);
  } else {
    writeCartesianAxes(svg, panel);
  }
  svg->out() << "<g clip-path=\"url(#" << clipId << ")\">\n";
  writeReferenceLines(svg, panel);
  for (const Curve& curve : panel.curves) writeCurve(svg, panel, curve);
  writeMarkers(svg, panel);
  svg->out() << "</g>\n";
  if (panel.kind != PanelKind::kSmith) {
    svg->out() << "<rect x=\"" << number(plot.x) << "\" y=\"" << number(plot.y) << "\" width=\""
               << number(plot.width) << "\" height=\"" << number(plot.height) << "\" fill=\"none\" stroke=\""
               << kFrameColour << "\" stroke-width=\"1\"/>\n";
  }
  svg->out() << "</g>\n";
}

}  // namespace

std::string xmlEscape(const std::string& text) {
  std::string escaped;
  for (size_t i = 0; i < text.size();) {
    size_t length = utf8Length(text, i);
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (length == 0 || (length == 1 && c < 0x20 && c != '\t') || c == 0x7F) {
      escaped += '?';
      i += 1;
      continue;
    }
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      case '\'':
        escaped += "&apos;";
        break;
      default:
        escaped.append(text, i, length);
    }
    i += length;
  }
  return escaped;
}

std::string writeSvg(const Figure& figure) {
  SvgOut svg;
  std::string width = number(figure.width);
  std::string height = number(figure.height);
  svg.out() << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << width << "\" height=\"" << height
            << "\" viewBox=\"0 0 " << width << " " << height << "\" font-family=\"" << kFontFamily
            << "\" fill=\"" << kTextColour << "\">\n"
            << "<rect x=\"0\" y=\"0\" width=\"" << width << "\" height=\"" << height
            << "\" fill=\"#ffffff\"/>\n";
  svg.text(figure.titleAt, figure.title, kTitleFontSize, "start", "bold");
  writeLegend(&svg, figure.sweepLegend, figure.sweepLegendAt);
  for (size_t i = 0; i < figure.panels.size(); ++i) writePanel(&svg, figure.panels[i], i);
  svg.out() << "</svg>\n";
  return svg.out().str();
}

}  // namespace korvel::plot
