// The groups of the waveform names, for the plug-in and the tool alike.
//
// Every waveform name is its group, a slash and its item: "S-Par/S(2,1)",
// "Zo/Zod(1)", "Noise-Par/NFmin". The viewer tells a waveform's kind by
// the group, so the group names are fixed letter for letter; this header
// is the one place that spells them. It depends on nothing else of the
// reader, so that every part of the tool may use it.
#ifndef KORVEL_DATASET_WAVEFORM_GROUPS_H
#define KORVEL_DATASET_WAVEFORM_GROUPS_H

#include <string>
#include <string_view>

namespace korvel {

inline constexpr std::string_view kScatteringGroup = "S-Par";
inline constexpr std::string_view kReferenceImpedanceGroup = "Zo";
inline constexpr std::string_view kImpedanceGroup = "Z-Par";
inline constexpr std::string_view kAdmittanceGroup = "Y-Par";
inline constexpr std::string_view kGainGroup = "Gain-Par";
inline constexpr std::string_view kNoiseGroup = "Noise-Par";
inline constexpr std::string_view kGroupDelayGroup = "GroupDelay";

inline constexpr char kGroupSeparator = '/';

// "GROUP/ITEM".
inline std::string waveformName(std::string_view group, std::string_view item) {
  std::string name;
  name.reserve(group.size() + 1 + item.size());
  name.append(group);
  name += kGroupSeparator;
  name.append(item);
  return name;
}

// The group of a name, up to its first slash; a name without one is all
// group.
inline std::string_view waveformGroup(std::string_view name) {
  return name.substr(0, name.find(kGroupSeparator));
}

// The item of a name, after its first slash; a name without one is all
// item.
inline std::string_view waveformItem(std::string_view name) {
  size_t slash = name.find(kGroupSeparator);
  return slash == std::string_view::npos ? name : name.substr(slash + 1);
}

// True when `name` lies in `group`: it begins with the group and a slash.
inline bool inWaveformGroup(std::string_view name, std::string_view group) {
  return name.size() > group.size() && name.starts_with(group) && name[group.size()] == kGroupSeparator;
}

}  // namespace korvel

#endif  // KORVEL_DATASET_WAVEFORM_GROUPS_H
