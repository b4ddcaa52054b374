// korvel get: values of waveforms at chosen frequencies, for a person. A
// frequency on the grid gives the stored point; one between two grid
// points gives the straight line between them, on the real and imaginary
// parts (said so in the output); one outside the grid is an error.
#ifndef KORVEL_TOOLS_COMMANDS_GET_WAVEFORM_VALUES_H
#define KORVEL_TOOLS_COMMANDS_GET_WAVEFORM_VALUES_H

#include <ostream>
#include <string>
#include <vector>

#include "tools/output/value_units.h"
#include "tools/session/plugin_session.h"

namespace korvel::tool {

// Reads "5GHz", "5 GHz", "2.5e9", "500M", "100k" (units and the letters
// k, M, G, T in any case) as hertz; false when the text is not one.
bool parseFrequency(const std::string& text, double* hertz);

// Where a frequency falls on a grid.
struct GridPlace {
  // kUnclear: the grid does not rise strictly around the frequency, so
  // no one point or pair of neighbours gives its value.
  enum class Kind { kExact, kBetween, kOutside, kUnclear };
  Kind kind = Kind::kOutside;
  size_t index = 0;     // the point, or the lower neighbour; unclear: the
                        // first point whose follower does not rise above it
  double weight = 0.0;  // between: the share of the upper neighbour
  size_t points = 0;    // unclear: how many points lie exactly at it
};

// Finds `f` on the frequencies `x`. The readers keep a frequency that does
// not rise (with a warning), so the grid is not taken to rise: one point
// at `f` is exact; otherwise only a pair of neighbours that rises strictly
// around `f`, with no other point between them and no other pair spanning
// `f`, interpolates.
GridPlace placeOnGrid(const std::vector<double>& x, double f);

// The value at `place`: one double for a real waveform, two for complex,
// interpolated linearly on each part between neighbours.
void valueAt(const std::vector<double>& y, bool complex, const GridPlace& place, double* out);

// Writes the table of `queries` ("NAME" or "NAME@FREQ") for each file.
int printValues(PluginSession& session, const std::vector<std::string>& paths,
                const std::vector<std::string>& queries, ValueUnit unit, std::ostream& out);

}  // namespace korvel::tool

#endif  // KORVEL_TOOLS_COMMANDS_GET_WAVEFORM_VALUES_H
