// Resolution of typed waveform names against a file's catalogue.
#include "tools/names/name_resolver.h"

#include <algorithm>
#include <functional>

#include "dataset/waveform_groups.h"
#include "tools/output/text_format.h"

namespace korvel::tool {

namespace {

constexpr size_t kMaxSuggestions = 5;
constexpr size_t kLongestCompared = 200;

// Lower case without the characters people leave out when typing indices.
std::string compact(std::string_view text) {
  std::string compacted;
  for (char c : lowerCase(text)) {
    if (c != '(' && c != ')' && c != ',' && c != ' ' && c != '\t') compacted += c;
  }
  return compacted;
}

// The catalogue names for which `matches` holds.
std::vector<std::string> matching(const std::vector<std::string>& catalogue,
                                  const std::function<bool(const std::string&)>& matches) {
  std::vector<std::string> found;
  for (const std::string& name : catalogue) {
    if (matches(name)) found.push_back(name);
  }
  return found;
}

size_t editDistance(std::string_view a, std::string_view b) {
  std::vector<size_t> previous(b.size() + 1);
  std::vector<size_t> current(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) previous[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    current[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      size_t substitution = previous[j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
      current[j] = std::min({previous[j] + 1, current[j - 1] + 1, substitution});
    }
    std::swap(previous, current);
  }
  return previous[b.size()];
}

// Names that begin with what was typed, then the nearest by edit distance
// on the compact forms of the item and the full name.
std::vector<std::string> closeNames(const std::vector<std::string>& catalogue, std::string_view typed) {
  std::string key = compact(typed);
  std::vector<std::pair<size_t, std::string>> ranked;
  // No waveform name is near a text this long; comparing would only cost.
  if (key.size() > kLongestCompared) return {};
  for (const std::string& name : catalogue) {
    std::string item = compact(waveformItem(name));
    std::string full = compact(name);
    size_t distance = std::min(editDistance(key, item), editDistance(key, full));
    bool leading =
        !key.empty() && (item.rfind(key, 0) == 0 || full.rfind(key, 0) == 0 || key.rfind(full, 0) == 0);
    size_t limit = std::max<size_t>(2, key.size() / 3);
    if (leading) distance = 0;
    if (distance <= limit) ranked.push_back({distance, name});
  }
  std::stable_sort(ranked.begin(), ranked.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::string> names;
  for (size_t i = 0; i < ranked.size() && i < kMaxSuggestions; ++i) names.push_back(ranked[i].second);
  return names;
}

NameResolution fromMatches(std::vector<std::string> found) {
  NameResolution resolution;
  if (found.size() == 1) {
    resolution.outcome = NameResolution::Outcome::kFound;
    resolution.name = found.front();
  } else {
    resolution.outcome = NameResolution::Outcome::kAmbiguous;
    resolution.suggestions = std::move(found);
  }
  return resolution;
}

std::string joined(const std::vector<std::string>& names, size_t limit) {
  std::string text;
  for (size_t i = 0; i < names.size() && i < limit; ++i) text += (i == 0 ? "" : ", ") + names[i];
  if (names.size() > limit) text += ", ...";
  return text;
}

}  // namespace

NameResolution resolveWaveformName(const std::vector<std::string>& catalogue, std::string_view typed) {
  const std::string lower = lowerCase(typed);
  const std::string key = compact(typed);
  const std::function<bool(const std::string&)> steps[] = {
      [&](const std::string& name) { return name == typed; },
      [&](const std::string& name) { return lowerCase(name) == lower; },
      [&](const std::string& name) { return lowerCase(waveformItem(name)) == lower; },
      [&](const std::string& name) {
        return !key.empty() && (compact(waveformItem(name)) == key || compact(name) == key);
      },
  };
  for (const auto& step : steps) {
    std::vector<std::string> found = matching(catalogue, step);
    if (!found.empty()) return fromMatches(std::move(found));
  }
  NameResolution unknown;
  unknown.suggestions = closeNames(catalogue, typed);
  return unknown;
}

std::string unresolvedMessage(std::string_view typed, const NameResolution& resolution) {
  std::string name(typed);
  if (resolution.outcome == NameResolution::Outcome::kAmbiguous) {
    return name + " is ambiguous: " + joined(resolution.suggestions, 8);
  }
  std::string message = "no waveform named " + name;
  if (!resolution.suggestions.empty())
    message += " (did you mean " + joined(resolution.suggestions, kMaxSuggestions) + "?)";
  return message;
}

namespace {

// The mode letter ('d' or 's') of the terminal that is port `port` of the
// two-port figures, or 0 when the catalogue has none or both.
char twoPortMode(const std::vector<std::string>& catalogue, char port) {
  char found = 0;
  int count = 0;
  for (char mode : {'d', 's'}) {
    std::string reference = waveformName(kReferenceImpedanceGroup, "Zo") + mode + "(" + port + ")";
    if (std::find(catalogue.begin(), catalogue.end(), reference) != catalogue.end()) {
      found = mode;
      ++count;
    }
  }
  return count == 1 ? found : 0;
}

}  // namespace

std::string mixedModeTwoPort(const std::vector<std::string>& catalogue) {
  bool figures = std::any_of(catalogue.begin(), catalogue.end(),
                             [](const std::string& name) { return isTwoPortFigure(name); });
  if (!figures) return {};
  char first = twoPortMode(catalogue, '1');
  char second = twoPortMode(catalogue, '2');
  if (first == 0 || second == 0) return {};
  return std::string("S") + first + second;
}

bool isTwoPortFigure(std::string_view name) {
  return inWaveformGroup(name, kGainGroup) || inWaveformGroup(name, kNoiseGroup);
}

}  // namespace korvel::tool
