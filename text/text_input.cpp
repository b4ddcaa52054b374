// Line reading, tokenising and number conversion shared by both readers.
#include "text/text_input.h"

#include <fast_float/fast_float.h>
#include <locale.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

namespace korvel {

namespace {

// Large enough that reading costs little per byte, small enough to stay off
// the allocator's mmap path for the many small files a viewer opens.
constexpr size_t kReadBlock = size_t{1} << 16;

// The characters strtod and strtol skip before a number (isspace in the C
// locale).
bool isCSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// strtod in the C locale, whatever locale the host process has set; the
// number of characters it took in `*used`.
double strtodInCLocale(std::string_view text, size_t* used) {
  static locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  std::string copy(text);
  char* stop = nullptr;
  double value = strtod_l(copy.c_str(), &stop, cLocale);
  *used = static_cast<size_t>(stop - copy.c_str());
  return value;
}

// True when only white space lies between `p` and `end`.
bool onlySpaceUntil(const char* p, const char* end) {
  while (p < end && isCSpace(*p)) ++p;
  return p == end;
}

bool startsHexadecimal(const char* p, const char* end) {
  return end - p >= 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X');
}

// True when the text at `p` is a number fast_float reads as parseDouble
// would: a digit or point, or a minus sign followed by anything but a
// hexadecimal prefix.
bool startsPlainNumber(const char* p, const char* end) {
  char first = *p;
  if ((first >= '0' && first <= '9') || first == '.') return !startsHexadecimal(p, end);
  return first == '-' && !startsHexadecimal(p + 1, end);
}

}  // namespace

uint64_t remainingBytes(FILE* file) {
  off_t start = ftello(file);
  if (start < 0 || fseeko(file, 0, SEEK_END) != 0) return kUnknownSize;
  off_t end = ftello(file);
  if (fseeko(file, start, SEEK_SET) != 0 || end < start) return kUnknownSize;
  return static_cast<uint64_t>(end - start);
}

LineSource::LineSource(FILE* file, LineEnds ends)
    : file_(file),
      ends_(ends),
      buffer_(std::make_unique_for_overwrite<char[]>(kReadBlock)),
      capacity_(kReadBlock) {
  off_t start = ftello(file);
  base_ = lineStart_ = start > 0 ? static_cast<uint64_t>(start) : 0;
}

LineSource::LineSource(int descriptor, uint64_t offset, LineEnds ends)
    : descriptor_(descriptor),
      readOffset_(offset),
      ends_(ends),
      markPossible_(false),
      base_(offset),
      lineStart_(offset),
      buffer_(std::make_unique_for_overwrite<char[]>(kReadBlock)),
      capacity_(kReadBlock) {}

bool LineSource::restartAt(uint64_t offset, int lineNumber) {
  begin_ = end_ = 0;
  feedKnown_ = false;
  markPossible_ = false;
  base_ = lineStart_ = offset;
  consumed_ = 0;
  lineNumber_ = lineNumber;
  eof_ = false;
  if (descriptor_ >= 0) {
    readOffset_ = offset;
    return true;
  }
  if (offset > static_cast<uint64_t>(std::numeric_limits<off_t>::max()) ||
      fseeko(file_, static_cast<off_t>(offset), SEEK_SET) != 0) {
    eof_ = true;
    return false;
  }
  return true;
}

size_t LineSource::readBlock(char* into, size_t room) {
  if (descriptor_ < 0) {
    size_t got = std::fread(into, 1, room, file_);
    if (got == 0 && std::ferror(file_)) readFailed_ = true;
    return got;
  }
  for (;;) {
    ssize_t got = pread(descriptor_, into, room, static_cast<off_t>(readOffset_));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      readFailed_ = true;
      return 0;
    }
    readOffset_ += static_cast<uint64_t>(got);
    return static_cast<size_t>(got);
  }
}

bool LineSource::refill() {
  if (eof_) return false;
  feedKnown_ = false;  // the bytes move
  if (begin_ > 0) {
    std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  if (capacity_ - end_ < kReadBlock / 2) {
    std::unique_ptr<char[]> larger = std::make_unique_for_overwrite<char[]>(capacity_ * 2);
    std::memcpy(larger.get(), buffer_.get(), end_);
    buffer_ = std::move(larger);
    capacity_ *= 2;
  }
  size_t got = readBlock(buffer_.get() + end_, capacity_ - end_);
  if (got == 0) {
    eof_ = true;
    return false;
  }
  end_ += got;
  return true;
}

size_t LineSource::nextFeed(size_t from) {
  if (feedKnown_ && from >= feedFrom_ && from <= feedAt_) return feedAt_;
  const void* feed = std::memchr(buffer_.get() + from, '\n', end_ - from);
  feedFrom_ = from;
  feedAt_ = feed != nullptr ? static_cast<size_t>(static_cast<const char*>(feed) - buffer_.get()) : end_;
  feedKnown_ = true;
  return feedAt_;
}

size_t LineSource::lengthToAnyEnd(size_t searched) {
  const char* base = buffer_.get();
  size_t limit = nextFeed(searched);
  bool feed = limit < end_;
  const void* ret = std::memchr(base + searched, '\r', limit - searched);
  if (ret != nullptr) {
    size_t at = static_cast<size_t>(static_cast<const char*>(ret) - base);
    // A CR as the buffer's last byte may be the first half of CR LF.
    if (at + 1 >= end_) return 0;
    return at + 1 - begin_ + (base[at + 1] == '\n' ? 1 : 0);
  }
  return feed ? limit + 1 - begin_ : 0;
}

bool LineSource::next(std::string_view* line) {
  size_t searched = begin_;
  for (;;) {
    size_t length = 0;
    if (ends_ == LineEnds::kAny) {
      length = lengthToAnyEnd(searched);
    } else if (const void* feed = std::memchr(buffer_.get() + searched, '\n', end_ - searched);
               feed != nullptr) {
      length = static_cast<size_t>(static_cast<const char*>(feed) - buffer_.get()) + 1 - begin_;
    }
    if (length > 0) {
      emitLine(length, line);
      return true;
    }
    size_t pending = end_ - begin_;
    if (!refill()) {
      if (pending == 0) return false;
      emitLine(pending, line);  // a last line without a line end
      return true;
    }
    // A trailing CR is searched again, with the byte after it now in hand.
    searched = begin_ + (pending > 0 && buffer_[begin_ + pending - 1] == '\r' ? pending - 1 : pending);
  }
}

void LineSource::emitLine(size_t length, std::string_view* line) {
  const char* start = buffer_.get() + begin_;
  const void* nul = std::memchr(start, '\0', length);
  size_t textLength = nul != nullptr ? static_cast<size_t>(static_cast<const char*>(nul) - start) : length;
  *line = std::string_view(start, textLength);
  lineStart_ = offset();
  begin_ += length;
  consumed_ += length;
  ++lineNumber_;
  if (lineNumber_ == 1 && markPossible_ && ends_ == LineEnds::kAny) dropByteOrderMark(line);
}

void LineSource::dropByteOrderMark(std::string_view* line) {
  if (startsWith(*line, "\xEF\xBB\xBF")) line->remove_prefix(3);
}

std::string_view TokenCursor::next(const DelimiterSet& delimiters) {
  skipDelimiters(delimiters);
  size_t size = text_.size();
  size_t start = position_;
  while (position_ < size && !delimiters.contains(text_[position_])) ++position_;
  std::string_view token = text_.substr(start, position_ - start);
  if (position_ < size) ++position_;  // the delimiter that ended the token
  return token;
}

void TokenCursor::skipDelimiters(const DelimiterSet& delimiters) {
  size_t size = text_.size();
  while (position_ < size && delimiters.contains(text_[position_])) ++position_;
}

void TokenCursor::skipToken(const DelimiterSet& delimiters) {
  size_t size = text_.size();
  while (position_ < size && !delimiters.contains(text_[position_])) ++position_;
  if (position_ < size) ++position_;  // the delimiter that ended the token
}

bool TokenCursor::nextNumber(const DelimiterSet& delimiters, double* value) {
  return nextValue(delimiters, value, nullptr) != TokenValue::kEnd;
}

TokenValue TokenCursor::nextValue(const DelimiterSet& delimiters, double* value, std::string_view* token) {
  skipDelimiters(delimiters);
  if (position_ >= text_.size()) return TokenValue::kEnd;
  size_t start = position_;
  const char* first = text_.data() + start;
  const char* end = text_.data() + text_.size();
  // A plain decimal number (no '+', no white space, no hexadecimal form)
  // is what parseDouble hands to fast_float from the token's first
  // character; reading it straight from the cursor's text gives the same
  // value, because the number stops at the first character that cannot
  // continue it, which a delimiter always is here.
  if (!delimiters.splitsNumbers() && startsPlainNumber(first, end)) {
    double parsed = 0.0;
    fast_float::from_chars_result result = fast_float::from_chars(first, end, parsed);
    if (result.ec == std::errc()) {
      *value = parsed;
      position_ = static_cast<size_t>(result.ptr - text_.data());
      // Whatever follows the number in its token: white space that is no
      // delimiter (a line's end where only blanks delimit) leaves the
      // number whole, anything else does not.
      bool whole = true;
      size_t size = text_.size();
      while (position_ < size && !delimiters.contains(text_[position_])) {
        if (!isCSpace(text_[position_])) whole = false;
        ++position_;
      }
      if (token != nullptr) *token = text_.substr(start, position_ - start);
      if (position_ < size) ++position_;  // the delimiter that ended the token
      return whole ? TokenValue::kNumber : TokenValue::kNotNumber;
    }
  }
  std::string_view text = next(delimiters);
  if (token != nullptr) *token = text;
  return parseNumberInFull(text, value) ? TokenValue::kNumber : TokenValue::kNotNumber;
}

bool TokenCursor::atEnd(const DelimiterSet& delimiters) const {
  for (size_t i = position_; i < text_.size(); ++i) {
    if (!delimiters.contains(text_[i])) return false;
  }
  return true;
}

size_t readNumberPrefix(std::string_view text, double* value) {
  const char* p = text.data();
  const char* end = p + text.size();
  *value = 0.0;
  while (p < end && isCSpace(*p)) ++p;
  if (p == end) return 0;
  const char* digits = p;
  if (*digits == '+') {
    ++digits;
    if (digits == end || *digits == '-' || *digits == '+') return 0;
  }
  const char* unsignedPart = (*digits == '-') ? digits + 1 : digits;
  if (!startsHexadecimal(unsignedPart, end)) {
    fast_float::from_chars_result result = fast_float::from_chars(digits, end, *value);
    if (result.ec == std::errc()) return static_cast<size_t>(result.ptr - text.data());
    *value = 0.0;
    if (result.ptr == digits) {
      // fast_float takes no number here; strtod takes none either unless
      // the text is one of the forms only the C library knows.
      if (unsignedPart == end ||
          (*unsignedPart != 'i' && *unsignedPart != 'I' && *unsignedPart != 'n' && *unsignedPart != 'N')) {
        return 0;
      }
    }
  }
  size_t used = 0;
  *value = strtodInCLocale(std::string_view(p, static_cast<size_t>(end - p)), &used);
  return used == 0 ? 0 : static_cast<size_t>(p - text.data()) + used;
}

double parseDouble(std::string_view text) {
  double value = 0.0;
  readNumberPrefix(text, &value);
  return value;
}

bool parseNumberInFull(std::string_view text, double* value) {
  size_t used = readNumberPrefix(text, value);
  return used > 0 && onlySpaceUntil(text.data() + used, text.data() + text.size());
}

bool parseWholeNumber(std::string_view token, double* value) {
  const char* p = token.data();
  const char* end = p + token.size();
  if (p < end && *p == '+' && end - p > 1 && p[1] != '-') ++p;
  if (p == end || !((*p >= '0' && *p <= '9') || *p == '.' || *p == '-')) return false;
  double parsed = 0.0;
  fast_float::from_chars_result result = fast_float::from_chars(p, end, parsed);
  if (result.ec != std::errc() || result.ptr != end) return false;
  *value = parsed;
  return true;
}

int parseInt(std::string_view text) {
  const char* p = text.data();
  const char* end = p + text.size();
  while (p < end && isCSpace(*p)) ++p;
  bool negative = false;
  if (p < end && (*p == '+' || *p == '-')) {
    negative = *p == '-';
    ++p;
  }
  long long value = 0;
  for (; p < end && *p >= '0' && *p <= '9'; ++p) {
    value = value * 10 + (*p - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) {
      value = static_cast<long long>(INT_MAX) + 1;
    }
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

}  // namespace korvel
