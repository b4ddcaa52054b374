// Standard input ("-") as a file the plug-in can open: the plug-in reads
// by path and chooses its reader by the extension, so the text is copied
// once into a temporary file named with an extension given by the user or
// guessed from the contents.
#ifndef KORVEL_TOOLS_SESSION_STANDARD_INPUT_H
#define KORVEL_TOOLS_SESSION_STANDARD_INPUT_H

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

// The extension that fits the leading text of a file, told from its
// header as the readers read it (plugin/file_header.h): "sc" when the
// simulator's header line is there, "sNp" for Touchstone when the port
// count can be told: a [Number of Ports] keyword, or the one port count
// whose whole points (1 + 2N² numbers: one- and two-port points whole on
// their lines, larger ones from a new line with each matrix row on lines
// of its own) the data lines after the option line hold. When several
// counts fit, only rising frequencies tell them apart. Empty when it
// cannot be told, with `*why` saying why. `whole` says `head` is the whole
// text (else its last line may be cut).
std::string guessExtension(std::string_view head, std::string* why = nullptr, bool whole = true);

}  // namespace korvel::tool

#endif  // KORVEL_TOOLS_SESSION_STANDARD_INPUT_H
