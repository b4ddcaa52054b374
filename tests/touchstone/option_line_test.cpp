// The option line: unit, parameter type, format and reference resistances
// by value in any order, their defaults, and every refusal of the header.
#include "touchstone/option_line.h"

#include <gtest/gtest.h>

#include "dataset/data_set.h"
#include "support/opened_text.h"

namespace korvel::testing {
namespace {

const char kPoint2[] = "1 0.9 -10 2.0 80 0.05 70 0.8 -20\n";

struct CompareCase {
  const char* a;
  const char* b;
  int expected;
};

class CompareIgnoreCaseTest : public ::testing::TestWithParam<CompareCase> {};

TEST_P(CompareIgnoreCaseTest, ComparesUpperCased) {
  EXPECT_EQ(compareIgnoreCase(GetParam().a, GetParam().b), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Pairs, CompareIgnoreCaseTest,
                         ::testing::Values(CompareCase{"GHz", "GHZ", 0}, CompareCase{"ghz", "GHz", 0},
                                           CompareCase{"", "", 0}, CompareCase{"Hz", "GHz", 'H' - 'G'},
                                           CompareCase{"Hz", "Hzx", -'X'}, CompareCase{"Hzx", "Hz", 'X'},
                                           CompareCase{"a", "B", 'A' - 'B'},
                                           // Bytes above 127 count as negative.
                                           CompareCase{"\xe9", "a", -23 - 'A'}));

// Every field by its value, in any order and case, each with its default.
struct AcceptedOptionLine {
  const char* line;
  double scale;
  int format;
  double zo1;
  double zo2;
  const char* warnings;  // standard error
};

constexpr const char* kReferenceDefault =
    "Warning in line 1: R has no value on the option line and no \"! Port Impedance\" line gives the "
    "references: every reference is 50 ohms\n";

class AcceptedOptionLineTest : public ::testing::TestWithParam<AcceptedOptionLine> {};

TEST_P(AcceptedOptionLineTest, ReadsFieldsAndDefaults) {
  const AcceptedOptionLine& param = GetParam();
  OpenedText read("a.s2p", std::string(param.line) + "\n" + kPoint2);
  ASSERT_TRUE(read.opened()) << param.line << read.errors;
  EXPECT_EQ(read.errors, param.warnings) << param.line;
  EXPECT_EQ(read.data->frequencyScale, param.scale) << param.line;
  EXPECT_EQ(read.data->frequencies[0], param.scale) << param.line;
  EXPECT_EQ(read.data->complexFormat, param.format) << param.line;
  EXPECT_STREQ(read.data->frequencyUnit, "Hz");
  EXPECT_EQ(read.sample("Zo/Zo(1)", 0).real(), param.zo1) << param.line;
  EXPECT_EQ(read.sample("Zo/Zo(2)", 0).real(), param.zo2) << param.line;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, AcceptedOptionLineTest,
    ::testing::Values(
        AcceptedOptionLine{"# GHz S MA R 50", 1e9, 1, 50, 50, ""},
        AcceptedOptionLine{"#ghz s ri r 50", 1e9, 2, 50, 50, ""},
        AcceptedOptionLine{"# S MA R 50 GHz", 1e9, 1, 50, 50, ""},
        AcceptedOptionLine{"# R 75 RI kHz", 1e3, 2, 75, 75, ""},
        AcceptedOptionLine{"# r 75 KHZ s db", 1e3, 0, 75, 75, ""},
        AcceptedOptionLine{"#", 1e9, 1, 50, 50, ""},
        AcceptedOptionLine{"#\t! nothing but a comment", 1e9, 1, 50, 50, ""},
        AcceptedOptionLine{"# MHz", 1e6, 1, 50, 50, ""}, AcceptedOptionLine{"# Hz", 1, 1, 50, 50, ""},
        AcceptedOptionLine{"# dB", 1e9, 0, 50, 50, ""}, AcceptedOptionLine{"# S", 1e9, 1, 50, 50, ""},
        AcceptedOptionLine{"# R 25", 1e9, 1, 25, 25, ""},
        AcceptedOptionLine{"#GHz\tS\tRI\tR\t50", 1e9, 2, 50, 50, ""},
        AcceptedOptionLine{"# GHz S MA R 50 ! from the bench", 1e9, 1, 50, 50, ""},
        AcceptedOptionLine{"# GHz S MA R 50 75!two values", 1e9, 1, 50, 75, ""},
        AcceptedOptionLine{"# MHz S DB R 50 75", 1e6, 0, 50, 75, ""},
        AcceptedOptionLine{"# R 1e2 2.5E1", 1e9, 1, 100, 25, ""},
        // Indented, as an older network analyser writes it.
        AcceptedOptionLine{"  #  HZ  S  DB  R  50", 1, 0, 50, 50, ""},
        AcceptedOptionLine{"\t# MHz S RI R 75", 1e6, 2, 75, 75, ""},
        // R alone and no port impedance lines: the default.
        AcceptedOptionLine{"# GHz S RI R", 1e9, 2, 50, 50, kReferenceDefault},
        AcceptedOptionLine{"# R ! no value", 1e9, 1, 50, 50, kReferenceDefault},
        AcceptedOptionLine{"# R MHz", 1e6, 1, 50, 50, kReferenceDefault},
        // The same line again before the data.
        AcceptedOptionLine{"# MHz S RI R 75\n\n  # mhz ri r 75", 1e6, 2, 75, 75,
                           "Warning in line 3: the option line is given a second time, the same as "
                           "the first; it is passed over\n"}));

// What the viewer sees for a field that is none.
std::string noOption(const std::string& token) {
  return "Error in line 1: \"" + token +
         "\" is no option: the option line takes a frequency unit (Hz, kHz, MHz, GHz), a parameter type (S, "
         "Y, Z, "
         "H, G), a data format (DB, MA, RI) and R with its reference resistances\n";
}

std::string twice(const std::string& token, const std::string& field) {
  return "Error in line 1: \"" + token + "\" gives the " + field + " a second time on the option line\n";
}

struct RefusedOptionLine {
  const char* fileName;
  std::string text;
  std::string message;
};

class RefusedHeaderTest : public ::testing::TestWithParam<RefusedOptionLine> {};

TEST_P(RefusedHeaderTest, PrintsMessageThenOpenFileLine) {
  OpenedText read(GetParam().fileName, GetParam().text);
  EXPECT_EQ(read.result, 1);
  EXPECT_EQ(read.data, nullptr);
  EXPECT_EQ(read.errors, read.refusal(GetParam().message));
}

INSTANTIATE_TEST_SUITE_P(
    Lines, RefusedHeaderTest,
    ::testing::Values(
        RefusedOptionLine{"a.s2p", "", "Can not find the header line. \n"},
        RefusedOptionLine{"a.s2p", "! only a comment\n1 0.5 0 0.5 0 0.5 0 0.5 0\n",
                          "Can not find the header line. \n"},
        RefusedOptionLine{"a.s2p", "# THz S MA R 50\n", noOption("THz")},
        RefusedOptionLine{"a.s2p", "# GHz S dBm R 50\n", noOption("dBm")},
        RefusedOptionLine{"a.s2p", "# Hertz S MA R 50\n", noOption("Hertz")},
        RefusedOptionLine{"a.s2p", "# GHz S MAG R 50\n", noOption("MAG")},
        RefusedOptionLine{"a.s2p", "# GHz S XX R 50\n", noOption("XX")},
        RefusedOptionLine{"a.s2p", "# GHz S MA R fifty\n", noOption("fifty")},
        RefusedOptionLine{"a.s2p", "# GHz S RI R 50\n# GHz S RI R 75\n1 0.5 0 0.5 0 0.5 0 0.5 0\n",
                          "Error in line 2: the option line is given a second time\n"},
        RefusedOptionLine{
            "a.s2p", "# GHz S RI R 50\n# GHz S RI R 50 THz\n1 0.5 0 0.5 0 0.5 0 0.5 0\n",
            "Error in line 2: \"THz\" is no option: the option line takes a frequency unit (Hz, "
            "kHz, MHz, GHz), a parameter type (S, Y, Z, H, G), a data format (DB, MA, RI) and R "
            "with its reference resistances\n"},
        // A "#" after other text is no option line.
        RefusedOptionLine{"a.s2p", "x # GHz S MA R 50\n1 0.5 0 0.5 0 0.5 0 0.5 0\n",
                          "Can not find the header line. \n"},
        RefusedOptionLine{"a.s2p", "# GHz S MA R 50 \x01\x7f\"\\\n", noOption("\\x01\\x7f\\\"\\\\")},
        RefusedOptionLine{"a.s2p", "# GHz S MA 50\n",
                          "Error in line 1: \"50\" is a number with no R before it on the option line\n"},
        RefusedOptionLine{"a.s2p", "# GHz S MA R 50 MHz\n", twice("MHz", "frequency unit")},
        RefusedOptionLine{"a.s2p", "# S GHz Y\n", twice("Y", "parameter type")},
        RefusedOptionLine{"a.s2p", "# MA RI\n", twice("RI", "data format")},
        RefusedOptionLine{"a.s2p", "# R 50 R 75\n", twice("R", "reference resistance")},
        RefusedOptionLine{"a.s3p", "# GHz S MA R 50 75\n", "Can't find enough Zo's values.\n "},
        RefusedOptionLine{
            "a.s3p", "! three ports\n# GHz H MA R 50\n",
            "Error in line 2: H and G parameters describe two-ports only; this file has 3 ports\n"},
        RefusedOptionLine{
            "a.s1p", "# GHz G MA R 50\n",
            "Error in line 1: H and G parameters describe two-ports only; this file has 1 ports\n"},
        RefusedOptionLine{
            "a.s2p", "# GHz Z MA R 50 75\n",
            "Error in line 1: Z data with one reference resistance per port is defined only from "
            "Touchstone 2.0 on ([Version])\n"},
        RefusedOptionLine{"a.s2p", "# GHz S MA R 50\n", "There is no data values.\n "},
        RefusedOptionLine{"a.s2p", "# GHz S MA R 50\n1 0.5 0 0.5 0 0.5 0 0.5\n",
                          "There is no data values.\n "}));

TEST(OptionLine, GigahertzMagnitudeAngle) {
  OpenedText read("a.s2p", std::string("# GHz S MA R 50\n") + kPoint2);
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.errors, "");
  EXPECT_EQ(read.data->frequencyScale, 1e9);
  EXPECT_EQ(read.data->complexFormat, 1);
  EXPECT_STREQ(read.data->frequencyUnit, "Hz");
  EXPECT_EQ(read.sample("Zo/Zo(1)", 0), std::complex<double>(50, 0));
  EXPECT_EQ(read.sample("Zo/Zo(2)", 0), std::complex<double>(50, 0));
  EXPECT_EQ(read.data->referenceImpedance, 50);
}

TEST(OptionLine, ExtraImpedancesAreIgnoredWithAWarning) {
  OpenedText read("a.s3p", "# GHz S RI R 50 75 100 125\n1 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0\n");
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(
      read.errors,
      "Warning in line 1: the option line gives 4 reference resistances for 3 ports; the extra ones are "
      "ignored\n");
  EXPECT_EQ(read.sample("Zo/Zo(1)", 0).real(), 50);
  EXPECT_EQ(read.sample("Zo/Zo(2)", 0).real(), 75);
  EXPECT_EQ(read.sample("Zo/Zo(3)", 0).real(), 100);
  EXPECT_EQ(read.data->referenceImpedance, 50);
}

// "R" without a value, as a Python RF library writes it for data it did not
// renormalise: the port impedance lines give the references, as they do
// when the line has no R at all.
TEST(OptionLine, ResistanceWithoutValueTakesThePortImpedanceLines) {
  const std::string points = "1 0.2 0.4\n! Port Impedance 75 0\n2 0.1 0\n! Port Impedance 25 0\n";
  OpenedText bare("a.s1p", "# GHz S RI R\n" + points);
  OpenedText without("a.s1p", "# GHz S RI\n" + points);
  ASSERT_TRUE(bare.opened()) << bare.errors;
  ASSERT_TRUE(without.opened()) << without.errors;
  EXPECT_EQ(bare.errors, "");
  for (int k = 0; k < 2; ++k) {
    EXPECT_EQ(bare.sample("Zo/Zo(1)", k), std::complex<double>(k == 0 ? 75 : 25, 0)) << k;
    EXPECT_EQ(bare.sample("Z-Par/Z(1,1)", k), without.sample("Z-Par/Z(1,1)", k)) << k;
  }
}

TEST(OptionLine, DataBeforeOptionLineIsSkipped) {
  OpenedText read("a.s1p", "1 0.1 0\n2 0.2 0\n# Hz S RI R 50\n5 0.5 0\n");
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.data->pointCount, 1);
  EXPECT_EQ(read.data->frequencies[0], 5);
}

}  // namespace
}  // namespace korvel::testing
