// korvel check on data that the reader keeps with a warning or refuses:
// a point cut short, complex port impedances, a token that is no number.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <fstream>
#include <sstream>
#include <string>

#include "support/test_support.h"

namespace korvel::testing {
namespace {

struct CheckOutput {
  int status = -1;
  std::string out;
};

CheckOutput checkOne(const TempFile& file) {
  TempFile out("out.txt", "");
  std::string command = std::string(KORVEL_BINARY_DIR) + "/korvel check '" + file.path() + "' >'" + out.path() +
                        "' 2>/dev/null </dev/null";
  int raw = std::system(command.c_str());
  CheckOutput run;
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  std::ifstream in(out.path(), std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  run.out = text.str();
  return run;
}

TEST(CheckDataIntegrity, CutShortPointIsAWarningOfAFileThatOpens) {
  TempFile file("cut.s2p", "# Hz S RI R 50\n1 0.1 0 0.2 0 0.2 0 0.1 0\n2 0.3 0 0.4\n");
  CheckOutput run = checkOne(file);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, file.path() +
                         ":3: warning: the file ends inside the last point, which lacks 5 values; the complete points "
                         "are kept\n");
}

TEST(CheckDataIntegrity, TokenThatIsNoNumberIsAnError) {
  TempFile file("letter.s1p", "# Hz S RI R 50\n1 0.88880265O 0\n");
  CheckOutput run = checkOne(file);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, file.path() + ":2: error: \"0.88880265O\" is not a number\n");
}

TEST(CheckDataIntegrity, ComplexPortImpedancesAreAWarning) {
  TempFile file("solver.s1p", "# GHz S MA\n1 0.5 30\n! Gamma 0 1\n! Port Impedance 49.7 -0.1\n");
  CheckOutput run = checkOne(file);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, file.path() +
                         ":4: warning: port impedances with an imaginary part at 1 of 1 points: Z, Y and the figures "
                         "derived from them have no value there\n");
}

}  // namespace
}  // namespace korvel::testing
