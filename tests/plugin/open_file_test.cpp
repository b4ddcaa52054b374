// openFile's choice of reader by extension and its refusals, driven through
// the plug-in binary as the viewer calls it.
#include "plugin/open_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace korvel::testing {
namespace {

const FormatDescriptor& anyFormat() { return *pluginHost().formats().at(1); }

// Calls the plug-in's openFile with a sentinel in the host's slot.
struct OpenOutcome {
  int result;
  void* slot;
  std::string errors;
};

void* const kSentinel = reinterpret_cast<void*>(0x5e471e1);

OpenOutcome openWithSentinel(const std::string& path) {
  OpenOutcome outcome;
  outcome.slot = kSentinel;
  CapturedStream errors(stderr);
  outcome.result = anyFormat().openFile(pluginHost().interp(), path.c_str(), &outcome.slot);
  outcome.errors = errors.finish();
  if (outcome.result == 0 && outcome.slot != nullptr)
    anyFormat().closeFile(pluginHost().interp(), outcome.slot);
  return outcome;
}

TEST(OpenFile, MissingFileNullsTheSlot) {
  OpenOutcome outcome = openWithSentinel("/nonexistent/dir/amp.s2p");
  EXPECT_EQ(outcome.result, 1);
  EXPECT_EQ(outcome.slot, nullptr);
  EXPECT_EQ(outcome.errors, "Error: unable to open /nonexistent/dir/amp.s2p for read.\n");
  void* slot = kSentinel;
  EXPECT_EQ(anyFormat().openFile(pluginHost().interp(), nullptr, &slot), 1);
  EXPECT_EQ(slot, nullptr);
}

struct RefusedName {
  const char* name;
  const char* extraMessage;  // printed before "Can't open file"
};

class RefusedExtension : public ::testing::TestWithParam<RefusedName> {};

TEST_P(RefusedExtension, RefusesWithMessageAndNullSlot) {
  TempFile file(GetParam().name, "# GHz S MA R 50\n1 0.5 0\n");
  OpenOutcome outcome = openWithSentinel(file.path());
  EXPECT_EQ(outcome.result, 1);
  EXPECT_EQ(outcome.slot, nullptr);
  EXPECT_EQ(outcome.errors,
            std::string(GetParam().extraMessage) + "Can't open file: " + file.path() + ".\n ");
}

INSTANTIATE_TEST_SUITE_P(
    Names, RefusedExtension,
    ::testing::Values(RefusedName{"network.s123456", ""}, RefusedName{"network.sp", ""},
                      RefusedName{"network.s0p", ""}, RefusedName{"network.s-2p", ""},
                      RefusedName{"noextension", ""},
                      RefusedName{"network.x2p", "The first character of file extension should be s."},
                      RefusedName{"network.", "The first character of file extension should be s."}),
    [](const ::testing::TestParamInfo<RefusedName>& param) {
      std::string name;
      for (char c : std::string(param.param.name))
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
      return name;
    });

TEST(OpenFile, LastDotInsideDirectoryGivesNoPorts) {
  TempFile holder("placeholder", "");
  std::string directory = holder.path().substr(0, holder.path().rfind('/')) + "/a.b";
  ASSERT_EQ(mkdir(directory.c_str(), 0700), 0);
  std::string path = directory + "/file";
  FILE* file = std::fopen(path.c_str(), "w");
  ASSERT_NE(file, nullptr);
  std::fputs("# GHz S MA R 50\n1 0.5 0\n", file);
  std::fclose(file);
  OpenOutcome outcome = openWithSentinel(path);
  EXPECT_EQ(outcome.result, 1);
  EXPECT_EQ(outcome.slot, nullptr);
  EXPECT_EQ(outcome.errors, "Can't open file: " + path + ".\n ");
}

struct ExtensionCase {
  const char* path;
  int isSc;
  int ports;
};

class ExtensionRules : public ::testing::TestWithParam<ExtensionCase> {};

TEST_P(ExtensionRules, SelectsReaderAndPortCount) {
  const ExtensionCase& param = GetParam();
  EXPECT_EQ(isScExtension(param.path), param.isSc) << param.path;
  CapturedStream errors(stderr);
  EXPECT_EQ(touchstonePortCount(param.path), param.ports) << param.path;
}

INSTANTIATE_TEST_SUITE_P(Paths, ExtensionRules,
                         ::testing::Values(ExtensionCase{"x.sc", 1, 0}, ExtensionCase{"x.sc2", 1, 0},
                                           ExtensionCase{"x.scs", 1, 0}, ExtensionCase{"x.SC0", 1, 0},
                                           ExtensionCase{"x.s2p", 0, 2}, ExtensionCase{"x.S4P", 0, 4},
                                           ExtensionCase{"x.S3P", 0, 3}, ExtensionCase{"x.s10p", 0, 10},
                                           ExtensionCase{"x.s12", 0, 12}, ExtensionCase{"x.sp", 0, 0},
                                           ExtensionCase{"x.s", 0, 0}, ExtensionCase{"dir.sc/x", 1, 0},
                                           ExtensionCase{"x.s99999", 0, 0}, ExtensionCase{"x.s999p", 0, 999},
                                           ExtensionCase{"x.s9999p", 0, 0},
                                           ExtensionCase{"/a/b.c/net.s1p", 0, 1}, ExtensionCase{"x.Sc", 1, 0},
                                           ExtensionCase{"x.s2P", 0, 2}, ExtensionCase{"x.S16P", 0, 16},
                                           ExtensionCase{"x.Z2P", 0, 2}, ExtensionCase{"plain", 0, 0}));

// A name in upper or mixed case opens through the host with the reader of
// the lower-case name, and reads the same.
struct CaseOfName {
  const char* example;
  const char* name;
};

class NameInAnyCase : public ::testing::TestWithParam<CaseOfName> {};

TEST_P(NameInAnyCase, OpensAsTheLowerCaseName) {
  std::ifstream in(examplePath(GetParam().example), std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(text.empty());
  TempFile lower(GetParam().example, text);
  TempFile other(GetParam().name, text);
  std::unique_ptr<host::OpenedFile> lowerOpened = openThroughHost(lower.path());
  std::unique_ptr<host::OpenedFile> otherOpened = openThroughHost(other.path());
  ASSERT_NE(lowerOpened, nullptr);
  ASSERT_NE(otherOpened, nullptr) << GetParam().name;
  EXPECT_EQ(otherOpened->catalogue(), lowerOpened->catalogue()) << GetParam().name;
  std::vector<std::string> names = lowerOpened->catalogue();
  WaveformHandle lowerWaveform = nullptr;
  WaveformHandle otherWaveform = nullptr;
  ASSERT_EQ(lowerOpened->loadWaveform(names.front(), &lowerWaveform), 0);
  ASSERT_EQ(otherOpened->loadWaveform(names.front(), &otherWaveform), 0);
  const host::RecordedWaveform* expected = host::WaveformLibrary::instance().find(lowerWaveform);
  const host::RecordedWaveform* got = host::WaveformLibrary::instance().find(otherWaveform);
  ASSERT_NE(expected, nullptr);
  ASSERT_NE(got, nullptr);
  ASSERT_EQ(got->segments.size(), expected->segments.size());
  for (size_t k = 0; k < got->segments.size(); ++k) {
    EXPECT_EQ(got->segments[k].x, expected->segments[k].x) << GetParam().name;
    EXPECT_EQ(got->segments[k].y, expected->segments[k].y) << GetParam().name;
  }
  host::WaveformLibrary::instance().forgetWaveforms();
}

INSTANTIATE_TEST_SUITE_P(Names, NameInAnyCase,
                         ::testing::Values(CaseOfName{"amp.s2p", "AMP.S2P"}, CaseOfName{"amp.s2p", "amp.S2p"},
                                           CaseOfName{"diff_pair.s4p", "DIFF_PAIR.S4P"},
                                           CaseOfName{"diff_pair_upper.ts", "diff_pair_upper.Ts"},
                                           CaseOfName{"diff_pair_upper.ts", "DIFF_PAIR_UPPER.TS"},
                                           CaseOfName{"lowpass_t.z2p", "LOWPASS_T.Z2P"},
                                           CaseOfName{"lna_sweep.sc", "LNA_SWEEP.SC"},
                                           CaseOfName{"balanced_filter.sc", "balanced_filter.Sc"}));

TEST(OpenFile, ExtensionMessageHasNoLineFeed) {
  CapturedStream errors(stderr);
  EXPECT_EQ(touchstonePortCount("net.x2p"), 0);
  EXPECT_EQ(errors.finish(), "The first character of file extension should be s.");
}

}  // namespace
}  // namespace korvel::testing
