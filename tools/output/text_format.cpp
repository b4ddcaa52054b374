// Number and string formatting for the dumps.
#include "tools/output/text_format.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace korvel::tool {

namespace {

// The length of the valid UTF-8 sequence starting at `text[0]`, or 0 when
// the bytes there are not one (overlong forms and surrogates excluded).
size_t utf8SequenceLength(std::string_view text) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  if (byte(1) < low || byte(1) > high) return 0;
  for (size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  }
  return length;
}

void writeEscapedByte(std::ostream& out, unsigned char byte) {
  char escape[8];
  std::snprintf(escape, sizeof escape, "\\u%04x", byte);
  out << escape;
}

}  // namespace

std::string shortestNumber(double value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";
  char text[32];
  auto [end, error] = std::to_chars(text, text + sizeof text, value);
  return error == std::errc() ? std::string(text, end) : std::string("NaN");
}

void writeJsonNumber(std::ostream& out, double value) {
  if (std::isfinite(value)) {
    out << shortestNumber(value);
  } else {
    out << '"' << shortestNumber(value) << '"';
  }
}

void writeJsonString(std::ostream& out, std::string_view text) {
  out << '"';
  size_t i = 0;
  while (i < text.size()) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    switch (c) {
      case '"':
        out << "\\\"";
        ++i;
        continue;
      case '\\':
        out << "\\\\";
        ++i;
        continue;
      case '\n':
        out << "\\n";
        ++i;
        continue;
      case '\r':
        out << "\\r";
        ++i;
        continue;
      case '\t':
        out << "\\t";
        ++i;
        continue;
      default:
        break;
    }
    if (c < 0x20 || c == 0x7F) {
      writeEscapedByte(out, c);
      ++i;
      continue;
    }
    size_t length = utf8SequenceLength(text.substr(i));
    if (length == 0) {
      writeEscapedByte(out, c);
      ++i;
      continue;
    }
    out.write(text.data() + i, static_cast<std::streamsize>(length));
    i += length;
  }
  out << '"';
}

std::string csvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::string lowerCase(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

std::string upperCase(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

std::string printable(std::string_view text) {
  std::string shown;
  size_t i = 0;
  while (i < text.size()) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    size_t length = c < 0x20 || c == 0x7F ? 0 : utf8SequenceLength(text.substr(i));
    if (length == 0) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02x", c);
      shown += escape;
      ++i;
      continue;
    }
    shown.append(text.data() + i, length);
    i += length;
  }
  return shown;
}

}  // namespace korvel::tool
