// The blocks of an SC file read in parts, checked, and read again in turn
// from the first part that fails the check.
#include "sc/sc_block_parts.h"

#include <algorithm>
#include <atomic>
#include <cfenv>
#include <climits>
#include <cstring>
#include <vector>

#include "dataset/messages.h"
#include "dataset/result.h"
#include "parallel/parallel_settings.h"
#include "parallel/worker_threads.h"
#include "sc/sc_blocks.h"

namespace korvel {

namespace {

// More parts than this would only add searches for their beginnings.
constexpr unsigned kMostParts = 64;

// Takes the place of the messages of a part read on a worker: a part that
// would report anything fails, and the calling thread reads it again.
class SilentSink final : public MessageSink {
 public:
  void report(Message, const char*) noexcept override { reported = true; }
  bool reported = false;
};

struct Part {
  int firstBlock = 0;
  int endBlock = 0;         // one past the part's last block
  uint64_t searchFrom = 0;  // where the search for its first block begins
  bool started = false;     // `begin` is known
  uint64_t begin = 0;       // file offset of the first line the part reads
  bool read = false;        // every block read without a message
  bool endFound = false;    // `end` and `lines` are known
  uint64_t end = 0;         // offset of the line where the next block's search stops
  int lines = 0;            // lines from `begin` up to `end`
};

// Where the S-parameter line ("+ ... DATA=") of a block begins, searched
// from `from` on: the first one at or after the first line that begins
// after `from` - 1. A block's group delays begin with such a line too; it
// follows the noise lines when there are noise parameters, and otherwise
// opens a section with half the values of the S-parameter section before
// it. False when no block begins there. A wrong answer costs only time:
// the check of the parts finds it.
bool findBlockStart(int fd, const DataSet& data, uint64_t from, uint64_t* start) {
  LineSource lines(fd, from - 1, LineEnds::kLineFeed);
  std::string_view line;
  if (!lines.next(&line)) return false;  // the rest of the line `from` falls in
  bool noise = data.hasNoise == 1;
  bool delays = data.hasGroupDelay != 0;
  bool lastWasData = false;
  uint64_t candidates[3] = {0, 0, 0};
  int found = 0;
  while (found < 3 && lines.next(&line)) {
    bool dataLine = startsWith(line, kDataLine);
    if (dataLine && contains(line, "DATA=")) {
      if (!delays || (noise && lastWasData)) {
        *start = lines.lineStart();
        return true;
      }
      if (!noise) candidates[found++] = lines.lineStart();
    }
    if (dataLine) {
      lastWasData = true;
    } else if (startsWith(line, kMarkedLine)) {
      lastWasData = false;
    }
  }
  if (!delays || noise || found < 2) return false;
  uint64_t third = found == 3 ? candidates[2] : lines.offset();
  *start = candidates[1] - candidates[0] > third - candidates[1] ? candidates[0] : candidates[1];
  return true;
}

// Reads one part on the thread it is given, never reporting anything.
void readPart(const ScReading& reading, int fd, bool lastPart, int rounding, Part& part) {
  // The calling thread's rounding, so that every conversion gives its bits.
  if (std::fegetround() != rounding) std::fesetround(rounding);
  SilentSink sink;
  MessageRoute route(sink);
  try {
    if (!part.started) {
      if (!findBlockStart(fd, *reading.data, part.searchFrom, &part.begin)) return;
      part.started = true;
    }
    ScReading local(reading.data, fd, part.begin);
    local.layout = reading.layout;
    for (int block = part.firstBlock; block < part.endBlock; ++block) {
      if (readBlock(local, block) != kOk) return;
    }
    if (sink.reported || local.lines.readFailed()) return;
    part.read = true;
    if (lastPart) return;
    std::string_view line;
    if (!local.lines.find(kDataLine, {"DATA="}, &line)) return;
    part.end = local.lines.lineStart();
    part.lines = local.lines.lineNumber() - 1;
    part.endFound = true;
  } catch (...) {
    // Memory ran out on this thread: the calling thread reads the part
    // again, and refuses the file if memory runs out there too.
  }
}

// The first part whose blocks must be read again, or parts.size().
size_t firstFailedPart(const std::vector<Part>& parts) {
  for (size_t k = 0; k < parts.size(); ++k) {
    const Part& part = parts[k];
    bool last = k + 1 == parts.size();
    bool good = part.started && part.read &&
                (last || (part.endFound && parts[k + 1].started && part.end == parts[k + 1].begin));
    if (!good) return k;
  }
  return parts.size();
}

// Zeroes every sample that blocks `firstBlock` on may have written, as
// they were before any block was read (the Zo waveforms keep theirs).
void clearBlocksFrom(ScReading& reading, int firstBlock) {
  DataSet* data = reading.data;
  size_t points = static_cast<size_t>(data->pointCount);
  size_t from = static_cast<size_t>(firstBlock) * points;
  size_t count = static_cast<size_t>(data->blockCount) * points - from;
  std::memset(data->frequencies + from, 0, count * sizeof(double));
  size_t zoBegin = reading.layout.zo(0);
  size_t zoEnd = reading.layout.zo(static_cast<size_t>(data->terminalCount));
  for (size_t w = 0; w < static_cast<size_t>(data->waveformCount); ++w) {
    if (w >= zoBegin && w < zoEnd) continue;
    std::memset(data->waveformData[w] + 2 * from, 0, 2 * count * sizeof(double));
  }
}

int readBlocksInTurn(ScReading& reading, int firstBlock) {
  for (int block = firstBlock; block < reading.data->blockCount; ++block) {
    if (readBlock(reading, block) != kOk) return kFailed;
  }
  return kOk;
}

// How many parts to read the blocks in; 1 reads them in turn.
unsigned partCount(const ScReading& reading, uint64_t blocksBegin, uint64_t fileEnd) {
  if constexpr (kCallingThreadOnly) return 1;
  const DataSet& data = *reading.data;
  // A read that goes on after errors reports as it goes; a stream of
  // unknown size cannot be read at offsets.
  if (data.blockCount < 2 || reading.collecting || fileEnd == kUnknownSize || fileEnd <= blocksBegin ||
      fileno(data.file) < 0) {
    return 1;
  }
  const size_t mostParts = std::min(static_cast<size_t>(kMostParts), static_cast<size_t>(data.blockCount));
  return parallelPolicy().scBlocks.partsFor(static_cast<double>(fileEnd - blocksBegin), mostParts);
}

// The parts' blocks and where each but the first starts searching: half an
// average block before where its first block would begin if all blocks
// were of one size.
std::vector<Part> planParts(int blockCount, unsigned count, uint64_t blocksBegin, uint64_t fileEnd) {
  std::vector<Part> parts(count);
  uint64_t averageBlock = (fileEnd - blocksBegin) / static_cast<uint64_t>(blockCount);
  for (unsigned k = 0; k < count; ++k) {
    Part& part = parts[k];
    part.firstBlock = static_cast<int>(static_cast<long long>(blockCount) * k / count);
    part.endBlock = static_cast<int>(static_cast<long long>(blockCount) * (k + 1) / count);
    uint64_t searchFrom =
        blocksBegin + averageBlock * static_cast<uint64_t>(part.firstBlock) - averageBlock / 2;
    part.searchFrom = std::max(searchFrom, blocksBegin + 1);
  }
  parts[0].started = true;
  parts[0].begin = blocksBegin;
  return parts;
}

// Lines before part `failed`'s first, counted over the head and the parts
// before it.
int linesBefore(const std::vector<Part>& parts, size_t failed, int headLines) {
  long long lines = headLines;
  for (size_t k = 0; k < failed; ++k) lines += parts[k].lines;
  return static_cast<int>(std::min(lines, static_cast<long long>(INT_MAX)));
}

}  // namespace

int readBlocks(ScReading& reading, uint64_t blocksBegin, uint64_t fileEnd) {
  unsigned count = partCount(reading, blocksBegin, fileEnd);
  if (count < 2) return readBlocksInTurn(reading, 0);
  int fd = fileno(reading.data->file);
  std::vector<Part> parts;
  try {
    parts = planParts(reading.data->blockCount, count, blocksBegin, fileEnd);
    int rounding = std::fegetround();
    runInParts(count, [&](unsigned k) { readPart(reading, fd, k + 1 == count, rounding, parts[k]); });
  } catch (...) {
    // No memory for the parts: every block is read in turn.
    if (parts.size() != count) return readBlocksInTurn(reading, 0);
  }
  size_t failed = firstFailedPart(parts);
  if (failed == parts.size()) return kOk;
  clearBlocksFrom(reading, parts[failed].firstBlock);
  if (failed > 0) {
    reading.lines.readFrom(fd, parts[failed].begin, linesBefore(parts, failed, reading.lines.lineNumber()));
  }
  return readBlocksInTurn(reading, parts[failed].firstBlock);
}

}  // namespace korvel
