// korvel check: every problem of each file on a line of its own, and the
// exit status that tells opened from refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_support.h"
#include "support/tool_run.h"

namespace korvel::testing {
namespace {

// Runs korvel check over `files`.
ToolRun check(const std::vector<std::string>& files) {
  std::vector<std::string> arguments{"check"};
  arguments.insert(arguments.end(), files.begin(), files.end());
  return runKorvel(arguments);
}

TEST(CheckCommand, ListsEveryProblemWithItsLine) {
  TempFile file("several.ts",
                "! a file with several problems\n"
                "[Version] 2.0\n"
                "# THz S RI R 50 dBm\n"
                "[Number of Ports] 1\n"
                "[Number of Frequencies] 3\n"
                "[Colour] blue\n"
                "[Network Data]\n"
                "1 0.5 0\n"
                "1 0.4 0\n");
  ToolRun run = check({file.path()});
  EXPECT_EQ(run.status, 1);
  const std::string& f = file.path();
  std::string noOption =
      " is no option: the option line takes a frequency unit (Hz, kHz, MHz, GHz), a parameter type (S, Y, Z, H, G), "
      "a data format (DB, MA, RI) and R with its reference resistances\n";
  EXPECT_EQ(run.out, f + ":3: error: \"THz\"" + noOption +                                   //
                         f + ":3: error: \"dBm\"" + noOption +                               //
                         f + ":6: error: unknown keyword [Colour]\n" +                       //
                         f + ":9: warning: frequency 1 does not rise above the one before; the point is kept\n" +
                         f + ":9: error: [Number of Frequencies] and the points of [Network Data] differ: 3 declared, 2 read\n" +
                         f + ":9: warning: [End] is missing; the data read is kept\n");
}

TEST(CheckCommand, WarningsOfAFileThatOpens) {
  TempFile file("wide.s3p",
                "# Hz S RI R 50\n"
                "1 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0\n");
  ToolRun run = check({file.path()});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, file.path() + ":2: warning: more than four pairs on one data line\n");
}

TEST(CheckCommand, EveryExampleOpensWithoutAProblem) {
  std::vector<std::string> files;
  for (const char* name : {"amp.s2p", "diff_pair.s4p", "diff_pair_upper.ts", "lowpass_t.z2p", "lna_sweep.sc",
                           "balanced_filter.sc"}) {
    files.push_back(examplePath(name));
  }
  ToolRun run = check(files);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "");
}

TEST(CheckCommand, ExitStatuses) {
  TempFile refused("refused.s1p", "no option line\n");
  EXPECT_EQ(check({examplePath("amp.s2p"), refused.path()}).status, 1);
  EXPECT_EQ(check({refused.path()}).out, refused.path() + ":1: error: Can not find the header line.\n");
  EXPECT_EQ(check({}).status, 2);
}

}  // namespace
}  // namespace korvel::testing
