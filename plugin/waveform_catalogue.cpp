// The waveform catalogue.
#include "plugin/waveform_catalogue.h"

#include <string_view>

#include "dataset/waveform_groups.h"
#include "text/text_input.h"

namespace korvel {

namespace {

// The text of `list` from `start` up to the blank that precedes the first
// occurrence of `end` in the list, or to the end of the list when `end`
// does not occur. A marker found at or before `start` gives no text rather
// than a stretch that runs backwards.
std::string_view stretchFrom(std::string_view list, size_t start, std::string_view end) {
  size_t endMarker = list.find(end);
  if (endMarker == std::string_view::npos) return list.substr(start);
  size_t stop = endMarker == 0 ? 0 : endMarker - 1;
  if (stop <= start) return {};
  return list.substr(start, stop - start);
}

// The stretch from the first occurrence of `begin`; no text when `begin`
// does not occur.
std::string_view stretch(std::string_view list, std::string_view begin, std::string_view end) {
  size_t start = list.find(begin);
  if (start == std::string_view::npos) return {};
  return stretchFrom(list, start, end);
}

void appendText(Tcl_DString* text, std::string_view part) {
  Tcl_DStringAppend(text, part.data(), static_cast<int>(part.size()));
}

// A blank and the stretch from `begin` to `end`, when `begin` occurs.
void appendGroup(Tcl_DString* catalogue, std::string_view list, std::string_view begin,
                 std::string_view end) {
  if (!contains(list, begin)) return;
  appendText(catalogue, " ");
  appendText(catalogue, stretch(list, begin, end));
}

// The Y-parameter stretch ends where the next group present begins; the
// preference among the markers is fixed, not their positions.
std::string_view admittanceEndMarker(std::string_view list) {
  if (contains(list, kGainGroup)) return kGainGroup;
  if (contains(list, kNoiseGroup)) return kNoiseGroup;
  return kGroupDelayGroup;
}

void appendElement(Tcl_DString* catalogue, std::string_view group, std::string_view item) {
  Tcl_DStringAppendElement(catalogue, waveformName(group, item).c_str());
}

void appendGainNames(Tcl_DString* catalogue, std::string_view list) {
  if (!contains(list, kGainGroup)) return;
  std::string available = waveformName(kGainGroup, "Gas");
  if (contains(list, available)) Tcl_DStringAppendElement(catalogue, available.c_str());
  for (const char* item : {"Gmax", "Gmsg", "K"}) appendElement(catalogue, kGainGroup, item);
}

// In the catalogue's order, which is not the stored one.
void appendNoiseNames(Tcl_DString* catalogue, std::string_view list) {
  if (!contains(list, kNoiseGroup)) return;
  static const char* const kCatalogueNoiseItems[] = {
      "GammaOpt", "NF", "NFmin", "Rn", "Ycor", "Zcor", "Zopt", "in^2", "vn^2",
  };
  for (const char* item : kCatalogueNoiseItems) appendElement(catalogue, kNoiseGroup, item);
}

}  // namespace

void appendWaveformCatalogue(const DataSet& data, Tcl_DString* answer) {
  std::string_view list(Tcl_DStringValue(&data.waveformNames),
                        static_cast<size_t>(Tcl_DStringLength(&data.waveformNames)));
  Tcl_DString catalogue;
  Tcl_DStringInit(&catalogue);
  appendText(&catalogue, stretchFrom(list, 0, kReferenceImpedanceGroup));
  appendGroup(&catalogue, list, kAdmittanceGroup, admittanceEndMarker(list));
  appendGainNames(&catalogue, list);
  appendNoiseNames(&catalogue, list);
  appendGroup(&catalogue, list, kImpedanceGroup, kAdmittanceGroup);
  appendGroup(&catalogue, list, kReferenceImpedanceGroup, kImpedanceGroup);
  if (contains(list, kGroupDelayGroup)) {
    appendText(&catalogue, " ");
    appendText(&catalogue, list.substr(list.find(kGroupDelayGroup)));
  }
  // A Tcl string's length is never negative.
  size_t length = static_cast<size_t>(Tcl_DStringLength(&catalogue));
  appendText(answer, std::string_view(Tcl_DStringValue(&catalogue), length));
  Tcl_DStringFree(&catalogue);
}

}  // namespace korvel
