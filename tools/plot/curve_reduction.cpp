// Curve reduction: column envelopes, pixel runs, dash phases and coverage.
#include "tools/plot/curve_reduction.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <sstream>
#include <utility>

#include "tools/plot/figure_layout.h"

namespace korvel::plot {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// Coverage cells are counted in blocks of this many cells a side, and
// those in large blocks of kLargeBlocks blocks a side; a block whose cells
// are all marked is crossed without looking at its cells, which keeps a
// scribble of a million lines over a chart to a few steps per line once it
// has filled the chart.
constexpr int kBlockCells = 16;
constexpr int kLargeBlocks = 4;

bool finite(const Point& point) { return std::isfinite(point.x) && std::isfinite(point.y); }

// Pixel distances are small and finite: no need of hypot's care.
double distance(const Point& a, const Point& b) {
  double dx = b.x - a.x;
  double dy = b.y - a.y;
  return std::sqrt(dx * dx + dy * dy);
}

// The index ranges [first, second) of the runs of finite points.
std::vector<std::pair<size_t, size_t>> finiteRuns(const std::vector<Point>& points) {
  std::vector<std::pair<size_t, size_t>> runs;
  size_t i = 0;
  while (i < points.size()) {
    if (!finite(points[i])) {
      ++i;
      continue;
    }
    size_t begin = i;
    while (i < points.size() && finite(points[i])) ++i;
    runs.push_back({begin, i});
  }
  return runs;
}

// Adds the indices in `chosen` (of one run of points, which comes after
// every index `kept` holds, in any order, maybe repeated) to `kept` in
// ascending order, each once.
void keepInOrder(std::initializer_list<size_t> chosen, std::vector<size_t>* kept) {
  std::array<size_t, 4> sorted{};
  size_t count = 0;
  // Sorted as they are added, four at the most.
  for (size_t index : chosen) {
    if (count == sorted.size()) break;
    size_t at = count++;
    for (; at > 0 && sorted[at - 1] > index; --at) sorted[at] = sorted[at - 1];
    sorted[at] = index;
  }
  for (size_t k = 0; k < count; ++k) {
    if (kept->empty() || kept->back() < sorted[k]) kept->push_back(sorted[k]);
  }
}

// A stretch of consecutive points [begin, end) within one pixel column
// (or, on a chart, within one pixel).
struct Bucket {
  size_t begin = 0;
  size_t end = 0;
};

std::vector<Bucket> bucketsOf(const std::vector<Point>& pixels, bool chart) {
  std::vector<Bucket> buckets;
  size_t i = 0;
  while (i < pixels.size()) {
    double column = std::floor(pixels[i].x);
    double row = std::floor(pixels[i].y);
    size_t begin = i;
    for (++i; i < pixels.size() && std::floor(pixels[i].x) == column; ++i) {
      if (chart && std::floor(pixels[i].y) != row) break;
    }
    buckets.push_back({begin, i});
  }
  return buckets;
}

// The indices a bucket keeps, ascending, added to `kept`: first, lowest,
// highest and last in a column; first and last in a pixel.
void keepOf(const std::vector<Point>& pixels, Bucket bucket, bool chart, std::vector<size_t>* kept) {
  if (chart) {
    keepInOrder({bucket.begin, bucket.end - 1}, kept);
    return;
  }
  size_t lowest = bucket.begin;
  size_t highest = bucket.begin;
  for (size_t i = bucket.begin + 1; i < bucket.end; ++i) {
    if (pixels[i].y < pixels[lowest].y) lowest = i;
    if (pixels[i].y > pixels[highest].y) highest = i;
  }
  keepInOrder({bucket.begin, lowest, highest, bucket.end - 1}, kept);
}

// What a bucket's points ink: the span of page rows they reach, and
// whether the full curve doubles back within it by a whole period of its
// dash pattern or more. Its dashes then repeat over the same few pixels
// and fill each other's gaps, so the bucket is inked solid.
struct BucketInk {
  double top = 0;
  double bottom = 0;
  bool solid = false;
};

// A run of a curve as kept: the points in data units and on the page, the
// length of the full curve from the run's start to each, and the bucket
// each comes from.
struct KeptRun {
  std::vector<Point> data;
  std::vector<Point> pixels;
  std::vector<double> fullLength;
  std::vector<size_t> bucket;  // index into `inks`
  std::vector<BucketInk> inks;
};

// `data` and `pixels` hold `count` points; lengths and inks are measured
// only for a dashed curve (`period` > 0), which alone needs them.
KeptRun keptRun(const Point* data, const std::vector<Point>& pixels, bool chart, double period) {
  KeptRun run;
  bool dashed = period > 0;
  double length = 0;  // of the full curve up to the bucket's first point
  std::vector<size_t> kept;
  for (Bucket bucket : bucketsOf(pixels, chart)) {
    kept.clear();
    keepOf(pixels, bucket, chart, &kept);
    if (!dashed) {
      for (size_t i : kept) run.data.push_back(data[i]);
      continue;
    }
    if (bucket.begin > 0) length += distance(pixels[bucket.begin - 1], pixels[bucket.begin]);
    BucketInk ink{pixels[bucket.begin].y, pixels[bucket.begin].y, false};
    double full = 0;
    double chain = 0;
    size_t next = 0;
    for (size_t i = bucket.begin; i < bucket.end; ++i) {
      if (i > bucket.begin) full += distance(pixels[i - 1], pixels[i]);
      ink.top = std::min(ink.top, pixels[i].y);
      ink.bottom = std::max(ink.bottom, pixels[i].y);
      if (next == kept.size() || kept[next] != i) continue;
      if (next > 0) chain += distance(pixels[kept[next - 1]], pixels[i]);
      run.data.push_back(data[i]);
      run.pixels.push_back(pixels[i]);
      run.fullLength.push_back(length + full);
      run.bucket.push_back(run.inks.size());
      ++next;
    }
    ink.solid = full - chain >= period;
    run.inks.push_back(ink);
    length += full;
  }
  return run;
}

// Whether the segment from kept point k - 1 to k is drawn solid: inside a
// solid bucket, or joining two solid buckets within the rows their ink
// already covers.
bool solidSegment(const KeptRun& run, size_t k) {
  const BucketInk& before = run.inks[run.bucket[k - 1]];
  const BucketInk& after = run.inks[run.bucket[k]];
  if (run.bucket[k - 1] == run.bucket[k]) return before.solid;
  if (!before.solid || !after.solid) return false;
  if (before.bottom < after.top || after.bottom < before.top) return false;
  double top = std::min(run.pixels[k - 1].y, run.pixels[k].y);
  double bottom = std::max(run.pixels[k - 1].y, run.pixels[k].y);
  return top >= std::min(before.top, after.top) && bottom <= std::max(before.bottom, after.bottom);
}

// The on and off lengths of an SVG dash pattern in turn, an odd list
// counted twice as SVG repeats it; empty for a solid line.
std::vector<double> dashLengths(const std::string& dash) {
  std::istringstream text(dash);
  std::vector<double> lengths;
  for (double length = 0; text >> length;) lengths.push_back(length);
  if (lengths.size() % 2 == 1) lengths.insert(lengths.end(), lengths.begin(), lengths.end());
  double period = 0;
  for (double length : lengths) period += length;
  if (!(period > 0)) lengths.clear();
  return lengths;
}

// Whether the pattern is on at `length` along the line, and the length at
// which it next changes.
std::pair<bool, double> dashAt(const std::vector<double>& lengths, double period, double length) {
  double phase = std::fmod(length, period);
  double start = 0;
  for (size_t i = 0; i < lengths.size(); ++i) {
    if (phase < start + lengths[i]) return {i % 2 == 0, length + (start + lengths[i] - phase)};
    start += lengths[i];
  }
  return {true, length + (period - phase)};
}

Point along(Point from, Point to, double fraction) {
  if (fraction <= 0) return from;
  if (fraction >= 1) return to;
  return {from.x + (to.x - from.x) * fraction, from.y + (to.y - from.y) * fraction};
}

// The strokes that draw a kept run with the dash pattern `lengths` (empty:
// solid). Dashes are laid along the length of the full curve, so each is
// drawn as a stroke of its own where the full curve would draw it: the
// stretch of full length between two kept points is laid along the line
// between them, which is the full line itself where the full curve runs
// straight and lies within the pixel the full curve wiggles in otherwise.
// (Points are placed on the line in data units: the panel's mapping is
// linear on both axes.) Buckets the full curve inks solid (see BucketInk)
// are drawn solid.
void addStrokes(const KeptRun& run, const std::vector<double>& lengths,
                std::vector<std::vector<Point>>* strokes) {
  if (lengths.empty()) {
    strokes->push_back(run.data);
    return;
  }
  double period = 0;
  for (double length : lengths) period += length;
  std::vector<Point> current;
  auto finish = [&] {
    if (current.size() >= 2) strokes->push_back(std::move(current));
    current.clear();
  };
  for (size_t k = 1; k < run.data.size(); ++k) {
    Point from = run.data[k - 1];
    Point to = run.data[k];
    double start = run.fullLength[k - 1];
    double end = run.fullLength[k];
    if (solidSegment(run, k) || !(end > start)) {
      if (!solidSegment(run, k) && !dashAt(lengths, period, start).first) {
        finish();
        continue;
      }
      if (current.empty()) current.push_back(from);
      current.push_back(to);
      continue;
    }
    // Each dash change costs a step; a bucket as long as a period or more
    // beyond its kept line is solid, so the steps here are few.
    for (double at = start; at < end;) {
      auto [on, change] = dashAt(lengths, period, at);
      double until = std::min(std::max(change, std::nextafter(at, end)), end);
      if (on) {
        if (current.empty()) current.push_back(along(from, to, (at - start) / (end - start)));
        current.push_back(along(from, to, (until - start) / (end - start)));
      } else {
        finish();
      }
      at = until;
    }
  }
  finish();
}

// The cells of a grid over a panel's plotting area that a polyline passes
// through, in cells of kCoverageCell pixels aligned to the page's pixels.
class CoverageGrid {
 public:
  explicit CoverageGrid(const Rect& area)
      : originX_(std::floor(area.x / kCoverageCell) * kCoverageCell),
        originY_(std::floor(area.y / kCoverageCell) * kCoverageCell),
        columns_(std::max(1, static_cast<int>(std::ceil((area.x + area.width - originX_) / kCoverageCell)))),
        rows_(std::max(1, static_cast<int>(std::ceil((area.y + area.height - originY_) / kCoverageCell)))),
        blockColumns_((columns_ + kBlockCells - 1) / kBlockCells),
        blockRows_((rows_ + kBlockCells - 1) / kBlockCells),
        cells_(static_cast<size_t>(columns_) * static_cast<size_t>(rows_), 0),
        marked_(static_cast<size_t>(blockColumns_) * static_cast<size_t>(blockRows_), 0),
        largeColumns_((blockColumns_ + kLargeBlocks - 1) / kLargeBlocks),
        largeRows_((blockRows_ + kLargeBlocks - 1) / kLargeBlocks),
        largeMarked_(static_cast<size_t>(largeColumns_) * static_cast<size_t>(largeRows_), 0) {}

  void addPoint(Point at) {
    double u = (at.x - originX_) / kCoverageCell;
    double v = (at.y - originY_) / kCoverageCell;
    if (u < 0 || v < 0 || u >= columns_ || v >= rows_) return;
    mark(static_cast<int>(u), static_cast<int>(v));
  }

  void addSegment(Point from, Point to) {
    double u0 = (from.x - originX_) / kCoverageCell;
    double v0 = (from.y - originY_) / kCoverageCell;
    double u1 = (to.x - originX_) / kCoverageCell;
    double v1 = (to.y - originY_) / kCoverageCell;
    if (!clip(&u0, &v0, &u1, &v1)) return;
    constexpr int kLargeCells = kBlockCells * kLargeBlocks;
    auto point = [&](double t) { return Point{u0 + t * (u1 - u0), v0 + t * (v1 - v0)}; };
    traverse(u0, v0, u1, v1, kLargeCells, 0, largeColumns_ - 1, 0, largeRows_ - 1,
             [&](int lx, int ly, double enter, double leave) {
               if (largeFull(lx, ly)) return;
               Point enterAt = point(enter);
               Point leaveAt = point(leave);
               int bx = lx * kLargeBlocks;
               int by = ly * kLargeBlocks;
               traverse(enterAt.x, enterAt.y, leaveAt.x, leaveAt.y, kBlockCells, bx,
                        std::min(blockColumns_, bx + kLargeBlocks) - 1, by,
                        std::min(blockRows_, by + kLargeBlocks) - 1,
                        [&](int x, int y, double blockEnter, double blockLeave) {
                          if (blockFull(x, y)) return;
                          Point start = {enterAt.x + blockEnter * (leaveAt.x - enterAt.x),
                                         enterAt.y + blockEnter * (leaveAt.y - enterAt.y)};
                          Point end = {enterAt.x + blockLeave * (leaveAt.x - enterAt.x),
                                       enterAt.y + blockLeave * (leaveAt.y - enterAt.y)};
                          int left = x * kBlockCells;
                          int top = y * kBlockCells;
                          traverse(start.x, start.y, end.x, end.y, 1, left,
                                   std::min(columns_, left + kBlockCells) - 1, top,
                                   std::min(rows_, top + kBlockCells) - 1,
                                   [&](int cx, int cy, double, double) { mark(cx, cy); });
                        });
             });
  }

  // The marked cells as rectangles, each run of a row one rectangle (runs
  // that repeat from row to row one taller rectangle), widened by `pad`
  // pixels on every side.
  std::vector<Rect> rectangles(double pad) const {
    struct Open {
      int first;
      int last;
      size_t rect;
    };
    std::vector<Rect> rects;
    std::vector<Open> above;
    std::vector<Open> here;
    for (int y = 0; y < rows_; ++y) {
      here.clear();
      size_t match = 0;
      const uint8_t* row = &cells_[static_cast<size_t>(y) * static_cast<size_t>(columns_)];
      for (int x = 0; x < columns_;) {
        if (row[x] == 0) {
          ++x;
          continue;
        }
        int first = x;
        while (x < columns_ && row[x] != 0) ++x;
        int last = x;
        while (match < above.size() && above[match].first < first) ++match;
        if (match < above.size() && above[match].first == first && above[match].last == last) {
          rects[above[match].rect].height += kCoverageCell;
          here.push_back(above[match]);
          continue;
        }
        rects.push_back({originX_ + first * kCoverageCell - pad, originY_ + y * kCoverageCell - pad,
                         (last - first) * kCoverageCell + 2 * pad, kCoverageCell + 2 * pad});
        here.push_back({first, last, rects.size() - 1});
      }
      std::swap(above, here);
    }
    return rects;
  }

 private:
  // Clips the segment to the grid (Liang–Barsky); false when nothing of it
  // lies on the grid.
  bool clip(double* u0, double* v0, double* u1, double* v1) const {
    double du = *u1 - *u0;
    double dv = *v1 - *v0;
    double enter = 0;
    double leave = 1;
    auto edge = [&](double p, double q) {
      if (p == 0) return q >= 0;
      double t = q / p;
      if (p < 0) {
        enter = std::max(enter, t);
      } else {
        leave = std::min(leave, t);
      }
      return enter <= leave;
    };
    if (!edge(-du, *u0) || !edge(du, columns_ - *u0) || !edge(-dv, *v0) || !edge(dv, rows_ - *v0))
      return false;
    double startU = *u0 + enter * du;
    double startV = *v0 + enter * dv;
    *u1 = *u0 + leave * du;
    *v1 = *v0 + leave * dv;
    *u0 = startU;
    *v0 = startV;
    return true;
  }

  // Visits the cells of side `size` from (u0, v0) to (u1, v1) in order
  // (the grid walk of Amanatides and Woo), cell indices held within
  // [loX, hiX] × [loY, hiY], with the stretch [enter, leave] of the
  // segment's parameter that lies in each.
  template <class Visit>
  static void traverse(double u0, double v0, double u1, double v1, double size, int loX, int hiX, int loY,
                       int hiY, Visit visit) {
    double du = u1 - u0;
    double dv = v1 - v0;
    int x = std::clamp(static_cast<int>(std::floor(u0 / size)), loX, hiX);
    int y = std::clamp(static_cast<int>(std::floor(v0 / size)), loY, hiY);
    int stepX = du > 0 ? 1 : du < 0 ? -1 : 0;
    int stepY = dv > 0 ? 1 : dv < 0 ? -1 : 0;
    double deltaX = stepX != 0 ? size / std::fabs(du) : kInfinity;
    double deltaY = stepY != 0 ? size / std::fabs(dv) : kInfinity;
    double nextX = stepX > 0 ? ((x + 1) * size - u0) / du : stepX < 0 ? (x * size - u0) / du : kInfinity;
    double nextY = stepY > 0 ? ((y + 1) * size - v0) / dv : stepY < 0 ? (y * size - v0) / dv : kInfinity;
    double enter = 0;
    int steps = (hiX - loX + 1) + (hiY - loY + 1) + 2;
    for (int step = 0; step < steps; ++step) {
      double leave = std::min({nextX, nextY, 1.0});
      visit(x, y, enter, leave);
      if (leave >= 1) return;
      if (nextX < nextY) {
        x += stepX;
        enter = nextX;
        nextX += deltaX;
      } else {
        y += stepY;
        enter = nextY;
        nextY += deltaY;
      }
      if (x < loX || x > hiX || y < loY || y > hiY) return;
    }
  }

  bool largeFull(int lx, int ly) const {
    constexpr int kLargeCells = kBlockCells * kLargeBlocks;
    int width = std::min(kLargeCells, columns_ - lx * kLargeCells);
    int height = std::min(kLargeCells, rows_ - ly * kLargeCells);
    return largeMarked_[static_cast<size_t>(ly) * static_cast<size_t>(largeColumns_) +
                        static_cast<size_t>(lx)] == width * height;
  }

  bool blockFull(int bx, int by) const {
    int width = std::min(kBlockCells, columns_ - bx * kBlockCells);
    int height = std::min(kBlockCells, rows_ - by * kBlockCells);
    return marked_[static_cast<size_t>(by) * static_cast<size_t>(blockColumns_) + static_cast<size_t>(bx)] ==
           width * height;
  }

  void mark(int x, int y) {
    uint8_t& cell = cells_[static_cast<size_t>(y) * static_cast<size_t>(columns_) + static_cast<size_t>(x)];
    if (cell != 0) return;
    cell = 1;
    ++marked_[static_cast<size_t>(y / kBlockCells) * static_cast<size_t>(blockColumns_) +
              static_cast<size_t>(x / kBlockCells)];
    constexpr int kLargeCells = kBlockCells * kLargeBlocks;
    ++largeMarked_[static_cast<size_t>(y / kLargeCells) * static_cast<size_t>(largeColumns_) +
                   static_cast<size_t>(x / kLargeCells)];
  }

  double originX_;
  double originY_;
  int columns_;
  int rows_;
  int blockColumns_;
  int blockRows_;
  std::vector<uint8_t> cells_;
  std::vector<int> marked_;  // marked cells per block
  int largeColumns_;
  int largeRows_;
  std::vector<int> largeMarked_;  // marked cells per large block
};

// The page position of a point as the SVG writes it, to the hundredth of a
// pixel: a dashed line's pattern runs along the length of the line as
// written, which for a dense curve the rounding lengthens measurably.
Point writtenPixel(const Panel& panel, Point data) {
  Point at = panel.toPixel(data);
  return {std::round(at.x * 100) / 100, std::round(at.y * 100) / 100};
}

// `pixels` is room for the page positions of a run, kept from curve to
// curve.
void reduceCurve(const Panel& panel, Curve* curve, std::vector<Point>* pixels) {
  double columns = std::ceil(panel.plot.width);
  if (!(static_cast<double>(curve->points.size()) > kPointsPerColumn * columns)) return;
  bool chart = panel.kind == PanelKind::kSmith;
  std::vector<double> lengths = dashLengths(curve->dash);
  double period = dashPeriod(curve->dash);
  // A chart's coverage walks the kept points on the page, so it needs them
  // as a dashed curve does.
  double measured = chart ? std::max(period, 1.0) : period;
  std::vector<KeptRun> runs;
  size_t vertices = 0;
  for (auto [begin, end] : finiteRuns(curve->points)) {
    const Point* data = curve->points.data() + begin;
    pixels->resize(end - begin);
    std::transform(data, data + (end - begin), pixels->begin(),
                   [&](Point at) { return writtenPixel(panel, at); });
    runs.push_back(keptRun(data, *pixels, chart, measured));
    vertices += runs.back().data.size();
  }
  curve->reduced = true;
  // More vertices than the chart has pixels, or a line long enough to ink
  // half the chart: the pixels the line reaches are crossed over and over,
  // in every direction, and single lines (or their dashes) can no longer be
  // told apart; what the full curve draws at this size is the area its
  // line passes through, as thick as the line.
  double area = panel.plot.width * panel.plot.height;
  double length = 0;
  for (const KeptRun& run : runs) {
    for (size_t k = 1; k < run.pixels.size(); ++k) length += distance(run.pixels[k - 1], run.pixels[k]);
  }
  if (chart && (static_cast<double>(vertices) > area || length * kCurveWidth > area / 2)) {
    CoverageGrid grid(panel.plot);
    for (const KeptRun& run : runs) {
      if (run.pixels.size() == 1) grid.addPoint(run.pixels[0]);
      for (size_t k = 1; k < run.pixels.size(); ++k) grid.addSegment(run.pixels[k - 1], run.pixels[k]);
    }
    // Each cell stands for the line through it: widened by half the line
    // width less half a cell, its edge lies where the line's would.
    curve->coverage = grid.rectangles(kCurveWidth / 2 - kCoverageCell / 2);
  } else {
    for (const KeptRun& run : runs) {
      if (run.data.size() == 1) {
        curve->dots.push_back(run.data[0]);
        continue;
      }
      addStrokes(run, lengths, &curve->strokes);
    }
  }
  curve->points.clear();
  curve->points.shrink_to_fit();
}

}  // namespace

std::vector<size_t> columnEnvelope(const std::vector<Point>& pixels) {
  std::vector<size_t> kept;
  for (Bucket bucket : bucketsOf(pixels, false)) keepOf(pixels, bucket, false, &kept);
  return kept;
}

std::vector<size_t> pixelRunEnds(const std::vector<Point>& pixels) {
  std::vector<size_t> kept;
  for (Bucket bucket : bucketsOf(pixels, true)) keepOf(pixels, bucket, true, &kept);
  return kept;
}

double dashPeriod(const std::string& dash) {
  double period = 0;
  for (double length : dashLengths(dash)) period += length;
  return period;
}

void reduceCurves(Figure* figure) {
  std::vector<Point> pixels;
  for (Panel& panel : figure->panels) {
    for (Curve& curve : panel.curves) reduceCurve(panel, &curve, &pixels);
  }
}

}  // namespace korvel::plot
