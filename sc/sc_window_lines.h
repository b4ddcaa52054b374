// Lines of one stretch of an SC file, read with pread into a buffer of
// their own, so that several threads can read different stretches of one
// open file at once without sharing a stream position.
#ifndef KORVEL_SC_SC_WINDOW_LINES_H
#define KORVEL_SC_SC_WINDOW_LINES_H

#include <cstdint>
#include <string_view>
#include <vector>

namespace korvel {

// Splits the bytes [begin, end) of file descriptor `fd` into lines exactly
// as the stream reader does for SC files: a line runs to and includes its
// line feed, the last one may lack it, and a line's text ends at its first
// NUL byte.
class WindowLines {
 public:
  // Allocates the read buffer (std::bad_alloc when memory runs out).
  WindowLines(int fd, uint64_t begin, uint64_t end);

  // Stores the next line in `*line` and returns true; false at the end of
  // the window, or when the file cannot be read (see failed()). The view
  // stays valid until the next call.
  bool next(std::string_view* line);

  // Lines returned so far.
  int lineNumber() const { return lineNumber_; }

  // File offset of the first byte of the line last returned.
  uint64_t lineStart() const { return lineStart_; }

  // File offset of the first byte not yet returned as part of a line.
  uint64_t position() const { return position_; }

  // True when a read failed or the file ended before the window did.
  bool failed() const { return failed_; }

 private:
  bool refill();

  int fd_;
  uint64_t next_;  // file offset of the next byte to read into the buffer
  uint64_t end_;
  uint64_t position_;
  uint64_t lineStart_ = 0;
  int lineNumber_ = 0;
  bool failed_ = false;
  std::vector<char> buffer_;
  size_t begin_ = 0;   // first unread byte in buffer_
  size_t filled_ = 0;  // one past the last valid byte in buffer_
};

}  // namespace korvel

#endif  // KORVEL_SC_SC_WINDOW_LINES_H
