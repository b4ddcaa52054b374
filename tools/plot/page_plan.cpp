// Choosing the panels of a page.
#include "tools/plot/page_plan.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>

#include "dataset/waveform_groups.h"

namespace korvel::plot {

namespace {

constexpr size_t kLongestTitle = 60;

// The indices and mode letters of an S-parameter name: "S-Par/Sdc(2,1)"
// gives modes "dc", row 2, column 1.
struct MatrixEntry {
  std::string modes;
  int row = 0;
  int column = 0;
};

// "S-Par/S", which every S-parameter name begins with.
std::string scatteringPrefix() { return waveformName(kScatteringGroup, "S"); }

bool parseEntry(const std::string& name, MatrixEntry* entry) {
  static const std::string prefix = scatteringPrefix();
  if (name.rfind(prefix, 0) != 0) return false;
  std::string rest = name.substr(prefix.size());
  size_t open = rest.find('(');
  if (open == std::string::npos) return false;
  entry->modes = rest.substr(0, open);
  return std::sscanf(rest.c_str() + open, "(%d,%d)", &entry->row, &entry->column) == 2;
}

bool isReflection(const MatrixEntry& entry) {
  bool sameMode = entry.modes.empty() || (entry.modes.size() == 2 && entry.modes[0] == entry.modes[1]);
  return sameMode && entry.row == entry.column;
}

std::string scattering(const std::string& item) { return scatteringPrefix() + item; }
std::string gain(const char* item) { return waveformName(kGainGroup, item); }
std::string noise(const char* item) { return waveformName(kNoiseGroup, item); }

// `spec` with the names the catalogue lacks left out.
PanelSpec present(PanelSpec spec, const std::set<std::string>& catalogue) {
  std::erase_if(spec.names, [&](const std::string& name) { return catalogue.count(name) == 0; });
  return spec;
}

std::vector<PanelSpec> presentPanels(std::vector<PanelSpec> page, const std::vector<std::string>& catalogue) {
  std::set<std::string> known(catalogue.begin(), catalogue.end());
  std::vector<PanelSpec> kept;
  for (PanelSpec& spec : page) {
    PanelSpec trimmed = present(std::move(spec), known);
    if (!trimmed.names.empty()) kept.push_back(std::move(trimmed));
  }
  return kept;
}

std::vector<std::string> reflectionsOf(const std::vector<std::string>& catalogue) {
  std::vector<std::string> names;
  for (const std::string& name : catalogue) {
    MatrixEntry entry;
    if (parseEntry(name, &entry) && isReflection(entry)) names.push_back(name);
  }
  return names;
}

std::string reverseOf(const std::string& name) {
  MatrixEntry entry;
  if (!parseEntry(name, &entry)) return {};
  std::string modes(entry.modes.rbegin(), entry.modes.rend());
  return scatteringPrefix() + modes + "(" + std::to_string(entry.column) + "," + std::to_string(entry.row) +
         ")";
}

// The transmissions with the largest peaks; of a reciprocal pair only the
// first, labelled with both names.
PanelSpec largestTransmissions(const std::vector<std::string>& catalogue, const PeakOf& peak,
                               const SameValues& same) {
  std::vector<std::pair<double, std::string>> ranked;
  for (const std::string& name : catalogue) {
    MatrixEntry entry;
    if (!parseEntry(name, &entry) || isReflection(entry)) continue;
    double value = peak ? peak(name) : 0.0;
    ranked.push_back({std::isfinite(value) ? value : 0.0, name});
  }
  std::stable_sort(ranked.begin(), ranked.end(),
                   [](const auto& a, const auto& b) { return a.first > b.first; });
  PanelSpec spec{"Largest transmissions", PanelKind::kCartesian, {}, {}};
  std::set<std::string> drawn;  // picked, or drawn with the one picked
  for (size_t i = 0; i < ranked.size() && spec.names.size() < kLargestTransmissions; ++i) {
    const std::string& name = ranked[i].second;
    if (drawn.count(name) != 0) continue;
    spec.names.push_back(name);
    drawn.insert(name);
    std::string reverse = reverseOf(name);
    bool known =
        std::any_of(ranked.begin(), ranked.end(), [&](const auto& r) { return r.second == reverse; });
    if (known && same && same(name, reverse)) {
      drawn.insert(reverse);
      spec.labels[name] = shortName(name) + " = " + shortName(reverse);
    }
  }
  return spec;
}

std::vector<PanelSpec> twoPortPage() {
  return {
      {"Transmission", PanelKind::kCartesian, {scattering("(2,1)"), scattering("(1,2)")}},
      {"Reflection", PanelKind::kCartesian, {scattering("(1,1)"), scattering("(2,2)")}},
      {"Smith chart", PanelKind::kSmith, {scattering("(1,1)"), scattering("(2,2)"), noise("GammaOpt")}},
      {"Gains", PanelKind::kCartesian, {gain("Gmax"), gain("Gmsg"), gain("Gas")}},
      {"Stability", PanelKind::kCartesian, {gain("K")}},
      {"Noise figure", PanelKind::kCartesian, {noise("NFmin"), noise("NF")}},
  };
}

std::vector<PanelSpec> mixedFourPortPage() {
  return {
      {"Differential transmission", PanelKind::kCartesian, {scattering("dd(2,1)"), scattering("dd(1,2)")}},
      {"Differential reflection", PanelKind::kCartesian, {scattering("dd(1,1)"), scattering("dd(2,2)")}},
      {"Mode conversion",
       PanelKind::kCartesian,
       {scattering("cd(2,1)"), scattering("dc(2,1)"), scattering("cd(1,1)"), scattering("dc(1,1)")}},
      {"Common mode", PanelKind::kCartesian, {scattering("cc(2,1)"), scattering("cc(1,1)")}},
  };
}

std::vector<PanelSpec> onePortPage() {
  return {
      {"Reflection", PanelKind::kCartesian, {scattering("(1,1)")}},
      {"Smith chart", PanelKind::kSmith, {scattering("(1,1)")}},
  };
}

// The y axis a named waveform is drawn against, as a key that groups
// names into panels.
std::string axisKey(const std::string& name, const host::RecordedWaveform& waveform) {
  Display display = displayOf(waveform);
  bool decibels = display == Display::kDbAmplitude || display == Display::kDbPower;
  return quantityOf(name, display) + "|" + (decibels ? std::string("dB") : waveform.yUnit);
}

std::string titleOf(const std::vector<std::string>& names) {
  std::string title;
  for (const std::string& name : names) {
    std::string item = shortName(name);
    if (title.size() + item.size() > kLongestTitle) return title + ", …";
    title += title.empty() ? item : ", " + item;
  }
  return title;
}

}  // namespace

FileShape shapeOf(const std::vector<std::string>& catalogue) {
  std::set<std::string> known(catalogue.begin(), catalogue.end());
  std::vector<std::string> names = scatteringNames(catalogue);
  if (names.empty()) return FileShape::kNoScattering;
  bool mixed = false;
  for (const std::string& name : names) {
    MatrixEntry entry;
    if (parseEntry(name, &entry) && !entry.modes.empty()) mixed = true;
  }
  if (mixed) {
    bool fourPort = names.size() == 16;
    for (const char* modes : {"dd", "dc", "cd", "cc"}) {
      fourPort = fourPort && known.count(scattering(std::string(modes) + "(2,1)")) != 0;
    }
    return fourPort ? FileShape::kMixedFourPort : FileShape::kManyPorts;
  }
  if (names.size() == 1) return FileShape::kOnePort;
  if (names.size() == 4) return FileShape::kTwoPort;
  return FileShape::kManyPorts;
}

std::vector<std::string> scatteringNames(const std::vector<std::string>& catalogue) {
  std::vector<std::string> names;
  for (const std::string& name : catalogue) {
    MatrixEntry entry;
    if (parseEntry(name, &entry)) names.push_back(name);
  }
  return names;
}

std::vector<PanelSpec> defaultPage(const std::vector<std::string>& catalogue, const PeakOf& peak,
                                   const SameValues& same) {
  switch (shapeOf(catalogue)) {
    case FileShape::kOnePort:
      return presentPanels(onePortPage(), catalogue);
    case FileShape::kTwoPort:
      return presentPanels(twoPortPage(), catalogue);
    case FileShape::kMixedFourPort:
      return presentPanels(mixedFourPortPage(), catalogue);
    case FileShape::kManyPorts:
      return presentPanels({{"Reflections", PanelKind::kCartesian, reflectionsOf(catalogue)},
                            largestTransmissions(catalogue, peak, same)},
                           catalogue);
    case FileShape::kNoScattering:
      break;
  }
  return {};
}

std::vector<PanelSpec> smithPage(const std::vector<PanelSpec>& page,
                                 const std::vector<std::string>& catalogue) {
  std::vector<PanelSpec> charts;
  for (const PanelSpec& spec : page) {
    if (spec.kind == PanelKind::kSmith) charts.push_back(spec);
  }
  if (charts.empty()) {
    charts = presentPanels({{"Smith chart", PanelKind::kSmith, reflectionsOf(catalogue)}}, catalogue);
  }
  return charts;
}

std::vector<PanelSpec> withPhasePanels(const std::vector<PanelSpec>& page) {
  // A page of Smith charts alone has no panel against frequency to follow.
  bool chartsOnly = std::none_of(page.begin(), page.end(),
                                 [](const PanelSpec& spec) { return spec.kind == PanelKind::kCartesian; });
  PanelKind followed = chartsOnly ? PanelKind::kSmith : PanelKind::kCartesian;
  std::vector<PanelSpec> withPhase;
  for (const PanelSpec& spec : page) {
    withPhase.push_back(spec);
    if (spec.kind == followed)
      withPhase.push_back({spec.title + ": phase", PanelKind::kPhase, spec.names, spec.labels});
  }
  return withPhase;
}

std::vector<PanelSpec> namedPage(const std::vector<std::string>& names, const WaveformSet& waveforms,
                                 bool smith) {
  if (smith) return {{"Smith chart: " + titleOf(names), PanelKind::kSmith, names}};
  std::vector<std::string> keys;
  std::vector<PanelSpec> page;
  for (const std::string& name : names) {
    auto found = waveforms.find(name);
    if (found == waveforms.end() || found->second == nullptr) continue;
    std::string key = axisKey(name, *found->second);
    auto slot = std::find(keys.begin(), keys.end(), key);
    if (slot == keys.end()) {
      keys.push_back(key);
      page.push_back({"", PanelKind::kCartesian, {}});
      slot = keys.end() - 1;
    }
    page[static_cast<size_t>(slot - keys.begin())].names.push_back(name);
  }
  for (PanelSpec& spec : page) spec.title = titleOf(spec.names);
  return page;
}

bool isScatteringTransfer(const std::string& name) {
  MatrixEntry entry;
  return parseEntry(name, &entry) && !isReflection(entry);
}

bool sameValues(const host::RecordedWaveform* a, const host::RecordedWaveform* b) {
  if (a == nullptr || b == nullptr || a->dataType != b->dataType || a->segments.size() != b->segments.size())
    return false;
  for (size_t s = 0; s < a->segments.size(); ++s) {
    const host::RecordedSegment& one = a->segments[s];
    const host::RecordedSegment& other = b->segments[s];
    if (one.x != other.x || one.y.size() != other.y.size()) return false;
    size_t width = a->isComplex() ? 2 : 1;
    for (size_t i = 0; i + width <= one.y.size(); i += width) {
      double dre = one.y[i] - other.y[i];
      double dim = width == 2 ? one.y[i + 1] - other.y[i + 1] : 0.0;
      double larger = std::max(std::hypot(one.y[i], width == 2 ? one.y[i + 1] : 0.0),
                               std::hypot(other.y[i], width == 2 ? other.y[i + 1] : 0.0));
      if (!(std::hypot(dre, dim) <= 1e-4 * larger)) return false;
    }
  }
  return true;
}

double peakMagnitude(const host::RecordedWaveform* waveform) {
  double peak = 0;
  if (waveform == nullptr) return peak;
  size_t width = waveform->isComplex() ? 2 : 1;
  for (const host::RecordedSegment& segment : waveform->segments) {
    for (size_t i = 0; i + width <= segment.y.size(); i += width) {
      double magnitude = width == 2 ? std::hypot(segment.y[i], segment.y[i + 1]) : std::fabs(segment.y[i]);
      if (std::isfinite(magnitude)) peak = std::max(peak, magnitude);
    }
  }
  return peak;
}

}  // namespace korvel::plot
