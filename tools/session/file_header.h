// What a person wants to know of a file that the plug-in does not report:
// the parameter type and data format as written, and the header comments.
// The tool reads the leading lines of the file itself for these (the
// plug-in's record of an opened file is its own): the Touchstone option
// line and keywords with the '!' lines before the data, or the SC header's
// "*|" lines with its '*' comment lines.
#ifndef KORVEL_TOOLS_SESSION_FILE_HEADER_H
#define KORVEL_TOOLS_SESSION_FILE_HEADER_H

#include <string>
#include <string_view>
#include <vector>

namespace korvel::tool {

struct FileHeader {
  std::string version;                // the [Version] keyword, empty for 1.x files
  std::string parameterType;          // S, Y, Z, H, G as written, upper case
  std::string dataFormat;             // DB, MA, RI as written, upper case
  std::string frequencyUnit;          // as written ("GHz")
  bool optionLine = false;            // whether a Touchstone option line was seen
  std::vector<std::string> comments;  // the comment lines before the data
};

// Reads at most the first `limit` bytes of `path`.
FileHeader readFileHeader(const std::string& path, bool scFormat, size_t limit = 256 * 1024);

// The header of a Touchstone file (1.x or 2.x) from its leading text.
FileHeader touchstoneHeader(std::string_view head);
// The header of an SC file from its leading text.
FileHeader scHeader(std::string_view head);

// "MA (magnitude, angle)"; the format itself when it is not one of the three.
std::string describeDataFormat(const std::string& format);

}  // namespace korvel::tool

#endif  // KORVEL_TOOLS_SESSION_FILE_HEADER_H
