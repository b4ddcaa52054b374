// Page layout.
#include "tools/plot/figure_layout.h"

#include <algorithm>
#include <cmath>

namespace korvel::plot {

namespace {

constexpr double kMargin = 16;
constexpr double kTitleBand = 30;
constexpr double kLegendRow = 18;
constexpr double kLegendSpacing = 18;
constexpr double kLine = 17;
// Room for the tick labels and the axis title left of and under a plot.
constexpr double kLeftRoom = 66;
constexpr double kBottomRoom = 46;
constexpr double kRightRoom = 18;
constexpr double kSmithRoom = 22;
constexpr double kCellHeight = 420;
constexpr double kSmallestPlot = 20;

size_t columnsFor(size_t panels) { return panels <= 1 ? 1 : 2; }

double entryWidth(const LegendEntry& entry) {
  return kLegendSampleLength + kLegendSampleGap + textWidth(entry.label, kTextFontSize) + kLegendSpacing;
}

// Flows legend entries in rows across `width` from (left, top); returns
// the height the rows take.
double flowLegend(const std::vector<LegendEntry>& entries, double left, double top, double width,
                  std::vector<Point>* placed) {
  placed->clear();
  if (entries.empty()) return 0;
  double x = left;
  double y = top + kLegendRow / 2;
  for (const LegendEntry& entry : entries) {
    double wide = entryWidth(entry);
    if (x > left && x + wide > left + width) {
      x = left;
      y += kLegendRow;
    }
    placed->push_back({x, y});
    x += wide;
  }
  return y - top + kLegendRow / 2;
}

void layoutPanel(Panel* panel, const Rect& cell) {
  double cursor = cell.y + kLine;
  panel->titleAt = {cell.x + kLeftRoom, cursor};
  if (!panel->note.empty()) {
    cursor += kLine;
    panel->noteAt = {cell.x + kLeftRoom, cursor};
  }
  cursor += 6;
  double legendWidth = cell.width - kLeftRoom - kRightRoom;
  cursor += flowLegend(panel->legend, cell.x + kLeftRoom, cursor, legendWidth, &panel->legendAt) + 8;
  double bottom = cell.y + cell.height - kBottomRoom;
  if (panel->kind == PanelKind::kSmith) {
    double side = std::max(kSmallestPlot,
                           std::min(cell.width - 2 * kSmithRoom, bottom + kBottomRoom - kSmithRoom - cursor));
    panel->plot = {cell.x + (cell.width - side) / 2, cursor + kSmithRoom / 2, side, side};
    return;
  }
  panel->plot = {cell.x + kLeftRoom, cursor, std::max(kSmallestPlot, cell.width - kLeftRoom - kRightRoom),
                 std::max(kSmallestPlot, bottom - cursor)};
}

double sweepLegendTop() { return kMargin + kTitleBand; }

}  // namespace

double textWidth(const std::string& text, double fontSize) {
  size_t characters = 0;
  for (unsigned char c : text) {
    if ((c & 0xC0) != 0x80) ++characters;  // count UTF-8 lead bytes only
  }
  return static_cast<double>(characters) * fontSize * 0.6;
}

PageSize defaultPageSize(const Figure& figure) {
  size_t columns = columnsFor(figure.panels.size());
  size_t rows = std::max<size_t>(1, (figure.panels.size() + columns - 1) / columns);
  double width = columns == 1 ? 800 : 1200;
  std::vector<Point> placed;
  double sweep = flowLegend(figure.sweepLegend, kMargin, 0, width - 2 * kMargin, &placed);
  double height = sweepLegendTop() + sweep + 6 + static_cast<double>(rows) * kCellHeight + kMargin;
  if (columns == 1) height -= 40;
  return {static_cast<int>(width), static_cast<int>(std::ceil(height))};
}

PageSize smallestPageSize(const Figure& figure) {
  // One panel has the whole of the smallest page.
  if (figure.panels.size() <= 1) return {kSmallestPageWidth, kSmallestPageHeight};
  size_t columns = columnsFor(figure.panels.size());
  size_t rows = std::max<size_t>(1, (figure.panels.size() + columns - 1) / columns);
  double width = 2 * kMargin + static_cast<double>(columns) * kSmallestCellWidth;
  std::vector<Point> placed;
  double sweep = flowLegend(figure.sweepLegend, kMargin, 0, width - 2 * kMargin, &placed);
  double height = sweepLegendTop() + sweep + 6 + static_cast<double>(rows) * kSmallestCellHeight + kMargin;
  return {static_cast<int>(std::ceil(width)), static_cast<int>(std::ceil(height))};
}

void layoutFigure(Figure* figure, PageSize size) {
  figure->width = size.width;
  figure->height = size.height;
  figure->titleAt = {kMargin, kMargin + kTitleFontSize};
  double top = sweepLegendTop();
  top += flowLegend(figure->sweepLegend, kMargin, top, size.width - 2 * kMargin, &figure->sweepLegendAt) + 6;
  size_t columns = columnsFor(figure->panels.size());
  size_t rows = std::max<size_t>(1, (figure->panels.size() + columns - 1) / columns);
  double cellWidth = (size.width - 2 * kMargin) / static_cast<double>(columns);
  double cellHeight = std::max(kSmallestPlot, (size.height - kMargin - top) / static_cast<double>(rows));
  for (size_t i = 0; i < figure->panels.size(); ++i) {
    Rect cell{kMargin + static_cast<double>(i % columns) * cellWidth,
              top + static_cast<double>(i / columns) * cellHeight, cellWidth, cellHeight};
    layoutPanel(&figure->panels[i], cell);
  }
}

}  // namespace korvel::plot
