// Text handling shared by both readers: lines from a stream, tokens at a
// fixed delimiter set, and decimal numbers with the C library's rules.
//
// The readers were written against fgets, strtok, atoi and atof. These
// pieces keep those semantics (runs of delimiters separate, no empty
// tokens; text that is not a number reads as 0) while reading lines of any
// length whole, never depending on the process locale, and never copying a
// line or a token.
#ifndef KORVEL_DATASET_TEXT_INPUT_H
#define KORVEL_DATASET_TEXT_INPUT_H

#include <array>
#include <cstdint>
#include <cstdio>
#include <string_view>
#include <vector>

namespace korvel {

// Reads a stream line by line in large blocks.
class LineSource {
 public:
  // `file` must stay open while the source is in use; the source never
  // closes it. Reading starts at the stream's current position.
  explicit LineSource(FILE* file);

  // Stores the next line in `*line` and returns true, or returns false at
  // the end of the stream. The view holds the line's characters including
  // its line feed (none on a last line that lacks one). As for a C string
  // read with fgets, the text ends at the first NUL byte of the line. The
  // view stays valid until the next call.
  bool next(std::string_view* line);

  // Number of bytes consumed so far, counted from where reading started.
  uint64_t consumed() const { return consumed_; }

 private:
  bool refill();
  void emitLine(size_t length, std::string_view* line);

  FILE* file_;
  std::vector<char> buffer_;
  size_t begin_ = 0;  // first unread byte in buffer_
  size_t end_ = 0;    // one past the last valid byte in buffer_
  bool eof_ = false;
  uint64_t consumed_ = 0;
};

// A set of delimiter characters, tested in constant time.
class DelimiterSet {
 public:
  constexpr explicit DelimiterSet(std::string_view characters) : bits_{} {
    for (char c : characters) {
      auto byte = static_cast<unsigned char>(c);
      bits_[byte >> 6] |= uint64_t{1} << (byte & 63);
    }
  }
  constexpr bool contains(char c) const {
    auto byte = static_cast<unsigned char>(c);
    return (bits_[byte >> 6] >> (byte & 63)) & 1;
  }

 private:
  std::array<uint64_t, 4> bits_;
};

// The fixed delimiter sets of the two formats.
inline constexpr DelimiterSet kBlankDelimiters{" "};
inline constexpr DelimiterSet kBlankLineEndDelimiters{" \r\n"};
inline constexpr DelimiterSet kBlankTabDelimiters{" \t"};
inline constexpr DelimiterSet kWhitespaceDelimiters{" \r\t\n"};
inline constexpr DelimiterSet kMappingDelimiters{" !=\r\t\n"};

// Walks the tokens of a text with strtok's rules: leading delimiters are
// skipped, a token runs to the next delimiter, and that one delimiter is
// consumed with the token. The delimiter set may change from call to call,
// as strtok's may.
class TokenCursor {
 public:
  explicit TokenCursor(std::string_view text) : text_(text) {}

  // Returns the next token, or an empty view when none remains.
  std::string_view next(const DelimiterSet& delimiters);

  // True when no token remains for `delimiters`.
  bool atEnd(const DelimiterSet& delimiters) const;

  // The text not yet consumed.
  std::string_view rest() const { return text_.substr(position_); }

 private:
  std::string_view text_;
  size_t position_ = 0;
};

// The value of the longest prefix of `text` that strtod would accept in the
// C locale (leading white space skipped; decimal, hexadecimal, "inf" and
// "nan" forms); 0 when there is none. Does not throw or allocate except
// for the rare forms handed to the C library.
double parseDouble(std::string_view text);

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

#endif  // KORVEL_DATASET_TEXT_INPUT_H
