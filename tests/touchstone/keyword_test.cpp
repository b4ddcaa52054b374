// Touchstone 2.x files: every keyword read, every keyword error refused
// with its message, line breaks that carry no meaning, the matrix halves,
// the two-port orders and the closing [End].
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <string>

#include "support/opened_text.h"
#include "support/test_support.h"

namespace korvel::testing {
namespace {

// A two-port header up to [Network Data]; `extra` stands before it.
std::string twoPortHeader(const std::string& extra = "", const std::string& frequencies = "2") {
  return "[Version] 2.0\n# GHz S RI R 50\n[Number of Ports] 2\n[Two-Port Data Order] 12_21\n"
         "[Number of Frequencies] " +
         frequencies + "\n" + extra + "[Network Data]\n";
}

// Two points of a non-reciprocal two-port in the order 12_21:
// N11 = (0.1k, 0), N12 = (0.2k, 0), N21 = (0.3k, 0), N22 = (0.4k, 0).
const char kTwoPoints[] = "1 0.1 0 0.2 0 0.3 0 0.4 0\n2 0.2 0 0.4 0 0.6 0 0.8 0\n";

struct AcceptedFile {
  const char* name;
  std::string fileName;
  std::string text;
  std::string errors;
};

class AcceptedKeywordFile : public ::testing::TestWithParam<AcceptedFile> {};

// Each file holds the same two points, whatever its keywords and layout.
TEST_P(AcceptedKeywordFile, ReadsTheTwoPoints) {
  const AcceptedFile& param = GetParam();
  OpenedText read(param.fileName, param.text);
  ASSERT_TRUE(read.opened()) << param.name << ": " << read.errors;
  EXPECT_EQ(read.errors, param.errors) << param.name;
  ASSERT_EQ(read.data->pointCount, 2) << param.name;
  EXPECT_EQ(read.data->frequencies[1], 2e9) << param.name;
  for (int k = 0; k < 2; ++k) {
    double scale = k + 1.0;
    EXPECT_EQ(read.sample("S-Par/S(1,1)", k).real(), 0.1 * scale) << param.name;
    EXPECT_EQ(read.sample("S-Par/S(1,2)", k).real(), 0.2 * scale) << param.name;
    EXPECT_EQ(read.sample("S-Par/S(2,1)", k).real(), 0.3 * scale) << param.name;
    EXPECT_EQ(read.sample("S-Par/S(2,2)", k).real(), 0.4 * scale) << param.name;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, AcceptedKeywordFile,
    ::testing::Values(
        AcceptedFile{"plain", "a.ts", twoPortHeader() + kTwoPoints + "[End]\n", ""},
        AcceptedFile{"version 2.1", "a.ts",
                     "[Version] 2.1\n# GHz S RI R 50 50\n[Number of Ports] 2\n[Two-Port Data Order] 12_21\n"
                     "[Number of Frequencies] 2\n[Network Data]\n" +
                         std::string(kTwoPoints) + "[End]\n",
                     ""},
        AcceptedFile{"21_12 order", "a.ts",
                     "[Version] 2.0\n# GHz S RI R 50\n[Number of Ports] 2\n[Two-Port Data Order] 21_12\n"
                     "[Number of Frequencies] 2\n[Network Data]\n"
                     "1 0.1 0 0.3 0 0.2 0 0.4 0\n2 0.2 0 0.6 0 0.4 0 0.8 0\n[End]\n",
                     ""},
        AcceptedFile{"keywords in any case and order, comments and blank lines", "a.s2p",
                     "! made by hand\n\n[VERSION] 2.0\n! options\n#   ghz s ri\n[number of  ports] 2\n"
                     "[Number of Frequencies] 2 ! two\n\n[Two-Port Data Order] 12_21\n"
                     "[Begin Information]\n[Manufacturer] Tarnwell\n[End Information]\n[network data]\n" +
                         std::string(kTwoPoints) + "[end]\n",
                     ""},
        AcceptedFile{"line breaks carry no meaning", "a.ts",
                     twoPortHeader() + "1 0.1 0\n0.2 0 0.3\n0 0.4 0 2\n0.2 0 0.4 0 0.6 0 0.8 0\n[End]\n", ""},
        AcceptedFile{"reference over lines", "a.ts",
                     twoPortHeader("[Reference] 50\n50\n") + kTwoPoints + "[End]\n", ""},
        AcceptedFile{
            "CR line ends, tabs, byte-order mark, no last line end", "a.ts",
            "\xEF\xBB\xBF[Version]\t2.0\r# GHz S RI R 50\r[Number of Ports] 2\r[Two-Port Data Order] "
            "12_21\r\n[Number of Frequencies] 2\r[Network Data]\r1\t0.1 0 0.2 0 0.3 0 0.4 0\r2 0.2 0 0.4 0 "
            "0.6 0 0.8 0\r[End]",
            ""},
        AcceptedFile{"[End] missing", "a.ts", twoPortHeader() + kTwoPoints,
                     "Warning in line 8: [End] is missing; the data read is kept\n"},
        AcceptedFile{
            "port count against the name", "a.s3p", twoPortHeader() + kTwoPoints + "[End]\n",
            "Warning in line 3: [Number of Ports] gives 2 ports, the file name 3; the keyword holds\n"},
        AcceptedFile{"indented keywords and option line", "a.ts",
                     "  [Version] 2.0\n  #  GHz  S  RI  R  50\n\t[Number of Ports] 2\n [Two-Port Data Order] "
                     "12_21\n [Number of Frequencies] 2\n  [Network Data]\n" +
                         std::string(kTwoPoints) + "  [End]\n",
                     ""},
        AcceptedFile{"R without value and [Reference]", "a.ts",
                     "[Version] 2.1\n# GHz S RI R\n[Number of Ports] 2\n[Two-Port Data Order] 12_21\n"
                     "[Number of Frequencies] 2\n[Reference] 50 50\n[Network Data]\n" +
                         std::string(kTwoPoints) + "[End]\n",
                     ""},
        AcceptedFile{"R without value", "a.ts",
                     "[Version] 2.0\n# GHz S RI R\n[Number of Ports] 2\n[Two-Port Data Order] 12_21\n"
                     "[Number of Frequencies] 2\n[Network Data]\n" +
                         std::string(kTwoPoints) + "[End]\n",
                     "Warning in line 2: R has no value on the option line and no \"! Port Impedance\" line "
                     "gives the references: every reference is 50 ohms\n"},
        AcceptedFile{"the same option line again after [Reference]", "a.ts",
                     "[Version] 2.1\n# GHz S RI R 50\n[Number of Ports] 2\n[Two-Port Data Order] 12_21\n"
                     "[Number of Frequencies] 2\n[Reference] 50 50\n#  ghz s ri r 50\n[Network Data]\n" +
                         std::string(kTwoPoints) + "[End]\n",
                     "Warning in line 7: the option line is given a second time, the same as the first; it "
                     "is passed over\n"},
        AcceptedFile{"noise count without noise data", "a.ts",
                     twoPortHeader("[Number of Noise Frequencies] 1\n") + kTwoPoints + "[End]\n",
                     "Warning in line 6: [Number of Noise Frequencies] is given but [Noise Data] is missing; "
                     "the network data is kept\n"}));

struct RefusedFile {
  const char* name;
  std::string text;
  std::string message;
};

class RefusedKeywordFile : public ::testing::TestWithParam<RefusedFile> {};

TEST_P(RefusedKeywordFile, NamesTheKeywordAndLine) {
  const RefusedFile& param = GetParam();
  OpenedText read("a.ts", param.text);
  EXPECT_EQ(read.result, 1) << param.name;
  EXPECT_EQ(read.data, nullptr) << param.name;
  EXPECT_EQ(read.errors, read.refusal(param.message)) << param.name;
}

std::string error(int line, const std::string& text) {
  return "Error in line " + std::to_string(line) + ": " + text + "\n";
}

INSTANTIATE_TEST_SUITE_P(
    Files, RefusedKeywordFile,
    ::testing::Values(
        RefusedFile{
            "no version", "# GHz S RI R 50\n1 0 0\n",
            error(1, "a .ts file begins with [Version] and gives its port count in [Number of Ports]")},
        RefusedFile{"version 3.0", "[Version] 3.0\n",
                    error(1, "[Version] \"3.0\" is none this reader knows (2.0, 2.1)")},
        RefusedFile{"no option line", "[Version] 2.0\n[Number of Ports] 2\n",
                    error(2, "the option line (\"#\" in the first column) must follow [Version]")},
        RefusedFile{"no port count", "[Version] 2.0\n#\n[Number of Frequencies] 1\n",
                    error(3, "[Number of Ports] must follow the option line")},
        RefusedFile{"port count zero", "[Version] 2.0\n#\n[Number of Ports] 0\n",
                    error(3, "[Number of Ports] needs a port count from 1 to 9999")},
        RefusedFile{"unknown keyword", twoPortHeader("[Colour] blue\n") + kTwoPoints,
                    error(6, "unknown keyword [Colour]")},
        RefusedFile{"keyword twice",
                    twoPortHeader("[Matrix Format] Full\n[Matrix Format] Full\n") + kTwoPoints,
                    error(7, "[Matrix Format] is given a second time")},
        RefusedFile{"value where a keyword is due", twoPortHeader("50 50\n") + kTwoPoints,
                    error(6, "a value stands where a keyword is due")},
        RefusedFile{"second option line", twoPortHeader("# MHz S RI R 50\n") + kTwoPoints,
                    error(6, "the option line is given a second time")},
        RefusedFile{"second option line with other references",
                    twoPortHeader("  # GHz S RI R 75\n") + kTwoPoints,
                    error(6, "the option line is given a second time")},
        RefusedFile{"second option line naming no reference", twoPortHeader("# GHz S RI\n") + kTwoPoints,
                    error(6, "the option line is given a second time")},
        RefusedFile{"version with control characters", "[Version] 2.0\x1b[2J\n",
                    error(1, "[Version] \"2.0\\x1b[2J\" is none this reader knows (2.0, 2.1)")},
        RefusedFile{"unknown keyword with a tab", twoPortHeader("[Col\tour] blue\n") + kTwoPoints,
                    error(6, "unknown keyword [Col\\tour]")},
        RefusedFile{"reference that is no number", twoPortHeader("[Reference] 50 \"fifty\"\n") + kTwoPoints,
                    error(6, "[Reference] holds \"\\\"fifty\\\"\", which is no resistance")},
        RefusedFile{"noise data before network data", twoPortHeader("[Noise Data]\n") + kTwoPoints,
                    error(6, "[Noise Data] is out of order: it may not stand before [Network Data] here")},
        RefusedFile{"no frequency count",
                    "[Version] 2.0\n#\n[Number of Ports] 1\n[Network Data]\n1 0 0\n[End]\n",
                    error(4, "[Number of Frequencies] is missing before [Network Data]")},
        RefusedFile{"no two-port order",
                    "[Version] 2.0\n#\n[Number of Ports] 2\n[Number of Frequencies] 1\n[Network Data]\n",
                    error(5, "[Two-Port Data Order] is missing before [Network Data]")},
        RefusedFile{
            "two-port order for one port",
            "[Version] 2.0\n#\n[Number of Ports] 1\n[Two-Port Data Order] 12_21\n[Number of Frequencies] "
            "1\n[Network Data]\n",
            error(6, "[Two-Port Data Order] is given for a file of 1 ports")},
        RefusedFile{
            "bad two-port order",
            "[Version] 2.0\n#\n[Number of Ports] 2\n[Two-Port Data Order] 12-21\n[Number of Frequencies] 2\n"
            "[Network Data]\n" +
                std::string(kTwoPoints),
            error(4, "[Two-Port Data Order] must be 12_21 or 21_12")},
        RefusedFile{"bad matrix format", twoPortHeader("[Matrix Format] Half\n") + kTwoPoints,
                    error(6, "[Matrix Format] must be Full, Lower or Upper")},
        RefusedFile{"reference too short", twoPortHeader("[Reference] 50\n") + kTwoPoints,
                    error(6, "[Reference] needs one resistance per port; it gives 1 for 2 ports")},
        RefusedFile{"no network data", "[Version] 2.0\n#\n[Number of Ports] 1\n[Number of Frequencies] 1\n",
                    error(4, "[Network Data] is missing")},
        RefusedFile{"information not ended", twoPortHeader("[Begin Information]\n"),
                    error(6, "[Begin Information] has no [End Information]")},
        RefusedFile{
            "fewer points than declared", twoPortHeader("", "3") + kTwoPoints + "[End]\n",
            error(9, "[Number of Frequencies] and the points of [Network Data] differ: 3 declared, 2 read")},
        RefusedFile{
            "more points than declared", twoPortHeader("", "1") + kTwoPoints + "[End]\n",
            error(8,
                  "a value stands where a keyword is due: [Number of Frequencies] is 1 and the points "
                  "are complete")},
        RefusedFile{
            "point cut short", twoPortHeader() + kTwoPoints + "3 0 0\n[End]\n",
            error(9,
                  "a value stands where a keyword is due: [Number of Frequencies] is 2 and the points "
                  "are complete")},
        RefusedFile{"last point incomplete", twoPortHeader() + "1 0.1 0 0.2 0 0.3 0 0.4 0\n2 0 0\n[End]\n",
                    error(9, "the last point of [Network Data] is incomplete")},
        RefusedFile{"keyword after data", twoPortHeader() + kTwoPoints + "[Reference] 50 50\n",
                    error(9, "[reference] stands where [End] is due")},
        RefusedFile{"noise data without count",
                    twoPortHeader() + kTwoPoints + "[Noise Data]\n1 1 0.5 0 10\n[End]\n",
                    error(9, "[Noise Data] needs [Number of Noise Frequencies]")},
        RefusedFile{
            "fewer noise points than declared",
            twoPortHeader("[Number of Noise Frequencies] 2\n") + kTwoPoints +
                "[Noise Data]\n1 1 0.5 0 10\n[End]\n",
            error(12,
                  "[Number of Noise Frequencies] and the points of [Noise Data] differ: 2 declared, 1 read")},
        RefusedFile{"H data for three ports",
                    "[Version] 2.0\n# H\n[Number of Ports] 3\n[Number of Frequencies] 1\n[Network Data]\n",
                    error(2, "H and G parameters describe two-ports only; this file has 3 ports")},
        RefusedFile{
            "too few option values",
            "[Version] 2.1\n# R 50 50\n[Number of Ports] 3\n[Number of Frequencies] 1\n[Network Data]\n",
            "Can't find enough Zo's values.\n "}));

// A symmetric three-port given whole, as its lower half and as its upper
// half: the halves mirror into the same matrix.
TEST(MatrixFormat, LowerAndUpperMatchFull) {
  // Entry (i, j) of the symmetric matrix is (10 min + max, -(i + j)) for
  // 1-based i, j.
  auto entry = [](int i, int j) {
    int low = std::min(i, j), high = std::max(i, j);
    return std::to_string(10 * low + high) + " " + std::to_string(-(i + j));
  };
  std::string full = "1", lower = "1", upper = "1";
  for (int i = 1; i <= 3; ++i) {
    for (int j = 1; j <= 3; ++j) {
      full += " " + entry(i, j);
      if (j <= i) lower += " " + entry(i, j);
      if (j >= i) upper += " " + entry(i, j);
    }
  }
  auto file = [](const std::string& format, const std::string& point) {
    return "[Version] 2.0\n# Hz S RI\n[Number of Ports] 3\n[Number of Frequencies] 1\n[Matrix Format] " +
           format + "\n[Network Data]\n" + point + "\n[End]\n";
  };
  OpenedText whole("a.ts", file("Full", full));
  OpenedText below("a.ts", file("Lower", lower));
  OpenedText above("a.ts", file("Upper", upper));
  ASSERT_TRUE(whole.opened()) << whole.errors;
  ASSERT_TRUE(below.opened()) << below.errors;
  ASSERT_TRUE(above.opened()) << above.errors;
  for (int e = 0; e < 9; ++e) {
    EXPECT_EQ(below.sample(e, 0), whole.sample(e, 0)) << "entry " << e;
    EXPECT_EQ(above.sample(e, 0), whole.sample(e, 0)) << "entry " << e;
  }
  EXPECT_EQ(whole.sample("S-Par/S(3,1)", 0), std::complex<double>(13, -4));
}

// The noise of a 2.x file: Rn in ohms as written, the optimum reflection
// at the option line's R whatever [Reference] says.
TEST(KeywordNoise, ResistanceInOhmsAndReflectionAtTheOptionLineReference) {
  std::string text =
      "[Version] 2.0\n# GHz S RI R 25\n[Number of Ports] 2\n[Two-Port Data Order] 21_12\n"
      "[Number of Frequencies] 2\n[Number of Noise Frequencies] 2\n[Reference] 50 50\n"
      "[Network Data]\n" +
      std::string(kTwoPoints) + "[Noise Data]\n1 1.5 0.4 45 20\n2 1.6\n0.45 50 22\n[End]\n";
  OpenedText read("a.ts", text);
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.data->noisePointCount, 2);
  EXPECT_EQ(read.sample("Noise-Par/Rn", 0).real(), 20.0);
  EXPECT_EQ(read.sample("Noise-Par/Rn", 1).real(), 22.0);
  EXPECT_EQ(read.data->referenceImpedance, 25.0);
  EXPECT_EQ(read.sample("Zo/Zo(1)", 0).real(), 50.0);
  std::vector<std::string> names = read.names();
  EXPECT_EQ(names.back(), "Gain-Par/Gas");
}

TEST(KeywordNoise, VersionOneResistanceIsNormalised) {
  OpenedText read("a.s2p",
                  std::string("# GHz S RI R 25\n") + "1 0.1 0 0.3 0 0.2 0 0.4 0\n0.5 1.5 0.4 45 0.8\n");
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.sample("Noise-Par/Rn", 0).real(), 20.0);
}

// Mixed mode from [Mixed-Mode Order] maps as the same network mapped in
// comment lines does: names, references (D twice, C half) and values.
TEST(KeywordMixedMode, MatchesTheCommentMapping) {
  std::string point = "1";
  for (int p = 0; p < 16; ++p) point += " " + std::to_string(p) + " 0";
  OpenedText comments(
      "a.s4p",
      "! S11 = SDD11\n! S22 = SDD22\n! S33 = SCC11\n! S44 = SCC22\n# GHz S RI R 50\n" + point + "\n");
  OpenedText keyword("a.ts",
                     "[Version] 2.1\n# GHz S RI R 50\n[Number of Ports] 4\n[Number of Frequencies] 1\n"
                     "[Mixed-Mode Order] D1,2 D3,4 C1,2 C3,4\n[Network Data]\n" +
                         point + "\n[End]\n");
  ASSERT_TRUE(comments.opened()) << comments.errors;
  ASSERT_TRUE(keyword.opened()) << keyword.errors;
  EXPECT_EQ(keyword.names(), comments.names());
  EXPECT_EQ(keyword.data->portCount, 2);
  EXPECT_EQ(keyword.data->mixedMode, 1);
  for (int e = 0; e < keyword.data->waveformCount; ++e) {
    std::complex<double> a = keyword.sample(e, 0), b = comments.sample(e, 0);
    if (std::isnan(a.real()) && std::isnan(b.real())) continue;
    EXPECT_EQ(a, b) << keyword.names()[e];
  }
  EXPECT_EQ(keyword.sample("Zo/Zod(1)", 0).real(), 100.0);
  EXPECT_EQ(keyword.sample("Zo/Zoc(2)", 0).real(), 25.0);
}

TEST(KeywordMixedMode, EachTerminalTakesItsOwnPortsReference) {
  OpenedText read("a.ts",
                  "[Version] 2.1\n# Hz S RI\n[Number of Ports] 4\n[Number of Frequencies] 1\n"
                  "[Reference] 40 40 30 30\n[Mixed-Mode Order] S4 D1,2 C1,2 S3\n[Network Data]\n1" +
                      std::string(32, ' ') +
                      "0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0\n");
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_STREQ(read.data->terminalNames[0], "S1");
  EXPECT_STREQ(read.data->terminalNames[1], "D2");
  EXPECT_STREQ(read.data->terminalNames[2], "C2");
  EXPECT_STREQ(read.data->terminalNames[3], "S3");
  EXPECT_EQ(read.data->portCount, 3);
  EXPECT_EQ(read.sample("Zo/Zos(1)", 0).real(), 30.0);
  EXPECT_EQ(read.sample("Zo/Zod(2)", 0).real(), 80.0);
  EXPECT_EQ(read.sample("Zo/Zoc(2)", 0).real(), 20.0);
  EXPECT_EQ(read.sample("Zo/Zos(3)", 0).real(), 30.0);
}

struct RefusedOrder {
  const char* order;
  const char* reference;
  std::string message;
};

class RefusedMixedModeOrder : public ::testing::TestWithParam<RefusedOrder> {};

TEST_P(RefusedMixedModeOrder, SaysWhy) {
  OpenedText read("a.ts",
                  std::string("[Version] 2.1\n# Hz S RI\n[Number of Ports] 4\n[Number of Frequencies] 1\n") +
                      GetParam().reference + "[Mixed-Mode Order] " + GetParam().order + "\n[Network Data]\n");
  EXPECT_EQ(read.result, 1);
  EXPECT_EQ(read.errors, read.refusal(GetParam().message));
}

INSTANTIATE_TEST_SUITE_P(
    Orders, RefusedMixedModeOrder,
    ::testing::Values(
        RefusedOrder{"D1,2 D3,4 C1,2", "",
                     error(5, "[Mixed-Mode Order] needs one descriptor per port; it gives 3 for 4 ports")},
        RefusedOrder{"D1,2 D3,4 C1,2 S3", "", error(5, "[Mixed-Mode Order] uses port 3 in two groups")},
        RefusedOrder{"D1,2 S3 S4 S5", "", error(5, "[Mixed-Mode Order] names a port outside 1..4")},
        RefusedOrder{
            "D1,2 D3,4 C1,2 X3", "",
            error(5, "[Mixed-Mode Order] holds \"X3\", which is none of D<i>,<j>, C<i>,<j> or S<i>")},
        RefusedOrder{"D1,2 S3 S4 D1,2", "", error(5, "[Mixed-Mode Order] names one mode of a pair twice")},
        RefusedOrder{"D1,2 C1,2 D3,4 S3", "", error(5, "[Mixed-Mode Order] uses port 3 in two groups")},
        RefusedOrder{"D1,2 C1,2 S3 S4", "[Reference] 50 60 50 50\n",
                     error(6, "ports 1 and 2 of a mixed-mode pair have different reference resistances")}));

// Through the stand-in host, as the viewer opens it: a .ts file is
// claimed by the Touchstone format and gives its ports inside.
TEST(TsFile, OpensEndToEndThroughTheHost) {
  TempFile file("net.ts", twoPortHeader() + kTwoPoints + "[End]\n");
  int result = -1;
  CapturedStream errors(stderr);
  std::unique_ptr<host::OpenedFile> opened = openThroughHost(file.path(), &result);
  std::string messages = errors.finish();
  ASSERT_NE(opened, nullptr) << messages;
  EXPECT_EQ(result, 0);
  EXPECT_STREQ(opened->format().formatName, "TouchStone");
  std::vector<std::string> catalogue = opened->catalogue();
  EXPECT_NE(std::find(catalogue.begin(), catalogue.end(), "S-Par/S(2,1)"), catalogue.end());
  EXPECT_NE(std::find(catalogue.begin(), catalogue.end(), "Gain-Par/K"), catalogue.end());
}

}  // namespace
}  // namespace korvel::testing
