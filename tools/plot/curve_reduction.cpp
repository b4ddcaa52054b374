// Curve reduction: column envelopes, pixel runs, dash phases and coverage.
#include "tools/plot/curve_reduction.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <memory>
#include <optional>
#include <sstream>
#include <utility>

#include "parallel/parallel_settings.h"
#include "tools/plot/block_extremes.h"
#include "tools/plot/figure_layout.h"

namespace korvel::plot {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

static_assert(static_cast<double>(kMostDrawnPoints) >= kPointsPerColumn * kLargestPageSide,
              "a curve read in place is always reduced");

// Coverage cells are counted in blocks of this many cells a side, and
// those in large blocks of kLargeBlocks blocks a side; a block whose cells
// are all marked is crossed without looking at its cells, which keeps a
// scribble of a million lines over a chart to a few steps per line once it
// has filled the chart.
constexpr int kBlockCells = 16;
constexpr int kLargeBlocks = 4;

// A segment whose cells the grid's clearance shows all marked already is
// not walked at all (see CoverageGrid::markedAlong), which keeps a
// scribble of a million lines inside the area it has filled to a few
// steps per line. The clearance is measured (at about a nanosecond a
// cell) once a sixteenth as many segments as the grid has cells, and
// at least kFewestStaleWalks, were walked between marked cells since it
// was last measured, and only on grids of at most kMostClearanceCells
// cells.
constexpr int kClearanceSlack = 10;
constexpr int kMostChainPoints = 64;
constexpr size_t kFewestStaleWalks = 2048;
constexpr size_t kMostClearanceCells = size_t{16} << 20;

// How close to a segment, in cells, a cell may come and still be taken as
// one its walk may visit: far beyond the roundings of the walk, which
// visits only cells its line touches.
constexpr double kNearCells = 1.0 / 64;

// The side, in cells, of the tiles a segment's cells are first looked up
// in: a tile whose cells are all marked is one bit.
constexpr int kTileCells = 8;

// The marked ring about a grid's centre (see CoverageGrid::insideRing) is
// found again once this many segments were not found inside it since it
// was last found; in bins of the squared distance from the centre, this
// many to the grid's farthest corner. Its counts take a step per cell, and
// are kept, like the clearance, only on grids of at most
// kMostClearanceCells cells.
constexpr size_t kRingMisses = 2048;
constexpr size_t kRingBins = 16384;
// How far beyond a cell, in cells, a segment may pass and still be taken
// as one whose walk may visit it: kNearCells, and the roundings of the
// squared distances, far smaller.
constexpr double kRingMargin = kNearCells + 1.0 / 1024;

// A segment that crosses at most this many lines of cells (rows, or
// columns, whichever it crosses fewer of) is short: looked up in the
// marked tiles and cells, it takes no more steps than in the clearance.
constexpr double kShortSegmentCells = 16.0 * kTileCells;

bool finite(const Point& point) { return std::isfinite(point.x) && std::isfinite(point.y); }

// Pixel distances are small and finite: no need of hypot's care.
double distance(const Point& a, const Point& b) {
  double dx = b.x - a.x;
  double dy = b.y - a.y;
  return std::sqrt(dx * dx + dy * dy);
}

// std::floor and std::round (half away from zero) to the bit, without a
// call into the maths library for each of a million points: below 2^52 a
// double's whole part is what truncation to an integer leaves (with the
// sign of zero kept); from there on every double is whole.
[[gnu::always_inline]] inline double floorOf(double value) {
  if (!(std::fabs(value) < 0x1p52)) return value;
  double whole = std::copysign(static_cast<double>(static_cast<int64_t>(value)), value);
  return whole > value ? whole - 1 : whole;
}

[[gnu::always_inline]] inline double roundHalfAway(double value) {
  if (!(std::fabs(value) < 0x1p52)) return value;
  double whole = std::copysign(static_cast<double>(static_cast<int64_t>(value)), value);
  double rest = value - whole;  // exact
  // Without a branch, which page positions, random in their last digit,
  // would mistake half the time. The step is +0 when there is none, and
  // taking +0 away keeps the sign of a zero.
  double down = static_cast<double>(static_cast<int>(rest <= -0.5) - static_cast<int>(rest >= 0.5));
  return whole - down;
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
    double column = floorOf(pixels[i].x);
    double row = floorOf(pixels[i].y);
    size_t begin = i;
    for (++i; i < pixels.size() && floorOf(pixels[i].x) == column; ++i) {
      if (chart && floorOf(pixels[i].y) != row) break;
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

// The marked cells of a coverage grid a bit each, line after line (the
// rows, or the columns), 64 cells to a word, and its tiles of kTileCells
// cells a side whose cells are all marked, a bit each, in lines of tiles
// the same way.
class LineBits {
 public:
  LineBits(int length, int lines)
      : length_(length),
        lines_(lines),
        words_((static_cast<size_t>(length) + 63) / 64),
        tileLength_((length + kTileCells - 1) / kTileCells),
        tileLines_((lines + kTileCells - 1) / kTileCells),
        tileWords_((static_cast<size_t>(tileLength_) + 63) / 64),
        cells_(words_ * static_cast<size_t>(lines), 0),
        tiles_(tileWords_ * static_cast<size_t>(tileLines_), 0) {}

  int tileLength() const { return tileLength_; }
  int tileLines() const { return tileLines_; }

  void setCell(int line, int at) { set(cells_.data() + static_cast<size_t>(line) * words_, at); }
  void setTile(int line, int at) { set(tiles_.data() + static_cast<size_t>(line) * tileWords_, at); }

  // Whether the cells within kNearCells of the segment from (a0, b0) to
  // (a1, b1) (in cells, a along the lines, b across them, clipped to the
  // grid, its b extent no longer than its a extent) are all set. A line
  // of tiles at a time: where its tiles near the segment are all full, its
  // lines of cells need no look.
  bool markedNear(double a0, double b0, double a1, double b1) const {
    if (b1 < b0) {
      std::swap(a0, a1);
      std::swap(b0, b1);
    }
    int first = std::max(0, cellOf(b0 - kNearCells));
    int last = std::min(lines_ - 1, cellOf(b1 + kNearCells));
    Stretch stretch(a0, b0, a1, b1);
    for (int tileLine = first / kTileCells; tileLine <= last / kTileCells; ++tileLine) {
      int from = std::max(first, tileLine * kTileCells);
      int to = std::min(last, tileLine * kTileCells + kTileCells - 1);
      auto [begin, end] = stretch.cellsNear(from, to, length_);
      if (begin > end) continue;
      if (allSet(tiles_.data() + static_cast<size_t>(tileLine) * tileWords_, begin / kTileCells,
                 end / kTileCells))
        continue;
      for (int line = from; line <= to; ++line) {
        auto [lineBegin, lineEnd] = stretch.cellsNear(line, line, length_);
        if (lineBegin <= lineEnd &&
            !allSet(cells_.data() + static_cast<size_t>(line) * words_, lineBegin, lineEnd))
          return false;
      }
    }
    return true;
  }

 private:
  // The cells of each line a segment comes within kNearCells of.
  class Stretch {
   public:
    Stretch(double a0, double b0, double a1, double b1)
        : a0_(a0), b0_(b0), a1_(a1), b1_(b1), slope_(b1 > b0 ? (a1 - a0) / (b1 - b0) : 0) {}

    // The first and last cell along the lines, within [0, length), that
    // the segment comes near in lines `from` to `to`.
    std::pair<int, int> cellsNear(int from, int to, int length) const {
      double low = a0_;
      double high = a1_;
      if (b1_ > b0_) {
        low = a0_ + (std::max(b0_, from - kNearCells) - b0_) * slope_;
        high = a0_ + (std::min(b1_, to + 1 + kNearCells) - b0_) * slope_;
      }
      if (low > high) std::swap(low, high);
      return {std::max(0, cellOf(low - kNearCells)), std::min(length - 1, cellOf(high + kNearCells))};
    }

   private:
    double a0_;
    double b0_;
    double a1_;
    double b1_;
    double slope_;
  };

  static void set(uint64_t* line, int at) {
    line[static_cast<size_t>(at) / 64] |= uint64_t{1} << (static_cast<unsigned>(at) % 64);
  }

  // std::floor of a value far within the range of int.
  static int cellOf(double value) {
    int whole = static_cast<int>(value);
    return whole > value ? whole - 1 : whole;
  }

  // Whether bits begin..end (both included) of a line are all set.
  static bool allSet(const uint64_t* line, int begin, int end) {
    size_t firstWord = static_cast<size_t>(begin) / 64;
    size_t lastWord = static_cast<size_t>(end) / 64;
    uint64_t head = ~uint64_t{0} << (begin % 64);
    uint64_t tail = ~uint64_t{0} >> (63 - end % 64);
    if (firstWord == lastWord) return (line[firstWord] | ~(head & tail)) == ~uint64_t{0};
    if ((line[firstWord] | ~head) != ~uint64_t{0}) return false;
    for (size_t word = firstWord + 1; word < lastWord; ++word) {
      if (line[word] != ~uint64_t{0}) return false;
    }
    return (line[lastWord] | ~tail) == ~uint64_t{0};
  }

  int length_;
  int lines_;
  size_t words_;
  int tileLength_;
  int tileLines_;
  size_t tileWords_;
  std::vector<uint64_t> cells_;
  std::vector<uint64_t> tiles_;
};

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
        largeMarked_(static_cast<size_t>(largeColumns_) * static_cast<size_t>(largeRows_), 0),
        rowsBits_(columns_, rows_),
        columnsBits_(rows_, columns_),
        tileMarked_(static_cast<size_t>(rowsBits_.tileLength()) * static_cast<size_t>(rowsBits_.tileLines()),
                    0),
        centreU_((area.x + area.width / 2 - originX_) / kCoverageCell),
        centreV_((area.y + area.height / 2 - originY_) / kCoverageCell) {}

  void addPoint(Point at) {
    double u = (at.x - originX_) / kCoverageCell;
    double v = (at.y - originY_) / kCoverageCell;
    if (u < 0 || v < 0 || u >= columns_ || v >= rows_) return;
    mark(static_cast<int>(u), static_cast<int>(v));
  }

  // Inlined where the lines come: on a chart whose curve circles its
  // centre, nearly all of them lie in the ring, and its test is a few
  // multiplications.
  [[gnu::always_inline]] void addSegment(Point from, Point to) {
    double u0 = (from.x - originX_) / kCoverageCell;
    double v0 = (from.y - originY_) / kCoverageCell;
    double u1 = (to.x - originX_) / kCoverageCell;
    double v1 = (to.y - originY_) / kCoverageCell;
    if (insideRing(u0, v0, u1, v1)) return;
    addBeyondRing(u0, v0, u1, v1);
  }

  // A short segment is looked up in the marked tiles and cells at once;
  // a long one, which crosses many lines of tiles, first in the
  // clearance, which may show it marked in a few steps. A segment the
  // clearance, measured before the cells beside it were marked, failed to
  // show marked: enough of those (found marked from their cells, or
  // walked between marked ends), and it is measured again.
  [[gnu::noinline]] void addBeyondRing(double u0, double v0, double u1, double v1) {
    if (clearanceFits() && ++ringMisses_ >= kRingMisses) settle();
    if (markedPastRingEdge(u0, v0, u1, v1)) return;
    bool tried = std::min(std::fabs(u1 - u0), std::fabs(v1 - v0)) > kShortSegmentCells;
    if (tried && markedAlong(u0, v0, u1, v1)) return;
    if (markedNear(u0, v0, u1, v1)) {
      if (tried) ++staleWalks_;
    } else {
      if (markedAt(u0, v0) && markedAt(u1, v1)) ++staleWalks_;
      walkSegment(u0, v0, u1, v1);
    }
    if (staleWalks_ >= staleWalksBeforeMeasuring() && clearanceFits()) {
      measureClearance();
      staleWalks_ = 0;
    }
  }

  // Finds the marked ring again: after many lines went on at once, or
  // after kRingMisses lines outside it.
  void settle() {
    if (!clearanceFits()) return;
    findRing();
    ringMisses_ = 0;
  }

  // The cells of a segment (in cells) walked and marked, coarse blocks
  // whose cells are all marked, and stretches whose cells the clearance
  // shows all marked, crossed without looking at their cells.
  void walkSegment(double u0, double v0, double u1, double v1) {
    if (!clip(&u0, &v0, &u1, &v1)) return;
    constexpr int kLargeCells = kBlockCells * kLargeBlocks;
    auto point = [&](double t) { return Point{u0 + t * (u1 - u0), v0 + t * (v1 - v0)}; };
    traverse(u0, v0, u1, v1, kLargeCells, 0, largeColumns_ - 1, 0, largeRows_ - 1,
             [&](int lx, int ly, double enter, double leave) {
               if (largeFull(lx, ly)) return;
               Point enterAt = point(enter);
               Point leaveAt = point(leave);
               if (markedAlong(enterAt.x, enterAt.y, leaveAt.x, leaveAt.y)) return;
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
                          if (markedAlong(start.x, start.y, end.x, end.y)) return;
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
    if (!unmarkedChanges_.empty()) countUnmarked(x, y, -1);
    rowsBits_.setCell(y, x);
    columnsBits_.setCell(x, y);
    int tx = x / kTileCells;
    int ty = y / kTileCells;
    uint8_t& tile = tileMarked_[static_cast<size_t>(ty) * static_cast<size_t>(rowsBits_.tileLength()) +
                                static_cast<size_t>(tx)];
    int width = std::min(kTileCells, columns_ - tx * kTileCells);
    int height = std::min(kTileCells, rows_ - ty * kTileCells);
    if (++tile == width * height) {
      rowsBits_.setTile(ty, tx);
      columnsBits_.setTile(tx, ty);
    }
    ++marked_[static_cast<size_t>(y / kBlockCells) * static_cast<size_t>(blockColumns_) +
              static_cast<size_t>(x / kBlockCells)];
    constexpr int kLargeCells = kBlockCells * kLargeBlocks;
    ++largeMarked_[static_cast<size_t>(y / kLargeCells) * static_cast<size_t>(largeColumns_) +
                   static_cast<size_t>(x / kLargeCells)];
  }

  // Whether a segment (in cells) crosses marked cells alone, as the
  // clearance last measured shows: a chain of points along it, from one
  // end to the other, each close enough to the next that every point of
  // the segment lies well within the marked square around one of them.
  // The squares are kClearanceSlack / 2 cells short of their clearance,
  // which keeps the cells walkSegment may visit beside the line (a cell
  // off, where it crosses a corner or a block's edge) and the rounding of
  // the chain's points inside them. False whenever in doubt.
  bool markedAlong(double u0, double v0, double u1, double v1) const {
    if (clearance_.empty() || !onGrid(u0, v0) || !onGrid(u1, v1)) return false;
    double du = u1 - u0;
    double dv = v1 - v0;
    double length = std::max(std::fabs(du), std::fabs(dv));  // in cells, along the longer axis
    int here = clearanceAt(u0, v0);
    int end = clearanceAt(u1, v1);
    double at = 0;  // the chain's last point, as a distance from the start
    constexpr int kHalfSlack = kClearanceSlack / 2;
    for (int point = 0; point < kMostChainPoints; ++point) {
      if (length - at < here + end - kClearanceSlack) return true;
      if (here <= kHalfSlack) return false;
      // The next point lies here - kHalfSlack on: within reach of this
      // one's square when its own clearance passes kHalfSlack.
      at += here - kHalfSlack;
      double t = at / length;
      here = clearanceAt(u0 + t * du, v0 + t * dv);
      if (here <= kHalfSlack) return false;
    }
    return false;
  }

  // Whether every cell that comes within kNearCells of a segment (in
  // cells) is marked. The cells a walk of the segment visits all touch its
  // line, to within a rounding far smaller than that, so walking it would
  // mark nothing. Looked up a row of cells at a time for a flat segment
  // and a column at a time for a steep one (see LineBits).
  bool markedNear(double u0, double v0, double u1, double v1) const {
    if (!clip(&u0, &v0, &u1, &v1)) return true;
    if (!finite({u0, v0}) || !finite({u1, v1})) return false;  // left to the walk
    if (std::fabs(u1 - u0) >= std::fabs(v1 - v0)) return rowsBits_.markedNear(u0, v0, u1, v1);
    return columnsBits_.markedNear(v0, u0, v1, u1);
  }

  // Whether a segment (in cells) lies within the ring last measured, all
  // of whose cells are marked: both ends no farther from the centre than
  // its outer radius (the disc is convex), and its nearest point no nearer
  // than its inner one. The cells its walk may visit, within kNearCells of
  // it, then lie in the ring and are marked already. A chart's curve
  // circling its centre stays in such a ring however long its lines are,
  // where looking its cells up takes a step per line of tiles it crosses.
  [[gnu::always_inline]] bool insideRing(double u0, double v0, double u1, double v1) const {
    double x0 = u0 - centreU_;
    double y0 = v0 - centreV_;
    double x1 = u1 - centreU_;
    double y1 = v1 - centreV_;
    double near0 = x0 * x0 + y0 * y0;
    double near1 = x1 * x1 + y1 * y1;
    // Tested without branches: which holds changes from line to line.
    bool ends = (near0 <= ringOuter_) & (near1 <= ringOuter_) & (near0 >= ringInner_) & (near1 >= ringInner_);
    return ends & !dipsIntoHole(x0, y0, x1 - x0, y1 - y0);
  }

  // Whether the segment from (x0, y0) (from the centre, in cells) by
  // (du, dv) comes nearer the centre than the ring's inner circle between
  // its ends: the foot of the perpendicular from the centre falls between
  // them, at a squared distance cross² / length below the inner one,
  // compared without a division or a branch.
  [[gnu::always_inline]] bool dipsIntoHole(double x0, double y0, double du, double dv) const {
    double length = du * du + dv * dv;
    double along = -(x0 * du + y0 * dv);
    double cross = x0 * dv - y0 * du;
    return (along > 0) & (along < length) & (cross * cross < ringInner_ * length);
  }

  // Whether every cell near a segment (in cells) with one end in the ring
  // and the other past one of its circles is marked: its part up to the
  // circle lies in the ring, and only the piece beyond is looked up. The
  // ragged edges of the area a chart's curve fills leave many such lines,
  // whose whole length would otherwise be looked up.
  bool markedPastRingEdge(double u0, double v0, double u1, double v1) const {
    if (!(ringOuter_ > ringInner_)) return false;
    auto inRing = [&](double squared) { return squared >= ringInner_ && squared <= ringOuter_; };
    double x0 = u0 - centreU_;
    double y0 = v0 - centreV_;
    if (!inRing(x0 * x0 + y0 * y0)) {
      std::swap(u0, u1);
      std::swap(v0, v1);
      x0 = u0 - centreU_;
      y0 = v0 - centreV_;
    }
    const double near0 = x0 * x0 + y0 * y0;
    const double x1 = u1 - centreU_;
    const double y1 = v1 - centreV_;
    const double near1 = x1 * x1 + y1 * y1;
    if (!inRing(near0) || inRing(near1)) return false;
    const double du = x1 - x0;
    const double dv = y1 - y0;
    const double length = du * du + dv * dv;
    const double along = x0 * du + y0 * dv;
    double crossing = 0;  // along the segment, where the piece past the circle starts
    if (near1 > ringOuter_) {
      // Out through the outer circle, not through the hole on the way.
      if (dipsIntoHole(x0, y0, du, dv)) return false;
      // The last point within the circle a hair inside the outer one.
      const double radius = ringOuter_ * (1 - 1e-9);
      crossing = (-along + std::sqrt(along * along - length * (near0 - radius))) / length;
    } else if (near1 < ringInner_) {
      // Into the hole: the line crosses the inner circle once on the way.
      const double radius = ringInner_ * (1 + 1e-9);
      crossing = (-along - std::sqrt(along * along - length * (near0 - radius))) / length;
    } else {
      return false;  // an end that is not a number
    }
    if (!(crossing >= 0 && crossing <= 1)) return false;
    return markedNear(u0 + crossing * du, v0 + crossing * dv, u1, v1);
  }

  // Adds `change` to the count of cells not marked in the bins of squared
  // distance from the centre that cell (x, y), widened by kRingMargin,
  // reaches: its nearest and farthest points (kept as the change of count
  // at the first bin and after the last, added up when the ring is found).
  void countUnmarked(int x, int y, int change) {
    double top = y - kRingMargin - centreV_;
    double bottom = y + 1 + kRingMargin - centreV_;
    double left = x - kRingMargin - centreU_;
    double right = x + 1 + kRingMargin - centreU_;
    double nearU = left > 0 ? left : right < 0 ? right : 0.0;
    double nearV = top > 0 ? top : bottom < 0 ? bottom : 0.0;
    double least = nearU * nearU + nearV * nearV;
    double most = std::max(left * left, right * right) + std::max(top * top, bottom * bottom);
    // Bins by a product, not a division: a bin edge moved by a rounding
    // lies far within kRingMargin's slack beyond kNearCells.
    auto first = std::min(kRingBins - 1, static_cast<size_t>(least * ringBinsPerSquare_));
    auto last = std::min(kRingBins - 1, static_cast<size_t>(most * ringBinsPerSquare_));
    unmarkedChanges_[first] += change;
    unmarkedChanges_[last + 1] -= change;
  }

  // The ring about the centre whose cells are all marked that holds the
  // most area, as squared radii: the longest stretch of bins no cell not
  // marked reaches. The counts are made when it is first looked for, and
  // kept as cells are marked. Cells are only ever marked, so a ring found
  // before stays marked.
  void findRing() {
    if (unmarkedChanges_.empty()) {
      double farU = std::max(centreU_, columns_ - centreU_) + 1;
      double farV = std::max(centreV_, rows_ - centreV_) + 1;
      ringBinWidth_ = (farU * farU + farV * farV) / static_cast<double>(kRingBins);
      ringBinsPerSquare_ = 1 / ringBinWidth_;
      unmarkedChanges_.assign(kRingBins + 1, 0);
      for (int y = 0; y < rows_; ++y) {
        const uint8_t* row = &cells_[static_cast<size_t>(y) * static_cast<size_t>(columns_)];
        for (int x = 0; x < columns_; ++x) {
          if (row[x] == 0) countUnmarked(x, y, 1);
        }
      }
    }
    double widest = 0;
    int open = 0;
    size_t start = 0;
    for (size_t bin = 0; bin <= kRingBins; ++bin) {
      if (bin < kRingBins && (open += unmarkedChanges_[bin]) == 0) continue;
      // Bins start..bin - 1 are free: squared radii from start's lower
      // edge to bin's.
      if (bin > start && static_cast<double>(bin - start) > widest) {
        widest = static_cast<double>(bin - start);
        ringInner_ = static_cast<double>(start) * ringBinWidth_;
        ringOuter_ = static_cast<double>(bin) * ringBinWidth_;
      }
      start = bin + 1;
    }
  }

  bool onGrid(double u, double v) const { return u >= 0 && v >= 0 && u < columns_ && v < rows_; }

  // The cell of a point on the grid, and whether it is marked.
  size_t cellAt(double u, double v) const {
    int x = std::clamp(static_cast<int>(u), 0, columns_ - 1);
    int y = std::clamp(static_cast<int>(v), 0, rows_ - 1);
    return static_cast<size_t>(y) * static_cast<size_t>(columns_) + static_cast<size_t>(x);
  }
  bool markedAt(double u, double v) const { return onGrid(u, v) && cells_[cellAt(u, v)] != 0; }

  // The clearance of a point's cell. The map has a border of one cell
  // all round.
  int clearanceAt(double u, double v) const {
    int x = std::clamp(static_cast<int>(u), 0, columns_ - 1);
    int y = std::clamp(static_cast<int>(v), 0, rows_ - 1);
    return clearance_[static_cast<size_t>(y + 1) * static_cast<size_t>(columns_ + 2) +
                      static_cast<size_t>(x + 1)];
  }

  bool clearanceFits() const { return cells_.size() <= kMostClearanceCells; }

  size_t staleWalksBeforeMeasuring() const { return std::max(kFewestStaleWalks, cells_.size() / 16); }

  // Each cell's clearance: its distance, in cells along the longer axis,
  // to the nearest cell not marked (0 for such a cell; cells off the grid
  // count as marked, since no walk visits them), at most 255. Measured in
  // two sweeps, each taking the smaller of the cell's own and its
  // neighbours' swept before, plus one. Cells are only ever marked, so a
  // clearance measured before never overstates.
  void measureClearance() {
    size_t width = static_cast<size_t>(columns_) + 2;
    clearance_.assign(width * (static_cast<size_t>(rows_) + 2), 255);
    for (size_t y = 1; y <= static_cast<size_t>(rows_); ++y) {
      const uint8_t* cell = &cells_[(y - 1) * static_cast<size_t>(columns_)] - 1;
      uint8_t* row = &clearance_[y * width];
      const uint8_t* above = row - width;
      for (size_t x = 1; x <= static_cast<size_t>(columns_); ++x) {
        if (cell[x] == 0) {
          row[x] = 0;
          continue;
        }
        int least = std::min({row[x - 1], above[x - 1], above[x], above[x + 1]});
        row[x] = static_cast<uint8_t>(std::min(least, 254) + 1);
      }
    }
    for (size_t y = static_cast<size_t>(rows_); y >= 1; --y) {
      uint8_t* row = &clearance_[y * width];
      const uint8_t* below = row + width;
      for (size_t x = static_cast<size_t>(columns_); x >= 1; --x) {
        int least = std::min({row[x + 1], below[x + 1], below[x], below[x - 1]});
        row[x] = static_cast<uint8_t>(std::min<int>(row[x], std::min(least, 254) + 1));
      }
    }
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
  std::vector<int> largeMarked_;    // marked cells per large block
  std::vector<uint8_t> clearance_;  // per cell, as last measured (none yet: empty)
  size_t staleWalks_ = 0;           // segments walked since between marked cells
  // The marked cells again, a bit each, and the tiles whose cells are all
  // marked: row after row, and column after column.
  LineBits rowsBits_;
  LineBits columnsBits_;
  std::vector<uint8_t> tileMarked_;  // marked cells per tile, tile row after tile row
  // The centre of the area, in cells, and the squared radii of the ring
  // about it last found whose cells are all marked (none yet: empty).
  double centreU_ = 0;
  double centreV_ = 0;
  double ringInner_ = 0;
  double ringOuter_ = -1;
  size_t ringMisses_ = 0;  // segments not inside the ring since it was found
  // The cells not marked, counted in bins of ringBinWidth_ of squared
  // distance from the centre, as the change of count at each bin (none
  // until the ring is first looked for: empty).
  std::vector<int> unmarkedChanges_;
  double ringBinWidth_ = 1;
  double ringBinsPerSquare_ = 1;
};

// A run of a curve as kept: the points in data units and on the page, the
// length of the full curve from the run's start to each, and the bucket
// each comes from. Page positions, lengths and inks are measured only for
// a dashed curve (or on a chart), which alone needs them.
struct KeptRun {
  std::vector<Point> data;
  std::vector<Point> pixels;
  std::vector<double> fullLength;
  std::vector<size_t> bucket;  // index into `inks`
  std::vector<BucketInk> inks;
};

// Draws a kept run's lines onto a coverage grid (a run of one point as
// that point).
void coverRun(CoverageGrid* grid, const KeptRun& run) {
  if (run.pixels.size() == 1) grid->addPoint(run.pixels[0]);
  for (size_t k = 1; k < run.pixels.size(); ++k) grid->addSegment(run.pixels[k - 1], run.pixels[k]);
}

// Keeps the points of a curve's runs as they come, one bucket at a time,
// without holding the points between: of each bucket the first, lowest,
// highest and last (first and last on a chart), and for a dashed curve
// (`period` > 0) the length of the full curve up to each kept point and
// what each bucket inks. The run is the same, to the bit, as the whole
// run's points would give at once. Once a chart is known to be drawn as
// its coverage, its kept lines go straight onto the grid instead.
class RunKeeper {
 public:
  RunKeeper(bool chart, double period) : chart_(chart), dashed_(period > 0), period_(period) {}

  // Point `index` of the curve at page position `pixel`: the next point of
  // the run open, or the first of a new run.
  [[gnu::always_inline]] void add(size_t index, Point pixel) {
    if (!open_) {
      open_ = true;
      startBucket(index, pixel);
      return;
    }
    if (grid_ != nullptr) {
      coverNext(index, pixel);
      return;
    }
    // Lengths serve the strokes of a dashed curve (or a chart's test of
    // density, until its lines go onto a grid, above).
    if (floorOf(pixel.x) != column_ || (chart_ && floorOf(pixel.y) != row_)) {
      closeBucket();
      if (dashed_) length_ += distance(previous_, pixel);
      startBucket(index, pixel);
      return;
    }
    if (dashed_) full_ += distance(previous_, pixel);
    if (pixel.y < lowest_.pixel.y) lowest_ = {index, pixel, full_};
    if (pixel.y > highest_.pixel.y) highest_ = {index, pixel, full_};
    last_ = {index, pixel, full_};
    previous_ = pixel;
  }

  bool open() const { return open_; }

  // The points kept so far, and the length on the page of the lines
  // between the kept points of each run (measured for a dashed curve or a
  // chart only, until its lines go onto a grid), added up run after run,
  // point after point.
  size_t vertices() const { return vertices_; }
  double keptLength() const { return keptLength_; }

  // Ends the run open: its kept points, in data units from `dataOf(index)`
  // (nothing once the lines go onto a grid).
  template <class DataOf>
  KeptRun finish(DataOf dataOf) {
    closeBucket();
    if (grid_ != nullptr && runKept_ == 1) grid_->addPoint(lastKept_);
    KeptRun run = std::move(run_);
    run.data.reserve(indices_.size());
    for (size_t index : indices_) run.data.push_back(dataOf(index));
    run_ = KeptRun{};
    indices_.clear();
    length_ = 0;
    runKept_ = 0;
    open_ = false;
    return run;
  }

  // Draws the lines of `runs` (finished before) and of the run open onto
  // `grid`, and from now on every kept line straight onto it, keeping
  // nothing else.
  void coverOnto(CoverageGrid* grid, const std::vector<KeptRun>& runs) {
    for (const KeptRun& run : runs) coverRun(grid, run);
    for (size_t k = 1; k < run_.pixels.size(); ++k) grid->addSegment(run_.pixels[k - 1], run_.pixels[k]);
    run_ = KeptRun{};
    indices_.clear();
    grid_ = grid;
  }

 private:
  // A point of the bucket open that it may keep, with the length of the
  // full curve from the bucket's first point to it.
  struct Candidate {
    size_t index = 0;
    Point pixel;
    double full = 0;
  };

  // A bucket's first point as a candidate, set field by field: copied
  // whole from a candidate just written, it would be read back in other
  // widths than it was stored in, which stalls the processor at every
  // bucket of a million-point chart.
  static void startCandidate(Candidate* candidate, size_t index, Point pixel) {
    candidate->index = index;
    candidate->pixel.x = pixel.x;
    candidate->pixel.y = pixel.y;
    candidate->full = 0;
  }

  // add on a chart whose lines go onto a grid: of each bucket only its
  // first and last point matter, as closeBucket would take them.
  void coverNext(size_t index, Point pixel) {
    double column = floorOf(pixel.x);
    double row = floorOf(pixel.y);
    if (column == column_ && row == row_) {
      last_.index = index;
      last_.pixel = pixel;
      return;
    }
    coverKept(first_.pixel);
    if (last_.index != first_.index) coverKept(last_.pixel);
    startCandidate(&first_, index, pixel);
    startCandidate(&last_, index, pixel);
    column_ = column;
    row_ = row;
  }

  void coverKept(Point pixel) {
    if (runKept_ > 0) grid_->addSegment(lastKept_, pixel);
    lastKept_ = pixel;
    ++runKept_;
  }

  void startBucket(size_t index, Point pixel) {
    first_ = lowest_ = highest_ = last_ = {index, pixel, 0};
    full_ = 0;
    column_ = floorOf(pixel.x);
    row_ = floorOf(pixel.y);
    previous_ = pixel;
  }

  // The candidates the bucket keeps, ascending and each once.
  size_t keptOf(std::array<Candidate, 4>* kept) const {
    size_t count = 0;
    auto keep = [&](const Candidate& candidate) {
      for (size_t k = 0; k < count; ++k) {
        if ((*kept)[k].index == candidate.index) return;
      }
      size_t at = count;
      for (; at > 0 && (*kept)[at - 1].index > candidate.index; --at) (*kept)[at] = (*kept)[at - 1];
      (*kept)[at] = candidate;
      ++count;
    };
    keep(first_);
    if (!chart_) {
      keep(lowest_);
      keep(highest_);
    }
    keep(last_);
    return count;
  }

  void closeBucket() {
    std::array<Candidate, 4> kept;
    size_t count = keptOf(&kept);
    vertices_ += count;
    if (!dashed_) {
      for (size_t k = 0; k < count; ++k) indices_.push_back(kept[k].index);
      return;
    }
    if (grid_ != nullptr) {
      for (size_t k = 0; k < count; ++k) {
        if (runKept_ > 0) grid_->addSegment(lastKept_, kept[k].pixel);
        lastKept_ = kept[k].pixel;
        ++runKept_;
      }
      return;
    }
    double chain = 0;
    for (size_t k = 0; k < count; ++k) {
      const Candidate& one = kept[k];
      if (runKept_ > 0) {
        double line = distance(lastKept_, one.pixel);
        keptLength_ += line;
        if (k > 0) chain += line;
      }
      indices_.push_back(one.index);
      run_.pixels.push_back(one.pixel);
      run_.fullLength.push_back(length_ + one.full);
      run_.bucket.push_back(run_.inks.size());
      lastKept_ = one.pixel;
      ++runKept_;
    }
    // The bucket inks the rows from its lowest to its highest y.
    run_.inks.push_back({lowest_.pixel.y, highest_.pixel.y, full_ - chain >= period_});
    length_ += full_;
  }

  bool chart_;
  bool dashed_;
  double period_;
  bool open_ = false;
  CoverageGrid* grid_ = nullptr;
  KeptRun run_;
  std::vector<size_t> indices_;  // of the run's kept points, in order
  double length_ = 0;            // of the full run up to the bucket open
  size_t runKept_ = 0;           // points the run open kept
  Point lastKept_;               // the last of them
  size_t vertices_ = 0;
  double keptLength_ = 0;
  // The bucket open:
  Candidate first_;
  Candidate lowest_;   // the first of its smallest y
  Candidate highest_;  // the first of its largest y
  Candidate last_;
  double full_ = 0;  // length of the full curve from its first point
  double column_ = 0;
  double row_ = 0;
  Point previous_;
};

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

// The page position of a point as the SVG writes it, to the hundredth of a
// pixel: a dashed line's pattern runs along the length of the line as
// written, which for a dense curve the rounding lengthens measurably.
[[gnu::always_inline]] inline double writtenCoordinate(double pixel) {
  return roundHalfAway(pixel * 100) / 100;
}

[[gnu::always_inline]] inline Point writtenPixel(const Panel& panel, Point data) {
  return {writtenCoordinate(panel.toPixelX(data.x)), writtenCoordinate(panel.toPixelY(data.y))};
}

// Whether the panel maps values to the page monotonically, finite spans
// onto a plot of some size: then a pixel column (or row) holds one
// stretch of values.
bool monotonicX(const Panel& panel) {
  double span = panel.x.high - panel.x.low;
  return std::isfinite(span) && span > 0 && panel.plot.width > 0;
}

bool monotonicY(const Panel& panel) {
  double span = panel.y.high - panel.y.low;
  return std::isfinite(span) && span > 0 && panel.plot.height > 0;
}

// The points of a curve held in the figure.
class StoredPoints {
 public:
  StoredPoints(const Panel& panel, const std::vector<Point>& points) : panel_(panel), points_(points) {}

  size_t size() const { return points_.size(); }
  // The written page position of point i; false when it has no picture.
  bool pixelOf(size_t i, Point* pixel) const {
    if (!finite(points_[i])) return false;
    *pixel = writtenPixel(panel_, points_[i]);
    return true;
  }
  Point data(size_t i) const { return points_[i]; }

 private:
  const Panel& panel_;
  const std::vector<Point>& points_;
};

// The points of a curve read in place from its waveform. Their written
// page positions are those of writtenPixel to the bit; against frequency
// the y of each is taken from a value near the point's own (see
// PartReader::nearValue) wherever every value within its error is written
// at the same hundredth of a pixel: where the near value's hundredths of
// a pixel lie further from a rounding boundary than the error, and every
// rounding of the mapping, can move them; elsewhere from the value itself.
class ReadPoints {
 public:
  ReadPoints(const Panel& panel, const PartReader& reader)
      : panel_(panel),
        reader_(reader),
        chart_(panel.kind == PanelKind::kSmith),
        monotonic_(monotonicY(panel)),
        // Hundredths of a pixel per unit of value.
        scale_(100 * std::fabs(panel.plot.height / (panel.y.high - panel.y.low))) {}

  size_t size() const { return reader_.size(); }

  [[gnu::always_inline]] bool pixelOf(size_t i, Point* pixel) const {
    if (chart_) {
      Point point = reader_.at(i);
      if (!finite(point)) return false;
      *pixel = writtenPixel(panel_, point);
      return true;
    }
    double x = reader_.frequency(i);
    if (!std::isfinite(x)) return false;
    double error = 0;
    double value = reader_.nearValue(i, &error);
    if (error == 0) {
      if (!std::isfinite(value)) return false;
      *pixel = writtenPixel(panel_, {x, value});
      return true;
    }
    double hundredths = panel_.toPixelY(value) * 100;
    double y = 0;
    if (monotonic_ && clearOfRounding(hundredths, error)) {
      y = roundHalfAway(hundredths) / 100;
    } else {
      y = writtenCoordinate(panel_.toPixelY(reader_.at(i).y));
    }
    *pixel = {writtenCoordinate(panel_.toPixelX(x)), y};
    return true;
  }

  Point data(size_t i) const { return reader_.at(i); }

 private:
  const Panel& panel_;
  const PartReader& reader_;
  bool chart_;
  bool monotonic_;
  double scale_;

  // Whether every value within `error` of the one mapped to `hundredths`
  // (of a pixel) is written at the same hundredth: the value's error moves
  // it by at most error * scale_, each rounding of the mapping by far less
  // than a millionth (plus a billionth of it, should the page be huge);
  // the rest of the way to the half between two hundredths is clear.
  bool clearOfRounding(double hundredths, double error) const {
    if (!(std::fabs(hundredths) < 0x1p40)) return false;
    double reach = error * scale_ * (1 + 1e-9) + 1e-6 + 1e-9 * std::fabs(hundredths);
    double rest = std::fabs(hundredths - floorOf(hundredths) - 0.5);
    return rest > reach;
  }
};

// Whether a chart's kept lines are so many, or so long, that the pixels
// they reach are crossed over and over, in every direction, and single
// lines (or their dashes) can no longer be told apart: more vertices than
// the chart has pixels, or a line long enough to ink half the chart.
// What the full curve draws at that size is the area its line passes
// through, as thick as the line.
bool coveredDensely(const RunKeeper& keeper, const Rect& plot) {
  double area = plot.width * plot.height;
  return static_cast<double>(keeper.vertices()) > area || keeper.keptLength() * kCurveWidth > area / 2;
}

// What a chart drawn as its coverage covers does not depend on the order
// its lines go onto the grid, only what that costs: lines taken far apart
// along the curve first fill the area it sweeps about the centre in a
// fraction of the lines of a first turn, so that the marked ring (see
// CoverageGrid::insideRing) holds nearly all the others. Every
// kSparseStride-th line from `begin` on that joins two pixels goes onto
// the grid: the last point of one pixel and the first of the next are
// kept points, whatever comes before or after them.
constexpr size_t kSparseStride = 16;

template <class Points>
void coverSparsely(const Points& points, size_t begin, CoverageGrid* grid) {
  for (size_t i = begin; i + 1 < points.size(); i += kSparseStride) {
    Point from;
    Point to;
    if (!points.pixelOf(i, &from) || !points.pixelOf(i + 1, &to)) continue;
    if (floorOf(from.x) == floorOf(to.x) && floorOf(from.y) == floorOf(to.y)) continue;
    grid->addSegment(from, to);
  }
  grid->settle();
}

// The kept runs of a curve's points. On a chart, as soon as its lines are
// certain to be drawn as their coverage, they go onto `grid` instead, and
// nothing more is kept.
template <class Points>
std::vector<KeptRun> keptRuns(const Points& points, const Panel& panel, RunKeeper* keeper,
                              std::optional<CoverageGrid>* grid) {
  bool chart = panel.kind == PanelKind::kSmith;
  std::vector<KeptRun> runs;
  auto dataOf = [&](size_t index) { return points.data(index); };
  auto finish = [&] {
    KeptRun run = keeper->finish(dataOf);
    if (!grid->has_value()) runs.push_back(std::move(run));
  };
  // The page positions are found a batch at a time, apart from keeping
  // them: their divisions then overlap from point to point instead of
  // waiting on the branches of the point before.
  constexpr size_t kBatch = 256;
  std::array<Point, kBatch> pixels;
  std::array<bool, kBatch> drawn;
  for (size_t begin = 0; begin < points.size(); begin += kBatch) {
    size_t end = std::min(points.size(), begin + kBatch);
    for (size_t i = begin; i < end; ++i) drawn[i - begin] = points.pixelOf(i, &pixels[i - begin]);
    for (size_t i = begin; i < end; ++i) {
      if (!drawn[i - begin]) {
        if (keeper->open()) finish();
        continue;
      }
      keeper->add(i, pixels[i - begin]);
      if (chart && !grid->has_value() && coveredDensely(*keeper, panel.plot)) {
        grid->emplace(panel.plot);
        coverSparsely(points, i + 1, &grid->value());
        keeper->coverOnto(&grid->value(), runs);
        runs.clear();
      }
    }
  }
  if (keeper->open()) finish();
  return runs;
}

// The envelope of a solid curve against frequency read in place, taken
// from the points' keys (see PartReader::decibelKey; a real value is its
// own key) instead of their page positions, when its frequencies are all
// numbers that never fall: its pixel columns then follow one another
// along the points and are found by bisection, and only the points whose
// key lies within a hundredth of a pixel (and every error) of a column's
// extreme key need a page position to tell which of them is written
// highest or lowest. What it keeps is what RunKeeper keeps, to the bit.
//
// A dashed curve is taken the same way when its points cross each of its
// buckets up and down so often that the full curve is certain to double
// back over its dashes there (see BucketInk), which a count of the steps
// between a bucket's low and high quarters shows without measuring a
// line: every bucket then inks solid, and, when the lines between them
// are drawn solid too, the lengths along the curve are never asked for.
class KeyedEnvelope {
 public:
  KeyedEnvelope(const Panel& panel, const PartReader& reader)
      : panel_(panel),
        reader_(reader),
        decibels_(reader.part() == Part::kDb),
        // A hundredth of a pixel, as a span of values.
        cell_((panel.y.high - panel.y.low) / (100 * panel.plot.height)) {}

  static bool fits(const Panel& panel, const PartReader& reader) {
    Part part = reader.part();
    if (panel.kind == PanelKind::kSmith || !monotonicX(panel) || !monotonicY(panel)) return false;
    if (part != Part::kDb && part != Part::kReal && part != Part::kImaginary && part != Part::kLinear)
      return false;
    for (size_t i = 0; i < reader.size(); ++i) {
      double x = reader.frequency(i);
      if (!std::isfinite(x) || (i > 0 && x < reader.frequency(i - 1))) return false;
    }
    return true;
  }

  // The kept runs of a solid curve (`period` 0), or of a curve dashed
  // with that period whose every bucket and every line between two of them
  // is drawn solid; false, for a dashed curve, where that cannot be shown,
  // and its runs are then measured point by point.
  bool keptRuns(double period, std::vector<KeptRun>* runs) const {
    bool dashed = period > 0;
    size_t count = reader_.size();
    // A last point alone in its pixel column (the right edge of the axis,
    // where it falls on a whole pixel) is joined to the run by a line that
    // is not drawn solid, whose dashes need the lengths: not worth a try.
    if (dashed && count >= 2 && hasPicture(count - 1) && hasPicture(count - 2) &&
        columnOf(count - 1) != columnOf(count - 2))
      return false;
    bool solid = true;
    KeptRun run;
    auto finishRun = [&] {
      if (run.data.empty()) return;
      if (dashed) {
        // Lengths along the curve serve only the dashes of lines not
        // drawn solid, which a run kept here has none of.
        run.fullLength.assign(run.data.size(), 0.0);
        for (size_t k = 1; k < run.data.size() && solid; ++k) solid = solidSegment(run, k);
      }
      runs->push_back(std::move(run));
      run = KeptRun{};
    };
    // The keys of the bucket open, NaN for a point without one: taken once.
    std::vector<double> keys;
    size_t i = 0;
    while (i < count) {
      if (!hasPicture(i)) {
        finishRun();
        ++i;
        continue;
      }
      // A bucket from i to the end of its column or the first point
      // without a picture, which ends the run.
      size_t columnEnd = endOfColumn(i);
      if (keys.size() < columnEnd - i) keys.resize(columnEnd - i);
      reader_.orderKeys(i, columnEnd, keys.data());
      // The bucket stops short of a point without a picture (without a
      // key, and its value not a number either).
      size_t length = columnEnd - i;
      size_t kept = firstKeyless(keys.data(), 0, length);
      while (kept < length && std::isfinite(reader_.at(i + kept).y))
        kept = firstKeyless(keys.data(), kept + 1, length);
      size_t end = i + kept;
      bool broken = kept < length;
      auto [lowKey, highKey] = keyRange(keys.data(), kept);
      if (!keepBucket(i, end, lowKey, highKey, period, keys.data(), &run)) return false;
      if (broken) finishRun();
      if (!solid) return false;
      i = end;
    }
    finishRun();
    return solid;
  }

 private:
  // Whether point i has a picture: a key that orders its value (see
  // PartReader::orderKeys), or else a value that is a number.
  bool hasPicture(size_t i) const {
    double key = 0;
    reader_.orderKeys(i, i + 1, &key);
    return !std::isnan(key) || std::isfinite(reader_.at(i).y);
  }

  double columnOf(size_t i) const {
    return floorOf(writtenCoordinate(panel_.toPixelX(reader_.frequency(i))));
  }

  // The first point after `begin` in another pixel column, or the end:
  // columns only rise along the points.
  size_t endOfColumn(size_t begin) const {
    size_t count = reader_.size();
    double column = columnOf(begin);
    size_t inside = begin;
    size_t outside = count;
    for (size_t step = 1; begin + step < count; step *= 2) {
      if (columnOf(begin + step) != column) {
        outside = begin + step;
        break;
      }
      inside = begin + step;
    }
    while (outside - inside > 1) {
      size_t middle = inside + (outside - inside) / 2;
      (columnOf(middle) == column ? inside : outside) = middle;
    }
    return outside;
  }

  // The key below which (and the key above which) a point's value may be
  // written at the same hundredth of a pixel as the value of `key`, the
  // smallest (largest) key of a bucket, allowing a hundredth and a half of
  // a pixel and every rounding.
  double lowThreshold(double key) const {
    if (!decibels_) return key + 1.5 * cell_ + 1e-9 * std::fabs(key);
    double value = 10.0 * std::log10(key);
    double reach = 2 * kNearDecibelsError * (1 + std::fabs(value)) + 1.5 * cell_ + 1e-9 * std::fabs(value);
    return std::pow(10.0, (value + reach) / 10) * (1 + 1e-9);
  }

  double highThreshold(double key) const {
    if (!decibels_) return key - 1.5 * cell_ - 1e-9 * std::fabs(key);
    double value = 10.0 * std::log10(key);
    double reach = 2 * kNearDecibelsError * (1 + std::fabs(value)) + 1.5 * cell_ + 1e-9 * std::fabs(value);
    return std::pow(10.0, (value - reach) / 10) * (1 - 1e-9);
  }

  // Keys at a quarter and at three quarters of the way from a bucket's
  // smallest key `lowKey` to its largest `highKey` (of the way in decibels,
  // for decibel keys), and the least distance on the page between the
  // written rows of a point whose key is at or below the first and one
  // whose key is at or above the second, allowing every error and rounding
  // (not above 0 when the keys are too close to tell).
  struct Quarters {
    double low = 0;
    double high = 0;
    double gap = 0;
  };

  Quarters quartersOf(double lowKey, double highKey) const {
    Quarters quarters;
    double lowValue = 0;
    double highValue = 0;
    double slack = 0;
    if (decibels_) {
      double middle = std::sqrt(lowKey) * std::sqrt(highKey);
      quarters.low = std::sqrt(lowKey) * std::sqrt(middle);
      quarters.high = std::sqrt(middle) * std::sqrt(highKey);
      lowValue = 10.0 * std::log10(quarters.low);
      highValue = 10.0 * std::log10(quarters.high);
      slack = 2 * kNearDecibelsError * (1 + std::max(std::fabs(lowValue), std::fabs(highValue)));
    } else {
      quarters.low = lowKey + (highKey - lowKey) / 4;
      quarters.high = highKey - (highKey - lowKey) / 4;
      lowValue = quarters.low;
      highValue = quarters.high;
    }
    slack += 1e-9 * std::max(std::fabs(lowValue), std::fabs(highValue));
    double span = highValue - lowValue - 2 * slack;
    // Less each row's rounding to the hundredth, and the mapping's.
    quarters.gap = span / (panel_.y.high - panel_.y.low) * panel_.plot.height * (1 - 1e-9) - 0.01 - 1e-6;
    return quarters;
  }

  // The smallest and largest of `count` keys (keys that are not numbers
  // left out), as a look at one key after the other with `key < low ? key
  // : low` finds them, the first of equal keys kept.
  static std::pair<double, double> keyRange(const double* keys, size_t count) {
    KeyExtremes extremes = keyExtremes(keys, count);
    if (extremes.settled) return {extremes.low, extremes.high};
    // A zero at either end: its sign is that of the first zero.
    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    for (size_t k = 0; k < count; ++k) {
      low = keys[k] < low ? keys[k] : low;
      high = keys[k] > high ? keys[k] : high;
    }
    return {low, high};
  }

  // Keeps of the bucket [begin, end) its first, the first written highest
  // and lowest (from the points near the extreme keys, and those without a
  // key), and its last point, in order; for a dashed curve (`period` > 0)
  // with their page positions and the bucket's ink, false when the bucket
  // cannot be shown to ink solid. Every step between consecutive points
  // from the low quarter of its keys to the high one, or back, is a line
  // of at least the quarters' gap, and the full curve through the bucket
  // is at least as long as those lines together.
  // `keys` holds the bucket's keys as PartReader::orderKeys gives them.
  bool keepBucket(size_t begin, size_t end, double lowKey, double highKey, double period, const double* keys,
                  KeptRun* run) const {
    bool keyed = lowKey <= highKey;
    bool dashed = period > 0;
    if (dashed && !keyed) return false;
    double low = keyed ? lowThreshold(lowKey) : -std::numeric_limits<double>::infinity();
    double high = keyed ? highThreshold(highKey) : std::numeric_limits<double>::infinity();
    Quarters quarters = dashed ? quartersOf(lowKey, highKey) : Quarters{};
    // Steps straight from the low quarter of the keys to the high one, or
    // back (a key without a number in neither).
    size_t crossings = dashed ? quarterCrossings(keys, end - begin, quarters.low, quarters.high) : 0;
    double top = writtenPixel(panel_, reader_.at(begin)).y;
    double bottom = top;
    size_t lowest = begin;  // of the smallest page y
    size_t highest = begin;
    // Only the points whose keys lie near the extremes, or that have none,
    // can be written highest or lowest.
    size_t count = end - begin;
    for (size_t k = firstOutside(keys, 1, count, low, high); k < count;
         k = firstOutside(keys, k + 1, count, low, high)) {
      size_t i = begin + k;
      double y = writtenPixel(panel_, reader_.at(i)).y;
      if (y < top) {
        top = y;
        lowest = i;
      }
      if (y > bottom) {
        bottom = y;
        highest = i;
      }
    }
    std::vector<size_t> kept;
    keepInOrder({begin, lowest, highest, end - 1}, &kept);
    for (size_t i : kept) run->data.push_back(reader_.at(i));
    if (!dashed) return true;
    // The kept points' own lines within the bucket, as RunKeeper measures
    // them, and what is certain of the full curve's length beyond them.
    double chain = 0;
    for (size_t k = 0; k < kept.size(); ++k) {
      Point pixel = writtenPixel(panel_, reader_.at(kept[k]));
      if (k > 0) chain += distance(run->pixels.back(), pixel);
      run->pixels.push_back(pixel);
      run->bucket.push_back(run->inks.size());
    }
    double least = static_cast<double>(crossings) * quarters.gap * (1 - 1e-6);
    // Where the crossings are too few to tell, as RunKeeper measures it.
    if (!(least - chain >= period + 1e-6) && !(lengthWithin(begin, end) - chain >= period)) return false;
    run->inks.push_back({top, bottom, true});
    return true;
  }

  // The length on the page of the full curve from point `begin` to point
  // end - 1, as RunKeeper adds it up.
  double lengthWithin(size_t begin, size_t end) const {
    double full = 0;
    Point previous = writtenPixel(panel_, reader_.at(begin));
    for (size_t i = begin + 1; i < end; ++i) {
      Point pixel = writtenPixel(panel_, reader_.at(i));
      full += distance(previous, pixel);
      previous = pixel;
    }
    return full;
  }

  const Panel& panel_;
  const PartReader& reader_;
  bool decibels_;
  double cell_;
};

// Whether a curve's points are not held in the figure but read from its
// waveform.
bool readInPlace(const Curve& curve) {
  return curve.points.empty() && curve.count > 0 && curve.source != nullptr;
}

void reduceCurve(const Panel& panel, Curve* curve) {
  double columns = std::ceil(panel.plot.width);
  bool inPlace = readInPlace(*curve);
  size_t count = inPlace ? curve->count : curve->points.size();
  if (!(static_cast<double>(count) > kPointsPerColumn * columns)) {
    // Short enough to draw point for point (which no page wide enough for
    // a curve read in place is).
    if (inPlace) curve->points = partPoints(*curve->source, curve->segment, curve->display, curve->part);
    curve->reader = nullptr;
    return;
  }
  bool chart = panel.kind == PanelKind::kSmith;
  std::vector<double> lengths = dashLengths(curve->dash);
  double period = dashPeriod(curve->dash);
  // A chart's coverage walks the kept points on the page, so it needs them
  // as a dashed curve does.
  double measured = chart ? std::max(period, 1.0) : period;
  RunKeeper keeper(chart, measured);
  std::optional<CoverageGrid> grid;
  std::vector<KeptRun> runs;
  if (!inPlace) {
    runs = keptRuns(StoredPoints(panel, curve->points), panel, &keeper, &grid);
  } else {
    std::shared_ptr<const PartReader> kept = curve->reader;
    if (kept == nullptr) kept = std::make_shared<const PartReader>(readerOf(*curve));
    const PartReader& reader = *kept;
    bool enveloped =
        KeyedEnvelope::fits(panel, reader) && KeyedEnvelope(panel, reader).keptRuns(measured, &runs);
    if (!enveloped) runs = keptRuns(ReadPoints(panel, reader), panel, &keeper, &grid);
  }
  curve->reduced = true;
  if (chart && (grid.has_value() || coveredDensely(keeper, panel.plot))) {
    if (!grid.has_value()) {
      grid.emplace(panel.plot);
      for (const KeptRun& run : runs) coverRun(&grid.value(), run);
    }
    // Each cell stands for the line through it: widened by half the line
    // width less half a cell, its edge lies where the line's would.
    curve->coverage = grid->rectangles(kCurveWidth / 2 - kCoverageCell / 2);
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
  curve->reader = nullptr;
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
  std::vector<std::pair<const Panel*, Curve*>> curves;
  double points = 0;
  for (Panel& panel : figure->panels) {
    for (Curve& curve : panel.curves) {
      curves.push_back({&panel, &curve});
      points += static_cast<double>(readInPlace(curve) ? curve.count : curve.points.size());
    }
  }
  // The costliest first, so that the parts end close together: a point of
  // a chart (whose lines go onto its coverage) or of a dashed curve (whose
  // every point is placed on the page and measured) costs a few times one
  // of a solid curve against frequency.
  auto cost = [](const std::pair<const Panel*, Curve*>& one) {
    const Curve& curve = *one.second;
    double length = static_cast<double>(readInPlace(curve) ? curve.count : curve.points.size());
    if (one.first->kind == PanelKind::kSmith) return 8 * length;
    return dashPeriod(curve.dash) > 0 ? 4 * length : length;
  };
  std::stable_sort(curves.begin(), curves.end(),
                   [&](const auto& a, const auto& b) { return cost(a) > cost(b); });
  std::atomic<size_t> next{0};
  runInParts(parallelPolicy().curves.partsFor(points, curves.size()), [&](unsigned) {
    for (size_t k = next++; k < curves.size(); k = next++) reduceCurve(*curves[k].first, curves[k].second);
  });
}

}  // namespace korvel::plot
