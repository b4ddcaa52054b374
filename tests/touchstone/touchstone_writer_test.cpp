// The Touchstone writer: what it writes reads back, without a message, to
// the same network; renormalised, Y, Z, H, G and mixed-mode results agree
// with values worked by hand; what a version cannot carry is refused.
#include "touchstone/touchstone_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <optional>
#include <sstream>

#include "dataset/waveform_names.h"
#include "support/test_support.h"
#include "support/tool_run.h"
#include "touchstone/written_network.h"
#include "touchstone_fixture.h"

namespace korvel::testing {
namespace {

using C = std::complex<double>;

// What a conversion asks of the writer.
struct Conversion {
  std::optional<TouchstoneVersion> version;
  WrittenFormat format = WrittenFormat::kRealImaginary;
  double unitScale = 1e9;
  const char* unitName = "GHz";
  MatrixHalf matrix = MatrixHalf::kFull;
  ParameterKind type = ParameterKind::kScattering;
  std::vector<double> ref;
  std::vector<ModeRow> mixed;
  bool singleEnded = false;
};

TouchstoneWriteOptions optionsOf(const Conversion& conversion, const std::string& outName) {
  TouchstoneWriteOptions options;
  options.version = conversion.version;
  options.format = conversion.format;
  options.unitScale = conversion.unitScale;
  options.unitName = conversion.unitName;
  options.matrix = conversion.matrix;
  options.keywordFileName = outName.size() > 3 && outName.substr(outName.size() - 3) == ".ts";
  return options;
}

// Applies `conversion` to segment `block` of `data`; an empty text or the
// reason it cannot be written.
std::string convert(const DataSet& data, int block, const Conversion& conversion, WrittenNetwork* network) {
  std::string error = network->take(data, block);
  if (error.empty() && !conversion.ref.empty()) error = network->renormalise(conversion.ref);
  if (error.empty() && !conversion.mixed.empty()) error = network->toMixedMode(conversion.mixed);
  if (error.empty() && conversion.singleEnded) error = network->toSingleEnded();
  if (error.empty()) error = network->referenceLimit();
  if (error.empty()) error = network->toParameter(conversion.type);
  return error;
}

// Converts and writes; the text written, or "error: " and the reason.
std::string write(const DataSet& data, int block, const Conversion& conversion, const std::string& outName,
                  TouchstoneVersion* version = nullptr) {
  WrittenNetwork network;
  std::string error = convert(data, block, conversion, &network);
  TouchstoneWriteOptions options = optionsOf(conversion, outName);
  TouchstoneVersion chosen = TouchstoneVersion::kTwoOne;
  if (error.empty()) error = chooseTouchstoneVersion(network.network(), options, &chosen);
  if (!error.empty()) return "error: " + error;
  if (version != nullptr) *version = chosen;
  std::ostringstream out;
  EXPECT_TRUE(writeTouchstone(network.network(), options, chosen, out));
  return out.str();
}

// |a - b| in units in the last place of the larger part of `a`.
double ulpsApart(C a, C b) {
  double scale = std::max(std::fabs(a.real()), std::fabs(a.imag()));
  double unit = scale > 0.0 ? std::nextafter(scale, INFINITY) - scale : 4.9e-324;
  return std::max(std::fabs(a.real() - b.real()), std::fabs(a.imag() - b.imag())) / unit;
}

bool sameBits(C a, C b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The worst difference between the S, references, frequencies and noise of
// segment `block` of `source` and the whole of `copy`, in ulps (0: every
// value bit for bit); infinity when their shapes differ.
// How far a noise line's optimum reflection may move through magnitude and
// angle: each part is rounded once on the way out and once on the way in.
constexpr double kNoiseReflectionUlps = 2.0;

double worstDifference(const DataSet& source, int block, const DataSet& copy) {
  if (source.terminalCount != copy.terminalCount || source.pointCount != copy.pointCount ||
      source.mixedMode != copy.mixedMode || source.hasNoise != copy.hasNoise) {
    ADD_FAILURE() << "the shapes differ";
    return INFINITY;
  }
  NetworkLayout layout = networkLayout(source);
  NetworkLayout copied = networkLayout(copy);
  size_t n = layout.terminals;
  size_t points = static_cast<size_t>(source.pointCount);
  size_t offset = static_cast<size_t>(block) * points;
  double worst = 0.0;
  for (size_t p = 0; p < points; ++p) {
    if (source.frequencies[offset + p] != copy.frequencies[p]) {
      ADD_FAILURE() << "frequency " << p << ": " << source.frequencies[offset + p] << " and "
                    << copy.frequencies[p];
    }
    for (size_t e = 0; e < n * n; ++e) {
      C a = readSample(source.waveformData[e], offset + p);
      C b = readSample(copy.waveformData[e], p);
      if (!sameBits(a, b)) worst = std::max(worst, std::max(ulpsApart(a, b), 1e-3));
    }
    for (size_t k = 0; k < n; ++k) {
      EXPECT_TRUE(sameBits(readSample(source.waveformData[layout.zo(k)], offset + p),
                           readSample(copy.waveformData[copied.zo(k)], p)))
          << "reference " << k;
    }
  }
  for (int k = 0; source.mixedMode != 0 && k < source.terminalCount; ++k) {
    EXPECT_STREQ(source.terminalNames[k], copy.terminalNames[k]);
  }
  if (source.hasNoise == 1) {
    size_t noisePoints = source.isScFormat == 1 ? points : static_cast<size_t>(source.noisePointCount);
    size_t noiseOffset = source.isScFormat == 1 ? offset : 0;
    EXPECT_EQ(static_cast<size_t>(copy.noisePointCount), noisePoints);
    for (size_t p = 0; p < noisePoints && p < static_cast<size_t>(copy.noisePointCount); ++p) {
      for (size_t q : {kMinimumNoiseFigure, kOptimumReflection, kNoiseResistance}) {
        C a = readSample(source.waveformData[layout.noise(q)], noiseOffset + p);
        C b = readSample(copy.waveformData[copied.noise(q)], p);
        // Noise lines carry the optimum reflection as magnitude and angle
        // in every version, so it comes back within the conversion's
        // rounding, whatever the network data's format.
        if (!sameBits(a, b)) worst = std::max(worst, ulpsApart(a, b) - kNoiseReflectionUlps);
      }
    }
  }
  return worst;
}

// Reads `text` as `name` and checks that the reader has nothing to say.
void expectReadsCleanly(const TouchstoneRead& read) {
  EXPECT_TRUE(read.opened());
  EXPECT_EQ(read.errors, "") << read.file.path();
}

constexpr const char* kAmplifier =
    "! a two-port with noise\n"
    "# GHz S RI R 50\n"
    "1 0.1 0.2 3.1 -0.4 0.01 0.02 0.3 -0.2\n"
    "2 0.15 0.25 2.9 -0.8 0.012 0.022 0.28 -0.25\n"
    "3 0.2 0.3 2.7 -1.2 0.014 0.024 0.26 -0.3\n"
    "1 0.5 0.6 40 0.3\n"
    "2 0.6 0.55 60 0.28\n";

constexpr const char* kNoiseAboveDataTwo =
    "[Version] 2.0\n"
    "# MHz S MA R 50\n"
    "[Number of Ports] 2\n"
    "[Two-Port Data Order] 21_12\n"
    "[Number of Frequencies] 2\n"
    "[Number of Noise Frequencies] 2\n"
    "[Network Data]\n"
    "100 0.5 10 2 20 0.1 30 0.4 40\n"
    "200 0.5 11 2 21 0.1 31 0.4 41\n"
    "[Noise Data]\n"
    "300 0.5 0.3 40 12.5\n"
    "400 0.6 0.28 50 11\n"
    "[End]\n";

constexpr const char* kThreePortPerPort =
    "! three ports, three references\n"
    "# MHz S RI R 50 75 100\n"
    "10 0.1 0 0.2 0.1 0.3 0 0.2 0.1 0.4 0 0.1 0.1 0.3 0 0.1 0.1 0.5 0\n"
    "20 0.11 0 0.21 0.1 0.31 0 0.21 0.1 0.41 0 0.11 0.1 0.31 0 0.11 0.1 0.51 0\n";

constexpr const char* kOnePortDb =
    "# kHz S DB R 75\n"
    "1 -3.5 45\n"
    "2.5 -6 -170.25\n"
    "7 -60 179.5\n";

constexpr const char* kMixedComments =
    "! S11 = SDD11\n"
    "! S22 = SDD22\n"
    "! S33 = SCC11\n"
    "! S44 = SCC22\n"
    "# GHz S RI R 50\n"
    "1 0.1 0 0.2 0 0.3 0 0.4 0\n"
    "0.2 0 0.1 0 0.4 0 0.3 0\n"
    "0.3 0 0.4 0 0.1 0 0.2 0\n"
    "0.4 0 0.3 0 0.2 0 0.1 0\n";

constexpr const char* kYTwoPort =
    "# GHz Y RI R 50\n"
    "1 1.5 0.2 -0.5 -0.1 -0.4 0.3 1.2 -0.6\n"
    "2 1.4 0.3 -0.5 -0.2 -0.3 0.3 1.1 -0.5\n";

// A series resistor of 50 ohms between two ports of 50 ohms.
constexpr const char* kSeriesResistor =
    "# GHz S RI R 50\n"
    "1 0.3333333333333333 0 0.6666666666666666 0 0.6666666666666666 0 0.3333333333333333 0\n";

// A shunt resistor of 50 ohms across two ports of 50 ohms.
constexpr const char* kShuntResistor =
    "# GHz S RI R 50\n"
    "1 -0.3333333333333333 0 0.6666666666666666 0 0.6666666666666666 0 -0.3333333333333333 0\n";

// A through connection: I - S is singular, the network has no Z or Y.
constexpr const char* kThrough = "# GHz S RI R 50\n1 0 0 1 0 1 0 0 0\n";

// The series resistor at 50 ohms, then at 25 ohms, each with its port
// impedance line.
constexpr const char* kPortImpedanceLines =
    "# GHz S RI\n"
    "1 0.3333333333333333 0 0.6666666666666666 0 0.6666666666666666 0 0.3333333333333333 0\n"
    "! Port Impedance 50 0 50 0\n"
    "2 0.5 0 0.5 0 0.5 0 0.5 0\n"
    "! Port Impedance 25 0 25 0\n";

constexpr const char* kComplexPortImpedance =
    "# GHz S RI\n"
    "1 0.3 0 0.6 0 0.6 0 0.3 0\n"
    "! Port Impedance 50 5 50 5\n";

// Four ports: reflections a at port 1 and b at port 2, through
// connections 1-3 and 2-4 of transmission t.
constexpr const char* kFourPortPairsOneTwo =
    "# GHz S RI R 50\n"
    "1 0.2 0.1 0 0 0.9 0 0 0\n"
    "0 0 -0.1 0.3 0 0 0.9 0\n"
    "0.9 0 0 0 0 0 0 0\n"
    "0 0 0.9 0 0 0 0 0\n";

// The same network with its ports numbered 1, 3, 2, 4.
constexpr const char* kFourPortPairsOneThree =
    "# GHz S RI R 50\n"
    "1 0.2 0.1 0.9 0 0 0 0 0\n"
    "0.9 0 0 0 0 0 0 0\n"
    "0 0 0 0 -0.1 0.3 0.9 0\n"
    "0 0 0 0 0.9 0 0 0\n";

std::string exampleText(const std::string& name) { return readFile(examplePath(name)); }

// ---- Round trips -----------------------------------------------------

struct RoundTripCase {
  const char* label;
  std::string inName;
  std::string text;
  Conversion conversion;
  std::string outName;
  TouchstoneVersion version;  // the version written
  double ulps;                // the most S and noise may move (0: bit for bit)
};

class WriterRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(WriterRoundTrip, ReadsBackToTheSameNetwork) {
  const RoundTripCase& row = GetParam();
  TouchstoneRead source(row.inName, row.text);
  ASSERT_TRUE(source.opened()) << source.errors;
  for (int block = 0; block < source.data->blockCount; ++block) {
    TouchstoneVersion version = TouchstoneVersion::kOneZero;
    std::string written = write(*source.data, block, row.conversion, row.outName, &version);
    ASSERT_EQ(written.rfind("error", 0), std::string::npos) << written;
    EXPECT_EQ(version, row.version) << versionName(version);
    TouchstoneRead copy(row.outName, written);
    expectReadsCleanly(copy);
    ASSERT_TRUE(copy.opened()) << written;
    double worst = worstDifference(*source.data, block, *copy.data);
    EXPECT_LE(worst, row.ulps) << written;
  }
}

Conversion asking(std::optional<TouchstoneVersion> version,
                  WrittenFormat format = WrittenFormat::kRealImaginary) {
  Conversion conversion;
  conversion.version = version;
  conversion.format = format;
  return conversion;
}

Conversion inUnit(double scale, const char* name, WrittenFormat format) {
  Conversion conversion;
  conversion.unitScale = scale;
  conversion.unitName = name;
  conversion.format = format;
  return conversion;
}

Conversion withMatrix(MatrixHalf matrix) {
  Conversion conversion;
  conversion.matrix = matrix;
  return conversion;
}

Conversion ofType(ParameterKind type, std::optional<TouchstoneVersion> version = std::nullopt) {
  Conversion conversion;
  conversion.type = type;
  conversion.version = version;
  return conversion;
}

constexpr TouchstoneVersion kOneZero = TouchstoneVersion::kOneZero;
constexpr TouchstoneVersion kOneOne = TouchstoneVersion::kOneOne;
constexpr TouchstoneVersion kTwoOne = TouchstoneVersion::kTwoOne;
constexpr double kBitForBit = 0.0;
// The most a value written as magnitude and angle, or dB and angle, moves
// on its way back, in ulps of its larger part.
constexpr double kPolarUlps = 8.0;
// Y, Z, H and G are turned back into S by a matrix inversion.
constexpr double kParameterUlps = 1e4;

INSTANTIATE_TEST_SUITE_P(
    Versions, WriterRoundTrip,
    ::testing::Values(
        RoundTripCase{"AmplifierAsOneZero", "amp.s2p", kAmplifier, {}, "out.s2p", kOneZero, kBitForBit},
        RoundTripCase{"AmplifierAsTwoOne", "amp.s2p", kAmplifier, asking(kTwoOne), "out.s2p", kTwoOne,
                      kBitForBit},
        RoundTripCase{"AmplifierAsTs", "amp.s2p", kAmplifier, {}, "out.ts", kTwoOne, kBitForBit},
        RoundTripCase{"AmplifierMa", "amp.s2p", kAmplifier,
                      asking(std::nullopt, WrittenFormat::kMagnitudeAngle), "out.s2p", kOneZero, kPolarUlps},
        RoundTripCase{"AmplifierDbTwoOne", "amp.s2p", kAmplifier,
                      asking(kTwoOne, WrittenFormat::kDecibelAngle), "out.ts", kTwoOne, kPolarUlps},
        RoundTripCase{
            "NoiseAboveTheDataNeedsTwoOne", "n.ts", kNoiseAboveDataTwo, {}, "out.s2p", kTwoOne, kPolarUlps},
        RoundTripCase{
            "PerPortReferencesAsTwoOne", "three.s3p", kThreePortPerPort, {}, "out.s3p", kTwoOne, kBitForBit},
        RoundTripCase{"PerPortReferencesAsOneOne", "three.s3p", kThreePortPerPort, asking(kOneOne), "out.s3p",
                      kOneOne, kBitForBit},
        RoundTripCase{"OnePortDbInKilohertz", "one.s1p", kOnePortDb,
                      inUnit(1e3, "kHz", WrittenFormat::kDecibelAngle), "out.s1p", kOneZero, kPolarUlps},
        RoundTripCase{"OnePortRiInHertz", "one.s1p", kOnePortDb,
                      inUnit(1.0, "Hz", WrittenFormat::kRealImaginary), "out.s1p", kOneZero, kBitForBit},
        RoundTripCase{"OnePortMaInMegahertz", "one.s1p", kOnePortDb,
                      inUnit(1e6, "MHz", WrittenFormat::kMagnitudeAngle), "out.s1p", kOneZero, kPolarUlps},
        RoundTripCase{
            "MixedModeCommentsAsTwoOne", "mm.s4p", kMixedComments, {}, "out.s4p", kTwoOne, kBitForBit},
        RoundTripCase{"MixedModeCommentsAsOneOne", "mm.s4p", kMixedComments, asking(kOneOne), "out.s4p",
                      kOneOne, kBitForBit},
        RoundTripCase{"UpperMatrix", "dp.ts", exampleText("diff_pair_upper.ts"),
                      withMatrix(MatrixHalf::kUpper), "out.ts", kTwoOne, kBitForBit},
        RoundTripCase{"LowerMatrix", "dp.ts", exampleText("diff_pair_upper.ts"),
                      withMatrix(MatrixHalf::kLower), "out.s4p", kTwoOne, kBitForBit},
        RoundTripCase{"AdmittanceNormalised", "y.y2p", kYTwoPort, ofType(ParameterKind::kAdmittance),
                      "out.s2p", kOneZero, kParameterUlps},
        RoundTripCase{"AdmittanceInSiemens", "y.y2p", kYTwoPort, ofType(ParameterKind::kAdmittance, kTwoOne),
                      "out.ts", kTwoOne, kParameterUlps},
        RoundTripCase{"ImpedanceNormalised", "y.y2p", kYTwoPort, ofType(ParameterKind::kImpedance), "out.z2p",
                      kOneZero, kParameterUlps},
        RoundTripCase{"ImpedanceInOhms", "y.y2p", kYTwoPort, ofType(ParameterKind::kImpedance, kTwoOne),
                      "out.ts", kTwoOne, kParameterUlps},
        RoundTripCase{"Hybrid", "y.y2p", kYTwoPort, ofType(ParameterKind::kHybrid), "out.h2p", kOneZero,
                      kParameterUlps},
        RoundTripCase{"InverseHybridInTwoOne", "y.y2p", kYTwoPort,
                      ofType(ParameterKind::kInverseHybrid, kTwoOne), "out.ts", kTwoOne, kParameterUlps},
        RoundTripCase{"ImpedancePerPortReferences", "three.s3p", kThreePortPerPort,
                      ofType(ParameterKind::kImpedance), "out.s3p", kTwoOne, kParameterUlps}),
    [](const auto& testCase) { return std::string(testCase.param.label); });

INSTANTIATE_TEST_SUITE_P(
    Examples, WriterRoundTrip,
    ::testing::Values(
        RoundTripCase{"Amplifier", "amp.s2p", exampleText("amp.s2p"), {}, "out.s2p", kOneZero, kPolarUlps},
        RoundTripCase{
            "DifferentialPair", "dp.s4p", exampleText("diff_pair.s4p"), {}, "out.s4p", kTwoOne, kBitForBit},
        RoundTripCase{"DifferentialPairUpper",
                      "dp.ts",
                      exampleText("diff_pair_upper.ts"),
                      {},
                      "out.ts",
                      kTwoOne,
                      kBitForBit},
        RoundTripCase{
            "LowPassFromZ", "lp.z2p", exampleText("lowpass_t.z2p"), {}, "out.s2p", kOneZero, kPolarUlps},
        RoundTripCase{"LowPassAsZ", "lp.z2p", exampleText("lowpass_t.z2p"), ofType(ParameterKind::kImpedance),
                      "out.z2p", kOneZero, kParameterUlps},
        RoundTripCase{
            "SweepSegments", "lna.sc", exampleText("lna_sweep.sc"), {}, "out.s2p", kOneZero, kPolarUlps},
        RoundTripCase{"BalancedFilter",
                      "bpf.sc",
                      exampleText("balanced_filter.sc"),
                      {},
                      "out.ts",
                      kTwoOne,
                      kBitForBit}),
    [](const auto& testCase) { return std::string(testCase.param.label); });

// ---- Results against values worked by hand ---------------------------

struct HandWorkedCase {
  const char* label;
  std::string inName;
  std::string text;
  Conversion conversion;
  std::vector<C> expected;  // row-major, at every point
  std::vector<double> references;
};

class WriterHandWorked : public ::testing::TestWithParam<HandWorkedCase> {};

TEST_P(WriterHandWorked, AgreesWithTheValuesWorkedByHand) {
  const HandWorkedCase& row = GetParam();
  TouchstoneRead source(row.inName, row.text);
  ASSERT_TRUE(source.opened()) << source.errors;
  WrittenNetwork network;
  ASSERT_EQ(convert(*source.data, 0, row.conversion, &network), "");
  const NetworkToWrite& written = network.network();
  ASSERT_EQ(written.entries.size(), row.expected.size());
  for (size_t p = 0; p < written.pointCount; ++p) {
    for (size_t e = 0; e < row.expected.size(); ++e) {
      C value = readSample(written.entries[e], p);
      EXPECT_LE(std::abs(value - row.expected[e]), 1e-12 * std::max(1.0, std::abs(row.expected[e])))
          << "entry " << e << " at point " << p << ": " << value << " against " << row.expected[e];
    }
  }
  EXPECT_EQ(written.references, row.references);
  // What is written reads back without a message.
  std::string text = write(*source.data, 0, row.conversion, "out.ts");
  TouchstoneRead copy("out.ts", text);
  expectReadsCleanly(copy);
}

Conversion renormalisedTo(std::vector<double> ohms) {
  Conversion conversion;
  conversion.ref = std::move(ohms);
  return conversion;
}

Conversion mixedMode(std::vector<ModeRow> rows) {
  Conversion conversion;
  conversion.mixed = std::move(rows);
  return conversion;
}

const C kA(0.2, 0.1);
const C kB(-0.1, 0.3);
const C kT(0.9, 0.0);
const std::vector<C> kMixedExpected = {(kA + kB) / 2.0, kT, (kA - kB) / 2.0, 0,  kT, 0, 0,  0,
                                       (kA - kB) / 2.0, 0,  (kA + kB) / 2.0, kT, 0,  0, kT, 0};
const double kThird = 1.0 / 3.0;
const double kTwoThirdsRootTwo = 2.0 * std::sqrt(2.0) / 3.0;

INSTANTIATE_TEST_SUITE_P(
    Conversions, WriterHandWorked,
    ::testing::Values(
        // A series resistor R between references r: S11 = R / (R + 2r), S21 = 2r / (R + 2r).
        HandWorkedCase{"SeriesResistorTo25",
                       "r.s2p",
                       kSeriesResistor,
                       renormalisedTo({25}),
                       {0.5, 0.5, 0.5, 0.5},
                       {25, 25}},
        // A through between r1 and r2: S11 = (r2 - r1) / (r1 + r2), S21 = 2 sqrt(r1 r2) / (r1 + r2),
        // where I - S has no inverse.
        HandWorkedCase{"ThroughTo50And100",
                       "t.s2p",
                       kThrough,
                       renormalisedTo({50, 100}),
                       {kThird, kTwoThirdsRootTwo, kTwoThirdsRootTwo, -kThird},
                       {50, 100}},
        HandWorkedCase{"OpenAndShortStay",
                       "o.s2p",
                       "# GHz S RI R 50\n1 1 0 0 0 0 0 -1 0\n",
                       renormalisedTo({75}),
                       {1, 0, 0, -1},
                       {75, 75}},
        // Per-point port impedances: the series resistor at 50 ohms, then at 25 ohms.
        HandWorkedCase{"PortImpedanceLinesTo50",
                       "pi.s2p",
                       kPortImpedanceLines,
                       renormalisedTo({50}),
                       {kThird, 2 * kThird, 2 * kThird, kThird},
                       {50, 50}},
        // Y of a series resistor: 1/R (1, -1; -1, 1); H: (R, 1; -1, 0).
        HandWorkedCase{"SeriesResistorAdmittance",
                       "r.s2p",
                       kSeriesResistor,
                       ofType(ParameterKind::kAdmittance),
                       {0.02, -0.02, -0.02, 0.02},
                       {50, 50}},
        HandWorkedCase{"SeriesResistorHybrid",
                       "r.s2p",
                       kSeriesResistor,
                       ofType(ParameterKind::kHybrid),
                       {50, 1, -1, 0},
                       {50, 50}},
        // Z of a shunt resistor: R everywhere; G: (1/R, -1; 1, 0).
        HandWorkedCase{"ShuntResistorImpedance",
                       "r.s2p",
                       kShuntResistor,
                       ofType(ParameterKind::kImpedance),
                       {50, 50, 50, 50},
                       {50, 50}},
        HandWorkedCase{"ShuntResistorInverseHybrid",
                       "r.s2p",
                       kShuntResistor,
                       ofType(ParameterKind::kInverseHybrid),
                       {0.02, -1, 1, 0},
                       {50, 50}},
        // Sdd11 = (a + b) / 2, Sdc11 = (a - b) / 2, Sdd21 = Scc21 = t; D twice, C half the reference.
        HandWorkedCase{"MixedModePairsOneTwo",
                       "f.s4p",
                       kFourPortPairsOneTwo,
                       mixedMode({{'D', 0, 1}, {'D', 2, 3}, {'C', 0, 1}, {'C', 2, 3}}),
                       kMixedExpected,
                       {100, 100, 25, 25}},
        HandWorkedCase{"MixedModePairsOneThree",
                       "f.s4p",
                       kFourPortPairsOneThree,
                       mixedMode({{'D', 0, 2}, {'D', 1, 3}, {'C', 0, 2}, {'C', 1, 3}}),
                       kMixedExpected,
                       {100, 100, 25, 25}}),
    [](const auto& testCase) { return std::string(testCase.param.label); });

// Mixed-mode S written and read back, then turned single-ended again,
// gives the single-ended network.
TEST(WriterMixedMode, SingleEndedAgainGivesTheNetworkBack) {
  TouchstoneRead source("f.s4p", kFourPortPairsOneThree);
  ASSERT_TRUE(source.opened());
  Conversion toMixed = mixedMode({{'D', 0, 2}, {'D', 1, 3}, {'C', 0, 2}, {'C', 1, 3}});
  std::string mixedText = write(*source.data, 0, toMixed, "mixed.ts");
  EXPECT_NE(mixedText.find("[Mixed-Mode Order] D1,3 D2,4 C1,3 C2,4\n"), std::string::npos) << mixedText;
  TouchstoneRead mixed("mixed.ts", mixedText);
  expectReadsCleanly(mixed);
  Conversion back;
  back.singleEnded = true;
  std::string singleText = write(*mixed.data, 0, back, "single.s4p");
  TouchstoneRead single("single.s4p", singleText);
  expectReadsCleanly(single);
  ASSERT_TRUE(single.opened()) << singleText;
  for (int e = 0; e < 16; ++e) {
    // The writer numbers the single-ended ports pair by pair: 1, 2 the first pair.
    int r = e / 4;
    int c = e % 4;
    auto original = [](int port) { return port == 1 ? 2 : port == 2 ? 1 : port; };
    C value = single.sample(e, 0);
    C expected = source.sample(original(r) * 4 + original(c), 0);
    EXPECT_LE(std::abs(value - expected), 1e-15) << e;
  }
}

// ---- What cannot be written ----------------------------------------

struct RefusalCase {
  const char* label;
  std::string inName;
  std::string text;
  Conversion conversion;
  std::string outName;
  std::string error;  // the text the reason holds
};

class WriterRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(WriterRefusal, SaysWhy) {
  const RefusalCase& row = GetParam();
  TouchstoneRead source(row.inName, row.text);
  ASSERT_TRUE(source.opened()) << source.errors;
  std::string written = write(*source.data, 0, row.conversion, row.outName);
  EXPECT_EQ(written.rfind("error: ", 0), 0u) << written;
  EXPECT_NE(written.find(row.error), std::string::npos) << written;
}

INSTANTIATE_TEST_SUITE_P(
    Limits, WriterRefusal,
    ::testing::Values(
        RefusalCase{
            "PerPortReferencesInOneZero", "three.s3p", kThreePortPerPort, asking(kOneZero), "o.s3p",
            "Touchstone 1.0 cannot carry this network: the ports have different reference resistances"},
        RefusalCase{"MixedModeInOneZero", "mm.s4p", kMixedComments, asking(kOneZero), "o.s4p",
                    "Touchstone 1.0 has no mixed-mode terminals"},
        RefusalCase{"TsNameInOneOne", "amp.s2p", kAmplifier, asking(kOneOne), "o.ts",
                    "a .ts file is a Touchstone 2.x file"},
        RefusalCase{"NoiseAboveTheDataInOneZero", "n.ts", kNoiseAboveDataTwo, asking(kOneZero), "o.s2p",
                    "the noise data starts at or above the last network frequency"},
        RefusalCase{"NormalisedZWithPerPortReferences", "three.s3p", kThreePortPerPort,
                    ofType(ParameterKind::kImpedance, kOneOne), "o.s3p",
                    "Touchstone 1.x normalises Z data to one resistance"},
        RefusalCase{"LowerMatrixOfANonSymmetricNetwork", "amp.s2p", kAmplifier,
                    withMatrix(MatrixHalf::kLower), "o.ts",
                    "the network is not symmetric (S(1,2) and S(2,1) differ at 1 GHz)"},
        RefusalCase{"ComplexReferences", "c.s2p", kComplexPortImpedance, renormalisedTo({50}), "o.s2p",
                    "complex references cannot be renormalised exactly without choosing a wave definition"},
        RefusalCase{"ComplexReferencesAsTheyAre",
                    "c.s2p",
                    kComplexPortImpedance,
                    {},
                    "o.s2p",
                    "is complex at 1 GHz (50 + j5 Ohm)"},
        RefusalCase{
            "ReferencesPerFrequencyWithoutRef",
            "pi.s2p",
            kPortImpedanceLines,
            {},
            "o.s2p",
            "the reference impedances vary with frequency, which Touchstone cannot carry: give --ref"},
        RefusalCase{"DbOfZero", "o.s2p", "# GHz S RI R 50\n1 1 0 0 0 0 0 -1 0\n",
                    asking(std::nullopt, WrittenFormat::kDecibelAngle), "o.s2p",
                    "S(1,2) at 1 GHz is zero, which has no dB value"},
        RefusalCase{"ImpedanceOfAThrough", "t.s2p", kThrough, ofType(ParameterKind::kImpedance), "o.s2p",
                    "Z(1,1) at 1 GHz has no finite value"},
        RefusalCase{"HybridOfAFourPort", "f.s4p", kFourPortPairsOneTwo, ofType(ParameterKind::kHybrid),
                    "o.s4p", "H and G parameters are defined for a two-port of plain ports only"},
        RefusalCase{"MixedModeWithoutItsCommonMode", "f.s4p", kFourPortPairsOneTwo,
                    mixedMode({{'D', 0, 1}, {'D', 2, 3}, {'S', 0, 0}, {'S', 2, 0}}), "o.s4p",
                    "D1,2 has no C pair"},
        RefusalCase{"MixedModePairOfUnequalReferences", "three.s3p", kThreePortPerPort,
                    mixedMode({{'D', 0, 1}, {'C', 0, 1}, {'S', 2, 0}}), "o.s3p",
                    "ports 1 and 2 have different references (50 Ohm, 75 Ohm)"}),
    [](const auto& testCase) { return std::string(testCase.param.label); });

// Header comments are carried over, the source's own mapping comments are
// not (the writer writes its own), and shortest numbers are written.
TEST(WriterText, CommentsAndShortestNumbers) {
  TouchstoneRead source("mm.s4p", std::string("! a pair\n") + kMixedComments);
  ASSERT_TRUE(source.opened());
  WrittenNetwork network;
  ASSERT_EQ(network.take(*source.data, 0), "");
  network.editableNetwork().comments = {"a pair", "S11 = SDD11", "written by test"};
  TouchstoneWriteOptions options;
  options.version = TouchstoneVersion::kOneOne;
  TouchstoneVersion version = TouchstoneVersion::kOneZero;
  ASSERT_EQ(chooseTouchstoneVersion(network.network(), options, &version), "");
  std::ostringstream out;
  ASSERT_TRUE(writeTouchstone(network.network(), options, version, out));
  const std::string expected =
      "! a pair\n! written by test\n! S11 = SDD11\n! S22 = SDD22\n! S33 = SCC11\n! S44 = SCC22\n"
      "# GHz S RI R 50\n1 0.1 0 0.2 0 0.3 0 0.4 0\n 0.2 0 0.1 0 0.4 0 0.3 0\n 0.3 0 0.4 0 0.1 0 0.2 0\n"
      " 0.4 0 0.3 0 0";
  EXPECT_EQ(out.str().substr(0, expected.size()), expected);
}

}  // namespace
}  // namespace korvel::testing

namespace korvel::testing {
namespace {

// Noise data written at other references keeps its meaning: the optimum
// source impedance, Rn and NFmin read back the same, in 1.x (referred to
// port 1's new reference) and in 2.1 (to the option line's).
TEST(WriterNoise, RenormalisedNetworkKeepsItsNoise) {
  TouchstoneRead source("amp.s2p", kAmplifier);
  ASSERT_TRUE(source.opened());
  NetworkLayout layout = networkLayout(*source.data);
  for (const char* outName : {"out.s2p", "out.ts"}) {
    Conversion conversion;
    conversion.ref = {75};
    std::string text = write(*source.data, 0, conversion, outName);
    TouchstoneRead copy(outName, text);
    expectReadsCleanly(copy);
    ASSERT_TRUE(copy.opened()) << text;
    NetworkLayout copied = networkLayout(*copy.data);
    ASSERT_EQ(copy.data->noisePointCount, source.data->noisePointCount);
    for (size_t p = 0; p < static_cast<size_t>(source.data->noisePointCount); ++p) {
      for (size_t q : {kMinimumNoiseFigure, kOptimumImpedance, kNoiseResistance}) {
        C a = readSample(source.data->waveformData[layout.noise(q)], p);
        C b = readSample(copy.data->waveformData[copied.noise(q)], p);
        EXPECT_LE(std::abs(a - b), 1e-12 * std::abs(a)) << outName << " quantity " << q << " point " << p;
      }
    }
  }
}

}  // namespace
}  // namespace korvel::testing
