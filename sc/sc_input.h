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
#include <string>
#include <string_view>

#include "dataset/data_set.h"
#include "rfcalc/network_layout.h"
#include "text/text_input.h"

namespace korvel {

inline constexpr std::string_view kMarkedLine = "*|";
inline constexpr std::string_view kDataLine = "+";

// The lines of an SC file, read from top to bottom: from the stream, or
// with pread from a given line of the file on (a part of the file read on
// a worker thread, or the rest of the file read again). Lines end at a
// line feed only; a carriage return before it stays in the line's text.
class ScLines {
 public:
  // `file` must stay open while the lines are read.
  explicit ScLines(FILE* file) : source_(file, LineEnds::kLineFeed) {}

  // The lines of `fd` from byte `begin`, which must start a line, to the
  // end of the file; the first is numbered `linesBefore` + 1.
  ScLines(int fd, uint64_t begin, int linesBefore) : source_(fd, begin, LineEnds::kLineFeed) {
    source_.restartAt(begin, linesBefore);
  }

  // Goes on with the lines of `fd` from byte `begin` on, in place of
  // whatever was being read; the first is numbered `linesBefore` + 1.
  void readFrom(int fd, uint64_t begin, int linesBefore) { *this = ScLines(fd, begin, linesBefore); }

  // Reads on to the next line that begins with `kind` and contains one of
  // `keywords` anywhere (any line of that kind when `keywords` is empty).
  // Returns false at the end of the file. The view stays valid until the
  // next read.
  bool find(std::string_view kind, std::initializer_list<std::string_view> keywords, std::string_view* line);

  // The next line of any kind; false at the end of the file.
  bool next(std::string_view* line) { return source_.next(line); }

  // The number of the line last read, counted from 1.
  int lineNumber() const { return source_.lineNumber(); }

  // The file offset of the start of the line last read, and of the next
  // unread byte. A stream's offsets count from the file's start when it
  // could tell its position when reading began.
  uint64_t lineStart() const { return source_.lineStart(); }
  uint64_t offset() const { return source_.offset(); }

  // True when reading the file failed rather than ended.
  bool readFailed() const { return source_.readFailed(); }

 private:
  LineSource source_;
};

// True when `token` is what remains of a line after its last blank: a
// line feed, or a carriage return and line feed. Such a token ends the
// line and is never a value.
inline bool isLineEnd(std::string_view token) { return token == "\n" || startsWith(token, "\r\n"); }

// What the parts of the SC reader hand on to each other beyond the record.
struct ScReading {
  explicit ScReading(DataSet* record) : data(record), lines(record->file) {}
  // Reads the record's file open as `fd` from byte `begin`, which starts a
  // line, on; line numbers count from there.
  ScReading(DataSet* record, int fd, uint64_t begin) : data(record), lines(fd, begin, 0) {}

  DataSet* data;
  ScLines lines;
  // The Zo line, when the search for the terminal line met it first.
  std::string heldZoLine;
  bool zoLineHeld = false;
  // Where the blocks' samples go, once the head has been read.
  NetworkLayout layout{0, 0, false, false};
  // Whether the read collects every error (a full check), asked once where
  // the read starts.
  bool collecting = false;
};

}  // namespace korvel

#endif  // KORVEL_SC_INPUT_H
