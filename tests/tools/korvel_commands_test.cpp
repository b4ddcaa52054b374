// The tool's lookups, tables and summaries end to end on the examples.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>

#include "support/test_support.h"
#include "support/tool_run.h"
#include "tools/session/standard_input.h"

namespace korvel::testing {
namespace {

using Json = nlohmann::json;

const std::string kAmp = examplePath("amp.s2p");
const std::string kSweep = examplePath("lna_sweep.sc");

std::vector<std::string> splitCsvLine(const std::string& line) {
  std::vector<std::string> fields;
  std::string field;
  bool quoted = false;
  for (char c : line) {
    if (c == '"') {
      quoted = !quoted;
    } else if (c == ',' && !quoted) {
      fields.push_back(field);
      field.clear();
    } else {
      field += c;
    }
  }
  fields.push_back(field);
  return fields;
}

std::vector<std::vector<std::string>> csvRows(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) rows.push_back(splitCsvLine(line));
  return rows;
}

// The stored point at 2 GHz, the same as the JSON dump holds.
TEST(KorvelGet, ExactPointIsTheStoredValue) {
  ToolRun run = korvel({"get", kAmp, "s(2,1)@2GHz"});
  ASSERT_EQ(run.status, 0) << run.err;
  Json dump = Json::parse(korvel({"dump", kAmp, "S21"}).out)["waveforms"][0]["segments"][0];
  size_t p = 3;  // 2 GHz is the fourth point of the file
  ASSERT_EQ(dump["x"][p], 2e9);
  char expected[128];
  double re = dump["re"][p];
  double im = dump["im"][p];
  std::snprintf(expected, sizeof expected, "%.6g %s %.6gj", re, im < 0 ? "-" : "+", std::fabs(im));
  EXPECT_EQ(run.out, "waveform      f      value\nS-Par/S(2,1)  2 GHz  " + std::string(expected) + "\n");
}

TEST(KorvelGet, BetweenPointsSaysItInterpolated) {
  ToolRun run = korvel({"get", kAmp, "K@2.2GHz", "NFmin@2GHz", "--unit", "db"});
  ASSERT_EQ(run.status, 0) << run.err;
  std::istringstream lines(run.out);
  std::string header, k, nf;
  std::getline(lines, header);
  std::getline(lines, k);
  std::getline(lines, nf);
  EXPECT_EQ(header.rfind("waveform         f        value", 0), 0u) << header;
  EXPECT_EQ(header.substr(header.size() - 4), "note") << header;
  EXPECT_NE(k.find("interpolated between 2 GHz and 2.5 GHz"), std::string::npos) << k;
  // The file gives NFmin 0.5 dB at 2 GHz; the plug-in holds it linear.
  EXPECT_EQ(nf, "Noise-Par/NFmin  2 GHz    0.5 dB");
}

// Linear gains and noise factors are plain factors; dB of an impedance or
// an admittance names its reference.
struct UnitCase {
  const char* label;
  std::vector<std::string> arguments;
  std::string row;
};

class KorvelGetUnits : public ::testing::TestWithParam<UnitCase> {};

TEST_P(KorvelGetUnits, SayWhatTheyAre) {
  ToolRun run = korvel(GetParam().arguments);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("\n" + GetParam().row + "\n"), std::string::npos) << run.out;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, KorvelGetUnits,
    ::testing::Values(
        UnitCase{"NoiseFactor", {"get", kAmp, "NFmin@2GHz", "Gmax@2GHz"}, "Noise-Par/NFmin  2 GHz  1.12202"},
        UnitCase{"GainFactor", {"get", kAmp, "NFmin@2GHz", "Gmax@2GHz"}, "Gain-Par/Gmax    2 GHz  93.75"},
        UnitCase{"GainInDb", {"get", kAmp, "Gmax@2GHz", "--unit", "db"}, "Gain-Par/Gmax  2 GHz  19.7197 dB"},
        UnitCase{"ImpedanceInDbOhm",
                 {"get", examplePath("lowpass_t.z2p"), "Z11@1GHz", "--unit", "db"},
                 "Z-Par/Z(1,1)  1 GHz  -2.75367 dBOhm"},
        UnitCase{"AdmittanceInDbS",
                 {"get", examplePath("lowpass_t.z2p"), "Y11@1GHz", "--unit", "db"},
                 "Y-Par/Y(1,1)  1 GHz  -70.6204 dBS"},
        // A mixed-mode file's gains and noise name the two-port they are of.
        UnitCase{"MixedModeGainOfItsTwoPort",
                 {"get", examplePath("diff_pair.s4p"), "K@2GHz", "Gmax@2.5GHz"},
                 "Gain-Par/Gmax  2.5 GHz  0.806865  of Sdd; interpolated between 2 GHz and 3 GHz"},
        UnitCase{"MixedModeNoiseOfItsTwoPort",
                 {"get", std::string(KORVEL_SOURCE_DIR) + "/tests/data/mixed_mode/differential_lna.s4p",
                  "NFmin@2GHz"},
                 "Noise-Par/NFmin  2 GHz  1.2735  of Sdd"},
        // A not-a-number prints alike whatever sign bit the conversion left.
        UnitCase{"NotANumberWithoutASign",
                 {"get", std::string(KORVEL_SOURCE_DIR) + "/tests/data/hostile/not_a_number_polar.s1p",
                  "S11@1GHz"},
                 "S-Par/S(1,1)  1 GHz  nan + nanj"},
        UnitCase{"MixedModeInfoNamesItsTwoPort",
                 {"info", examplePath("diff_pair.s4p")},
                 "  two-port    gains, stability and noise of Sdd (ports 1 and 2 of its formulas)"}),
    [](const ::testing::TestParamInfo<UnitCase>& row) { return row.param.label; });

// A constant is its value at every frequency of its range: Zo is stored at
// the ends of the range, and nothing is interpolated between equal values.
// The asked frequency prints with every digit it was asked with.
TEST(KorvelGet, ConstantAndAskedFrequencyAsTheyAre) {
  ToolRun run = korvel({"get", kAmp, "Zo1@1GHz", "S21@500.00005MHz"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("Zo/Zo(1)      1 GHz          50 Ohms\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("S-Par/S(2,1)  500.00005 MHz"), std::string::npos) << run.out;
}

// A file argument that is not there is missing, not an unknown name.
TEST(KorvelGet, MissingFileIsNoSuchFile) {
  ToolRun run = korvel({"get", kAmp, "/nonexistent/missing.s2p", "S21@2GHz"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("korvel: /nonexistent/missing.s2p: no such file\n"), std::string::npos) << run.err;
}

TEST(KorvelGet, OutsideTheGridIsAnError) {
  ToolRun run = korvel({"get", kAmp, "S21@7GHz"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err,
            "korvel: " + kAmp + ": S-Par/S(2,1) has no value at 7 GHz (its frequencies: 500 MHz .. 6 GHz)\n");
}

TEST(KorvelGet, SweptFileGivesARowPerSegment) {
  ToolRun run = korvel({"get", kSweep, "Zo2@2GHz"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out.rfind(
                "waveform  f      sweep             value\nZo/Zo(2)  2 GHz  temp=-40 vdd=2.7  50 Ohms\n", 0),
            0u)
      << run.out;
  EXPECT_NE(run.out.find("Zo/Zo(2)  2 GHz  temp=85 vdd=3.3   50 Ohms\n"), std::string::npos) << run.out;
}

// The wide table in dB holds the same numbers as the JSON dump.
TEST(KorvelDump, WideCsvInDbAgreesWithJson) {
  ToolRun wide = korvel({"dump", "--format", "csv", "--wide", "--unit", "db", kAmp, "S21", "NFmin", "K"});
  ASSERT_EQ(wide.status, 0) << wide.err;
  std::vector<std::vector<std::string>> rows = csvRows(wide.out);
  ASSERT_EQ(rows.size(), 13u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"segment", "f [Hz]", "S-Par/S(2,1) [dB]",
                                               "Noise-Par/NFmin [dB]", "Gain-Par/K [-]"}));
  Json dump = Json::parse(korvel({"dump", kAmp, "S21", "NFmin", "K"}).out)["waveforms"];
  for (size_t p = 0; p < 12; ++p) {
    SCOPED_TRACE(p);
    EXPECT_EQ(std::stod(rows[p + 1][1]), dump[0]["segments"][0]["x"][p].get<double>());
    double re = dump[0]["segments"][0]["re"][p];
    double im = dump[0]["segments"][0]["im"][p];
    EXPECT_EQ(std::stod(rows[p + 1][2]), 20.0 * std::log10(std::hypot(re, im)));
    EXPECT_EQ(std::stod(rows[p + 1][3]), 10.0 * std::log10(dump[1]["segments"][0]["y"][p].get<double>()));
    EXPECT_EQ(std::stod(rows[p + 1][4]), dump[2]["segments"][0]["y"][p].get<double>());
  }
}

TEST(KorvelDump, WideCsvCarriesSweepValuesAndAConstantZoOnEveryRow) {
  ToolRun wide = korvel({"dump", "--format", "csv", "--wide", kSweep, "S21", "Zo1"});
  ASSERT_EQ(wide.status, 0) << wide.err;
  std::vector<std::vector<std::string>> rows = csvRows(wide.out);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"segment", "temp", "vdd", "f [Hz]", "S-Par/S(2,1) re [-]",
                                               "S-Par/S(2,1) im [-]", "Zo/Zo(1) [Ohms]"}));
  ASSERT_EQ(rows.size(), 1u + 6 * 4);
  EXPECT_EQ(rows[1][0], "0");
  EXPECT_EQ(rows[1][1], "-40");
  EXPECT_EQ(rows[1][2], "2.7");
  EXPECT_EQ(rows[1][6], "50") << "Zo has a point at the first frequency";
  for (size_t r = 1; r < rows.size(); ++r)
    EXPECT_EQ(rows[r][6], "50") << "and holds it over its range: row " << r;
  EXPECT_EQ(rows[24][1], "85");
  EXPECT_EQ(rows[24][2], "3.3");
}

TEST(KorvelDump, CsvAndJsonWriteTheSameShortestNumbers) {
  TempFile tenth("tenth.s1p", "# Hz S RI R 50\n1 0.1 0.2\n");
  ToolRun csv = korvel({"dump", "--format", "csv", tenth.path(), "S11"});
  ToolRun json = korvel({"dump", tenth.path(), "S11"});
  EXPECT_EQ(csv.out, "name,segment,f [Hz],re,im,unit\n\"S-Par/S(1,1)\",0,1,0.1,0.2,-\n");
  EXPECT_NE(json.out.find("\"re\":[0.1],\"im\":[0.2]"), std::string::npos) << json.out;
}

TEST(KorvelDump, JsonNamesTheDisplayHints) {
  Json waveform = Json::parse(korvel({"dump", kAmp, "Gmax"}).out)["waveforms"][0];
  EXPECT_EQ(waveform["display"], Json::parse(R"j({"power":"1","y":"db(y)"})j"));
  EXPECT_EQ(waveform["yunit"], "Gain");
}

TEST(KorvelDump, SeveralFilesGiveOneDocumentALineOrAFileColumn) {
  ToolRun json = korvel({"dump", kAmp, kAmp, "K"});
  ASSERT_EQ(json.status, 0) << json.err;
  std::istringstream lines(json.out);
  std::string line;
  int documents = 0;
  while (std::getline(lines, line)) {
    EXPECT_EQ(Json::parse(line)["waveforms"][0]["name"], "Gain-Par/K");
    ++documents;
  }
  EXPECT_EQ(documents, 2);
  ToolRun csv = korvel({"dump", "--format", "csv", kAmp, kAmp, "K"});
  std::vector<std::vector<std::string>> rows = csvRows(csv.out);
  ASSERT_EQ(rows.size(), 25u) << "one header for both files";
  EXPECT_EQ(rows[0][0], "file");
  EXPECT_EQ(rows[24][0], kAmp);
}

// A plain file and a swept one make one table: one header with the sweep
// columns of either, empty where a file has none, and rows of one width.
struct OneTableCase {
  const char* label;
  std::vector<std::string> options;
  std::vector<std::string> header;
};

class KorvelDumpOneTable : public ::testing::TestWithParam<OneTableCase> {};

TEST_P(KorvelDumpOneTable, OneHeaderAndRowsOfOneWidth) {
  std::vector<std::string> arguments = {"dump", "--format", "csv"};
  arguments.insert(arguments.end(), GetParam().options.begin(), GetParam().options.end());
  arguments.insert(arguments.end(), {kAmp, kSweep, "S21", "NFmin"});
  ToolRun run = korvel(arguments);
  ASSERT_EQ(run.status, 0) << run.err;
  std::vector<std::vector<std::string>> rows = csvRows(run.out);
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(rows[0], GetParam().header);
  size_t ampRows = 0;
  for (size_t r = 1; r < rows.size(); ++r) {
    SCOPED_TRACE(r);
    ASSERT_EQ(rows[r].size(), rows[0].size());
    EXPECT_NE(rows[r][0], "file") << "a second header";
    if (rows[r][0] != kAmp) continue;
    ++ampRows;
    EXPECT_EQ(rows[r][GetParam().options.empty() ? 3 : 2], "") << "the plain file has no temp";
  }
  EXPECT_EQ(ampRows, GetParam().options.empty() ? 24u : 12u);
  EXPECT_EQ(rows.back()[0], kSweep);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, KorvelDumpOneTable,
    ::testing::Values(
        OneTableCase{"Long", {}, {"file", "name", "segment", "temp", "vdd", "f [Hz]", "re", "im", "unit"}},
        OneTableCase{"Wide",
                     {"--wide"},
                     {"file", "segment", "temp", "vdd", "f [Hz]", "S-Par/S(2,1) re [-]",
                      "S-Par/S(2,1) im [-]", "Noise-Par/NFmin [factor]"}}),
    [](const ::testing::TestParamInfo<OneTableCase>& row) { return row.param.label; });

TEST(KorvelInfo, JsonForScripts) {
  ToolRun run = korvel({"info", "--json", kAmp, kSweep});
  ASSERT_EQ(run.status, 0) << run.err;
  std::istringstream lines(run.out);
  std::string line;
  std::getline(lines, line);
  Json amp = Json::parse(line);
  EXPECT_EQ(amp["ports"], 2);
  EXPECT_EQ(amp["parameter"], "S");
  EXPECT_EQ(amp["dataFormat"], "MA");
  EXPECT_EQ(amp["reference"], Json::parse(R"j({"Zo(1)":50,"Zo(2)":50})j"));
  EXPECT_EQ(amp["comments"].size(), 3u);
  EXPECT_EQ(amp["frequency"], Json::parse(R"({"start":5e8,"stop":6e9,"points":12,"segments":1})"));
  std::getline(lines, line);
  Json sweep = Json::parse(line);
  EXPECT_EQ(sweep["dataFormat"], "DB");
  EXPECT_EQ(sweep["sweep"][1], Json::parse(R"({"name":"vdd","values":[2.7,3,3.3]})"));
}

TEST(KorvelInfo, MixedModeReferencesAndLongLinesWrapped) {
  ToolRun run = korvel({"info", examplePath("diff_pair.s4p")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("  ports       4\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("  reference   Zod(1) 100, Zod(2) 100, Zoc(1) 25, Zoc(2) 25 Ohms\n"),
            std::string::npos)
      << run.out;
  std::istringstream lines(run.out);
  std::string line;
  while (std::getline(lines, line)) EXPECT_LE(line.size(), 100u) << line;
}

TEST(KorvelInfo, ReferencesThatDifferAreListed) {
  TempFile mixed("refs.s2p",
                 "[Version] 2.0\n# GHz S RI\n[Number of Ports] 2\n[Two-Port Data Order] 12_21\n"
                 "[Number of Frequencies] 2\n[Reference] 50 75\n"
                 "[Network Data]\n1 0.1 0 0.2 0 0.2 0 0.1 0\n2 0.1 0 0.2 0 0.2 0 0.1 0\n[End]\n");
  ToolRun run = korvel({"info", mixed.path()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("  reference   Zo(1) 50, Zo(2) 75 Ohms\n"), std::string::npos) << run.out;
}

// The grids and references come from the waveforms' shape alone: each
// row as the full values would give it.
struct GridRowCase {
  const char* label;
  const char* name;
  const char* text;
  std::vector<std::string> rows;
};

class KorvelInfoGrids : public ::testing::TestWithParam<GridRowCase> {};

TEST_P(KorvelInfoGrids, RowsFromTheWaveformsShape) {
  TempFile file(GetParam().name, GetParam().text);
  ToolRun run = korvel({"info", file.path()});
  ASSERT_EQ(run.status, 0) << run.err;
  for (const std::string& row : GetParam().rows) EXPECT_NE(run.out.find(row), std::string::npos) << run.out;
}

INSTANTIATE_TEST_SUITE_P(
    Files, KorvelInfoGrids,
    ::testing::Values(
        GridRowCase{"PortImpedancePerFrequency",
                    "solver.s1p",
                    "# GHz S MA\n1 0.2 -75\n! Port Impedance 376 0\n2 0.2 -76\n! Port Impedance 375 0\n"
                    "3 0.2 -77\n! Port Impedance 374 0\n",
                    {"  reference   per frequency\n", "  frequency   1 GHz .. 3 GHz, 3 points\n"}},
        GridRowCase{"NoiseOnItsOwnGrid",
                    "noisy.s2p",
                    "# GHz S RI R 50\n1 0.1 0 0.5 0 0.5 0 0.1 0\n75 0.1 0 0.5 0 0.5 0 0.1 0\n100 0.1 0 0.5 0 "
                    "0.5 0 0.1 0\n"
                    "70 2.5 0.5 45 10\n85 2.5 0.5 45 10\n",
                    {"  reference   50 Ohms\n", "  frequency   1 GHz .. 100 GHz, 3 points\n",
                     "  noise grid  70 GHz .. 85 GHz, 2 points\n"}},
        GridRowCase{"OnePoint",
                    "single.s1p",
                    "# MHz S RI R 75\n10 0.5 0\n",
                    {"  reference   75 Ohms\n", "  frequency   10 MHz .. 10 MHz, 1 point\n"}}),
    [](const auto& testCase) { return std::string(testCase.param.label); });

// korvel quality on every shape of file: a row per file, its arguments, the
// exit status and lines the output must hold.
struct QualityCase {
  const char* label;
  const char* name;  // a file written from `text`, or an example's name
  const char* text;
  std::vector<std::string> options;
  int status;
  std::vector<std::string> lines;
};

class KorvelQuality : public ::testing::TestWithParam<QualityCase> {};

TEST_P(KorvelQuality, JudgesTheFile) {
  const QualityCase& c = GetParam();
  std::unique_ptr<TempFile> file;
  std::string path = examplePath(c.name);
  if (c.text[0] != '\0') {
    file = std::make_unique<TempFile>(c.name, c.text);
    path = file->path();
  }
  std::vector<std::string> arguments{"quality"};
  arguments.insert(arguments.end(), c.options.begin(), c.options.end());
  arguments.push_back(path);
  ToolRun run = korvel(arguments);
  EXPECT_EQ(run.status, c.status) << run.err;
  for (const std::string& line : c.lines) EXPECT_NE(run.out.find(line), std::string::npos) << run.out;
}

// A lossless line at 50 Ohms turning clockwise: mu is 1, on the edge of
// unconditional stability.
constexpr const char* kLine =
    "# GHz S MA R 50\n1 0 0 1 -30 1 -30 0 0\n2 0 0 1 -60 1 -60 0 0\n3 0 0 1 -90 1 -90 0 0\n";

INSTANTIATE_TEST_SUITE_P(
    Files, KorvelQuality,
    ::testing::Values(
        QualityCase{"LosslessLine",
                    "line.s2p",
                    kLine,
                    {},
                    0,
                    {"  passivity    100         good          0 of 3 points above 1.00001; largest singular "
                     "value 1 at ",
                     "  causality    100         good", "lowest mu 1, lowest K 1"}},
        QualityCase{"OnePortHasNoReciprocity",
                    "load.s1p",
                    "# GHz S MA\n1 0.5 -10\n2 0.5 -20\n3 0.5 -30\n",
                    {},
                    0,
                    {"  reciprocity  -           -             not defined for a one-port\n"}},
        QualityCase{"OnePortJsonSaysNull",
                    "load.s1p",
                    "# GHz S MA\n1 0.5 -10\n2 0.5 -20\n",
                    {"--json"},
                    0,
                    {R"("reciprocity":{"value":null,"note":"not defined for a one-port"})",
                     R"("causality":{"value":null,"note":"not defined for fewer than 3 points"})"}},
        QualityCase{"MixedModeAsStored",
                    "diff_pair.s4p",
                    "",
                    {},
                    0,
                    {"4 ports, mixed-mode as stored", "worst entry Sdd(1,1)"}},
        QualityCase{"MixedModeSingleEnded",
                    "diff_pair.s4p",
                    "",
                    {"--single-ended"},
                    0,
                    {"4 ports, single-ended", "most in S(1,"}},
        QualityCase{"SweptPerSegment",
                    "lna_sweep.sc",
                    "",
                    {"--csv"},
                    0,
                    {"\"temp = 85, vdd = 3.3\",2,as stored,real,4,0,poor,4,"}},
        QualityCase{"PortImpedancesPerFrequency",
                    "solver.s1p",
                    "# GHz S MA\n1 0.2 -75\n! Port Impedance 376 0\n2 0.2 -76\n! Port Impedance 375 0\n"
                    "3 0.2 -77\n! Port Impedance 374 0\n",
                    {},
                    0,
                    {"1 port, as stored, references per frequency"}},
        QualityCase{"ComplexReferencesNotJudged",
                    "solver.s1p",
                    "# GHz S MA\n1 0.2 -75\n! Port Impedance 50 10\n2 0.2 -76\n! Port Impedance 50 10\n",
                    {"--fail-below", "inconclusive"},
                    1,
                    {"  not judged: the metrics need real reference impedances"}},
        QualityCase{
            "FailBelowPassed", "lowpass_t.z2p", "", {"--fail-below", "good"}, 0, {"passivity    100"}},
        QualityCase{"FailBelowCausality",
                    "diff_pair.s4p",
                    "",
                    {"--fail-below", "inconclusive"},
                    1,
                    {"causality    0           poor"}},
        QualityCase{"FailBelowAcceptableOnly",
                    "balanced_filter.sc",
                    "",
                    {"--fail-below", "acceptable"},
                    0,
                    {"reciprocity  99.4036667  acceptable"}},
        QualityCase{"FailBelowGood", "balanced_filter.sc", "", {"--fail-below", "good"}, 1, {}},
        QualityCase{
            "PointsOfATwoPort",
            "line.s2p",
            kLine,
            {"--points"},
            0,
            {"file,segment,f [Hz],largest singular value,reciprocity error,K,mu\n", ",0,3e+09,1,0,1,1\n"}}),
    [](const auto& testCase) { return std::string(testCase.param.label); });

TEST(KorvelQuality, RefusedFileAndExclusiveOutputs) {
  ToolRun refused = korvel({"quality", std::string(KORVEL_SOURCE_DIR) + "/tests/data/hostile/empty.s2p"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(korvel({"quality", "--json", "--csv", kAmp}).status, 2);
}

TEST(KorvelInfo, AllCommentsOnRequest) {
  std::string text;
  for (int i = 0; i < 6; ++i) text += "! comment " + std::to_string(i) + "\n";
  TempFile many("many.s1p", text + "# GHz S MA R 50\n1 0.5 0\n");
  ToolRun few = korvel({"info", many.path()});
  EXPECT_NE(few.out.find("              (3 more; --comments shows them all)\n"), std::string::npos)
      << few.out;
  ToolRun all = korvel({"info", "--comments", many.path()});
  EXPECT_NE(all.out.find("              comment 5\n"), std::string::npos) << all.out;
}

TEST(KorvelInfo, FileNamedLikeAnScFileIsTouchstone) {
  TempFile probe("scope_probe.s2p", readFile(kAmp));
  ToolRun run = korvel({"info", probe.path()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("  format      TouchStone\n"), std::string::npos) << run.out;
}

TEST(KorvelTool, StandardInputReadOnce) {
  ToolRun run = korvel({"list", "-"}, kAmp);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, korvel({"list", kAmp}).out);
  ToolRun named = korvel({"--stdin-as", "sc", "get", "-", "S21@1GHz"}, kSweep);
  ASSERT_EQ(named.status, 0) << named.err;
  ToolRun twice = korvel({"list", "-", "-"}, kAmp);
  EXPECT_EQ(twice.status, 0) << twice.err;
  ToolRun unknown = korvel({"list", "-"}, "/dev/null");
  EXPECT_EQ(unknown.status, 1);
  EXPECT_NE(unknown.err.find("--stdin-as"), std::string::npos) << unknown.err;
}

// A 1.x four-port whose first line holds nine numbers, as a two-port's
// does: read as four ports, or refused when the numbers fit two counts.
TEST(KorvelTool, StandardInputPortsFromWholePoints) {
  std::string row = " 0.1 0 0.2 0 0.3 0 0.4 0\n";
  std::string text = "# GHz S RI R 50\n";
  for (int f = 1; f <= 3; ++f) text += std::to_string(f) + row + row + row + row;
  TempFile fourPort("four.s4p", text);
  ToolRun run = korvel({"info", "-"}, fourPort.path());
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("  ports       4\n"), std::string::npos) << run.out;
  TempFile ambiguous("ambiguous.s2p", "# GHz S RI R 50\n1 2 3 4 5 6 7 8 9\n");
  ToolRun refused = korvel({"info", "-"}, ambiguous.path());
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.err,
            "korvel: -: cannot tell the format of standard input (its data lines read as whole points of 1 "
            "and 2 ports); name it with --stdin-as (e.g. --stdin-as s4p)\n");
  EXPECT_EQ(korvel({"--stdin-as", "s2p", "info", "-"}, ambiguous.path()).status, 0);
}

// A 1.x point of N ports holding the numbers `first`, `first` + 1, ...
// after its frequency, written as the standard writes it: a row of the
// matrix from a new line, at most four pairs a line.
std::string pointLines(double frequency, int ports) {
  std::string text = std::to_string(frequency);
  for (int row = 0; row < ports; ++row) {
    for (int column = 0; column < ports; ++column) {
      if (column > 0 && column % 4 == 0) text += "\n";
      text += " 0.1 -0.2";
    }
    text += "\n";
  }
  return text;
}

struct GuessCase {
  const char* label;
  std::string text;
  const char* extension;
};

class StandardInputGuess : public ::testing::TestWithParam<GuessCase> {};

TEST_P(StandardInputGuess, PortCountFromWholePoints) {
  std::string why;
  EXPECT_EQ(tool::guessExtension(GetParam().text, &why), GetParam().extension) << why;
  // A refusal always says why.
  if (std::string(GetParam().extension).empty()) {
    EXPECT_FALSE(why.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, StandardInputGuess,
    ::testing::Values(
        GuessCase{"Simulator", "* x\n*| N=2 DATA=4\n", "sc"},
        GuessCase{"OnePort", "! c\n# GHz S MA R 50\n1 0.5 0\n", "s1p"},
        GuessCase{"OnePortSeveralPointsALine", "# GHz S MA R 50\n1 0.5 0 2 0.4 0\n3 0.3 0\n", "s1p"},
        GuessCase{"TwoPort", "# GHz S MA R 50\n1 1 0 2 0 3 0 4 0 ! c\n", "s2p"},
        GuessCase{"TwoPortWithNoise",
                  "# GHz S MA R 50\n1 0.5 0 2 0 0.1 0 0.4 0\n2 0.5 0 2 0 0.1 0 0.4 0\n1 0.5 0.2 30 0.1\n",
                  "s2p"},
        GuessCase{"HybridParametersAreTwoPort", "# kHz H MA R 1\n2 .95 -26 3.57 157 .04 76 .66 -14", "s2p"},
        GuessCase{"Keyword", "[Version] 2.0\n[Number of Ports] 4\n", "s4p"},
        GuessCase{"ThreePort", "# GHz S RI R 50\n" + pointLines(1, 3) + pointLines(2, 3), "s3p"},
        // Nine numbers on the first line, as a two-port has.
        GuessCase{"FourPort", "# GHz S RI R 50\n" + pointLines(1, 4) + pointLines(2, 4), "s4p"},
        GuessCase{"FourPortSignedNumbers",
                  "# GHz S RI R 50\n1 +1 0 0 0 0 0 0 0\n" + std::string(3, '\t') +
                      "+1 0 0 0 0 0 0 0\n+1 0 0 0 0 0 0 0\n+1 0 0 0 0 0 0 0\n",
                  "s4p"},
        GuessCase{"SixPort", "# GHz S RI R 50\n" + pointLines(1, 6) + pointLines(2, 6), "s6p"},
        GuessCase{"ByteOrderMark", "\xEF\xBB\xBF! c\n# GHz S RI R 50\n1 0.1 0.2\n", "s1p"},
        GuessCase{"ByteOrderMarkBeforeKeyword", "\xEF\xBB\xBF[Version] 2.0\n# GHz\n[Number of Ports] 3\n",
                  "s3p"},
        GuessCase{"KeywordBlanks", "[Version] 2.0\n# GHz\n[Number  of  ports] 5\n", "s5p"},
        GuessCase{"CarriageReturnsOnly",
                  "! c\r# GHz S RI R 50\r1 0.1 0.2 0 0 0 0 0.3 0.4\r2 0.1 0.2 0 0 0 0 0.3 0.4\r", "s2p"},
        // Three one-port points whose frequencies rise, or one two-port point.
        GuessCase{"Ambiguous", "# GHz S RI R 50\n1 2 3 4 5 6 7 8 9\n", ""},
        GuessCase{"NoWholePoint", "# GHz S RI R 50\n1 2 3 4 5 6 7\n", ""}, GuessCase{"Empty", "", ""}),
    [](const auto& testCase) { return std::string(testCase.param.label); });

// Frequencies that do not rise (kept with a warning): a point of the file
// is exact; between points only where the neighbours rise around it.
TEST(KorvelGet, NonRisingGridInterpolatesNowhereUnclear) {
  TempFile file("zigzag.s1p", "# GHz S MA R 50\n1 0.1 0\n3 0.5 0\n2 0.9 0\n4 0.3 0\n");
  ToolRun exact = korvel({"get", file.path(), "S11@2GHz"});
  ASSERT_EQ(exact.status, 0) << exact.err;
  EXPECT_EQ(exact.out, "waveform      f      value\nS-Par/S(1,1)  2 GHz  0.9 + 0j\n");
  ToolRun between = korvel({"get", file.path(), "S11@2.5GHz"});
  EXPECT_EQ(between.status, 1);
  EXPECT_NE(between.err.find(": S-Par/S(1,1) has no single value at 2.5 GHz: its frequencies do not rise "
                             "strictly around it (3 GHz is followed by 2 GHz)\n"),
            std::string::npos)
      << between.err;
  EXPECT_EQ(korvel({"get", file.path(), "S11@1.5GHz"}).status, 1) << "2 GHz lies between 1 and 3 GHz";
  TempFile twice("twice.s1p", "# GHz S MA R 50\n1 0.1 0\n2 0.5 0\n2 0.6 0\n3 0.3 0\n");
  ToolRun repeated = korvel({"get", twice.path(), "S11@2GHz", "S11@1.5GHz"});
  EXPECT_EQ(repeated.status, 1);
  EXPECT_NE(repeated.err.find("S-Par/S(1,1) has 2 points at 2 GHz"), std::string::npos) << repeated.err;
  EXPECT_NE(repeated.out.find("interpolated between 1 GHz and 2 GHz"), std::string::npos) << repeated.out;
}

TEST(KorvelTool, VersionNamesThePlugin) {
  ToolRun run = korvel({"--version"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out.rfind("korvel ", 0), 0u);
  EXPECT_NE(run.out.find("plug-in " + std::string(KORVEL_PLUGIN_PATH) + "\n"), std::string::npos) << run.out;
}

// The manual page and the completion come from the same definitions as
// --help: every option of every command is in both.
TEST(KorvelTool, ManualPageAndCompletionCoverEveryOption) {
  ToolRun man = korvel({"--man"});
  ToolRun completion = korvel({"--completion", "bash"});
  ASSERT_EQ(man.status, 0);
  ASSERT_EQ(completion.status, 0);
  for (const char* command : {"info", "list", "props", "get", "dump"}) {
    EXPECT_NE(man.out.find(".SS " + std::string(command) + "\n"), std::string::npos) << command;
    EXPECT_NE(completion.out.find("    " + std::string(command) + ") flags='"), std::string::npos) << command;
  }
  for (const char* option : {"\\-\\-wide", "\\-\\-unit", "\\-\\-prefix", "\\-\\-comments", "\\-\\-json"}) {
    EXPECT_NE(man.out.find(option), std::string::npos) << option;
  }
  TempFile script("korvel.bash", completion.out);
  EXPECT_EQ(shell("bash -n " + shellQuoted(script.path())).status, 0);
}

}  // namespace
}  // namespace korvel::testing

namespace korvel::testing {
namespace {

// The S-parameter waveforms of a file as the dump writes them (shortest
// numbers, so equal text is equal bits).
Json scatteringOf(const std::string& path) {
  Json dump = Json::parse(korvel({"dump", path}).out);
  Json scattering = Json::array();
  for (const Json& waveform : dump["waveforms"]) {
    std::string name = waveform["name"];
    if (name.rfind("S-Par/", 0) == 0 || name.rfind("Zo/", 0) == 0) scattering.push_back(waveform["segments"]);
  }
  return scattering;
}

std::string folderOf(const TempFile& file) { return file.path().substr(0, file.path().rfind('/') + 1); }

TEST(KorvelConvert, RealAndImaginaryPartsReadBackBitForBit) {
  TempFile place("keep.txt", "");
  std::string out = folderOf(place) + "amp.ts";
  ToolRun run = korvel({"convert", kAmp, "-o", out, "--format", "ri"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(korvel({"check", out}).out, "");
  EXPECT_EQ(scatteringOf(out), scatteringOf(kAmp));
  std::string text = readFile(out);
  EXPECT_NE(text.find("! written by korvel "), std::string::npos);
  EXPECT_NE(text.find(" from " + kAmp + "\n[Version] 2.1\n# GHz S RI R 50\n"), std::string::npos) << text;
  // Standard output gets the same text.
  EXPECT_EQ(korvel({"convert", kAmp, "-o", "-", "--format", "ri", "--version", "2.1"}).out, text);
}

TEST(KorvelConvert, SweepGivesOneFilePerSegment) {
  TempFile place("keep.txt", "");
  std::string out = folderOf(place) + "lna.s2p";
  ToolRun run = korvel({"convert", kSweep, "-o", out});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "korvel: " + kSweep +
                         ": group delay has no place in Touchstone and is not written\n"
                         "korvel: " +
                         folderOf(place) +
                         "lna_1.s2p: temp=-40 vdd=2.7\n"
                         "korvel: " +
                         folderOf(place) +
                         "lna_2.s2p: temp=85 vdd=2.7\n"
                         "korvel: " +
                         folderOf(place) +
                         "lna_3.s2p: temp=-40 vdd=3\n"
                         "korvel: " +
                         folderOf(place) +
                         "lna_4.s2p: temp=85 vdd=3\n"
                         "korvel: " +
                         folderOf(place) +
                         "lna_5.s2p: temp=-40 vdd=3.3\n"
                         "korvel: " +
                         folderOf(place) + "lna_6.s2p: temp=85 vdd=3.3\n");
  std::string fourth = readFile(folderOf(place) + "lna_4.s2p");
  EXPECT_NE(fourth.find("! sweep: temp=85 vdd=3\n"), std::string::npos) << fourth;
  EXPECT_EQ(korvel({"check", folderOf(place) + "lna_4.s2p"}).out, "");
  EXPECT_EQ(korvel({"convert", kSweep, "-o", "-", "--segment", "4"}).out, fourth);
  EXPECT_EQ(korvel({"convert", kSweep, "-o", "-", "--segment", "temp=85 vdd=3"}).out, fourth);
  ToolRun missing = korvel({"convert", kSweep, "-o", "-", "--segment", "temp=20"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("no segment has temp=20"), std::string::npos) << missing.err;
}

TEST(KorvelConvert, RefusalLeavesTheFileAsItWas) {
  TempFile keep("keep.s4p", "keep me\n");
  ToolRun run = korvel({"convert", examplePath("diff_pair.s4p"), "-o", keep.path(), "--version", "1.0"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err,
            "korvel: " + examplePath("diff_pair.s4p") +
                ": Touchstone 1.0 cannot carry this network: Touchstone 1.0 has no mixed-mode terminals "
                "(ask for 1.1, which names them in comment lines, or 2.1); nothing written\n");
  EXPECT_EQ(readFile(keep.path()), "keep me\n");
  ToolRun wrongPorts = korvel({"convert", kAmp, "-o", keep.path()});
  EXPECT_EQ(wrongPorts.status, 1);
  EXPECT_NE(wrongPorts.err.find("the network has 2 ports and " + keep.path() + " names 4"),
            std::string::npos);
  EXPECT_EQ(readFile(keep.path()), "keep me\n");
}

// Single-ended to mixed-mode and back, as the command line gives it.
TEST(KorvelConvert, MixedModeAndBack) {
  TempFile single("se.s4p",
                  "# GHz S RI R 50\n"
                  "1 0.2 0.1 0.9 0 0 0 0 0\n0.9 0 0 0 0 0 0 0\n0 0 0 0 -0.1 0.3 0.9 0\n0 0 0 0 0.9 0 0 0\n");
  std::string mixed = folderOf(single) + "mixed.ts";
  ToolRun run = korvel({"convert", single.path(), "-o", mixed, "--mixed-mode", "D1,3 D2,4 C1,3 C2,4"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(korvel({"check", mixed}).out, "");
  ToolRun sdd = korvel({"get", mixed, "Sdd11", "Sdc11", "Zod1", "Zoc1"});
  EXPECT_NE(sdd.out.find("S-Par/Sdd(1,1)  1 GHz  0.05 + 0.2j"), std::string::npos) << sdd.out;
  EXPECT_NE(sdd.out.find("S-Par/Sdc(1,1)  1 GHz  0.15 - 0.1j"), std::string::npos) << sdd.out;
  EXPECT_NE(sdd.out.find("Zo/Zod(1)       1 GHz  100 Ohms"), std::string::npos) << sdd.out;
  EXPECT_NE(sdd.out.find("Zo/Zoc(1)       1 GHz  25 Ohms"), std::string::npos) << sdd.out;
  // The file's own order gives the single-ended ports back in their places.
  EXPECT_NE(readFile(mixed).find("[Mixed-Mode Order] D1,3 D2,4 C1,3 C2,4\n"), std::string::npos);
  std::string again = folderOf(single) + "again.ts";
  ASSERT_EQ(korvel({"convert", mixed, "-o", again}).status, 0);
  EXPECT_NE(readFile(again).find("[Mixed-Mode Order] D1,3 D2,4 C1,3 C2,4\n"), std::string::npos);
  std::string back = folderOf(single) + "back.s4p";
  ASSERT_EQ(korvel({"convert", mixed, "-o", back, "--single-ended"}).status, 0);
  EXPECT_EQ(korvel({"check", back}).out, "");
  for (const char* name : {"S11@1GHz", "S13@1GHz", "S33@1GHz", "S42@1GHz", "S12@1GHz"}) {
    EXPECT_EQ(korvel({"get", back, name}).out, korvel({"get", single.path(), name}).out) << name;
  }
  ToolRun bad = korvel({"convert", single.path(), "-o", mixed, "--mixed-mode", "D1,3 D2,4 C1,3"});
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.err.find("the mixed-mode order: 3 modes for 4 ports"), std::string::npos) << bad.err;
}

}  // namespace
}  // namespace korvel::testing
