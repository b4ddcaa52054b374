// The line kinds of the SC format and the reading state that the parts of
// the SC reader share.
//
// An SC file carries information on two kinds of line: marked comment
// lines, which begin with "*|", and data lines, which begin with "+". Every
// other line is passed over wherever the reader looks for a particular
// line. The reader meets the parts of a file strictly from top to bottom.
#ifndef KORVEL_SC_INPUT_H
#define KORVEL_SC_INPUT_H

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "dataset/data_set.h"
#include "rfcalc/network_layout.h"
#include "sc/sc_window_lines.h"
#include "text/text_input.h"

namespace korvel {

inline constexpr std::string_view kMarkedLine = "*|";
inline constexpr std::string_view kDataLine = "+";

// The lines of an SC file, read from top to bottom: from the stream, or
// from one stretch of the file read on its own (a part of the file read on
// a worker thread, or the rest of the file read again).
class ScLines {
 public:
  // `file` must stay open while the lines are read.
  explicit ScLines(FILE* file) { stream_.emplace(file); }

  // The lines of bytes [begin, end) of `fd`; the first is numbered
  // `linesBefore` + 1.
  ScLines(int fd, uint64_t begin, uint64_t end, int linesBefore) { readWindow(fd, begin, end, linesBefore); }

  // Goes on with the lines of bytes [begin, end) of `fd` in place of
  // whatever was being read; the first is numbered `linesBefore` + 1.
  void readWindow(int fd, uint64_t begin, uint64_t end, int linesBefore) {
    window_.emplace(fd, begin, end);
    stream_.reset();
    linesBefore_ = linesBefore;
  }

  // Reads on to the next line that begins with `kind` and contains one of
  // `keywords` anywhere (any line of that kind when `keywords` is empty).
  // Returns false at the end of the file. The view stays valid until the
  // next read.
  bool find(std::string_view kind, std::initializer_list<std::string_view> keywords, std::string_view* line);

  // The next line of any kind; false at the end of the file.
  bool next(std::string_view* line) { return window_ ? window_->next(line) : stream_->next(line); }

  // The number of the line last read, counted from 1.
  int lineNumber() const { return linesBefore_ + (window_ ? window_->lineNumber() : stream_->lineNumber()); }

  // Bytes of the stream's lines read so far; 0 once a window is read.
  uint64_t streamConsumed() const { return stream_ ? stream_->consumed() : 0; }

  // The window being read, or null while the stream is.
  const WindowLines* window() const { return window_ ? &*window_ : nullptr; }

 private:
  std::optional<LineSource> stream_;
  std::optional<WindowLines> window_;
  int linesBefore_ = 0;
};

// True when `token` is what remains of a line after its last blank: a
// line feed, or a carriage return and line feed. Such a token ends the
// line and is never a value.
inline bool isLineEnd(std::string_view token) { return token == "\n" || startsWith(token, "\r\n"); }

// What the parts of the SC reader hand on to each other beyond the record.
struct ScReading {
  explicit ScReading(DataSet* record) : data(record), lines(record->file) {}
  // Reads bytes [begin, end) of `fd` as a stretch of the record's file.
  ScReading(DataSet* record, int fd, uint64_t begin, uint64_t end) : data(record), lines(fd, begin, end, 0) {}

  DataSet* data;
  ScLines lines;
  // The Zo line, when the search for the terminal line met it first.
  std::string heldZoLine;
  bool zoLineHeld = false;
  // Where the blocks' samples go, once the head has been read.
  NetworkLayout layout{0, 0, false, false};
};

}  // namespace korvel

#endif  // KORVEL_SC_INPUT_H
