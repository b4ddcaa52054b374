// Text handling shared by both readers: lines from a stream, tokens at a
// fixed delimiter set, and decimal numbers with the C library's rules.
//
// The readers were written against fgets, strtok, atoi and atof. These
// pieces keep those semantics (runs of delimiters separate, no empty
// tokens) while reading lines of any length whole, never depending on the
// process locale, and never copying a line or a token. A value token is
// told apart from text that merely begins like a number (nextValue,
// parseNumberInFull), so that a reader can refuse it rather than store
// part of it.
#ifndef KORVEL_TEXT_TEXT_INPUT_H
#define KORVEL_TEXT_TEXT_INPUT_H

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string_view>
#include <vector>

namespace korvel {

// Which characters end a line.
enum class LineEnds {
  kLineFeed,  // only a line feed; a lone carriage return is text
  kAny,       // a line feed, a carriage return, or the pair CR LF; a UTF-8
              // byte-order mark before the first line is dropped
};

// Reads a stream line by line in large blocks: either a stdio stream, or
// a file descriptor read with pread from a given offset on, which leaves
// the descriptor's own position alone, so that several threads can each
// read their own part of one open file.
class LineSource {
 public:
  // `file` must stay open while the source is in use; the source never
  // closes it. Reading starts at the stream's current position.
  explicit LineSource(FILE* file, LineEnds ends = LineEnds::kLineFeed);

  // Reads the file open as `descriptor` from byte `offset` on, with pread.
  // Line numbers count from there; no byte-order mark is dropped, since
  // the first line read is not the file's first.
  LineSource(int descriptor, uint64_t offset, LineEnds ends);

  // Stores the next line in `*line` and returns true, or returns false at
  // the end of the stream. The view holds the line's characters including
  // its line feed (none on a last line that lacks one). As for a C string
  // read with fgets, the text ends at the first NUL byte of the line. The
  // view stays valid until the next call.
  bool next(std::string_view* line);

  // Number of bytes consumed so far, counted from where reading started.
  uint64_t consumed() const { return consumed_; }

  // The number of the line last returned by next(), counted from 1; 0
  // before the first.
  int lineNumber() const { return lineNumber_; }

  // The offset in the file of the next unread byte, where the next line
  // starts, and of the start of the line last returned. Offsets of a stdio
  // stream count from the file's start when the stream could tell its
  // position at construction, else from there.
  uint64_t offset() const { return base_ + consumed_; }
  uint64_t lineStart() const { return lineStart_; }

  // Goes on reading at `offset`, which must be where a line starts, with
  // `lineNumber` lines counted before it. Returns false when the stream
  // cannot be positioned there (the source is then at the end).
  bool restartAt(uint64_t offset, int lineNumber);

  LineEnds lineEnds() const { return ends_; }

  // True when reading the file failed rather than ended.
  bool readFailed() const { return readFailed_; }

 private:
  // Appends up to `room` bytes at `into`; 0 at the end or on an error.
  size_t readBlock(char* into, size_t room);
  bool refill();
  void emitLine(size_t length, std::string_view* line);
  // Where the line that starts at begin_ ends when a carriage return ends
  // lines too: the length of that line with its end, or 0 when more bytes
  // must be read to know (the buffer ends in the line or right after a CR).
  size_t lengthToAnyEnd(size_t searched);
  // The first line feed at or after `from`, or end_ when there is none.
  // The last answer is kept until the buffer moves, so that lines ended by
  // CR alone do not search the rest of the buffer once each.
  size_t nextFeed(size_t from);
  void dropByteOrderMark(std::string_view* line);

  FILE* file_ = nullptr;
  int descriptor_ = -1;
  uint64_t readOffset_ = 0;  // pread: the offset of the next byte to read
  LineEnds ends_;
  bool markPossible_ = true;  // a byte-order mark may open the first line
  bool readFailed_ = false;
  uint64_t base_ = 0;  // the offset where consumed_ counts from
  uint64_t lineStart_ = 0;
  int lineNumber_ = 0;
  bool feedKnown_ = false;
  size_t feedFrom_ = 0;
  size_t feedAt_ = 0;
  // Not zeroed: only the bytes read into it, below end_, are looked at
  // (a small file costs a page or two, not the whole block).
  std::unique_ptr<char[]> buffer_;
  size_t capacity_ = 0;
  size_t begin_ = 0;  // first unread byte in buffer_
  size_t end_ = 0;    // one past the last valid byte in buffer_
  bool eof_ = false;
  uint64_t consumed_ = 0;
};

// What remainingBytes returns for a stream that cannot tell its size.
inline constexpr uint64_t kUnknownSize = UINT64_MAX;

// Bytes from the stream's current position to its end, or kUnknownSize for
// a stream that cannot seek (a pipe). Leaves the position where it was. The
// readers size their arrays against it, so that no count a file claims can
// ask for more memory than the file's own text could fill.
uint64_t remainingBytes(FILE* file);

// A set of delimiter characters, tested in constant time: one table load
// per character, since the readers test every byte of a file against one.
class DelimiterSet {
 public:
  constexpr explicit DelimiterSet(std::string_view characters) : members_{} {
    for (char c : characters) {
      members_[static_cast<unsigned char>(c)] = true;
      if (canBePartOfNumber(c)) splitsNumbers_ = true;
    }
  }
  constexpr bool contains(char c) const { return members_[static_cast<unsigned char>(c)]; }

  // True when a delimiter could stand inside a number's text (a digit, a
  // sign, a point or a letter): a number read past the token's end could
  // then run across a delimiter.
  constexpr bool splitsNumbers() const { return splitsNumbers_; }

 private:
  static constexpr bool canBePartOfNumber(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '+' ||
           c == '-' || c == '.' || c == '(' || c == ')' || c == '_';
  }

  std::array<bool, 256> members_;
  bool splitsNumbers_ = false;
};

// The fixed delimiter sets of the two formats.
inline constexpr DelimiterSet kBlankDelimiters{" "};
inline constexpr DelimiterSet kBlankLineEndDelimiters{" \r\n"};
inline constexpr DelimiterSet kBlankTabDelimiters{" \t"};
inline constexpr DelimiterSet kWhitespaceDelimiters{" \r\t\n"};
inline constexpr DelimiterSet kMappingDelimiters{" !=\r\t\n"};

// What nextValue found.
enum class TokenValue {
  kEnd,        // no token remains
  kNumber,     // the token is one number in full
  kNotNumber,  // the token is text, or a number with more after it
};

// Walks the tokens of a text with strtok's rules: leading delimiters are
// skipped, a token runs to the next delimiter, and that one delimiter is
// consumed with the token. The delimiter set may change from call to call,
// as strtok's may.
class TokenCursor {
 public:
  explicit TokenCursor(std::string_view text) : text_(text) {}

  // Returns the next token, or an empty view when none remains.
  std::string_view next(const DelimiterSet& delimiters);

  // The next token's value as parseDouble reads it, found in one pass over
  // its text: the same value and the same cursor movement as
  // parseDouble(next(delimiters)). Returns false when no token remains.
  bool nextNumber(const DelimiterSet& delimiters, double* value);

  // The next token as a value: kNumber with its value when the token is
  // one number in full (parseNumberInFull), kNotNumber when it is not (the
  // value is then what parseDouble reads), kEnd when no token remains. The
  // token's text goes to `*token` when that is not null, for a message.
  // Moves the cursor as next(delimiters) does.
  TokenValue nextValue(const DelimiterSet& delimiters, double* value, std::string_view* token);

  // Skips the delimiters before the next token; next() then returns what
  // it would have returned without this call.
  void skipDelimiters(const DelimiterSet& delimiters);

  // True when no token remains for `delimiters`.
  bool atEnd(const DelimiterSet& delimiters) const;

  // The text not yet consumed.
  std::string_view rest() const { return text_.substr(position_); }

 private:
  // Moves past the token that starts at the current position and the one
  // delimiter after it.
  void skipToken(const DelimiterSet& delimiters);

  std::string_view text_;
  size_t position_ = 0;
};

// The value of the longest prefix of `text` that strtod would accept in the
// C locale (leading white space skipped; decimal, hexadecimal, "inf" and
// "nan" forms); 0 when there is none. Does not throw or allocate except
// for the rare forms handed to the C library.
double parseDouble(std::string_view text);

// The number at the start of `text` as parseDouble reads it, into `*value`
// (0 when there is none); returns the count of characters it takes, white
// space before it included, 0 when there is no number.
size_t readNumberPrefix(std::string_view text, double* value);

// True, with parseDouble's value in `*value`, when `text` is one number in
// full: white space, a number strtod accepts (decimal, hexadecimal, "inf",
// "nan", signs and exponents included), white space, and nothing else.
// "abc", "0.5O", "1,5" and "1.2.3" are not.
bool parseNumberInFull(std::string_view text, double* value);

// True, with the value in `*value`, when the whole of `token` is one
// decimal number (optional sign, digits, point, exponent); false for any
// other text, a number followed by more characters included.
bool parseWholeNumber(std::string_view token, double* value);

// The value of the leading decimal integer of `text` as atoi reads it
// (white space, optional sign, digits), 0 when there is none. Values
// beyond the range of int are clamped to it.
int parseInt(std::string_view text);

// True when `text` begins with `prefix`.
inline bool startsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// True when `text` contains `needle` anywhere.
inline bool contains(std::string_view text, std::string_view needle) {
  return text.find(needle) != std::string_view::npos;
}

}  // namespace korvel

#endif  // KORVEL_TEXT_TEXT_INPUT_H
