// A segment of an opened file as the Touchstone writer takes it.
#include "touchstone/written_network.h"

#include <cctype>
#include <cmath>
#include <map>

#include "dataset/waveform_names.h"
#include "rfcalc/network_parameters.h"

namespace korvel {

namespace {

size_t countOf(int value) { return value > 0 ? static_cast<size_t>(value) : 0; }

std::string ohmsText(double ohms) { return shortestNumber(ohms) + " Ohm"; }

// The modes of the terminals named "D1", "C1", "S3": each mixed-mode port
// given single-ended ports of its own in order of first appearance, a pair
// for D and C, one port for S. Empty with `*error` set when the names
// cannot be written so that a reader numbers them the same.
std::vector<ModeRow> modesOfNames(const DataSet& data, std::string* error) {
  std::vector<ModeRow> rows;
  std::map<int, ModeRow> groups;  // mixed-mode port: its single-ended ports
  int nextPort = 0;
  int nextGroup = 1;
  for (int k = 0; k < data.terminalCount; ++k) {
    const char* name = data.terminalNames != nullptr ? data.terminalNames[k] : nullptr;
    if (name == nullptr || name[0] == '\0') {
      *error = "terminal " + std::to_string(k + 1) + " has no mixed-mode name";
      return {};
    }
    char mode = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
    int port = std::atoi(name + 1);
    if (mode != 'D' && mode != 'C' && mode != 'S') {
      *error =
          std::string("terminal ") + name + " is no differential (D), common (C) or single-ended (S) mode";
      return {};
    }
    auto found = groups.find(port);
    if (found == groups.end()) {
      if (port != nextGroup) {
        *error = std::string("the mixed-mode ports are not numbered in order of first appearance (") + name +
                 " comes before port " + std::to_string(nextGroup) + "), which Touchstone cannot keep";
        return {};
      }
      ++nextGroup;
      ModeRow group{mode, nextPort, mode == 'S' ? 0 : nextPort + 1};
      nextPort += mode == 'S' ? 1 : 2;
      found = groups.emplace(port, group).first;
    } else if ((found->second.mode == 'S') != (mode == 'S')) {
      *error = std::string("mixed-mode port ") + std::to_string(port) + " is both a pair and a single port";
      return {};
    }
    rows.push_back({mode, found->second.first, found->second.second});
  }
  if (std::string problem = checkModeRows(rows, data.terminalCount); !problem.empty()) {
    *error = "the mixed-mode terminals cannot be written: " + problem;
    return {};
  }
  return rows;
}

}  // namespace

std::string WrittenNetwork::take(const DataSet& data, int block, bool calculated) {
  if (data.terminalCount < 1 || data.pointCount < 1 || block < 0 || block >= data.blockCount) {
    return "the file holds no network data to write";
  }
  NetworkLayout layout = networkLayout(data);
  size_t n = countOf(data.terminalCount);
  size_t points = countOf(data.pointCount);
  size_t offset = countOf(block) * points;
  network_ = NetworkToWrite();
  network_.terminalCount = data.terminalCount;
  network_.pointCount = points;
  network_.frequencies = data.frequencies + offset;
  for (size_t r = 0; r < n; ++r) {
    for (size_t c = 0; c < n; ++c)
      network_.entries.push_back(data.waveformData[layout.scatteringEntry(r, c)] + 2 * offset);
  }
  referenceSamples_.clear();
  network_.references.clear();
  for (size_t k = 0; k < n; ++k) {
    referenceSamples_.push_back(data.waveformData[layout.zo(k)] + 2 * offset);
    network_.references.push_back(referenceSamples_.back()[0]);
  }
  if (data.mixedMode != 0) {
    std::string error;
    network_.modes = modesOfNames(data, &error);
    if (!error.empty()) return error;
  }
  hasNoise_ = false;
  if (data.hasNoise == 1) {
    size_t count = data.isScFormat == 1 ? points : countOf(data.noisePointCount);
    size_t noiseOffset = data.isScFormat == 1 ? offset : 0;
    const double* frequencies = data.isScFormat == 1 ? network_.frequencies : data.noiseFrequencies;
    noise_ = NoiseToWrite();
    noise_.referenceOhms = data.referenceImpedance;
    for (size_t k = 0; k < count && frequencies != nullptr; ++k) {
      size_t at = noiseOffset + k;
      noise_.frequencies.push_back(frequencies[k]);
      // The calculation leaves the minimum noise figure as a linear factor.
      double figure = readReal(data.waveformData[layout.noise(kMinimumNoiseFigure)], at);
      noise_.minimumFigureDb.push_back(calculated ? 10.0 * std::log10(figure) : figure);
      noise_.optimumReflection.push_back(readSample(data.waveformData[layout.noise(kOptimumReflection)], at));
      noise_.resistanceOhms.push_back(readReal(data.waveformData[layout.noise(kNoiseResistance)], at));
    }
    hasNoise_ = !noise_.frequencies.empty();
    network_.noise = hasNoise_ ? &noise_ : nullptr;
  }
  return {};
}

DComplex WrittenNetwork::reference(size_t k, size_t p) const {
  if (referenceSamples_.empty()) return network_.references[k];
  return readSample(referenceSamples_[k], p);
}

std::string WrittenNetwork::referenceLimit() const {
  for (size_t k = 0; k < network_.references.size(); ++k) {
    for (size_t p = 0; p < network_.pointCount; ++p) {
      DComplex value = reference(k, p);
      if (value.imag() != 0.0) return complexReference(k, p);
      if (value.real() != network_.references[k]) {
        return "the reference impedances vary with frequency, which Touchstone cannot carry: give --ref to "
               "renormalise";
      }
    }
  }
  return {};
}

std::string WrittenNetwork::complexReference(size_t k, size_t p) const {
  DComplex value = reference(k, p);
  return "the reference impedance of terminal " + std::to_string(k + 1) + " is complex at " +
         frequencyText(network_.frequencies[p]) + " (" + shortestNumber(value.real()) +
         (value.imag() < 0 ? " - j" : " + j") + shortestNumber(std::fabs(value.imag())) +
         " Ohm); complex references cannot be renormalised exactly without choosing a wave definition (power "
         "or pseudo-waves), so korvel refuses them";
}

void WrittenNetwork::transformPoints(
    const std::function<void(size_t, const DComplex*, DComplex*)>& transform) {
  size_t count = network_.entries.size();
  std::vector<double*> result = newEntries(count);
  std::vector<DComplex> s(count);
  std::vector<DComplex> transformed(count);
  for (size_t p = 0; p < network_.pointCount; ++p) {
    for (size_t e = 0; e < count; ++e) s[e] = readSample(network_.entries[e], p);
    transform(p, s.data(), transformed.data());
    for (size_t e = 0; e < count; ++e) writeSample(result[e], p, transformed[e]);
  }
  network_.entries.assign(result.begin(), result.end());
}

std::vector<double*> WrittenNetwork::newEntries(size_t count) {
  std::vector<double*> entries;
  for (size_t e = 0; e < count; ++e) {
    owned_.push_back(std::make_unique<double[]>(2 * network_.pointCount));
    entries.push_back(owned_.back().get());
  }
  return entries;
}

void WrittenNetwork::setReferences(const std::vector<double>& ohms) {
  network_.references = ohms;
  referenceSamples_.clear();
}

std::string WrittenNetwork::renormalise(const std::vector<double>& ohms) {
  size_t n = countOf(network_.terminalCount);
  if (ohms.size() != 1 && ohms.size() != n) {
    return std::to_string(ohms.size()) + " references given for " + std::to_string(n) + " terminals";
  }
  std::vector<double> target(n);
  for (size_t k = 0; k < n; ++k) {
    double value = ohms.size() == 1 ? ohms[0] : ohms[k];
    if (!(value > 0.0) || !std::isfinite(value)) return "a reference must be a resistance above zero";
    // In mixed mode a terminal's reference is its mode's.
    char mode = network_.modes.empty() ? 'S' : network_.modes[k].mode;
    target[k] = mode == 'D' ? 2.0 * value : mode == 'C' ? value / 2.0 : value;
  }
  for (size_t k = 0; k < n; ++k) {
    for (size_t p = 0; p < network_.pointCount; ++p) {
      DComplex value = reference(k, p);
      if (value.imag() != 0.0) return complexReference(k, p);
      if (!(value.real() > 0.0)) return "a reference impedance of the file is not above zero";
    }
  }
  RenormalisationWork work(network_.terminalCount);
  std::vector<double> from(n);
  transformPoints([&](size_t p, const DComplex* s, DComplex* renormalised) {
    for (size_t k = 0; k < n; ++k) from[k] = reference(k, p).real();
    work.renormalise(s, from.data(), target.data(), renormalised);
  });
  setReferences(target);
  return {};
}

std::string WrittenNetwork::toMixedMode(const std::vector<ModeRow>& rows) {
  int n = network_.terminalCount;
  if (!network_.modes.empty()) return "the file is mixed-mode already";
  if (std::string problem = checkModeRows(rows, n); !problem.empty())
    return "the mixed-mode order: " + problem;
  if (std::string limit = referenceLimit(); !limit.empty()) return limit;
  if (hasNoise_) return "the noise data of single-ended ports does not carry over to mixed-mode terminals";
  std::vector<double> references;
  for (const ModeRow& row : rows) {
    double first = network_.references[static_cast<size_t>(row.first)];
    if (row.mode != 'S' && network_.references[static_cast<size_t>(row.second)] != first) {
      return "ports " + std::to_string(row.first + 1) + " and " + std::to_string(row.second + 1) +
             " have different references (" + ohmsText(first) + ", " +
             ohmsText(network_.references[static_cast<size_t>(row.second)]) +
             "); a mixed-mode pair needs one (renormalise with --ref)";
    }
    references.push_back(row.mode == 'D' ? 2.0 * first : row.mode == 'C' ? first / 2.0 : first);
  }
  transformPoints([&](size_t, const DComplex* s, DComplex* mixed) { mixedModeScattering(s, rows, mixed); });
  network_.modes = rows;
  setReferences(references);
  return {};
}

std::string WrittenNetwork::toSingleEnded() {
  int n = network_.terminalCount;
  if (network_.modes.empty()) return "the file has no mixed-mode terminals";
  if (std::string limit = referenceLimit(); !limit.empty()) return limit;
  if (hasNoise_) return "the noise data of mixed-mode terminals does not carry over to single-ended ports";
  std::vector<double> references(countOf(n), 0.0);
  for (size_t k = 0; k < network_.modes.size(); ++k) {
    const ModeRow& row = network_.modes[k];
    double mode = network_.references[k];
    double single = row.mode == 'D' ? mode / 2.0 : row.mode == 'C' ? mode * 2.0 : mode;
    int ports[2] = {row.first, row.second};
    for (int i = 0; i < (row.mode == 'S' ? 1 : 2); ++i) {
      double& port = references[static_cast<size_t>(ports[i])];
      if (port != 0.0 && port != single) {
        return "the mode references are not those of one resistance per pair (differential twice, common "
               "half "
               "of it): renormalise with --ref first";
      }
      port = single;
    }
  }
  transformPoints(
      [&](size_t, const DComplex* s, DComplex* single) { singleEndedScattering(s, network_.modes, single); });
  network_.modes.clear();
  setReferences(references);
  return {};
}

std::string WrittenNetwork::useModeRows(const std::vector<ModeRow>& rows) {
  if (network_.modes.empty() || rows.size() != network_.modes.size()) {
    return "the mixed-mode order does not fit the terminals";
  }
  if (std::string problem = checkModeRows(rows, network_.terminalCount); !problem.empty()) return problem;
  for (size_t k = 0; k < rows.size(); ++k) {
    if (rows[k].mode != network_.modes[k].mode) return "the mixed-mode order does not fit the terminals";
  }
  network_.modes = rows;
  return {};
}

std::string WrittenNetwork::toParameter(ParameterKind kind) {
  if (kind == ParameterKind::kScattering) return {};
  if (network_.parameter != ParameterKind::kScattering) return "the network holds other than S already";
  if (std::string limit = referenceLimit(); !limit.empty()) return limit;
  int n = network_.terminalCount;
  bool hybrid = kind == ParameterKind::kHybrid || kind == ParameterKind::kInverseHybrid;
  if (hybrid && (n != 2 || !network_.modes.empty())) {
    return "H and G parameters are defined for a two-port of plain ports only";
  }
  size_t count = countOf(n) * countOf(n);
  NetworkLayout layout(n, n, false, false);
  std::vector<double*> slots(layout.gainBase, nullptr);
  // The calculation reads S and the references and writes Z and Y; the
  // gain entries are left out.
  for (size_t e = 0; e < count; ++e) slots[e] = const_cast<double*>(network_.entries[e]);
  std::vector<double*> zo = newEntries(countOf(n));
  for (size_t k = 0; k < countOf(n); ++k) {
    for (size_t p = 0; p < network_.pointCount; ++p) writeSample(zo[k], p, network_.references[k]);
    slots[layout.zo(k)] = zo[k];
  }
  std::vector<double*> z = newEntries(count);
  std::vector<double*> y = newEntries(count);
  for (size_t e = 0; e < count; ++e) {
    slots[layout.zBase + e] = z[e];
    slots[layout.yBase + e] = y[e];
  }
  NetworkSamples samples;
  samples.waveformData = slots.data();
  samples.waveformSlots = static_cast<int>(slots.size());
  samples.terminalCount = n;
  samples.portCount = n;
  samples.pointCount = static_cast<int>(network_.pointCount);
  samples.referenceImpedance = network_.references.front();
  calculateNetworkParameters(samples);
  std::vector<double*> chosen = kind == ParameterKind::kAdmittance ? y : z;
  if (hybrid) {
    chosen = newEntries(count);
    DComplex source[4];
    DComplex result[4];
    for (size_t p = 0; p < network_.pointCount; ++p) {
      for (size_t e = 0; e < 4; ++e) source[e] = readSample(kind == ParameterKind::kHybrid ? y[e] : z[e], p);
      if (kind == ParameterKind::kHybrid) {
        hybridFromAdmittance(source, result);
      } else {
        inverseHybridFromImpedance(source, result);
      }
      for (size_t e = 0; e < 4; ++e) writeSample(chosen[e], p, result[e]);
    }
  }
  network_.entries.assign(chosen.begin(), chosen.end());
  network_.parameter = kind;
  return {};
}

}  // namespace korvel
