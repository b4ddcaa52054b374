// The keyword section of a Touchstone 2.x file: from [Version] to
// [Network Data].
//
//   [Version] 2.1
//   # GHz S MA R 50
//   [Number of Ports] 4
//   [Number of Frequencies] 101        (these in any order)
//   [Reference] 50 50 75 75
//   [Matrix Format] Upper
//   [Mixed-Mode Order] D1,2 C1,2 S3 S4
//   [Network Data]
#ifndef KORVEL_TOUCHSTONE_KEYWORD_HEADER_H
#define KORVEL_TOUCHSTONE_KEYWORD_HEADER_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text/text_input.h"
#include "touchstone/option_line.h"
#include "touchstone/scattering_points.h"

namespace korvel {

// The name of a keyword line ("[Number of Ports] 4" gives "number of
// ports": lower case, blanks inside reduced to one), or empty when the line
// is no keyword line. `*rest` receives the text after the "]".
std::string keywordName(std::string_view line, std::string_view* rest = nullptr);

// The version a [Version] line gives: its first field after the "]"
// ("2.0"), empty when there is none.
std::string_view keywordVersion(std::string_view versionLine);

// True, with the count in `*count`, when the text after a keyword's "]"
// is one count of decimal digits and nothing else but a comment.
bool keywordCount(std::string_view rest, int64_t* count);

// True when the first field of the line is a keyword ("[" after blanks).
bool isKeywordLine(std::string_view line);

struct KeywordHeader {
  OptionLine option;
  int ports = 0;
  int portsLine = 0;
  int64_t frequencies = 0;       // [Number of Frequencies]
  int64_t noiseFrequencies = 0;  // [Number of Noise Frequencies], 0 when absent
  int noiseFrequenciesLine = 0;
  bool columnsFirst = true;  // two-port order 21_12 (N11 N21 N12 N22)
  MatrixFormat matrix = MatrixFormat::kFull;
  std::vector<double> reference;  // [Reference], one per port, or empty
  struct ModeDescriptor {
    char mode = 'S';  // 'D', 'C' or 'S'
    int first = 0;    // the port (S) or the pair's ports, from 1
    int second = 0;
  };
  std::vector<ModeDescriptor> mixedModeOrder;  // empty when absent
  int mixedModeLine = 0;
  bool networkDataFound = false;  // the section ended at [Network Data]
};

// Reads from the line after [Version] (whose line `versionLine` holds) to
// the [Network Data] line inclusive, following the keyword rules; comment
// and blank lines are skipped anywhere. Returns kOk, or reports what is
// wrong (naming the keyword and line) and returns kFailed; a `collecting`
// read hears of every problem the section has.
int readKeywordHeader(LineSource* source, std::string_view versionLine, bool collecting,
                      KeywordHeader* header);

}  // namespace korvel

#endif  // KORVEL_TOUCHSTONE_KEYWORD_HEADER_H
