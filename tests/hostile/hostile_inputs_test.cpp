// Files built to hurt: absurd counts, empty and binary content, endless
// lines, odd line ends and numbers. Each must end in an opened file or in
// its refusal message, with nothing leaked and no descriptor left open.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace korvel::testing {
namespace {

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

struct Outcome {
  int result = -1;
  std::string errors;
  int waveforms = -1;
};

// Opens `path` through the plug-in's callbacks (the two formats share them,
// so this also reaches files whose names the host would not match), then
// asks every property, loads every waveform twice and closes.
Outcome openAndExercise(const std::string& path) {
  Outcome outcome;
  const FormatDescriptor& format = *pluginHost().formats().at(1);
  int descriptorsBefore = host::openDescriptorCount();
  {
    CapturedStream errors(stderr);
    CapturedStream output(stdout);
    std::unique_ptr<host::OpenedFile> file =
        host::OpenedFile::open(pluginHost(), format, path, &outcome.result);
    if (file != nullptr) {
      std::vector<std::string> names = file->catalogue();
      outcome.waveforms = std::stoi(file->fileProperty("-nwaveforms").text);
      EXPECT_EQ(static_cast<int>(names.size()), outcome.waveforms);
      for (const std::string& name : names) {
        for (const char* option : {"-datatype", "-nsegments", "-yname"}) {
          EXPECT_EQ(file->waveformProperty(name, option).result, 0) << name;
        }
      }
      std::vector<WaveformHandle> handles;
      file->loadWaveformList(names, &handles);
      for (WaveformHandle handle : handles) EXPECT_NE(handle, nullptr);
      file->loadWaveformList(names, &handles);
      for (WaveformHandle handle : handles) EXPECT_EQ(handle, nullptr) << "loaded twice";
    }
    outcome.errors = errors.finish();
  }
  host::WaveformLibrary::instance().forgetWaveforms();
  EXPECT_EQ(host::openDescriptorCount(), descriptorsBefore) << "descriptor left open by " << path;
  return outcome;
}

struct HostileFile {
  const char* name;
  int waveforms;         // -1: refused
  const char* messages;  // standard error; %s stands for the path
};

class HostileInputs : public ::testing::TestWithParam<HostileFile> {};

TEST_P(HostileInputs, OpensOrRefusesWithItsMessage) {
  const HostileFile& param = GetParam();
  std::string path = testDataPath(std::string("hostile/") + param.name);
  Outcome outcome = openAndExercise(path);
  EXPECT_EQ(outcome.result, param.waveforms < 0 ? 1 : 0);
  EXPECT_EQ(outcome.waveforms, param.waveforms);
  EXPECT_EQ(outcome.errors, replaceAll(param.messages, "%s", path));
}

constexpr const char* kTooFewValues = "Can't find enough S-parameter values.\n ";
constexpr const char* kNoDataValues = "There is no data values.\n Can't open file: %s.\n ";

INSTANTIATE_TEST_SUITE_P(
    Regressions, HostileInputs,
    ::testing::Values(
        HostileFile{"claims_data_2e9.sc0", -1, kTooFewValues},
        HostileFile{"claims_blocks_2e9.sc0", -1, kTooFewValues},
        HostileFile{"claims_ports_65536.sc0", -1, kTooFewValues},
        HostileFile{"claims_params_1e6.sc0", -1, "The sweep parameter names are not complete.\n"},
        // A count no file of this size can hold sizes nothing: the points
        // read are held against it.
        HostileFile{"claims_frequencies_2e9.s2p", -1,
                    "Error in line 9: [Number of Frequencies] and the points of [Network Data] differ: "
                    "2000000000 declared, 2 read\nCan't open file: %s.\n "},
        HostileFile{"zero_frequencies.s2p", -1,
                    "Error in line 5: [Number of Frequencies] needs a count of at least 1\nCan't open file: "
                    "%s.\n "},
        HostileFile{"negative_counts.sc0", -1, "Port_number and data points number can not be 0. \n"},
        HostileFile{"negative_blocks.sc0", -1, "NumOfBlock can not be negative.\n"},
        HostileFile{"short_file.s9999", -1, kNoDataValues},
        HostileFile{"huge_port_ext.s999p", -1, kNoDataValues},
        HostileFile{"empty.s2p", -1, "Can not find the header line. \nCan't open file: %s.\n "},
        HostileFile{"empty.sc0", -1, "Can not find the port_number information. \n"},
        // Text after a NUL byte is invisible, as to the C string functions:
        // the first data line ends inside its point, which a one-port's
        // line may not.
        HostileFile{"nul_bytes.s1p", -1,
                    "Error in line 2: the data line holds 2 numbers where a point has 3; a line must hold "
                    "whole points\nCan't open file: %s.\n "},
        // A Touchstone file may end its lines with CR alone.
        HostileFile{"cr_only.s1p", 4, ""},
        HostileFile{"cr_only.sc0", -1, "Port_number and data points number can not be 0. \n"},
        HostileFile{"endless_sweep.sc0", -1, "Can not find the MIXEDMOD information. \n"},
        // S(1000,1000) on a first mapping line is no trigger: a plain file.
        HostileFile{"mapping_terminal_1000.s4p", 52, ""},
        HostileFile{"mapping_later_1000.s4p", 55,
                    "format error, mixed mode terminal number should be positive and less than 999.\n"},
        HostileFile{
            "odd_numbers.s2p", 27 - 10,
            "Warning in line 3: frequency inf does not rise above the one before; the point is kept\n"},
        HostileFile{"odd_numbers.sc0", 4, ""}, HostileFile{"datatype_no_letters.sc0", 17, ""},
        HostileFile{"two_port_one_terminal.sc0", -1, "A two-port needs two terminals.\n"},
        // No blocks: any claimed point count holds no sample, and loading
        // must not size anything by it.
        HostileFile{"zero_blocks_huge_points.sc0", 5, ""}),
    [](const ::testing::TestParamInfo<HostileFile>& param) {
      std::string name;
      for (char c : std::string(param.param.name))
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
      return name;
    });

TEST(HostileInputs, TenMegabyteLineReadsWhole) {
  // A one-port file whose every point stands on one line of about 10 MB.
  const int points = 700000;
  std::string text = "# Hz S RI R 50\n";
  for (int p = 0; p < points; ++p) text += std::to_string(p + 1) + " 0.5 0.25 ";
  ASSERT_GT(text.size(), 10u * 1000 * 1000);
  TempFile file("long_line.s1p", text);
  Outcome outcome = openAndExercise(file.path());
  EXPECT_EQ(outcome.result, 0);
  EXPECT_EQ(outcome.errors, "");

  std::unique_ptr<host::OpenedFile> opened = openThroughHost(file.path());
  ASSERT_NE(opened, nullptr);
  WaveformHandle handle = nullptr;
  ASSERT_EQ(opened->loadWaveform("S-Par/S(1,1)", &handle), 0);
  const host::RecordedWaveform* waveform = host::WaveformLibrary::instance().find(handle);
  ASSERT_NE(waveform, nullptr);
  ASSERT_EQ(waveform->segments.size(), 1u);
  EXPECT_EQ(waveform->segments[0].points, static_cast<size_t>(points));
  EXPECT_EQ(waveform->segments[0].x.back(), points);
  EXPECT_EQ(waveform->segments[0].y[2 * points - 1], 0.25);
  host::WaveformLibrary::instance().forgetWaveforms();
}

TEST(HostileInputs, TenMegabyteScDataLine) {
  std::string text = "*| N=1 DATA=1\n*| NumOfBlock=1 NumOfParam=0\n+ Zo= 50\n+ DATA=\n+ 1e9\n+";
  while (text.size() < 10u * 1000 * 1000) text += " 0.5 0.25";
  text += "\n";
  TempFile file("long_line.sc0", text);
  Outcome outcome = openAndExercise(file.path());
  EXPECT_EQ(outcome.result, 0);
  EXPECT_EQ(outcome.waveforms, 4);
}

// A 10 MB token wherever a message quotes the file: the message shows its
// first 40 bytes, control characters escaped, and "...".
struct QuotedToken {
  const char* name;
  const char* fileName;
  const char* text;  // "@" stands for the token
  const char* head;  // the token's first bytes, then the filler to 10 MB
  char filler;
  const char* shown;     // what the message shows of the head
  const char* messages;  // standard error; "@" stands for what is shown, %s for the path
};

class LongQuotedToken : public ::testing::TestWithParam<QuotedToken> {};

TEST_P(LongQuotedToken, IsCutAndEscaped) {
  const QuotedToken& param = GetParam();
  const size_t tokenBytes = 10u * 1000 * 1000;
  std::string token = param.head;
  token.append(tokenBytes - token.size(), param.filler);
  std::string shown = param.shown;
  shown.append(40 - std::string(param.head).size(), param.filler);
  shown += "...";
  TempFile file(param.fileName, replaceAll(param.text, "@", token));
  Outcome outcome = openAndExercise(file.path());
  EXPECT_EQ(outcome.result, 1) << param.name;
  EXPECT_EQ(outcome.errors, replaceAll(replaceAll(param.messages, "@", shown), "%s", file.path()))
      << param.name;
}

INSTANTIATE_TEST_SUITE_P(
    Messages, LongQuotedToken,
    ::testing::Values(
        QuotedToken{
            "OptionField", "a.s1p", "# GHz S RI R 50 @\n1 0 0\n", "\x01", 'a', "\\x01",
            "Error in line 1: \"@\" is no option: the option line takes a frequency unit (Hz, kHz, MHz, "
            "GHz), a parameter type (S, Y, Z, H, G), a data format (DB, MA, RI) and R with its reference "
            "resistances\nCan't open file: %s.\n "},
        QuotedToken{"OptionNumber", "a.s1p", "# GHz @ S\n1 0 0\n", "0.", '0', "0.",
                    "Error in line 1: \"@\" is a number with no R before it on the option line\nCan't open "
                    "file: %s.\n "},
        QuotedToken{"Version", "a.ts", "[Version] @\n", "\x7f", 'a', "\\x7f",
                    "Error in line 1: [Version] \"@\" is none this reader knows (2.0, 2.1)\nCan't open file: "
                    "%s.\n "},
        QuotedToken{"Keyword", "a.ts", "[Version] 2.1\n#\n[Number of Ports] 1\n[@]\n", "\x01", 'a', "\\x01",
                    "Error in line 4: unknown keyword [@]\nCan't open file: %s.\n "},
        QuotedToken{
            "Reference", "a.ts", "[Version] 2.1\n#\n[Number of Ports] 1\n[Reference] @\n", "\x01", 'a',
            "\\x01",
            "Error in line 4: [Reference] holds \"@\", which is no resistance\nCan't open file: %s.\n "},
        QuotedToken{"MixedModeOrder", "a.ts", "[Version] 2.1\n#\n[Number of Ports] 1\n[Mixed-Mode Order] @\n",
                    "\x01", 'a', "\\x01",
                    "Error in line 4: [Mixed-Mode Order] holds \"@\", which is none of D<i>,<j>, C<i>,<j> or "
                    "S<i>\nCan't open file: %s.\n "},
        QuotedToken{
            "EndExpected", "a.ts",
            "[Version] 2.0\n#\n[Number of Ports] 1\n[Number of Frequencies] 1\n[Network Data]\n1 0 0\n[@]\n",
            "\x01", 'a', "\\x01", "Error in line 7: [@] stands where [End] is due\nCan't open file: %s.\n "},
        QuotedToken{"DataValue", "a.s1p", "# GHz S RI R 50\n1 @ 0\n", "\x01", 'a', "\\x01",
                    "Error in line 2: \"@\" is not a number\nCan't open file: %s.\n "},
        QuotedToken{"ScSweepName", "a.sc0",
                    "*| N=1 DATA=1\n*| NumOfBlock=1 NumOfParam=1 ParamNames=@\n*| ParamSweep x: 1\n", "\x01",
                    'a', "\\x01", "Can not find the sweep parameter @'s values.\n"},
        QuotedToken{"ScValue", "a.sc0",
                    "*| N=1 DATA=1\n*| NumOfBlock=1 NumOfParam=0\n+ Zo= 50\n+ DATA=\n+ 1e9\n+ @ 0\n", "\x01",
                    'a', "\\x01", "Error in line 6: \"@\" in block 1 is not a number\n"}),
    [](const ::testing::TestParamInfo<QuotedToken>& param) { return std::string(param.param.name); });

TEST(HostileInputs, DirectoryIsRefused) {
  TempFile holder("placeholder", "");
  std::string directory = holder.path().substr(0, holder.path().rfind('/')) + "/folder.s2p";
  ASSERT_EQ(mkdir(directory.c_str(), 0700), 0);
  Outcome outcome = openAndExercise(directory);
  EXPECT_EQ(outcome.result, 1);
  EXPECT_EQ(outcome.errors, "Can not find the header line. \nCan't open file: " + directory + ".\n ");
}

TEST(HostileInputs, BinaryNoiseIsRefused) {
  std::string bytes;
  unsigned state = 12345;
  for (int i = 0; i < 200000; ++i) {
    state = state * 1103515245u + 12345u;
    bytes += static_cast<char>(state >> 16);
  }
  for (const char* name : {"noise.s2p", "noise.sc0", "noise.s16p"}) {
    TempFile file(name, bytes);
    Outcome outcome = openAndExercise(file.path());
    EXPECT_TRUE(outcome.result == 0 || outcome.result == 1) << name;
  }
}

}  // namespace
}  // namespace korvel::testing
