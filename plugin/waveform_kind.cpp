// The data-type rule and the units and display-hint table.
#include "plugin/waveform_kind.h"

#include "text/text_input.h"

namespace korvel {

namespace {

// True when `name` begins with the first `count` characters of `pattern`,
// as strncmp compares them.
bool leadingPartMatches(std::string_view name, std::string_view pattern, size_t count) {
  return startsWith(name, pattern.substr(0, count));
}

enum class Test { kLeading, kContains };

struct UnitRule {
  Test test;
  std::string_view pattern;
  size_t count;  // characters compared for kLeading
  Presentation presentation;
};

constexpr Presentation kComplexOhms{"Ohms", 1, {{kPropertyYDisplay, "imag(y) real(y)"}, {}}};
constexpr Presentation kComplexSiemens{"Siemens", 1, {{kPropertyYDisplay, "imag(y) real(y)"}, {}}};
constexpr Presentation kPlainOhms{"Ohms", 0, {}};

// Tried in order; the first rule that holds decides. The group-delay rule
// compares only 12 characters, "GroupDelay/G".
constexpr UnitRule kUnitRules[] = {
    {Test::kLeading, "GroupDelay/GD", 12, {"s", 0, {}}},
    {Test::kLeading, "Noise-Par/Rn", 12, kPlainOhms},
    {Test::kContains, "Zopt", 0, kComplexOhms},
    {Test::kContains, "Zcor", 0, kComplexOhms},
    {Test::kContains, "Ycor", 0, kComplexSiemens},
    {Test::kLeading,
     "Gain-Par/G",
     10,
     {"Gain", 2, {{kPropertyPowerRatio, "1"}, {kPropertyYDisplay, "db(y)"}}}},
    {Test::kLeading,
     "Noise-Par/NF",
     12,
     {"NF", 2, {{kPropertyPowerRatio, "1"}, {kPropertyYDisplay, "db(y)"}}}},
    {Test::kLeading, "Zo/", 3, kPlainOhms},
    {Test::kLeading, "Noise-Par/in^2", 14, {"A^2", 0, {}}},
    {Test::kLeading, "Noise-Par/vn^2", 14, {"V^2", 0, {}}},
    {Test::kLeading, "Y-Par/", 6, kComplexSiemens},
    {Test::kLeading, "Z-Par/", 6, kComplexOhms},
};

constexpr Presentation kScatteringPresentation{
    "-", 2, {{kPropertyYDisplay, "db(y)"}, {kPropertyXDisplay, "real(x)"}}};
constexpr Presentation kDimensionlessPresentation{"-", 0, {}};

bool ruleHolds(const UnitRule& rule, std::string_view name) {
  if (rule.test == Test::kContains) return contains(name, rule.pattern);
  return leadingPartMatches(name, rule.pattern, rule.count);
}

}  // namespace

bool isRealTyped(std::string_view name) {
  bool realGroup = leadingPartMatches(name, "Noise-Par", 9) || leadingPartMatches(name, "Zo/", 3) ||
                   leadingPartMatches(name, "GroupDelay/", 11) || leadingPartMatches(name, "Gain-Par", 8);
  if (!realGroup) return false;
  // The complex noise quantities live in a real-typed group.
  for (std::string_view complexItem : {"GammaOpt", "Zopt", "Zcor", "Ycor"}) {
    if (contains(name, complexItem)) return false;
  }
  return true;
}

Presentation presentationOf(std::string_view name) {
  for (const UnitRule& rule : kUnitRules) {
    if (ruleHolds(rule, name)) return rule.presentation;
  }
  if (startsWith(name, "S-Par/")) return kScatteringPresentation;
  return kDimensionlessPresentation;
}

}  // namespace korvel
