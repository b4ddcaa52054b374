// The Touchstone writer.
#include "touchstone/touchstone_writer.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <map>
#include <tuple>
#include <utility>

#include "text/complex_conversion.h"
#include "text/text_input.h"

namespace korvel {

namespace {

constexpr size_t kBlockBytes = size_t{4} << 20;
constexpr int kPairsPerLine = 4;
constexpr double kDegreesPerRadian = 180.0 / M_PI;

size_t entryIndex(int row, int col, int n) {
  return static_cast<size_t>(row) * static_cast<size_t>(n) + static_cast<size_t>(col);
}

DComplex sampleOf(const double* entry, size_t point) { return {entry[2 * point], entry[2 * point + 1]}; }

// Text gathered in blocks of a few megabytes and handed to the stream a
// block at a time.
class BlockText {
 public:
  explicit BlockText(std::ostream& out) : out_(out) { text_.reserve(kBlockBytes + 4096); }
  ~BlockText() { flush(); }
  BlockText(const BlockText&) = delete;
  BlockText& operator=(const BlockText&) = delete;

  void add(std::string_view text) { text_.append(text); }
  void add(char c) { text_.push_back(c); }
  void number(double value) {
    char digits[64];
    std::to_chars_result written = std::to_chars(digits, digits + sizeof digits, value);
    text_.append(digits, written.ptr);
  }
  // Ends a line, and hands the block over once it is full.
  void endLine() {
    text_.push_back('\n');
    if (text_.size() >= kBlockBytes) flush();
  }
  bool flush() {
    if (!text_.empty()) out_.write(text_.data(), static_cast<std::streamsize>(text_.size()));
    text_.clear();
    return static_cast<bool>(out_);
  }
  bool good() const { return static_cast<bool>(out_); }

 private:
  std::ostream& out_;
  std::string text_;
};

// The number in `scale` units that the reader's multiplication by `scale`
// turns back into `hertz`, when one lies within a few units in the last
// place of the quotient; else the quotient.
double inUnit(double hertz, double scale) {
  double quotient = hertz / scale;
  if (quotient * scale == hertz || !std::isfinite(quotient)) return quotient;
  double below = quotient;
  double above = quotient;
  for (int step = 0; step < 8; ++step) {
    below = std::nextafter(below, -INFINITY);
    above = std::nextafter(above, INFINITY);
    if (below * scale == hertz) return below;
    if (above * scale == hertz) return above;
  }
  return quotient;
}

const char* formatName(WrittenFormat format) {
  switch (format) {
    case WrittenFormat::kMagnitudeAngle:
      return "MA";
    case WrittenFormat::kDecibelAngle:
      return "DB";
    case WrittenFormat::kRealImaginary:
      break;
  }
  return "RI";
}

char parameterName(ParameterKind kind) {
  switch (kind) {
    case ParameterKind::kImpedance:
      return 'Z';
    case ParameterKind::kAdmittance:
      return 'Y';
    case ParameterKind::kHybrid:
      return 'H';
    case ParameterKind::kInverseHybrid:
      return 'G';
    case ParameterKind::kScattering:
      break;
  }
  return 'S';
}

const char* matrixName(MatrixHalf matrix) {
  return matrix == MatrixHalf::kLower ? "Lower" : matrix == MatrixHalf::kUpper ? "Upper" : "Full";
}

// The resistance the file writes for terminal k: a mode's reference
// taken back to its pair's single-ended one.
double writtenResistance(const NetworkToWrite& network, size_t k) {
  double reference = network.references[k];
  if (network.modes.empty()) return reference;
  char mode = network.modes[k].mode;
  return mode == 'D' ? reference / 2.0 : mode == 'C' ? reference * 2.0 : reference;
}

std::vector<double> writtenResistances(const NetworkToWrite& network) {
  std::vector<double> resistances;
  for (size_t k = 0; k < network.references.size(); ++k) resistances.push_back(writtenResistance(network, k));
  return resistances;
}

bool allEqual(const std::vector<double>& values) {
  for (double value : values) {
    if (value != values.front()) return false;
  }
  return true;
}

// The resistance of each single-ended port of a mixed-mode network, or
// an empty list with `*error` set when a pair's modes disagree.
std::vector<double> singleEndedResistances(const NetworkToWrite& network, std::string* error) {
  size_t n = network.modes.size();
  std::vector<double> resistances(n, 0.0);
  for (size_t k = 0; k < n; ++k) {
    const ModeRow& row = network.modes[k];
    double value = writtenResistance(network, k);
    int ports[2] = {row.first, row.second};
    for (int i = 0; i < (row.mode == 'S' ? 1 : 2); ++i) {
      double& port = resistances[static_cast<size_t>(ports[i])];
      if (port != 0.0 && port != value) {
        *error =
            "the mode references are not those of one resistance per single-ended port (differential "
            "twice, common half of it); Touchstone cannot carry them";
        return {};
      }
      port = value;
    }
  }
  return resistances;
}

// The mixed-mode port of each terminal: each distinct pair or single port
// numbered from 1 in order of first appearance, as a reader numbers them.
std::vector<int> mixedModePorts(const std::vector<ModeRow>& modes) {
  std::map<std::pair<int, int>, int> numbers;
  std::vector<int> ports;
  for (const ModeRow& row : modes) {
    std::pair<int, int> group{row.first, row.mode == 'S' ? -1 : row.second};
    ports.push_back(numbers.try_emplace(group, static_cast<int>(numbers.size()) + 1).first->second);
  }
  return ports;
}

}  // namespace

std::string frequencyText(double hertz) {
  static const struct {
    double scale;
    const char* name;
  } kUnits[] = {{1e9, " GHz"}, {1e6, " MHz"}, {1e3, " kHz"}};
  for (const auto& unit : kUnits) {
    if (std::fabs(hertz) >= unit.scale) return shortestNumber(hertz / unit.scale) + unit.name;
  }
  return shortestNumber(hertz) + " Hz";
}

namespace {

std::string entryName(const NetworkToWrite& network, int row, int col) {
  return std::string(1, parameterName(network.parameter)) + "(" + std::to_string(row + 1) + "," +
         std::to_string(col + 1) + ")";
}

// Every value finite, and none zero when written in dB.
std::string checkValues(const NetworkToWrite& network, WrittenFormat format) {
  int n = network.terminalCount;
  for (int r = 0; r < n; ++r) {
    for (int c = 0; c < n; ++c) {
      const double* entry = network.entries[entryIndex(r, c, n)];
      for (size_t p = 0; p < network.pointCount; ++p) {
        double re = entry[2 * p];
        double im = entry[2 * p + 1];
        if (!std::isfinite(re) || !std::isfinite(im)) {
          return entryName(network, r, c) + " at " + frequencyText(network.frequencies[p]) +
                 " has no finite value";
        }
        if (format == WrittenFormat::kDecibelAngle && re == 0.0 && im == 0.0) {
          return entryName(network, r, c) + " at " + frequencyText(network.frequencies[p]) +
                 " is zero, which has no dB value: write RI or MA";
        }
      }
    }
  }
  return {};
}

std::string checkSymmetric(const NetworkToWrite& network) {
  int n = network.terminalCount;
  for (int r = 0; r < n; ++r) {
    for (int c = r + 1; c < n; ++c) {
      const double* upper = network.entries[entryIndex(r, c, n)];
      const double* lower = network.entries[entryIndex(c, r, n)];
      for (size_t p = 0; p < 2 * network.pointCount; ++p) {
        if (upper[p] != lower[p]) {
          return "the network is not symmetric (" + entryName(network, r, c) + " and " +
                 entryName(network, c, r) + " differ at " + frequencyText(network.frequencies[p / 2]) +
                 "): a lower or upper matrix needs every Nij = Nji";
        }
      }
    }
  }
  return {};
}

std::string checkNoise(const NoiseToWrite& noise) {
  size_t count = noise.frequencies.size();
  if (count == 0 || noise.minimumFigureDb.size() != count || noise.optimumReflection.size() != count ||
      noise.resistanceOhms.size() != count) {
    return "the noise data is incomplete";
  }
  for (size_t k = 0; k < count; ++k) {
    bool finite = std::isfinite(noise.frequencies[k]) && std::isfinite(noise.minimumFigureDb[k]) &&
                  std::isfinite(noise.optimumReflection[k].real()) &&
                  std::isfinite(noise.optimumReflection[k].imag()) && std::isfinite(noise.resistanceOhms[k]);
    if (!finite) return "the noise data at " + frequencyText(noise.frequencies[k]) + " has no finite value";
    if (k > 0 && noise.frequencies[k] <= noise.frequencies[k - 1]) {
      return "the noise frequencies do not rise at " + frequencyText(noise.frequencies[k]);
    }
  }
  if (!(noise.referenceOhms > 0.0) || !std::isfinite(noise.referenceOhms)) {
    return "the noise data has no positive reference resistance";
  }
  return {};
}

// Why version 1.x cannot carry the network, or empty.
std::string versionOneLimit(const NetworkToWrite& network, const TouchstoneWriteOptions& options,
                            TouchstoneVersion version) {
  if (options.keywordFileName) return "a .ts file is a Touchstone 2.x file";
  if (options.matrix != MatrixHalf::kFull) return "only Touchstone 2.x writes a lower or upper matrix";
  if (!network.modes.empty() && version == TouchstoneVersion::kOneZero) {
    return "Touchstone 1.0 has no mixed-mode terminals (ask for 1.1, which names them in comment lines, or "
           "2.1)";
  }
  bool equal = allEqual(writtenResistances(network));
  if (!equal && version == TouchstoneVersion::kOneZero) {
    return "the ports have different reference resistances, which Touchstone 1.0 cannot give (1.1 and 2.1 "
           "can)";
  }
  if (!equal && network.parameter != ParameterKind::kScattering) {
    return std::string("Touchstone 1.x normalises ") + parameterName(network.parameter) +
           " data to one resistance, and the ports' references differ (2.1 can carry them)";
  }
  if (network.noise != nullptr && network.pointCount > 0 &&
      !(network.noise->frequencies.front() < network.frequencies[network.pointCount - 1])) {
    return "the noise data starts at or above the last network frequency, where a Touchstone 1.x reader "
           "cannot find it (2.1 marks it with [Noise Data])";
  }
  return {};
}

std::string checkNetwork(const NetworkToWrite& network, const TouchstoneWriteOptions& options) {
  int n = network.terminalCount;
  size_t terminals = n > 0 ? static_cast<size_t>(n) : 0;
  if (n < 1 || network.entries.size() != terminals * terminals || network.references.size() != terminals) {
    return "the network has no terminals";
  }
  if (network.pointCount == 0) return "the network has no frequency";
  bool hybrid =
      network.parameter == ParameterKind::kHybrid || network.parameter == ParameterKind::kInverseHybrid;
  if (hybrid && (n != 2 || !network.modes.empty())) {
    return "H and G parameters are defined for a two-port of plain ports only";
  }
  if (network.noise != nullptr && n != 2) {
    return "Touchstone carries noise data for a two-port only, and this network has " + std::to_string(n) +
           " terminals";
  }
  if (network.noise != nullptr) {
    if (std::string error = checkNoise(*network.noise); !error.empty()) return error;
  }
  for (double reference : network.references) {
    if (!(reference > 0.0) || !std::isfinite(reference)) {
      return "a reference resistance is not a finite value above zero";
    }
  }
  if (!network.modes.empty()) {
    if (std::string error = checkModeRows(network.modes, n); !error.empty()) {
      return "the mixed-mode order is not complete: " + error;
    }
    std::string error;
    singleEndedResistances(network, &error);
    if (!error.empty()) return error;
  }
  for (size_t p = 1; p < network.pointCount; ++p) {
    if (!(network.frequencies[p] > network.frequencies[p - 1])) {
      return "the frequencies do not rise at " + frequencyText(network.frequencies[p]);
    }
  }
  if (options.matrix != MatrixHalf::kFull) {
    if (std::string error = checkSymmetric(network); !error.empty()) return error;
  }
  return checkValues(network, options.format);
}

// A comment line of the source that a reader would take for data of its
// own: the first line of a mixed-mode mapping ("S11 = SDD11") or a port
// impedance line. The writer writes its own.
bool describesSourceTerminals(std::string_view comment) {
  size_t start = comment.find_first_not_of(" \t");
  if (start == std::string_view::npos) return false;
  std::string_view text = comment.substr(start);
  bool mapping = text.size() > 1 && (text[0] == 'S' || text[0] == 's') &&
                 (text[1] == '(' || (text[1] >= '0' && text[1] <= '9')) &&
                 text.find('=') != std::string_view::npos;
  std::string_view port = "port impedance";
  bool impedance = text.size() >= port.size();
  for (size_t i = 0; impedance && i < port.size(); ++i) {
    impedance = (text[i] | 0x20) == port[i];
  }
  return mapping || impedance;
}

void writeComments(const NetworkToWrite& network, BlockText* text) {
  for (const std::string& comment : network.comments) {
    if (describesSourceTerminals(comment)) continue;
    std::string line = comment;
    for (char& c : line) {
      if (c == '\n' || c == '\r') c = ' ';
    }
    text->add('!');
    if (!line.empty()) text->add(' ');
    text->add(line);
    text->endLine();
  }
}

// "! S11 = SDD11", or with indices above 9 "! S(12,12) = SDD(11,11)".
void writeMappingComments(const NetworkToWrite& network, BlockText* text) {
  std::vector<int> ports = mixedModePorts(network.modes);
  for (size_t k = 0; k < network.modes.size(); ++k) {
    std::string terminal = std::to_string(k + 1);
    std::string port = std::to_string(ports[k]);
    char mode = network.modes[k].mode;
    std::string modes(2, mode);
    text->add("! ");
    if (k + 1 <= 9 && ports[k] <= 9) {
      text->add("S" + terminal + terminal + " = S" + modes + port + port);
    } else {
      text->add("S(" + terminal + "," + terminal + ") = S" + modes + "(" + port + "," + port + ")");
    }
    text->endLine();
  }
}

// The factor a 1.x file multiplies entry (row, col) by: Y, Z, H and G
// are normalised to the resistance.
double normalisingFactor(ParameterKind kind, int row, int col, double resistance) {
  switch (kind) {
    case ParameterKind::kImpedance:
      return 1.0 / resistance;
    case ParameterKind::kAdmittance:
      return resistance;
    case ParameterKind::kHybrid:
      return row == 0 && col == 0 ? 1.0 / resistance : row == 1 && col == 1 ? resistance : 1.0;
    case ParameterKind::kInverseHybrid:
      return row == 0 && col == 0 ? resistance : row == 1 && col == 1 ? 1.0 / resistance : 1.0;
    case ParameterKind::kScattering:
      break;
  }
  return 1.0;
}

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// `value` rounded to `precision` significant decimal digits, as the reader
// reads that text.
double roundedToDigits(double value, int precision) {
  char digits[64];
  std::to_chars_result written =
      std::to_chars(digits, digits + sizeof digits, value, std::chars_format::general, precision);
  return parseDouble(std::string_view(digits, static_cast<size_t>(written.ptr - digits)));
}

// Whether the reader, given `first` and `second` in the complex format
// `format`, stores exactly `value`.
bool readsBackAs(double first, double second, int format, DComplex value) {
  convertComplex(format, &first, &second);
  return sameBits(first, value.real()) && sameBits(second, value.imag());
}

// Magnitude (or dB) and angle for `value`, each as short as it can be
// while the reader still turns the pair back into exactly `value`: the
// file shows 60 degrees rather than 59.99999999999999 wherever the
// shorter text reads back to the same sample. When no decimal pair reads
// back exactly (the polar grid does not reach every complex double), the
// nearest pair is written, within the conversion's rounding.
std::pair<double, double> polarPair(DComplex value, WrittenFormat format) {
  double magnitude = std::hypot(value.real(), value.imag());
  double angle = std::atan2(value.imag(), value.real()) * kDegreesPerRadian;
  double first = format == WrittenFormat::kDecibelAngle ? 20.0 * std::log10(magnitude) : magnitude;
  int code = format == WrittenFormat::kDecibelAngle ? kFormatDbDegrees : kFormatMagnitudeDegrees;
  if (!std::isfinite(first) || !std::isfinite(angle)) return {first, angle};
  auto readsBackAt = [&](int precision) {
    return readsBackAs(roundedToDigits(first, precision), roundedToDigits(angle, precision), code, value);
  };
  if (!readsBackAs(first, angle, code, value)) {
    // The nearest pair misses by the conversion's rounding; a shorter one
    // (the text the value was first read from, often) may still hit.
    for (int precision = 1; precision < 17; ++precision) {
      if (readsBackAt(precision))
        return {roundedToDigits(first, precision), roundedToDigits(angle, precision)};
    }
    return {first, angle};
  }
  // Fewer digits read back exactly from some count on: search for it.
  int exact = 17;
  int inexact = 0;
  while (exact - inexact > 1) {
    int precision = (exact + inexact) / 2;
    if (readsBackAt(precision)) {
      exact = precision;
    } else {
      inexact = precision;
    }
  }
  if (exact == 17) return {first, angle};
  return {roundedToDigits(first, exact), roundedToDigits(angle, exact)};
}

void writePair(DComplex value, WrittenFormat format, BlockText* text) {
  double first = value.real();
  double second = value.imag();
  if (format != WrittenFormat::kRealImaginary) std::tie(first, second) = polarPair(value, format);
  text->add(' ');
  text->number(first);
  text->add(' ');
  text->number(second);
}

// The entries of a point in the order the file writes them.
std::vector<std::vector<std::pair<int, int>>> pointRows(int n, bool versionTwo, MatrixHalf matrix) {
  std::vector<std::vector<std::pair<int, int>>> rows;
  if (n == 2 && !versionTwo) {
    rows.push_back({{0, 0}, {1, 0}, {0, 1}, {1, 1}});  // the 1.x order: N11 N21 N12 N22
    return rows;
  }
  for (int r = 0; r < n; ++r) {
    int first = matrix == MatrixHalf::kUpper ? r : 0;
    int last = matrix == MatrixHalf::kLower ? r : n - 1;
    std::vector<std::pair<int, int>> row;
    for (int c = first; c <= last; ++c) row.push_back({r, c});
    rows.push_back(std::move(row));
  }
  if (n <= 2) {
    // One- and two-ports: a point is one line.
    std::vector<std::pair<int, int>> line;
    for (const auto& row : rows) line.insert(line.end(), row.begin(), row.end());
    rows.assign(1, line);
  }
  return rows;
}

void writeNetworkData(const NetworkToWrite& network, const TouchstoneWriteOptions& options, bool versionTwo,
                      double normalising, BlockText* text) {
  int n = network.terminalCount;
  std::vector<std::vector<std::pair<int, int>>> rows = pointRows(n, versionTwo, options.matrix);
  std::vector<double> factors(static_cast<size_t>(n) * static_cast<size_t>(n), 1.0);
  if (!versionTwo) {
    for (int r = 0; r < n; ++r) {
      for (int c = 0; c < n; ++c)
        factors[entryIndex(r, c, n)] = normalisingFactor(network.parameter, r, c, normalising);
    }
  }
  for (size_t p = 0; p < network.pointCount && text->good(); ++p) {
    text->number(inUnit(network.frequencies[p], options.unitScale));
    for (size_t line = 0; line < rows.size(); ++line) {
      const auto& row = rows[line];
      for (size_t i = 0; i < row.size(); ++i) {
        if (i > 0 && i % kPairsPerLine == 0) text->endLine();
        size_t e = entryIndex(row[i].first, row[i].second, n);
        DComplex value = sampleOf(network.entries[e], p);
        if (factors[e] != 1.0) value *= factors[e];
        writePair(value, options.format, text);
      }
      text->endLine();
    }
  }
}

// Noise lines: frequency, NFmin in dB, |GammaOpt| and its angle, Rn
// divided by `rnDivisor` (1.x: normalised; 2.x: ohms).
void writeNoiseData(const NoiseToWrite& noise, const TouchstoneWriteOptions& options, double rnDivisor,
                    BlockText* text) {
  for (size_t k = 0; k < noise.frequencies.size(); ++k) {
    text->number(inUnit(noise.frequencies[k], options.unitScale));
    text->add(' ');
    text->number(noise.minimumFigureDb[k]);
    writePair(noise.optimumReflection[k], WrittenFormat::kMagnitudeAngle, text);
    text->add(' ');
    text->number(noise.resistanceOhms[k] / rnDivisor);
    text->endLine();
  }
}

void writeOptionLine(const NetworkToWrite& network, const TouchstoneWriteOptions& options,
                     const std::vector<double>& resistances, BlockText* text) {
  text->add("# ");
  text->add(options.unitName);
  text->add(' ');
  text->add(parameterName(network.parameter));
  text->add(' ');
  text->add(formatName(options.format));
  text->add(" R");
  for (double resistance : resistances) {
    text->add(' ');
    text->number(resistance);
  }
  text->endLine();
}

void writeVersionOne(const NetworkToWrite& network, const TouchstoneWriteOptions& options, BlockText* text) {
  writeComments(network, text);
  if (!network.modes.empty()) writeMappingComments(network, text);
  std::vector<double> resistances = writtenResistances(network);
  if (allEqual(resistances)) resistances.resize(1);
  writeOptionLine(network, options, resistances, text);
  writeNetworkData(network, options, false, resistances.front(), text);
  if (network.noise != nullptr) {
    // A 1.x reader refers the noise data to the first terminal's reference.
    double reference = network.references.front();
    NoiseToWrite noise = noiseReferredTo(*network.noise, reference);
    writeNoiseData(noise, options, reference, text);
  }
}

void writeKeyword(std::string_view keyword, const std::string& argument, BlockText* text) {
  text->add(keyword);
  if (!argument.empty()) {
    text->add(' ');
    text->add(argument);
  }
  text->endLine();
}

void writeVersionTwo(const NetworkToWrite& network, const TouchstoneWriteOptions& options, BlockText* text) {
  writeComments(network, text);
  writeKeyword("[Version]", "2.1", text);
  std::string error;
  std::vector<double> ports =
      network.modes.empty() ? writtenResistances(network) : singleEndedResistances(network, &error);
  // The option line's R is the reference of the noise data; without noise,
  // that of the first port.
  double optionResistance = network.noise != nullptr ? network.noise->referenceOhms : ports.front();
  writeOptionLine(network, options, {optionResistance}, text);
  int n = network.terminalCount;
  writeKeyword("[Number of Ports]", std::to_string(n), text);
  if (n == 2) writeKeyword("[Two-Port Data Order]", "12_21", text);
  writeKeyword("[Number of Frequencies]", std::to_string(network.pointCount), text);
  if (network.noise != nullptr) {
    writeKeyword("[Number of Noise Frequencies]", std::to_string(network.noise->frequencies.size()), text);
  }
  bool referencesDiffer = false;
  for (double port : ports) referencesDiffer = referencesDiffer || port != optionResistance;
  if (referencesDiffer) {
    text->add("[Reference]");
    for (double port : ports) {
      text->add(' ');
      text->number(port);
    }
    text->endLine();
  }
  if (options.matrix != MatrixHalf::kFull) writeKeyword("[Matrix Format]", matrixName(options.matrix), text);
  if (!network.modes.empty()) {
    std::string order;
    for (const ModeRow& row : network.modes) {
      if (!order.empty()) order += ' ';
      order += row.mode + std::to_string(row.first + 1);
      if (row.mode != 'S') order += "," + std::to_string(row.second + 1);
    }
    writeKeyword("[Mixed-Mode Order]", order, text);
  }
  writeKeyword("[Network Data]", "", text);
  writeNetworkData(network, options, true, 1.0, text);
  if (network.noise != nullptr) {
    writeKeyword("[Noise Data]", "", text);
    writeNoiseData(*network.noise, options, 1.0, text);
  }
  writeKeyword("[End]", "", text);
}

}  // namespace

const char* versionName(TouchstoneVersion version) {
  switch (version) {
    case TouchstoneVersion::kOneZero:
      return "1.0";
    case TouchstoneVersion::kOneOne:
      return "1.1";
    case TouchstoneVersion::kTwoOne:
      break;
  }
  return "2.1";
}

std::string shortestNumber(double value) {
  char digits[64];
  std::to_chars_result written = std::to_chars(digits, digits + sizeof digits, value);
  return std::string(digits, written.ptr);
}

NoiseToWrite noiseReferredTo(const NoiseToWrite& noise, double ohms) {
  if (ohms == noise.referenceOhms) return noise;
  NoiseToWrite referred = noise;
  referred.referenceOhms = ohms;
  for (DComplex& gamma : referred.optimumReflection) {
    // Zopt = R0 (1 + G) / (1 - G); G' = (Zopt - R1) / (Zopt + R1), formed
    // without Zopt so that G = 1 (an open) stays finite.
    double r0 = noise.referenceOhms;
    DComplex numerator = r0 * (1.0 + gamma) - ohms * (1.0 - gamma);
    DComplex denominator = r0 * (1.0 + gamma) + ohms * (1.0 - gamma);
    gamma = numerator / denominator;
  }
  return referred;
}

std::string chooseTouchstoneVersion(const NetworkToWrite& network, const TouchstoneWriteOptions& options,
                                    TouchstoneVersion* version) {
  if (std::string error = checkNetwork(network, options); !error.empty()) return error;
  if (options.version.has_value()) {
    *version = *options.version;
    if (*version == TouchstoneVersion::kTwoOne) return {};
    std::string limit = versionOneLimit(network, options, *version);
    if (limit.empty()) return {};
    return std::string("Touchstone ") + versionName(*version) + " cannot carry this network: " + limit;
  }
  bool plain = versionOneLimit(network, options, TouchstoneVersion::kOneZero).empty();
  *version = plain ? TouchstoneVersion::kOneZero : TouchstoneVersion::kTwoOne;
  return {};
}

bool writeTouchstone(const NetworkToWrite& network, const TouchstoneWriteOptions& options,
                     TouchstoneVersion version, std::ostream& out) {
  BlockText text(out);
  if (version == TouchstoneVersion::kTwoOne) {
    writeVersionTwo(network, options, &text);
  } else {
    writeVersionOne(network, options, &text);
  }
  return text.flush();
}

}  // namespace korvel
