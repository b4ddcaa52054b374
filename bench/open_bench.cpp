// Opens a file through the plug-in the way the viewer does and reports
// times and memory, or measures one of the two floors over the same bytes.
//
//   open_bench floor FILE             the tight floor: stream in large blocks,
//                                     skip "!" comments, convert every token
//                                     with fast_float, store nothing
//   open_bench floor-strtod FILE      whole file into a string, convert every
//                                     token with strtod
//   open_bench floor-fastfloat FILE   whole file into a string, convert every
//                                     token with fast_float
//   open_bench floor-write FILE OUT   the write floor: the numbers of FILE (read
//                                     beforehand, untimed) formatted shortest
//                                     round trip with std::to_chars into 4 MiB
//                                     blocks, line by line as FILE has them,
//                                     and written to OUT, one thread
//   open_bench open FILE [PLUGIN]     openFile, catalogue, loadWaveformList, closeFile
//
// Prints one JSON object. bench/run_bench.py runs each mode in a fresh
// process, repeats, and tabulates medians as ratios.
#include <fast_float/fast_float.h>
#include <sys/resource.h>

#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "host/plugin_host.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double peakRssMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024.0;
}

double currentRssMb() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1048576.0);
}

std::string readWhole(const char* path) {
  std::string bytes;
  FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return bytes;
  char block[1 << 16];
  size_t got;
  while ((got = std::fread(block, 1, sizeof block, file)) > 0) bytes.append(block, got);
  std::fclose(file);
  return bytes;
}

bool isSpace(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }

// The floor: every whitespace-separated token converted and summed, with
// the read included. `convert` returns the end of the number it read.
template <typename Convert>
int runFloor(const char* path, const char* mode, Convert convert) {
  Clock::time_point start = Clock::now();
  std::string bytes = readWhole(path);
  const char* p = bytes.c_str();
  const char* end = p + bytes.size();
  double sum = 0;
  size_t tokens = 0;
  while (p < end) {
    while (p < end && isSpace(*p)) ++p;
    if (p == end) break;
    const char* tokenEnd = p;
    while (tokenEnd < end && !isSpace(*tokenEnd)) ++tokenEnd;
    double value = 0;
    convert(p, tokenEnd, &value);
    sum += value;
    ++tokens;
    p = tokenEnd;
  }
  double seconds = secondsSince(start);
  std::printf(
      "{\"mode\": \"%s\", \"seconds\": %.6f, \"bytes\": %zu, \"tokens\": %zu, \"peak_rss_mb\": %.1f, "
      "\"checksum\": %g}\n",
      mode, seconds, bytes.size(), tokens, peakRssMb(), sum);
  return 0;
}

// The tight floor every ratio refers to: what any reader of the file must
// do at least. The file streams through one large block (whole lines; the
// unfinished last line is carried to the front of the next block), "!"
// comments are skipped, tokens end at blanks, tabs and line ends, and every
// token goes through fast_float. Nothing is stored; the sum keeps the
// conversions from being optimised away.
int runStreamFloor(const char* path) {
  constexpr size_t kBlockBytes = size_t{1} << 20;
  Clock::time_point start = Clock::now();
  FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return 1;
  std::vector<char> block(kBlockBytes);
  size_t carried = 0;
  size_t bytes = 0;
  size_t tokens = 0;
  double sum = 0;
  for (;;) {
    size_t got = std::fread(block.data() + carried, 1, block.size() - carried, file);
    bytes += got;
    size_t filled = carried + got;
    bool last = got == 0 || filled < block.size();
    // Only whole lines are scanned; the tail waits for the next block.
    size_t scanEnd = filled;
    if (!last) {
      while (scanEnd > 0 && block[scanEnd - 1] != '\n') --scanEnd;
      if (scanEnd == 0) {  // a line longer than the block: widen it
        carried = filled;
        block.resize(block.size() * 2);
        continue;
      }
    }
    const char* p = block.data();
    const char* end = p + scanEnd;
    while (p < end) {
      char c = *p;
      if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
        ++p;
      } else if (c == '!') {
        const char* lineEnd = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
        p = lineEnd != nullptr ? lineEnd + 1 : end;
      } else {
        double value = 0;
        auto result = fast_float::from_chars(p, end, value);
        const char* tokenEnd = result.ptr > p ? result.ptr : p + 1;
        while (tokenEnd < end && *tokenEnd != ' ' && *tokenEnd != '\t' && *tokenEnd != '\n' &&
               *tokenEnd != '\r')
          ++tokenEnd;
        sum += value;
        ++tokens;
        p = tokenEnd;
      }
    }
    carried = filled - scanEnd;
    if (carried > 0) std::memmove(block.data(), block.data() + scanEnd, carried);
    if (last) break;
  }
  std::fclose(file);
  double seconds = secondsSince(start);
  std::printf(
      "{\"mode\": \"floor\", \"seconds\": %.6f, \"bytes\": %zu, \"tokens\": %zu, \"peak_rss_mb\": %.1f, "
      "\"checksum\": %g}\n",
      seconds, bytes, tokens, peakRssMb(), sum);
  return 0;
}

// The write floor: what any writer of the same numbers must do at least.
// The numbers and the count on each line are gathered first, untimed;
// then every number is formatted in the shortest form that reads back to
// the same double, separated by blanks, each line ended, into a 4 MiB
// block that is written out whenever it is full.
int runWriteFloor(const char* path, const char* outPath) {
  std::string bytes = readWhole(path);
  std::vector<double> values;
  std::vector<unsigned> lineCounts;
  const char* p = bytes.c_str();
  const char* end = p + bytes.size();
  while (p < end) {
    const char* lineEnd = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
    if (lineEnd == nullptr) lineEnd = end;
    unsigned count = 0;
    const char* q = p;
    while (q < lineEnd && *q != '!') {
      if (isSpace(*q)) {
        ++q;
        continue;
      }
      double value = 0;
      auto result = fast_float::from_chars(q, lineEnd, value);
      const char* tokenEnd = result.ptr > q ? result.ptr : q + 1;
      while (tokenEnd < lineEnd && !isSpace(*tokenEnd)) ++tokenEnd;
      if (result.ec == std::errc()) {
        values.push_back(value);
        ++count;
      }
      q = tokenEnd;
    }
    if (count > 0) lineCounts.push_back(count);
    p = lineEnd + 1;
  }
  constexpr size_t kBlockBytes = size_t{4} << 20;
  Clock::time_point start = Clock::now();
  FILE* out = std::fopen(outPath, "wb");
  if (out == nullptr) return 1;
  std::string block;
  block.reserve(kBlockBytes + 4096);
  size_t written = 0;
  size_t next = 0;
  for (unsigned count : lineCounts) {
    for (unsigned i = 0; i < count; ++i) {
      if (i > 0) block.push_back(' ');
      char digits[64];
      auto result = std::to_chars(digits, digits + sizeof digits, values[next++]);
      block.append(digits, result.ptr);
    }
    block.push_back('\n');
    if (block.size() >= kBlockBytes) {
      written += std::fwrite(block.data(), 1, block.size(), out);
      block.clear();
    }
  }
  written += std::fwrite(block.data(), 1, block.size(), out);
  bool closed = std::fclose(out) == 0;
  double seconds = secondsSince(start);
  std::printf(
      "{\"mode\": \"floor-write\", \"seconds\": %.6f, \"bytes\": %zu, \"values\": %zu, \"closed\": %d}\n",
      seconds, written, values.size(), closed ? 1 : 0);
  return closed ? 0 : 1;
}

int runOpen(const char* path, const char* plugin) {
  using korvel::host::OpenedFile;
  using korvel::host::PluginHost;
  using korvel::host::ValueRecording;
  using korvel::host::WaveformLibrary;
  WaveformLibrary::instance().setValueRecording(ValueRecording::kCounts);
  PluginHost host;
  std::string error;
  if (!host.load(plugin, &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  const FormatDescriptor* format = host.formatFor(path, &error);
  if (format == nullptr) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  double baseline = currentRssMb();
  Clock::time_point start = Clock::now();
  std::unique_ptr<OpenedFile> file = OpenedFile::open(host, *format, path);
  double openSeconds = secondsSince(start);
  if (file == nullptr) return 1;
  double peakAfterOpen = peakRssMb();
  double rssAfterOpen = currentRssMb();

  Clock::time_point loadStart = Clock::now();
  std::vector<std::string> names = file->catalogue();
  std::vector<WaveformHandle> handles;
  file->loadWaveformList(names, &handles);
  double loadSeconds = secondsSince(loadStart);
  double rssAfterLoad = currentRssMb();

  // Bytes the open stores: 16 per sample of every waveform (the Zo
  // waveforms hold as many samples as the S-parameters), 8 per frequency.
  size_t points = 0;
  double storedBytes = 0;
  for (const auto& waveform : WaveformLibrary::instance().waveforms()) {
    size_t samples = 0;
    for (const auto& segment : waveform->segments) samples += segment.points;
    if (waveform->yName.rfind("S-Par/", 0) == 0 && points == 0) points = samples;
    if (waveform->yName.rfind("Zo/", 0) == 0) samples = points;
    storedBytes += 16.0 * samples;
  }
  storedBytes += 8.0 * points;
  Clock::time_point closeStart = Clock::now();
  file->close();
  double closeSeconds = secondsSince(closeStart);
  std::printf(
      "{\"mode\": \"open\", \"open_seconds\": %.6f, \"load_seconds\": %.6f, \"close_seconds\": %.6f, "
      "\"waveforms\": %zu, \"points\": %zu, \"stored_mb\": %.1f, \"baseline_rss_mb\": %.1f, "
      "\"peak_rss_after_open_mb\": %.1f, \"rss_after_open_mb\": %.1f, \"rss_after_load_mb\": %.1f}\n",
      openSeconds, loadSeconds, closeSeconds, names.size(), points, storedBytes / 1048576.0, baseline,
      peakAfterOpen, rssAfterOpen, rssAfterLoad);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(
        stderr,
        "usage: open_bench floor|floor-strtod|floor-fastfloat|open FILE [PLUGIN], or floor-write FILE OUT\n");
    return 2;
  }
  std::string mode = argv[1];
  if (mode == "floor") return runStreamFloor(argv[2]);
  if (mode == "floor-strtod") {
    return runFloor(argv[2], "floor-strtod", [](const char* p, const char*, double* value) {
      char* end = nullptr;
      *value = std::strtod(p, &end);
    });
  }
  if (mode == "floor-fastfloat") {
    return runFloor(argv[2], "floor-fastfloat", [](const char* p, const char* end, double* value) {
      fast_float::from_chars(p, end, *value);
    });
  }
  if (mode == "floor-write" && argc > 3) return runWriteFloor(argv[2], argv[3]);
  if (mode == "open") return runOpen(argv[2], argc > 3 ? argv[3] : KORVEL_PLUGIN_PATH);
  std::fprintf(stderr, "unknown mode %s\n", mode.c_str());
  return 2;
}
