// What the header of a file says as its reader reads it: the Touchstone
// version, option line fields, port count keyword and comment lines, or
// the SC header line's data format and its '*' comment lines. The tool
// shows these where the record of an opened file does not keep them, and
// tells standard input's format by them. The readers' own pieces read
// each line (their line ends, byte-order mark, keyword and option-line
// rules), so that the header is never read two ways.
#ifndef KORVEL_PLUGIN_FILE_HEADER_H
#define KORVEL_PLUGIN_FILE_HEADER_H

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace korvel {

enum class HeaderFormat { kTouchstone, kSc };

struct FileHeader {
  std::string version;        // the [Version] keyword's, empty for 1.x files
  std::string parameterType;  // S, Y, Z, H or G as the option line gives it
  std::string dataFormat;     // DB, MA, RI; an SC file's COMPLEX_DATAFORMAT= as written
  std::string frequencyUnit;  // "GHz", "MHz", "kHz" or "Hz"
  bool optionLine = false;    // a Touchstone option line was seen
  int ports = 0;              // [Number of Ports], 0 when not given
  bool scHeaderLine = false;  // the SC header line ("*|" with "N=") was seen
  // Where the data starts: the offset of the first line after the header
  // (a 1.x file's first data line, the line after [Network Data]); only
  // when `dataFound`.
  bool dataFound = false;
  uint64_t dataOffset = 0;
  std::vector<std::string> comments;  // the comment lines before the data
};

// How much of a file its header is looked for in: a line that starts
// beyond it is not read.
inline constexpr uint64_t kHeaderBytes = 256 * 1024;

// The header of the text in `file` from its current position, read as
// `format`. Messages of the option line are not reported.
FileHeader readFileHeader(FILE* file, HeaderFormat format, uint64_t limit = kHeaderBytes);

// The same for the file at `path`; empty when it cannot be opened.
FileHeader readFileHeader(const std::string& path, HeaderFormat format);

// The same for text in memory.
FileHeader readTextHeader(std::string_view text, HeaderFormat format);

}  // namespace korvel

#endif  // KORVEL_PLUGIN_FILE_HEADER_H
