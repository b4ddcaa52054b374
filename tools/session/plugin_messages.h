// What the plug-in prints, turned into korvel's own lines. The plug-in
// writes its reasons for refusing a file on standard error (sometimes
// several run together, with stray blanks and line ends) and a line on
// standard output for every singular matrix it meets, which can be one
// per frequency point. The tool collects both and shows one line each:
//   korvel: FILE: refused: MESSAGE
//   korvel: FILE: Matrix ([I] - S) is singular at 401 points
#ifndef KORVEL_TOOLS_SESSION_PLUGIN_MESSAGES_H
#define KORVEL_TOOLS_SESSION_PLUGIN_MESSAGES_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace korvel::tool {

// The plug-in's messages as one line: each message trimmed of surrounding
// blanks and line ends, messages that ran together split apart, all joined
// by one blank. Empty when there was no text.
std::string oneLineMessage(std::string_view text);

// The lines of the text trimmed, each distinct line once in order of first
// appearance with how many times it came.
struct RepeatedLine {
  std::string text;
  size_t count = 0;
};
std::vector<RepeatedLine> countRepeatedLines(std::string_view text);
// Counts one more line (trimmed; blank lines are not counted).
void countLine(std::vector<RepeatedLine>* counted, std::string_view line);

// The tool's wording of a reader message that says too little on its own
// ("Can not find the header line." becomes "no option line (#) before the
// data."); any other text as it is.
std::string presentedMessage(std::string text);

// Whether a message is the calculation's report of a matrix with no
// inverse at one frequency point: it comes once for each such point.
bool isSingularPointMessage(std::string_view line);

// The collapsed line for a message that came `count` times: a singular
// point message as "TEXT at COUNT points", any other as "TEXT" or
// "TEXT (COUNT times)". The message's own closing full stop is dropped
// when anything follows it.
std::string collapsedMessage(const RepeatedLine& line);

}  // namespace korvel::tool

#endif  // KORVEL_TOOLS_SESSION_PLUGIN_MESSAGES_H
