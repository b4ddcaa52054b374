// Standard input ("-") as a file the plug-in can open: the plug-in reads
// by path and chooses its reader by the extension, so the text is copied
// once into a temporary file named with an extension given by the user or
// guessed from the contents.
#ifndef KORVEL_TOOLS_STANDARD_INPUT_H
#define KORVEL_TOOLS_STANDARD_INPUT_H

#include <string>
#include <string_view>

namespace korvel::tool {

class StandardInputCopy {
 public:
  // Copies standard input; `extension` (without dot, e.g. "s2p") names
  // the copy, or is guessed when empty. `*error` says why on failure.
  bool make(const std::string& extension, std::string* error);
  ~StandardInputCopy();

  const std::string& path() const { return path_; }

 private:
  std::string directory_;
  std::string path_;
};

// The extension that fits the leading text of a file: "sc" for the
// simulator's own format, "sNp" for Touchstone when the port count can be
// told (a [Number of Ports] keyword, or one or two ports by the numbers on
// the first data line); empty when it cannot be told.
std::string guessExtension(std::string_view head);

}  // namespace korvel::tool

#endif  // KORVEL_TOOLS_STANDARD_INPUT_H
