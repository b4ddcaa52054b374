// pread-backed line splitting over one stretch of a file.
#include "sc/sc_window_lines.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace korvel {

namespace {

// Large enough that a read call costs little per byte, small enough that
// every worker's buffer stays in its processor's cache hierarchy.
constexpr size_t kReadChunk = size_t{1} << 18;

}  // namespace

WindowLines::WindowLines(int fd, uint64_t begin, uint64_t end)
    : fd_(fd), next_(begin), end_(end), position_(begin), buffer_(kReadChunk) {}

bool WindowLines::refill() {
  if (next_ >= end_ || failed_) return false;
  if (begin_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + begin_, filled_ - begin_);
    filled_ -= begin_;
    begin_ = 0;
  }
  // A line longer than the buffer makes it grow; the window bounds it.
  if (buffer_.size() - filled_ < kReadChunk / 2) buffer_.resize(buffer_.size() * 2);
  uint64_t wanted = end_ - next_;
  size_t room = buffer_.size() - filled_;
  size_t count = wanted < room ? static_cast<size_t>(wanted) : room;
  ssize_t got = 0;
  do {
    got = pread(fd_, buffer_.data() + filled_, count, static_cast<off_t>(next_));
  } while (got < 0 && errno == EINTR);
  if (got <= 0) {
    failed_ = true;  // an error, or the file is shorter than it was
    return false;
  }
  filled_ += static_cast<size_t>(got);
  next_ += static_cast<uint64_t>(got);
  return true;
}

bool WindowLines::next(std::string_view* line) {
  size_t searched = begin_;
  for (;;) {
    const void* feed = std::memchr(buffer_.data() + searched, '\n', filled_ - searched);
    size_t length = 0;
    if (feed != nullptr) {
      length = static_cast<size_t>(static_cast<const char*>(feed) - buffer_.data()) + 1 - begin_;
    } else {
      searched = filled_;
      size_t pending = filled_ - begin_;
      size_t before = begin_;
      if (!refill()) {
        if (pending == 0) return false;
        length = pending;  // a last line without a line end
      } else {
        searched -= before - begin_;  // the bytes moved to the front
        continue;
      }
    }
    const char* start = buffer_.data() + begin_;
    const void* nul = std::memchr(start, '\0', length);
    size_t textLength = nul != nullptr ? static_cast<size_t>(static_cast<const char*>(nul) - start) : length;
    *line = std::string_view(start, textLength);
    begin_ += length;
    lineStart_ = position_;
    position_ += length;
    ++lineNumber_;
    return true;
  }
}

}  // namespace korvel
