// Placing a figure on a page: a title, the sweep legend, and the panels in
// a grid of one or two columns, each with its title, legend and plotting
// area. All sizes are in pixels (points for PDF).
#ifndef KORVEL_TOOLS_PLOT_FIGURE_LAYOUT_H
#define KORVEL_TOOLS_PLOT_FIGURE_LAYOUT_H

#include <string>
#include <vector>

#include "tools/plot/figure.h"

namespace korvel::plot {

struct PageSize {
  int width = 0;
  int height = 0;
};

// The font sizes the page uses; the SVG writer draws with the same.
constexpr double kTitleFontSize = 17;
constexpr double kPanelTitleFontSize = 14;
constexpr double kTextFontSize = 12;
// The width of a curve's line.
constexpr double kCurveWidth = 1.8;
// The length of the line sample in front of a legend text.
constexpr double kLegendSampleLength = 30;
constexpr double kLegendSampleGap = 6;

// Pages smaller than this cannot hold a readable panel.
constexpr int kSmallestPageWidth = 240;
constexpr int kSmallestPageHeight = 180;
constexpr int kLargestPageSide = 10000;

// The page a figure gets when no size is asked for: one column for a single
// panel, two otherwise, each panel about 600 × 400.
PageSize defaultPageSize(const Figure& figure);

// The width of `text` in the page's sans-serif font, estimated from its
// character count (DejaVu Sans averages a little over half the font size).
double textWidth(const std::string& text, double fontSize);

// Each panel's cell is at least this large, so that its title, tick
// labels and legend do not run into one another.
constexpr int kSmallestCellWidth = 240;
constexpr int kSmallestCellHeight = 180;

// The smallest page `figure` can be drawn on: its grid of panels with each
// cell at least the smallest cell.
PageSize smallestPageSize(const Figure& figure);

// Places every element of `figure` on a page of `size`.
void layoutFigure(Figure* figure, PageSize size);

}  // namespace korvel::plot

#endif  // KORVEL_TOOLS_PLOT_FIGURE_LAYOUT_H
