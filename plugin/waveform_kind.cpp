// The data-type rule and the units and display-hint table.
#include "plugin/waveform_kind.h"

#include "dataset/waveform_groups.h"
#include "text/text_input.h"

namespace korvel {

namespace {

enum class Test { kLeading, kContains };

// A name the rule holds for: for kLeading, one that begins with `group`
// followed by `rest`; for kContains, one that holds `rest` anywhere.
struct UnitRule {
  Test test;
  std::string_view group;
  std::string_view rest;
  Presentation presentation;
};

constexpr Presentation kComplexOhms{"Ohms", 1, {{kPropertyYDisplay, "imag(y) real(y)"}, {}}};
constexpr Presentation kComplexSiemens{"Siemens", 1, {{kPropertyYDisplay, "imag(y) real(y)"}, {}}};
constexpr Presentation kPlainOhms{"Ohms", 0, {}};

// Tried in order; the first rule that holds decides. The group-delay rule
// compares only "GroupDelay/G", as the viewer's own rule does.
constexpr UnitRule kUnitRules[] = {
    {Test::kLeading, kGroupDelayGroup, "/G", {"s", 0, {}}},
    {Test::kLeading, kNoiseGroup, "/Rn", kPlainOhms},
    {Test::kContains, {}, "Zopt", kComplexOhms},
    {Test::kContains, {}, "Zcor", kComplexOhms},
    {Test::kContains, {}, "Ycor", kComplexSiemens},
    {Test::kLeading,
     kGainGroup,
     "/G",
     {"Gain", 2, {{kPropertyPowerRatio, "1"}, {kPropertyYDisplay, "db(y)"}}}},
    {Test::kLeading,
     kNoiseGroup,
     "/NF",
     {"NF", 2, {{kPropertyPowerRatio, "1"}, {kPropertyYDisplay, "db(y)"}}}},
    {Test::kLeading, kReferenceImpedanceGroup, "/", kPlainOhms},
    {Test::kLeading, kNoiseGroup, "/in^2", {"A^2", 0, {}}},
    {Test::kLeading, kNoiseGroup, "/vn^2", {"V^2", 0, {}}},
    {Test::kLeading, kAdmittanceGroup, "/", kComplexSiemens},
    {Test::kLeading, kImpedanceGroup, "/", kComplexOhms},
};

constexpr Presentation kScatteringPresentation{
    "-", 2, {{kPropertyYDisplay, "db(y)"}, {kPropertyXDisplay, "real(x)"}}};
constexpr Presentation kDimensionlessPresentation{"-", 0, {}};

// True when `name` begins with `group` and then `rest`.
bool beginsWith(std::string_view name, std::string_view group, std::string_view rest) {
  return startsWith(name, group) && startsWith(name.substr(group.size()), rest);
}

bool ruleHolds(const UnitRule& rule, std::string_view name) {
  if (rule.test == Test::kContains) return contains(name, rule.rest);
  return beginsWith(name, rule.group, rule.rest);
}

}  // namespace

bool isRealTyped(std::string_view name) {
  bool realGroup = startsWith(name, kNoiseGroup) || beginsWith(name, kReferenceImpedanceGroup, "/") ||
                   beginsWith(name, kGroupDelayGroup, "/") || startsWith(name, kGainGroup);
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
  if (beginsWith(name, kScatteringGroup, "/")) return kScatteringPresentation;
  return kDimensionlessPresentation;
}

}  // namespace korvel
