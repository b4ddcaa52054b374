// The progress line.
#include "tools/session/progress.h"

#include <unistd.h>

#include <cstdio>

namespace korvel::tool {

namespace {

constexpr auto kDelay = std::chrono::seconds(1);
constexpr auto kInterval = std::chrono::milliseconds(200);

// Writes straight to the descriptor: standard error may be captured
// around calls into the plug-in, never around the tool's own lines.
void writeError(const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t written = ::write(STDERR_FILENO, text.data() + done, text.size() - done);
    if (written <= 0) return;
    done += static_cast<size_t>(written);
  }
}

}  // namespace

Progress::Progress(Start start)
    : enabled_(start != kNever && isatty(STDERR_FILENO) == 1),
      start_(start),
      begun_(std::chrono::steady_clock::now()) {}

Progress::~Progress() { clear(); }

void Progress::show(const std::string& text) {
  if (!enabled_) return;
  auto now = std::chrono::steady_clock::now();
  if (start_ == kAfterASecond && now - begun_ < kDelay) return;
  if (shown_ && now - lastShown_ < kInterval) return;
  lastShown_ = now;
  shown_ = true;
  writeError("\r\033[Kkorvel: " + text);
}

void Progress::clear() {
  if (!shown_) return;
  shown_ = false;
  writeError("\r\033[K");
}

}  // namespace korvel::tool
