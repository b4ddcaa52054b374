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
      " is no option: the option line takes a frequency unit (Hz, kHz, MHz, GHz), a parameter type (S, Y, Z, "
      "H, G), "
      "a data format (DB, MA, RI) and R with its reference resistances\n";
  EXPECT_EQ(
      run.out,
      f + ":3: error: \"THz\"" + noOption +              //
          f + ":3: error: \"dBm\"" + noOption +          //
          f + ":6: error: unknown keyword [Colour]\n" +  //
          f + ":9: warning: frequency 1 does not rise above the one before; the point is kept\n" + f +
          ":9: error: [Number of Frequencies] and the points of [Network Data] differ: 3 declared, 2 read\n" +
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

// A noise count without noise data: the viewer opens the file with a
// warning, a check calls it an error.
TEST(CheckCommand, NoiseCountWithoutNoiseDataIsAnErrorOfAFileThatOpens) {
  TempFile file("no_noise.ts",
                "[Version] 2.0\n# GHz S RI R 50\n[Number of Ports] 2\n[Two-Port Data Order] 12_21\n"
                "[Number of Frequencies] 1\n[Number of Noise Frequencies] 1\n[Network Data]\n"
                "1 0.1 0 0.2 0 0.3 0 0.4 0\n[End]\n");
  ToolRun run = check({file.path()});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, file.path() +
                         ":6: error: [Number of Noise Frequencies] is given but [Noise Data] is missing; the "
                         "network data is kept\n");
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
  EXPECT_EQ(check({refused.path()}).out, refused.path() + ":1: error: no option line (#) before the data.\n");
  EXPECT_EQ(check({}).status, 2);
}

// The calculation's reports of a matrix with no inverse, once a point, as
// one line with its count; standard input as "-".
TEST(CheckCommand, CalculationReportsOnceWithTheirCount) {
  std::string text = "# GHz S RI R 50\n";
  for (int p = 0; p < 401; ++p) text += std::to_string(1.0 + p * 0.01) + " -1 0\n";
  TempFile shortCircuit("short.s1p", text);
  ToolRun run = check({shortCircuit.path()});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, shortCircuit.path() + ": warning: Matrix ([I] + S) is singular at 401 points\n");
  EXPECT_EQ(run.err, "");
  ToolRun piped = korvel({"check", "-"}, shortCircuit.path());
  EXPECT_EQ(piped.status, 0) << piped.err;
  EXPECT_EQ(piped.out, "-: warning: Matrix ([I] + S) is singular at 401 points\n");
}

// Data kept with a warning, or refused: a point cut short, a token that is
// no number, complex port impedances.
TEST(CheckDataIntegrity, CutShortPointIsAWarningOfAFileThatOpens) {
  TempFile file("cut.s2p", "# Hz S RI R 50\n1 0.1 0 0.2 0 0.2 0 0.1 0\n2 0.3 0 0.4\n");
  ToolRun run = check({file.path()});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            file.path() +
                ":3: warning: the file ends inside the last point, which lacks 5 values; the complete points "
                "are kept\n");
}

TEST(CheckDataIntegrity, TokenThatIsNoNumberIsAnError) {
  TempFile file("letter.s1p", "# Hz S RI R 50\n1 0.88880265O 0\n");
  ToolRun run = check({file.path()});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, file.path() + ":2: error: \"0.88880265O\" is not a number\n");
}

// Each data line of a two-port that does not hold whole points, and a
// noise block opened by a line that is no noise point, is an error of its
// own: the check reads on after each with the next line's point.
TEST(CheckDataIntegrity, PartPointLinesAndABadNoiseOpeningAreErrors) {
  TempFile file("shifted.s2p",
                "# Hz S RI R 50\n"
                "1 0.1 0 0.2 0 0.2 0 0.1 0\n"
                "2 0.1 0 0.2 0 0.2 0 0.1\n"
                "3 0.1 0 0.2 0 0.2 0 0.1 0\n"
                "4 0.1 0 0.2 0 0.2 0 0.1 0 9\n"
                "5 0.1 0 0.2 0 0.2 0 0.1 0\n"
                "1 1.5 0.4 45\n"
                "2 1.5 0.4 45 0.2\n");
  ToolRun run = check({file.path()});
  EXPECT_EQ(run.status, 1);
  const std::string& f = file.path();
  const std::string partPoint = "where a point has 9; a line must hold whole points\n";
  EXPECT_EQ(run.out,
            f + ":3: error: the data line holds 8 numbers " + partPoint + f +
                ":5: error: the data line holds 10 numbers " + partPoint + f +
                ":7: error: a frequency below the one before opens the noise block, but this line is no "
                "noise point: it holds 4 numbers, not 5\n");
}

TEST(CheckDataIntegrity, ComplexPortImpedancesAreAWarning) {
  TempFile file("solver.s1p", "# GHz S MA\n1 0.5 30\n! Gamma 0 1\n! Port Impedance 49.7 -0.1\n");
  ToolRun run = check({file.path()});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            file.path() +
                ":4: warning: port impedances with an imaginary part at 1 of 1 points: Z, Y and the figures "
                "derived from them have no value there\n");
}

}  // namespace
}  // namespace korvel::testing
