// Waveform names as people type them. A catalogue name is group/item with
// matrix indices in parentheses ("S-Par/S(2,1)", "S-Par/Sdd(2,1)",
// "Noise-Par/NFmin"); a name given on the command line may be the full
// name in any case, the item alone ("S(2,1)", "NFmin", "K"), or the item
// with its indices run together ("S21", "Sdd21", "Zo1"). It resolves to
// exactly one catalogue name or to nothing, with the close names to
// suggest. get, props, dump and plot all resolve names here.
#ifndef KORVEL_TOOLS_NAMES_NAME_RESOLVER_H
#define KORVEL_TOOLS_NAMES_NAME_RESOLVER_H

#include <string>
#include <string_view>
#include <vector>

namespace korvel::tool {

struct NameResolution {
  enum class Outcome { kFound, kAmbiguous, kUnknown };
  Outcome outcome = Outcome::kUnknown;
  std::string name;                      // the catalogue name when found
  std::vector<std::string> suggestions;  // the candidates, or close names
};

// Resolves `typed` against `catalogue`. Tried in order, the first step
// that matches decides: the exact name; the full name ignoring case; the
// item ignoring case; the item with parentheses, commas and blanks left
// out. Several matches in one step make the name ambiguous.
NameResolution resolveWaveformName(const std::vector<std::string>& catalogue, std::string_view typed);

// The message for a name that did not resolve:
// "no waveform named S31 (did you mean S-Par/S(2,1), S-Par/S(1,1)?)" or
// "S(1,1) is ambiguous: S-Par/Sdd(1,1), ...".
std::string unresolvedMessage(std::string_view typed, const NameResolution& resolution);

// The two-port whose figures (the Gain-Par and Noise-Par waveforms) a
// mixed-mode file's catalogue holds, named as its S-parameters are: "Sdd"
// when ports 1 and 2 of the formulas are differential ports 1 and 2. The
// plug-in takes port 1 from terminal D1 or S1 and port 2 from D2 or S2;
// the catalogue's reference names ("Zo/Zod(1)") tell which there are.
// Empty for a file that is not mixed mode, or whose catalogue does not
// name exactly one of each.
std::string mixedModeTwoPort(const std::vector<std::string>& catalogue);

// Whether `name` is one of the two-port figures mixedModeTwoPort names.
bool isTwoPortFigure(std::string_view name);

}  // namespace korvel::tool

#endif  // KORVEL_TOOLS_NAMES_NAME_RESOLVER_H
