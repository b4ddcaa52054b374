// Reducing curves to what a laid-out panel can show, so that a curve of a
// million points draws as its full-resolution version would at the page's
// size, in a picture of a few hundred kilobytes.
//
// Against frequency, each pixel column keeps of the points that fall in it
// one after the other the first, the last, the lowest and the highest (the
// envelope a waveform viewer draws): the polyline through them inks the
// same column span and joins its neighbours at the same places as the full
// one, and everything else it would draw lies within that column, less than
// a pixel from the kept line. On a Smith chart, which is two-dimensional,
// each run of consecutive points within one pixel keeps its first and last
// point; a curve that still has more vertices than the chart has pixels,
// or a line long enough to ink half of it, crosses the pixels it reaches
// over and over, and is drawn as the cells its line passes through. A
// dashed curve's dashes are laid where the whole curve lays them, along
// its length; where it doubles back over its own dashes within a pixel
// column, it is drawn solid, as it then looks.
//
// Everything works on the pixel positions the panel's own mapping gives
// (after dB and phase, on the axes as laid out), so it needs layoutFigure
// first. Curves with at most four points per pixel column are left as
// they are: the envelope would keep nearly all of them, and small files
// draw exactly as before.
#ifndef KORVEL_TOOLS_PLOT_CURVE_REDUCTION_H
#define KORVEL_TOOLS_PLOT_CURVE_REDUCTION_H

#include <cstddef>
#include <vector>

#include "tools/plot/figure.h"

namespace korvel::plot {

// A curve with more points than this per pixel column of its panel is
// reduced.
constexpr double kPointsPerColumn = 4;

// The side of the cells of a drawn coverage, in pixels: fine enough that
// its edges lie within a third of a pixel of the line's.
constexpr double kCoverageCell = 0.5;

// The indices of `pixels` (page positions, all finite) that the column
// envelope keeps, ascending: of each run of consecutive points within one
// pixel column the first, the lowest, the highest and the last.
std::vector<size_t> columnEnvelope(const std::vector<Point>& pixels);

// The indices of `pixels` kept on a two-dimensional chart, ascending: of
// each run of consecutive points within one pixel the first and the last.
std::vector<size_t> pixelRunEnds(const std::vector<Point>& pixels);

// The period of an SVG dash pattern ("8 4" → 12, an odd list counted
// twice), 0 for a solid line.
double dashPeriod(const std::string& dash);

// Reduces every curve of `figure` that has more points than its panel can
// show (see Curve::reduced).
// REQUIRES: layoutFigure has placed `figure`.
void reduceCurves(Figure* figure);

}  // namespace korvel::plot

#endif  // KORVEL_TOOLS_PLOT_CURVE_REDUCTION_H
