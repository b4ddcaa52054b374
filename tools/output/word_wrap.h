// Text laid out for a terminal: the width to wrap at, and words wrapped
// to it.
#ifndef KORVEL_TOOLS_OUTPUT_WORD_WRAP_H
#define KORVEL_TOOLS_OUTPUT_WORD_WRAP_H

#include <cstddef>
#include <string>
#include <vector>

namespace korvel::tool {

// The width to wrap text for standard output at: the terminal's, else 100.
size_t outputWidth();

// `words` after `lead`, wrapped at `width` with following lines indented
// by `indent` blanks; a word longer than a line stands alone.
std::string wrapWords(const std::string& lead, const std::vector<std::string>& words, size_t indent,
                      size_t width, const std::string& separator = " ");

}  // namespace korvel::tool

#endif  // KORVEL_TOOLS_OUTPUT_WORD_WRAP_H
