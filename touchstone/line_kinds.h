// The kinds of line a Touchstone file holds, told apart by their first
// character, and the comment that "!" starts anywhere on a line.
#ifndef KORVEL_TOUCHSTONE_LINE_KINDS_H
#define KORVEL_TOUCHSTONE_LINE_KINDS_H

#include <string_view>

#include "text/text_input.h"

namespace korvel {

// A comment line: "!" in the first column. Mapping comments live in these.
inline bool isCommentLine(std::string_view line) { return !line.empty() && line[0] == '!'; }

// The option line: "#" as its first field, in the first column or after
// blanks (as some network analysers indent it).
inline bool isOptionLine(std::string_view line) {
  size_t first = line.find_first_not_of(" \t");
  return first != std::string_view::npos && line[first] == '#';
}

// The text of a line before its first "!": a comment may follow the fields
// of an option, data or noise line and is never read as numbers.
inline std::string_view withoutComment(std::string_view line) { return line.substr(0, line.find('!')); }

// True when the line holds no field: nothing but blanks, tabs and line ends
// before any comment.
inline bool isBlankLine(std::string_view line) {
  return TokenCursor(withoutComment(line)).atEnd(kWhitespaceDelimiters);
}

}  // namespace korvel

#endif  // KORVEL_TOUCHSTONE_LINE_KINDS_H
