// korvel get: values of waveforms at chosen frequencies, for a person. A
// frequency on the grid gives the stored point; one between two grid
// points gives the straight line between them, on the real and imaginary
// parts (said so in the output); one outside the grid is an error.
#ifndef KORVEL_TOOLS_WAVEFORM_VALUES_H
#define KORVEL_TOOLS_WAVEFORM_VALUES_H

#include <ostream>
#include <string>
#include <vector>

#include "tools/plugin_session.h"
#include "tools/value_units.h"

namespace korvel::tool {

// Reads "5GHz", "5 GHz", "2.5e9", "500M", "100k" (units and the letters
// k, M, G, T in any case) as hertz; false when the text is not one.
bool parseFrequency(const std::string& text, double* hertz);

// Where a frequency falls on a grid.
struct GridPlace {
  enum class Kind { kExact, kBetween, kOutside };
  Kind kind = Kind::kOutside;
  size_t index = 0;     // the point, or the lower neighbour
  double weight = 0.0;  // between: the share of the upper neighbour
};

// Finds `f` on the frequencies `x` (rising, as the readers store them).
GridPlace placeOnGrid(const std::vector<double>& x, double f);

// The value at `place`: one double for a real waveform, two for complex,
// interpolated linearly on each part between neighbours.
void valueAt(const std::vector<double>& y, bool complex, const GridPlace& place, double* out);

// Writes the table of `queries` ("NAME" or "NAME@FREQ") for each file.
int printValues(PluginSession& session, const std::vector<std::string>& paths,
                const std::vector<std::string>& queries, ValueUnit unit, std::ostream& out);

}  // namespace korvel::tool

#endif  // KORVEL_TOOLS_WAVEFORM_VALUES_H
