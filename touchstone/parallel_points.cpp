// The network data of a large Touchstone file read on several processors.
#include "touchstone/parallel_points.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <optional>
#include <vector>

#include "dataset/messages.h"
#include "parallel/parallel_settings.h"
#include "parallel/worker_threads.h"
#include "touchstone/keyword_header.h"
#include "touchstone/line_kinds.h"

namespace korvel {

namespace {

// Point starts measured at a cut to learn the bytes of a point there.
constexpr int kSampledPoints = 9;
// An estimated index is raised by this share and count, so that it lies at
// or above the true one even where points vary in width.
constexpr double kIndexMargin = 1.03;
constexpr size_t kIndexSlack = 64;

thread_local ParallelReadRecord lastRecord;

// What the lines after an offset look like.
struct PointSample {
  uint64_t firstPoint = 0;    // where the first line that opens a point starts
  double bytesPerPoint = 0;   // the mean bytes between the sampled point starts
  bool evenlySpaced = false;  // every sampled point took the same bytes
};

// True when the data line holds a frequency and whole pairs: an odd count
// of fields, as the line that opens a point has unless pairs run across
// lines unevenly. A guess, checked when the parts are put together.
bool looksLikePointStart(std::string_view line) {
  TokenCursor cursor(withoutComment(line));
  int fields = 0;
  while (!cursor.next(kWhitespaceDelimiters).empty()) ++fields;
  return fields % 2 == 1;
}

// Samples the points from `offset` on; when `midLine`, the offset may lie
// inside a line, whose rest is passed over. Empty when the data ends (or
// a keyword line comes) before enough points.
std::optional<PointSample> samplePoints(int descriptor, LineEnds ends, uint64_t offset, bool midLine,
                                        bool keywords) {
  LineSource source(descriptor, offset, ends);
  std::string_view line;
  if (midLine && !source.next(&line)) return std::nullopt;
  std::vector<uint64_t> starts;
  while (starts.size() < static_cast<size_t>(kSampledPoints) && source.next(&line)) {
    if (isCommentLine(line) || isBlankLine(line)) continue;
    if (keywords && isKeywordLine(line)) break;
    if (looksLikePointStart(line)) starts.push_back(source.lineStart());
  }
  if (starts.size() < 2 || source.readFailed()) return std::nullopt;
  PointSample sample;
  sample.firstPoint = starts.front();
  sample.bytesPerPoint =
      static_cast<double>(starts.back() - starts.front()) / static_cast<double>(starts.size() - 1);
  sample.evenlySpaced = true;
  for (size_t i = 2; i < starts.size(); ++i) {
    if (starts[i] - starts[i - 1] != starts[1] - starts[0]) sample.evenlySpaced = false;
  }
  return sample;
}

// One part of the data: where it starts, the indices it may store at.
struct Part {
  uint64_t begin = 0;  // the offset of its first line
  uint64_t end = 0;    // the offset where the next part begins; UINT64_MAX for the last
  size_t firstIndex = 0;
  size_t indexEnd = 0;
};

// The index a point start at `offset` is given, after the part start
// `previous` at `previousIndex`: exact when the points have one width
// throughout, else an estimate at or above the true one, whose excess
// costs only a move of the part's points.
size_t predictIndex(const PointSample& previous, size_t previousIndex, const PointSample& here,
                    const PointSample& first) {
  uint64_t bytes = here.firstPoint - previous.firstPoint;
  bool evenWidth = previous.evenlySpaced && here.evenlySpaced && first.evenlySpaced &&
                   previous.bytesPerPoint == here.bytesPerPoint && first.bytesPerPoint == here.bytesPerPoint;
  uint64_t width = static_cast<uint64_t>(here.bytesPerPoint);
  if (evenWidth && width > 0 && bytes % width == 0) return previousIndex + static_cast<size_t>(bytes / width);
  double narrowest = std::min(previous.bytesPerPoint, here.bytesPerPoint);
  if (narrowest < 1.0) narrowest = 1.0;
  return previousIndex + static_cast<size_t>(static_cast<double>(bytes) / narrowest * kIndexMargin) +
         kIndexSlack;
}

// The points that data of `bytes` surely holds when its widest sampled
// points took `widest` bytes each: fewer by the margin an index estimate
// allows, at most the storage's capacity.
size_t sureCount(uint64_t bytes, double widest, size_t capacity) {
  if (widest < 1.0) return 0;
  double points = static_cast<double>(bytes) / (widest * kIndexMargin);
  return points < static_cast<double>(capacity) ? static_cast<size_t>(points) : capacity;
}

// Cuts the data from `dataStart` to `fileEnd` into at most `count` parts;
// fewer (down to one) where no point start can be found or the storage
// would not hold the predicted indices.
std::vector<Part> cutParts(int descriptor, LineEnds ends, uint64_t dataStart, uint64_t fileEnd,
                           unsigned count, bool keywords, size_t capacity, size_t* surePoints) {
  std::vector<Part> parts;
  std::optional<PointSample> first = samplePoints(descriptor, ends, dataStart, false, keywords);
  if (!first) return parts;
  double widest = first->bytesPerPoint;
  parts.push_back({dataStart, UINT64_MAX, 0, capacity});
  PointSample previous = *first;
  uint64_t bytes = fileEnd - dataStart;
  for (unsigned k = 1; k < count; ++k) {
    uint64_t cut = dataStart + bytes / count * k;
    std::optional<PointSample> here = samplePoints(descriptor, ends, cut, true, keywords);
    if (!here || here->firstPoint <= previous.firstPoint || here->firstPoint <= parts.back().begin) break;
    size_t index = predictIndex(previous, parts.back().firstIndex, *here, *first);
    if (index >= capacity || index <= parts.back().firstIndex) break;
    widest = std::max(widest, here->bytesPerPoint);
    parts.back().end = here->firstPoint;
    parts.back().indexEnd = index;
    parts.push_back({here->firstPoint, UINT64_MAX, index, capacity});
    previous = *here;
  }
  *surePoints = sureCount(fileEnd - dataStart, widest, capacity);
  return parts;
}

// What a worker made of its part.
struct PartResult {
  bool good = false;        // read to its end without meeting anything left to the caller
  bool endedEarly = false;  // the data ended inside the part (keyword line, noise block, end of file)
  uint64_t resume = 0;      // the offset of the first line not taken
  int lines = 0;            // the lines taken
  size_t points = 0;
  double firstFrequency = 0.0;
  double lastFrequency = 0.0;
  int lastNumberLine = 0;  // within the part, 0 for none
  size_t touchedEnd = 0;   // one past the highest index stored at
};

// The shared state of one read in parts.
struct PartRead {
  const NetworkRead* read = nullptr;
  int descriptor = -1;
  LineEnds ends = LineEnds::kAny;
  bool keywords = false;
  bool tracksImpedances = false;
  std::vector<Part> parts;
  std::vector<PartResult> results;
  std::atomic<bool> cancelled{false};
};

// Reads the lines of part `part`, sets `*result` and `*reader` as it goes.
void readPartLines(PartRead* run, const Part& part, ScatteringPoints* points, PartResult* result) {
  LineSource source(run->descriptor, part.begin, run->ends);
  std::string_view line;
  std::string_view values;
  for (;;) {
    if (run->cancelled.load(std::memory_order_relaxed)) return;
    uint64_t at = source.offset();
    if (at >= part.end) {
      result->good = at == part.end && points->frequencyDue();
      result->resume = at;
      result->lines = source.lineNumber();
      return;
    }
    if (!source.next(&line)) {
      result->good = !source.readFailed() && points->frequencyDue();
      result->endedEarly = true;
      result->resume = at;
      result->lines = source.lineNumber();
      return;
    }
    if (run->tracksImpedances && isPortImpedanceLine(line, &values)) return;
    if (isCommentLine(line)) continue;
    if (run->keywords && isKeywordLine(line)) {
      result->good = points->frequencyDue();
      result->endedEarly = true;
      result->resume = source.lineStart();
      result->lines = source.lineNumber() - 1;
      return;
    }
    TokenCursor cursor(withoutComment(line));
    bool dueAtStart = points->frequencyDue();
    size_t indexAtStart = points->nextIndex();
    double opening = 0.0;
    ScatteringPoints::Outcome outcome = points->read(&cursor, &opening, source.lineNumber());
    result->touchedEnd = points->nextIndex();
    if (outcome == ScatteringPoints::Outcome::kLineDone) {
      // A line that ends inside a point where lines hold whole points is
      // for the caller to judge.
      if (points->wholePointsPerLine() && !points->frequencyDue()) return;
      continue;
    }
    // A noise block opened by the line's first number: the data ends
    // before this line, which the caller reads again. So too when that
    // number is a frequency the part may not take (past the indices it was
    // given, or not rising): the caller reads on from this line.
    bool handsOver = outcome == ScatteringPoints::Outcome::kNoiseBlock ||
                     outcome == ScatteringPoints::Outcome::kLeftToCaller;
    if (handsOver && dueAtStart && points->nextIndex() == indexAtStart) {
      result->good = true;
      result->endedEarly = true;
      result->resume = source.lineStart();
      result->lines = source.lineNumber() - 1;
    }
    return;
  }
}

// Worker `index`: reads its part into the window of indices it was given.
void readPart(PartRead* run, unsigned index) {
  const Part& part = run->parts[index];
  PartResult& result = run->results[index];
  result.touchedEnd = part.firstIndex;
  std::optional<ScatteringPoints> points;
  try {
    const NetworkRead& read = *run->read;
    points.emplace(read.data, read.capacity, read.layout);
    points->readWindow(part.firstIndex, part.indexEnd);
    readPartLines(run, part, &*points, &result);
  } catch (...) {
    result.good = false;  // out of memory: the caller reads the part itself
  }
  if (!points) return;
  result.touchedEnd = std::max(result.touchedEnd, points->nextIndex());
  result.points = points->nextIndex() - part.firstIndex;
  if (result.points > 0) result.firstFrequency = run->read->data->frequencies[part.firstIndex];
  result.lastFrequency = points->lastFrequency();
  result.lastNumberLine = points->lastNumberLine();
}

// The arrays a point is stored in: the frequencies and the S-parameters.
// `visit(array, bytesPerPoint)` for each.
template <typename Visit>
void forEachPointArray(const DataSet& data, Visit visit) {
  visit(reinterpret_cast<char*>(data.frequencies), sizeof(double));
  int scattering = data.terminalCount * data.terminalCount;
  for (int i = 0; i < scattering; ++i)
    visit(reinterpret_cast<char*>(data.waveformData[i]), 2 * sizeof(double));
}

// Clears indices [begin, end) of the point arrays back to the zero the
// storage starts with.
void clearPoints(const DataSet& data, size_t begin, size_t end) {
  if (begin >= end) return;
  forEachPointArray(
      data, [&](char* array, size_t size) { std::memset(array + begin * size, 0, (end - begin) * size); });
}

// Moves `count` points from index `from` down to index `to`.
void movePoints(const DataSet& data, size_t from, size_t to, size_t count) {
  if (from == to || count == 0) return;
  forEachPointArray(data, [&](char* array, size_t size) {
    std::memmove(array + to * size, array + from * size, count * size);
  });
}

// Clears whatever the workers stored at index `from` or above.
void clearWorkersFrom(const PartRead& run, size_t from) {
  for (size_t k = 1; k < run.parts.size(); ++k) {
    clearPoints(*run.read->data, std::max(from, run.parts[k].firstIndex), run.results[k].touchedEnd);
  }
}

// The parts the data is cut into: one unless the read may go in parts.
unsigned partCount(uint64_t dataBytes, bool collecting) {
  if (kCallingThreadOnly || collecting || dataBytes == 0) return 1;
  return parallelPolicy().touchstoneData.partsFor(static_cast<double>(dataBytes), kMostReadParts);
}

// The descriptor of the file when it is a regular file pread can read,
// else -1.
int regularFileDescriptor(FILE* file) {
  int descriptor = file != nullptr ? fileno(file) : -1;
  struct stat status;
  if (descriptor < 0 || fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) return -1;
  return descriptor;
}

// Takes the parts after the first, in order, while each continues the
// data exactly; moves their points to their true indices and sets `points`
// and `source` to go on after the last part taken.
unsigned takeParts(PartRead* run, LineSource* source, ScatteringPoints* points) {
  const DataSet& data = *run->read->data;
  int64_t limit = run->read->layout.pointLimit;
  size_t count = points->nextIndex();
  double last = points->lastFrequency();
  int line = source->lineNumber();
  int lastNumberLine = points->lastNumberLine();
  uint64_t resume = source->offset();
  unsigned taken = 0;
  for (size_t k = 1; k < run->parts.size(); ++k) {
    const PartResult& result = run->results[k];
    if (!result.good || resume != run->parts[k].begin) break;
    if (result.points > 0 && !(result.firstFrequency > last)) break;
    if (limit >= 0 && count + result.points > static_cast<uint64_t>(limit)) break;
    movePoints(data, run->parts[k].firstIndex, count, result.points);
    count += result.points;
    if (result.points > 0) last = result.lastFrequency;
    if (result.lastNumberLine > 0) lastNumberLine = line + result.lastNumberLine;
    line += result.lines;
    resume = result.resume;
    ++taken;
    if (result.endedEarly) break;
  }
  clearWorkersFrom(*run, count);
  if (taken > 0) {
    points->continueAfter(static_cast<int64_t>(count), last, lastNumberLine);
    source->restartAt(resume, line);
  }
  return taken;
}

StreamEnd readInParts(PartRead* run, LineSource* source, const std::string_view* pending,
                      const PointStreamRules& rules, ScatteringPoints* points, PortImpedances* impedances) {
  run->results.resize(run->parts.size());
  bool discarded = false;
  std::optional<WorkerThreads> workers;
  auto discard = [&] {
    if (discarded) return;
    discarded = true;
    run->cancelled.store(true, std::memory_order_relaxed);
    if (workers) workers->join();
    clearWorkersFrom(*run, 0);
  };
  PointStreamRules firstPart = rules;
  firstPart.stopAt = run->parts[0].end;
  StreamEnd end;
  try {
    workers.emplace(static_cast<unsigned>(run->parts.size()), [run](unsigned index) {
      if (index > 0) readPart(run, index);
    });
    // Should the first part outgrow its indices, the workers' points are
    // dropped and the caller reads on alone.
    points->setCeiling(run->parts[0].indexEnd, discard);
  } catch (...) {
    discard();  // out of memory while starting: one thread reads
    points->setCeiling(SIZE_MAX, nullptr);
    return readPoints(source, pending, rules, points, impedances);
  }
  try {
    end = readPoints(source, pending, firstPart, points, impedances);
  } catch (...) {
    discard();
    points->setCeiling(SIZE_MAX, nullptr);
    throw;
  }
  points->setCeiling(SIZE_MAX, nullptr);
  if (!end.stopped) {
    discard();
    return end;
  }
  workers->join();
  bool sawImpedances = impedances != nullptr && !impedances->empty();
  if (discarded || sawImpedances || !points->frequencyDue() || source->offset() != run->parts[0].end) {
    discard();
  } else {
    lastRecord.taken = takeParts(run, source, points);
  }
  return readPoints(source, nullptr, rules, points, impedances);
}

}  // namespace

ParallelReadRecord lastParallelRead() { return lastRecord; }

StreamEnd readNetworkPoints(LineSource* source, const std::string_view* pending,
                            const PointStreamRules& rules, const NetworkRead& read, ScatteringPoints* points,
                            PortImpedances* impedances) {
  lastRecord = ParallelReadRecord{};
  uint64_t dataStart = pending != nullptr ? source->lineStart() : source->offset();
  unsigned count = read.fileEnd > dataStart ? partCount(read.fileEnd - dataStart, rules.collecting) : 1;
  int descriptor = count > 1 ? regularFileDescriptor(read.data->file) : -1;
  if (descriptor < 0 || rules.checkWidth) return readPoints(source, pending, rules, points, impedances);
  PartRead run;
  size_t surePoints = 0;
  try {
    run.read = &read;
    run.descriptor = descriptor;
    run.ends = source->lineEnds();
    run.keywords = rules.keywords;
    run.tracksImpedances = impedances != nullptr;
    run.parts = cutParts(descriptor, run.ends, dataStart, read.fileEnd, count, rules.keywords, read.capacity,
                         &surePoints);
  } catch (...) {
    run.parts.clear();  // out of memory before any thread started: one thread reads
  }
  if (run.parts.size() < 2) return readPoints(source, pending, rules, points, impedances);
  // The points surely to come fill their arrays' first pages whole: large
  // pages there cost no memory beyond what the points take.
  advisePointArrays(*read.data, surePoints);
  lastRecord.parts = static_cast<unsigned>(run.parts.size());
  return readInParts(&run, source, pending, rules, points, impedances);
}

}  // namespace korvel
