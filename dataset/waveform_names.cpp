// Waveform names and terminal impedances.
#include "dataset/waveform_names.h"

#include <cctype>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "dataset/waveform_groups.h"

namespace korvel {

namespace {

std::string_view terminalName(const DataSet& data, int index) {
  if (data.terminalNames == nullptr || index < 0 || index >= data.terminalCount) return {};
  const char* name = data.terminalNames[index];
  return name != nullptr ? std::string_view(name) : std::string_view();
}

// The lower-cased mode letter of a mixed-mode terminal name, as text (empty
// for an unnamed terminal, so that no NUL ever enters a name).
std::string modeLetter(std::string_view name) {
  if (name.empty()) return {};
  return std::string(1, static_cast<char>(std::tolower(static_cast<unsigned char>(name[0]))));
}

std::string_view portNumber(std::string_view name) { return name.empty() ? name : name.substr(1); }

bool isMixed(const DataSet& data) { return data.mixedMode == 1 && data.terminalNames != nullptr; }

// GROUP/LETTERS(row,col) for every row and column.
void appendMatrixNames(DataSet* data, std::string_view group, std::string_view letters) {
  std::string prefix = waveformName(group, letters);
  int terminals = data->terminalCount;
  for (int row = 1; row <= terminals; ++row) {
    for (int col = 1; col <= terminals; ++col) {
      appendWaveformName(data, prefix + formatPairSuffix(*data, row, col));
    }
  }
}

}  // namespace

std::string formatPairSuffix(const DataSet& data, int row, int col) {
  if (!isMixed(data)) {
    return "(" + std::to_string(row) + "," + std::to_string(col) + ")";
  }
  std::string_view rowName = terminalName(data, row - 1);
  std::string_view colName = terminalName(data, col - 1);
  std::string suffix = modeLetter(rowName) + modeLetter(colName) + "(";
  suffix.append(portNumber(rowName));
  suffix += ",";
  suffix.append(portNumber(colName));
  suffix += ")";
  return suffix;
}

std::string referenceImpedanceName(const DataSet& data, int terminal) {
  std::string text = waveformName(kReferenceImpedanceGroup, "Zo");
  if (!isMixed(data)) return text + "(" + std::to_string(terminal) + ")";
  std::string_view name = terminalName(data, terminal - 1);
  text += modeLetter(name) + "(";
  text.append(portNumber(name));
  text += ")";
  return text;
}

void appendWaveformName(DataSet* data, const std::string& name) {
  Tcl_DStringAppendElement(&data->waveformNames, name.c_str());
  ++data->waveformCount;
}

void appendNetworkNames(DataSet* data) {
  appendMatrixNames(data, kScatteringGroup, "S");
  for (int terminal = 1; terminal <= data->terminalCount; ++terminal) {
    appendWaveformName(data, referenceImpedanceName(*data, terminal));
  }
  appendMatrixNames(data, kImpedanceGroup, "Z");
  appendMatrixNames(data, kAdmittanceGroup, "Y");
  if (data->portCount == 2) {
    for (const char* item : {"Gmax", "K", "Gmsg"}) appendWaveformName(data, waveformName(kGainGroup, item));
  }
}

int appendNoiseNames(DataSet* data) {
  // "Noise-Par/NFmin" must stand before "Noise-Par/NF": a name lookup takes
  // the first stored name that is a leading part of the request.
  static const char* const kNoiseItems[] = {
      "NFmin", "GammaOpt", "Rn", "Zopt", "vn^2", "in^2", "Zcor", "Ycor", "NF",
  };
  int first = data->waveformCount;
  for (const char* item : kNoiseItems) appendWaveformName(data, waveformName(kNoiseGroup, item));
  return first;
}

void appendAvailableGainName(DataSet* data) { appendWaveformName(data, waveformName(kGainGroup, "Gas")); }

int appendGroupDelayNames(DataSet* data) {
  int first = data->waveformCount;
  appendMatrixNames(data, kGroupDelayGroup, "GD");
  return first;
}

NetworkLayout networkLayout(const DataSet& data) {
  return NetworkLayout(data.terminalCount, data.portCount, data.hasNoise != 0, data.hasGroupDelay != 0);
}

int64_t noiseBaseIndex(const DataSet& data) {
  // Only a terminal count near INT_MAX comes beyond INT64_MAX; it stays at
  // INT64_MAX, which is as far out of reach as the true count.
  size_t base = networkLayout(data).noiseBase;
  return base > static_cast<size_t>(INT64_MAX) ? INT64_MAX : static_cast<int64_t>(base);
}

double terminalImpedance(DataSet* data, int terminal, double z) {
  if (!isMixed(*data)) {
    if (terminal == 0 && data->referenceImpedance == 0.0) data->referenceImpedance = z;
    return z;
  }
  std::string_view name = terminalName(*data, terminal);
  char letter = name.empty() ? '\0' : name[0];
  bool playsPortOne = name.size() == 2 && name[1] == '1';
  double impedance = z;
  if (letter == 'D' || letter == 'd') {
    impedance = 2.0 * z;
  } else if (letter == 'C' || letter == 'c') {
    return 0.5 * z;
  }
  if (playsPortOne && data->referenceImpedance == 0.0) data->referenceImpedance = impedance;
  return impedance;
}

}  // namespace korvel
