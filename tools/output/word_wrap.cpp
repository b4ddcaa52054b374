// Text laid out for a terminal.
#include "tools/output/word_wrap.h"

#include <sys/ioctl.h>
#include <unistd.h>

namespace korvel::tool {

size_t outputWidth() {
  struct winsize size {};
  if (isatty(STDOUT_FILENO) == 1 && ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col >= 40) {
    return size.ws_col;
  }
  return 100;
}

std::string wrapWords(const std::string& lead, const std::vector<std::string>& words, size_t indent,
                      size_t width, const std::string& separator) {
  std::string text = lead;
  size_t lineLength = lead.size();
  bool lineEmpty = true;
  for (const std::string& word : words) {
    size_t needed = (lineEmpty ? 0 : separator.size()) + word.size();
    if (!lineEmpty && lineLength + needed > width) {
      text += "\n" + std::string(indent, ' ');
      lineLength = indent;
      lineEmpty = true;
      needed = word.size();
    }
    if (!lineEmpty) text += separator;
    text += word;
    lineLength += needed;
    lineEmpty = false;
  }
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

}  // namespace korvel::tool
