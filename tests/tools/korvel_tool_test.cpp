// The korvel tool end to end: its commands, exit statuses and dumps.
#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>
#include <sstream>

#include "support/test_support.h"
#include "support/tool_run.h"

namespace korvel::testing {
namespace {

using Json = nlohmann::json;

struct StatusCase {
  const char* label;
  std::vector<std::string> arguments;
  int status;
};

class ExitStatusTest : public ::testing::TestWithParam<StatusCase> {};

TEST_P(ExitStatusTest, TellsSuccessRefusalAndMisuseApart) {
  ToolRun run = korvel(GetParam().arguments);
  EXPECT_EQ(run.status, GetParam().status) << run.err;
}

const std::string kAmp = examplePath("amp.s2p");

INSTANTIATE_TEST_SUITE_P(
    Commands, ExitStatusTest,
    ::testing::Values(
        StatusCase{"Summary", {kAmp}, 0}, StatusCase{"Info", {"info", kAmp}, 0},
        StatusCase{"List", {"list", kAmp}, 0}, StatusCase{"Props", {"props", kAmp, "Gain-Par/K"}, 0},
        StatusCase{"Dump", {"dump", kAmp, "Gain-Par/K"}, 0},
        StatusCase{"DumpCsv", {"dump", "--format", "csv", kAmp}, 0}, StatusCase{"Help", {"--help"}, 0},
        StatusCase{"DumpHelp", {"dump", "--help"}, 0},
        StatusCase{"PluginAfterCommand", {"list", "--plugin", KORVEL_PLUGIN_PATH, kAmp}, 0},
        StatusCase{"UnknownName", {"props", kAmp, "S-Par/S(3,3)"}, 1},
        StatusCase{"UnknownDumpName", {"dump", kAmp, "Nope"}, 1},
        StatusCase{"NameTwice", {"dump", kAmp, "Gain-Par/K", "Gain-Par/K"}, 1},
        StatusCase{"MissingFile", {"list", "/nonexistent/amp.s2p"}, 1},
        StatusCase{"NoFormat", {"list", "/etc/hostname"}, 1},
        StatusCase{"NoPlugin", {"--plugin", "/nonexistent/libkorvelSC.so", kAmp}, 1},
        StatusCase{"OneOfTwoRefused", {kAmp, "/nonexistent/x.s2p"}, 1}, StatusCase{"NoArguments", {}, 2},
        StatusCase{"UnknownOption", {"--bogus", kAmp}, 2}, StatusCase{"PropsWithoutName", {"props", kAmp}, 2},
        StatusCase{"BadFormat", {"dump", "--format", "xml", kAmp}, 2},
        StatusCase{"ListTwoFiles", {"list", kAmp, kAmp}, 0},
        StatusCase{"GetExact", {"get", kAmp, "S21@2GHz"}, 0},
        StatusCase{"GetOutsideGrid", {"get", kAmp, "S21@7GHz"}, 1},
        StatusCase{"GetNotAFrequency", {"get", kAmp, "S21@fast"}, 2},
        StatusCase{"GetWithoutName", {"get", kAmp}, 2}, StatusCase{"WideJson", {"dump", "--wide", kAmp}, 2},
        StatusCase{"BadUnit", {"dump", "--format", "csv", "--unit", "np", kAmp}, 2},
        StatusCase{"Version", {"--version"}, 0}, StatusCase{"ConvertHelp", {"convert", "--help"}, 0},
        StatusCase{"ConvertToStandardOutput", {"convert", kAmp, "-o", "-"}, 0},
        StatusCase{"ConvertWithoutOutput", {"convert", kAmp}, 2},
        StatusCase{"ConvertUnknownVersion", {"convert", kAmp, "-o", "-", "--version", "2.0"}, 2},
        StatusCase{"ConvertMixedAndSingle",
                   {"convert", kAmp, "-o", "-", "--mixed-mode", "D1,2 C1,2", "--single-ended"},
                   2},
        StatusCase{"ConvertRefused", {"convert", "/nonexistent/x.s2p", "-o", "-"}, 1},
        StatusCase{"ConvertOnePortAsH",
                   {"convert", kAmp, "-o", "-", "--type", "h", "--mixed-mode", "D1,2 C1,2"},
                   1}),
    [](const auto& testCase) { return std::string(testCase.param.label); });

TEST(KorvelTool, HelpOfEveryCommandGivesTheExitStatuses) {
  const std::string statuses =
      "Exit status: 0 on success; 1 when a file is refused or cannot be read, a name is unknown, the output\n"
      "cannot be written or the plug-in cannot be loaded; 2 for a usage error.";
  for (std::vector<std::string> arguments : std::vector<std::vector<std::string>>{{"--help"},
                                                                                  {"info", "--help"},
                                                                                  {"list", "--help"},
                                                                                  {"props", "--help"},
                                                                                  {"get", "--help"},
                                                                                  {"dump", "--help"},
                                                                                  {"convert", "--help"}}) {
    ToolRun run = korvel(arguments);
    EXPECT_EQ(run.status, 0) << arguments[0];
    EXPECT_NE(run.out.find(statuses), std::string::npos) << run.out;
  }
}

// Only the command named is defined for parsing; the list of commands in
// the help shows every one's full description all the same, whether the
// help was asked for or follows a usage error.
TEST(KorvelTool, HelpListsEveryCommandWithItsFullDescription) {
  const std::string dump = "Export waveforms as JSON or as a CSV table, exactly as the viewer receives them.";
  const std::string quality = "Whether each file's S-parameters can be physical";
  ToolRun help = korvel({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find(dump), std::string::npos) << help.out;
  EXPECT_NE(help.out.find(quality), std::string::npos) << help.out;
  ToolRun noFile = korvel({});
  EXPECT_EQ(noFile.status, 2);
  EXPECT_NE(noFile.err.find(dump), std::string::npos) << noFile.err;
  EXPECT_NE(noFile.err.find(quality), std::string::npos) << noFile.err;
}

TEST(KorvelTool, SummaryOfTheAmplifier) {
  ToolRun run = korvel({kAmp});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            kAmp +
                "\n"
                "  format      TouchStone\n"
                "  design      amp\n"
                "  ports       2\n"
                "  data        S-parameters, MA (magnitude, angle), frequency in GHz\n"
                "  reference   50 Ohms\n"
                "  waveforms   27\n"
                "  segments    1\n"
                "  frequency   500 MHz .. 6 GHz, 12 points\n"
                "  sweep       none\n"
                "  comments    Small-signal S-parameters and noise parameters of a low-noise amplifier\n"
                "              Bias: Vds = 3 V, Ids = 20 mA; reference plane at the device leads\n"
                "              freq   |S11|   <S11     |S21|   <S21     |S12|   <S12     |S22|   <S22\n"
                "  catalogue\n"
                "    S-Par       S(1,1) S(1,2) S(2,1) S(2,2)\n"
                "    Y-Par       Y(1,1) Y(1,2) Y(2,1) Y(2,2)\n"
                "    Gain-Par    Gas Gmax Gmsg K\n"
                "    Noise-Par   GammaOpt NF NFmin Rn Ycor Zcor Zopt in^2 vn^2\n"
                "    Z-Par       Z(1,1) Z(1,2) Z(2,1) Z(2,2)\n"
                "    Zo          Zo(1) Zo(2)\n");
}

TEST(KorvelTool, SummaryShowsTheSweep) {
  ToolRun run = korvel({"info", examplePath("lna_sweep.sc")});
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("  segments    6\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("  sweep       temp = -40 85; vdd = 2.7 3 3.3\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("    GroupDelay  GD(1,1) GD(1,2) GD(2,1) GD(2,2)\n"), std::string::npos) << run.out;
}

TEST(KorvelTool, ListIsTheCatalogueOneNameALine) {
  ToolRun run = korvel({"list", kAmp});
  EXPECT_EQ(run.status, 0);
  int result = -1;
  auto file = openThroughHost(kAmp, &result);
  ASSERT_NE(file, nullptr);
  std::string expected;
  for (const std::string& name : file->catalogue()) expected += name + "\n";
  EXPECT_EQ(run.out, expected);
}

TEST(KorvelTool, PropsAnswersEveryWaveformProperty) {
  ToolRun run = korvel({"props", kAmp, "Noise-Par/Zopt"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            "-datatype   complex\n"
            "-got_xaxis  1\n"
            "-nsegments  1\n"
            "-wftype     \n"
            "-xname      f\n"
            "-xunit      Hz\n"
            "-xscale     linear\n"
            "-yname      Noise-Par/Zopt\n"
            "-yunit      -\n"
            "-yscale     linear\n");
}

TEST(KorvelTool, RefusedFileIsOneLineNamingTheFile) {
  TempFile bad("bad.s0p", "# GHz S MA R 50\n");
  ToolRun run = korvel({bad.path()});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "korvel: " + bad.path() + ": refused: Can't open file: " + bad.path() + ".\n");
}

TEST(KorvelTool, VerboseShowsThePluginsOwnText) {
  TempFile bad("bad.s0p", "# GHz S MA R 50\n");
  ToolRun run = korvel({"--verbose", bad.path()});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err.find("Can't open file: " + bad.path() + ".\n "), 0u) << run.err;
}

TEST(KorvelTool, UnknownNameDumpsNothing) {
  ToolRun run = korvel({"dump", kAmp, "S-Par/S(1,1)", "Nope"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err.rfind("korvel: " + kAmp + ": no waveform named Nope", 0), 0u) << run.err;
}

TEST(KorvelTool, TrailingTextIsNoNameWithoutPrefix) {
  ToolRun strict = korvel({"dump", kAmp, "S-Par/S(2,1)junk"});
  EXPECT_EQ(strict.status, 1);
  EXPECT_NE(strict.err.find("did you mean S-Par/S(2,1)"), std::string::npos) << strict.err;
  ToolRun viewer = korvel({"dump", "--prefix", kAmp, "S-Par/S(2,1)junk"});
  ASSERT_EQ(viewer.status, 0) << viewer.err;
  EXPECT_EQ(Json::parse(viewer.out)["waveforms"][0]["name"], "S-Par/S(2,1)junk");
}

// The JSON holds exactly what the host received: compare it with the same
// waveforms loaded here through the plug-in.
TEST(KorvelTool, JsonDumpMatchesWhatTheHostReceives) {
  ToolRun run = korvel({"dump", kAmp});
  ASSERT_EQ(run.status, 0) << run.err;
  Json dump = Json::parse(run.out);
  EXPECT_EQ(dump["file"], kAmp);
  EXPECT_EQ(dump["format"], "TouchStone");
  EXPECT_EQ(dump["design"], "amp");
  EXPECT_EQ(dump["nwaveforms"], 27);
  EXPECT_EQ(dump["nsegments"], 1);

  int result = -1;
  auto file = openThroughHost(kAmp, &result);
  ASSERT_NE(file, nullptr);
  std::vector<std::string> names = file->catalogue();
  ASSERT_EQ(dump["waveforms"].size(), names.size());
  host::WaveformLibrary::instance().forgetWaveforms();
  std::vector<WaveformHandle> handles;
  ASSERT_EQ(file->loadWaveformList(names, &handles), 0);
  for (size_t i = 0; i < names.size(); ++i) {
    const Json& json = dump["waveforms"][i];
    const host::RecordedWaveform& expected = *host::WaveformLibrary::instance().find(handles[i]);
    SCOPED_TRACE(names[i]);
    EXPECT_EQ(json["name"], names[i]);
    EXPECT_EQ(json["datatype"], expected.isComplex() ? "complex" : "real");
    EXPECT_EQ(json["xname"], expected.xName);
    EXPECT_EQ(json["xunit"], expected.xUnit);
    EXPECT_EQ(json["yunit"], expected.yUnit);
    Json props = Json::object();
    for (const auto& property : expected.properties) props[std::to_string(property.code)] = property.value;
    EXPECT_EQ(json["props"], props);
    EXPECT_EQ(json["parameters"], Json::array());
    ASSERT_EQ(json["segments"].size(), expected.segments.size());
    const auto& segment = expected.segments[0];
    EXPECT_EQ(json["segments"][0]["x"].get<std::vector<double>>(), segment.x);
    if (expected.isComplex()) {
      auto re = json["segments"][0]["re"].get<std::vector<double>>();
      auto im = json["segments"][0]["im"].get<std::vector<double>>();
      ASSERT_EQ(re.size(), segment.x.size());
      ASSERT_EQ(im.size(), segment.x.size());
      for (size_t p = 0; p < re.size(); ++p) {
        EXPECT_EQ(re[p], segment.y[2 * p]) << "numbers round-trip exactly";
        EXPECT_EQ(im[p], segment.y[2 * p + 1]);
      }
    } else {
      EXPECT_EQ(json["segments"][0]["y"].get<std::vector<double>>(), segment.y);
    }
  }
  host::WaveformLibrary::instance().forgetWaveforms();
}

TEST(KorvelTool, JsonDumpCarriesSweepParameters) {
  ToolRun run = korvel({"dump", examplePath("lna_sweep.sc"), "Zo/Zo(2)"});
  ASSERT_EQ(run.status, 0) << run.err;
  Json waveform = Json::parse(run.out)["waveforms"][0];
  EXPECT_EQ(waveform["parameters"], Json::parse(R"([{"name":"temp","values":[-40.0,85.0]},)"
                                                R"({"name":"vdd","values":[2.7,3.0,3.3]}])"));
  ASSERT_EQ(waveform["segments"].size(), 6u);
  EXPECT_EQ(waveform["segments"][5],
            Json::parse(R"({"sweep":{"temp":85,"vdd":3.3},"x":[5e8,2e9],"y":[50.0,50.0]})"));
}

class EveryExampleDump : public ::testing::TestWithParam<const char*> {};

TEST_P(EveryExampleDump, IsValidJsonWithEveryCatalogueName) {
  ToolRun list = korvel({"list", examplePath(GetParam())});
  ToolRun run = korvel({"dump", "--format", "json", examplePath(GetParam())});
  ASSERT_EQ(run.status, 0) << run.err;
  Json dump = Json::parse(run.out);  // throws, failing the test, when invalid
  std::string names;
  for (const Json& waveform : dump["waveforms"]) names += waveform["name"].get<std::string>() + "\n";
  EXPECT_EQ(names, list.out);
  EXPECT_EQ(dump["nwaveforms"].get<size_t>(), dump["waveforms"].size());
}

INSTANTIATE_TEST_SUITE_P(Examples, EveryExampleDump,
                         ::testing::Values("amp.s2p", "diff_pair.s4p", "balanced_filter.sc", "lna_sweep.sc"),
                         [](const auto& testCase) {
                           std::string name = testCase.param;
                           for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           return name;
                         });

// An open one-port has no impedance matrix at 1 GHz: the plug-in says so on
// standard output, the tool says it once on standard error, and the dump
// stays clean all the same.
TEST(KorvelTool, SingularMatrixMessageStaysOutOfTheDump) {
  TempFile open("open.s1p", "# GHz S MA R 50\n1.0 1.0 0\n2.0 0.5 0\n");
  ToolRun run = korvel({"dump", open.path()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "korvel: " + open.path() + ": Matrix ([I] - S) is singular at 1 point\n");
  Json dump = Json::parse(run.out);
  EXPECT_EQ(dump["waveforms"].size(), 4u);
  ToolRun summary = korvel({open.path()});
  EXPECT_EQ(summary.out.find("singular"), std::string::npos);
  EXPECT_EQ(summary.err, run.err);
}

// A port impedance with an imaginary part leaves Z without a value too, but
// is no singular point: the count is of the calculation's reports alone,
// from the one opening, and the summary calls the references complex.
TEST(KorvelTool, SingularPointsCountedApartFromComplexReferences) {
  TempFile file("complex.s1p",
                "# GHz S MA\n1 0.5 0\n! Port Impedance 50 0\n2 0.5 0\n! Port Impedance 50 -10\n3 1.0 0\n"
                "! Port Impedance 50 0\n");
  ToolRun run = korvel({"info", file.path()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find(": Matrix ([I] - S) is singular at 1 point\n"), std::string::npos) << run.err;
  EXPECT_NE(run.out.find("  reference   complex (real part 50 Ohms)\n"), std::string::npos) << run.out;
  Json json = Json::parse(korvel({"info", "--json", file.path()}).out);
  EXPECT_EQ(json["referenceComplex"], true);
  TempFile imaginary("imaginary.s1p",
                     "# GHz S MA\n1 0.5 0\n! Port Impedance 0 30\n2 0.5 0\n! Port Impedance 0 31\n");
  EXPECT_NE(korvel({"info", imaginary.path()}).out.find("  reference   complex (real part 0 Ohms)\n"),
            std::string::npos);
}

// A lossless one-port is singular at every point: one line, not one a point.
TEST(KorvelTool, RepeatedWarningsCollapseIntoOneLine) {
  std::string text = "# GHz S MA R 50\n";
  for (int p = 0; p < 401; ++p) text += std::to_string(1.0 + p * 0.01) + " 1.0 0\n";
  TempFile lossless("short.s1p", text);
  ToolRun run = korvel({"list", lossless.path()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "korvel: " + lossless.path() + ": Matrix ([I] - S) is singular at 401 points\n");
  ToolRun verbose = korvel({"--verbose", "list", lossless.path()});
  size_t copies = 0;
  for (size_t at = verbose.err.find("Matrix ([I] - S) is singular.\n"); at != std::string::npos;
       at = verbose.err.find("Matrix ([I] - S) is singular.\n", at + 1)) {
    ++copies;
  }
  EXPECT_EQ(copies, 401u);
}

// list and props print only their own lines, whatever the plug-in reports
// while it opens the file; the report goes to standard error.
TEST(KorvelTool, ListAndPropsKeepThePluginsReportsOffStandardOutput) {
  TempFile open("open.s1p", "# GHz S MA R 50\n1.0 1.0 0\n2.0 0.5 0\n");
  ToolRun list = korvel({"list", open.path()});
  ASSERT_EQ(list.status, 0) << list.err;
  EXPECT_EQ(list.out, "S-Par/S(1,1)\nY-Par/Y(1,1)\nZ-Par/Z(1,1)\nZo/Zo(1)\n");
  EXPECT_NE(list.err.find("singular"), std::string::npos) << list.err;
  ToolRun props = korvel({"props", open.path(), "zo1"});
  ASSERT_EQ(props.status, 0) << props.err;
  EXPECT_EQ(props.out.find("-datatype   real\n"), 0u) << props.out;
  EXPECT_EQ(props.out.find("singular"), std::string::npos) << props.out;
  EXPECT_NE(props.err.find("singular"), std::string::npos) << props.err;
}

TEST(KorvelTool, NonFiniteNumbersAreNamedStrings) {
  TempFile open("open.s1p", "# GHz S MA R 50\n1.0 1.0 0\n2.0 0.5 0\n");
  ToolRun run = korvel({"dump", open.path(), "Z-Par/Z(1,1)"});
  ASSERT_EQ(run.status, 0) << run.err;
  Json segment = Json::parse(run.out)["waveforms"][0]["segments"][0];
  for (const char* part : {"re", "im"}) {
    for (const Json& value : segment[part]) {
      if (value.is_string()) {
        EXPECT_TRUE(value == "NaN" || value == "Infinity" || value == "-Infinity") << value;
      } else {
        EXPECT_TRUE(value.is_number());
      }
    }
  }
}

TEST(KorvelTool, CsvDumpHasOneRowPerPoint) {
  ToolRun run = korvel({"dump", "--format", "csv", kAmp, "S-Par/S(1,2)", "Gain-Par/K"});
  ASSERT_EQ(run.status, 0) << run.err;
  std::istringstream lines(run.out);
  std::string line;
  std::getline(lines, line);
  EXPECT_EQ(line, "name,segment,f [Hz],re,im,unit");
  std::getline(lines, line);
  EXPECT_EQ(line.rfind("\"S-Par/S(1,2)\",0,5e+08,", 0), 0u) << line;
  int rows = 1;
  std::string last;
  while (std::getline(lines, line)) {
    ++rows;
    last = line;
  }
  EXPECT_EQ(rows, 24);
  EXPECT_EQ(last.rfind("Gain-Par/K,0,6e+09,", 0), 0u) << last;
  EXPECT_EQ(last.substr(last.size() - 3), ",,-") << "a real waveform leaves im empty";
}

TEST(KorvelTool, OutputOptionWritesTheDumpToAFile) {
  TempFile target("dump.json", "");
  ToolRun run = korvel({"dump", "-o", target.path(), kAmp, "Gain-Par/Gmax"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "");
  Json dump = Json::parse(readFile(target.path()));
  EXPECT_EQ(dump["waveforms"][0]["props"], Json::parse(R"j({"1":"1","3":"db(y)"})j"));
  EXPECT_EQ(dump["waveforms"][0]["yunit"], "Gain");
}

}  // namespace
}  // namespace korvel::testing
