// Which panels a page holds: the default page chosen by the shape of a
// file, or the waveforms named on the command line grouped by the axis
// they share.
#ifndef KORVEL_TOOLS_PLOT_PAGE_PLAN_H
#define KORVEL_TOOLS_PLOT_PAGE_PLAN_H

#include <functional>
#include <string>
#include <vector>

#include "tools/plot/figure.h"

namespace korvel::plot {

// A file's shape as its catalogue shows it.
enum class FileShape {
  kOnePort,
  kTwoPort,
  kMixedFourPort,  // two differential and two common-mode terminals
  kManyPorts,      // three ports or more, or another mixed-mode layout
  kNoScattering,   // no S-parameters at all
};

FileShape shapeOf(const std::vector<std::string>& catalogue);

// The S-parameter names of a catalogue that a page may need before the
// largest transmissions are known: every one.
std::vector<std::string> scatteringNames(const std::vector<std::string>& catalogue);

// The largest magnitude a waveform reaches (over all its points), used to
// pick the transmissions worth showing on files with many ports.
using PeakOf = std::function<double(const std::string& name)>;

// Whether two waveforms hold the same values as far as a picture can tell
// (a reciprocal pair), used to draw such a pair once.
using SameValues = std::function<bool(const std::string& name, const std::string& other)>;

// How many transmissions the default page of a file with many ports shows.
constexpr size_t kLargestTransmissions = 4;

// The default page of a file:
// - two-port: transmission (S21, S12 in dB), reflection (S11, S22 in dB),
//   a Smith chart (S11, S22, GammaOpt), gains (Gmax, Gmsg, Gas), K, and
//   noise figure (NFmin, NF), each as far as the catalogue has them;
// - mixed-mode four-port: differential transmission and reflection, mode
//   conversion, common mode;
// - one-port: reflection and its Smith chart;
// - more ports: the reflections and the largest transmissions, a
//   reciprocal pair (S(i,j) the same as S(j,i)) once, labelled with both.
std::vector<PanelSpec> defaultPage(const std::vector<std::string>& catalogue, const PeakOf& peak,
                                   const SameValues& same = nullptr);

// The Smith charts of `page`, or when it has none one chart of the
// reflections of the catalogue.
std::vector<PanelSpec> smithPage(const std::vector<PanelSpec>& page,
                                 const std::vector<std::string>& catalogue);

// After each panel drawn against frequency (or, on a page of Smith charts
// alone, after each chart), a panel of the phases of the same waveforms
// (figure building drops the ones with no complex waveform).
std::vector<PanelSpec> withPhasePanels(const std::vector<PanelSpec>& page);

// Named waveforms, one panel per y axis they share (same quantity and unit),
// in the order the names were given; with `smith`, one Smith chart.
std::vector<PanelSpec> namedPage(const std::vector<std::string>& names, const WaveformSet& waveforms,
                                 bool smith);

// Whether `name` is an S-parameter that is not a reflection (a
// transmission or a mode conversion), which a Smith chart cannot show.
bool isScatteringTransfer(const std::string& name);

// Whether two loaded waveforms have the same points and values within what
// a picture shows (1e-4 of the larger magnitude, 0.001 dB); false when
// either is absent.
bool sameValues(const host::RecordedWaveform* a, const host::RecordedWaveform* b);

// The peak magnitude of a loaded complex waveform, 0 when absent.
double peakMagnitude(const host::RecordedWaveform* waveform);

}  // namespace korvel::plot

#endif  // KORVEL_TOOLS_PLOT_PAGE_PLAN_H
