// Every refusal of the SC reader: its message, byte for byte, and a null
// record.
#include <gtest/gtest.h>

#include "support/opened_text.h"

namespace korvel::testing {
namespace {

const char* const kTwoPoints =
    "+ DATA=\n"
    "+ 1e9\n"
    "+ 0.1 0 0.5 0 0.5 0 0.1 0\n"
    "+ 2e9\n"
    "+ 0.2 0 0.4 0 0.4 0 0.2 0\n";

const char* const kTwoPortHead =
    "*| N=2 DATA=2\n"
    "*| NumOfBlock=1 NumOfParam=0\n";

struct RefusalCase {
  const char* name;
  std::string contents;
  const char* message;
};

class Refusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(Refusal, PrintsItsMessageAndReturnsNoRecord) {
  OpenedText opening("network.sc", GetParam().contents);
  EXPECT_EQ(opening.result, 1);
  EXPECT_EQ(opening.data, nullptr);
  EXPECT_EQ(opening.errors, GetParam().message);
}

const RefusalCase kHeadRefusals[] = {
    {"EmptyFile", "", "Can not find the port_number information. \n"},
    {"NoHeaderLine", "* N=2 DATA=2\n+ N=2 DATA=2\n", "Can not find the port_number information. \n"},
    {"MarkGluedToPortCount", "*|N=2 DATA=3\n", "Port_number and data points number can not be 0. \n"},
    {"TabIsNoSeparator", "*|\tN=2 DATA=3\n", "Port_number and data points number can not be 0. \n"},
    {"NPortWithoutData", "*| NPort=4\n", "Port_number and data points number can not be 0. \n"},
    {"NegativePorts", "*| N=-2 DATA=3\n", "Port_number and data points number can not be 0. \n"},
    {"NegativeNPort", "*| NPort=-1 DATA=3\n", "Port_number and data points number can not be 0. \n"},
    {"NegativePoints", "*| N=2 DATA=-3\n", "Port_number and data points number can not be 0. \n"},
    {"DataOverriddenByZero", "*| N=2 DATA=3 DATA=0\n", "Port_number and data points number can not be 0. \n"},
    {"NoSweepLine", "*| N=2 DATA=2\n+ Zo= 50\n", "Can not find the sweeping information. \n"},
    {"SweepLineUnmarked", "*| N=2 DATA=2\n* NumOfBlock=1\n", "Can not find the sweeping information. \n"},
    {"TooFewNames", "*| N=2 DATA=2\n*| NumOfBlock=6 NumOfParam=3 ParamNames=temp vdd\n",
     "The sweep parameter names are not complete.\n"},
    {"NamesBeforeCount", "*| N=2 DATA=2\n*| NumOfBlock=2 ParamNames=temp NumOfParam=1\n",
     "The sweep parameter names are not complete.\n"},
    {"HugeParameterCount", "*| N=2 DATA=2\n*| NumOfBlock=2 NumOfParam=2000000000 ParamNames=a\n",
     "The sweep parameter names are not complete.\n"},
    {"NegativeBlockCount", "*| N=2 DATA=2\n*| NumOfBlock=-1 NumOfParam=0\n",
     "NumOfBlock can not be negative.\n"},
    {"NoTerminalOrZoLine", std::string(kTwoPortHead) + "+ DATA=\n*| MIXED=1\n",
     "Can not find the MIXEDMOD information. \n"},
    {"OneTerminalForTwoPorts",
     std::string(kTwoPortHead) + "*| MIXEDMODE=1 DATATYPE=D1\n+ Zo= 50\n" + kTwoPoints,
     "A two-port needs two terminals.\n"},
    // Two rows named D1 would make one waveform name twice and leave port 1
    // to a guess; "d1" names the same terminal as "D1".
    {"TerminalNamedTwice",
     std::string(kTwoPortHead) + "*| MIXEDMODE=1 DATATYPE=D1D2C1d1\n+ Zo= 50\n" + kTwoPoints,
     "Terminal d1 is named twice in DATATYPE=.\n"},
};
INSTANTIATE_TEST_SUITE_P(Head, Refusal, ::testing::ValuesIn(kHeadRefusals),
                         [](const auto& param) { return std::string(param.param.name); });

const std::string kSweepHead = "*| N=1 DATA=1\n*| NumOfBlock=6 NumOfParam=2 ParamNames=temp vdd\n";

const RefusalCase kSweepRefusals[] = {
    {"NoParamSweepLine", kSweepHead + "+ ParamSweep temp: 1 2, vdd: 1 2 3\n",
     "Can not find the sweep parameter values.\n"},
    {"NameMissing", kSweepHead + "*| ParamSweep temp: 1 2, vcc: 1 2 3\n",
     "Can not find the sweep parameter vdd's values.\n"},
    {"NameWithoutColon", kSweepHead + "*| ParamSweep temp: 1 2, vdd 1 2 3\n",
     "Can not find the sweep parameter vdd's values.\n"},
    {"NoContinuationAfterLineEnd", kSweepHead + "*| ParamSweep temp: 1 2, vdd: 1 2 \n+ Zo= 50\n",
     "Can't read enough parameter values.\n "},
    {"NoContinuationAfterCrLf", kSweepHead + "*| ParamSweep temp: 1 2, vdd: 1 2 \r\n",
     "Can't read enough parameter values.\n "},
};
INSTANTIATE_TEST_SUITE_P(Sweep, Refusal, ::testing::ValuesIn(kSweepRefusals),
                         [](const auto& param) { return std::string(param.param.name); });

const RefusalCase kBlockRefusals[] = {
    {"NoZoLine", std::string(kTwoPortHead) + "*| MIXEDMODE=0\n+ DATA=\n", "Can't find the Zo's values.\n "},
    {"ZoUnderMarkedLine", std::string(kTwoPortHead) + "*| MIXEDMODE=0\n*| Zo= 50\n",
     "Can't find the Zo's values.\n "},
    {"NoZoValue", std::string(kTwoPortHead) + "+ Zo= \n" + kTwoPoints, "Can't find enough Zo's values.\n "},
    {"TwoZoValuesForThree",
     "*| N=3 DATA=1\n*| NumOfBlock=1 NumOfParam=0\n+ Zo= 50 50\n+ DATA=\n+ 1e9\n+ 1 0 1 0 1 0 1 0 1 0 1 0 1 "
     "0 1 0 1 0\n",
     "Can't find enough Zo's values.\n "},
    {"NoDataHeader", std::string(kTwoPortHead) + "+ Zo= 50\n+ 1e9\n+ 0.1 0 0.5 0 0.5 0 0.1 0\n",
     "Can't find S-parameter values.\n "},
    {"TooFewValues",
     std::string(kTwoPortHead) + "+ Zo= 50\n+ DATA=\n+ 1e9\n+ 0.1 0 0.5 0 0.5 0 0.1 0\n+ 2e9\n+ 0.2 0\n",
     "Can't find enough S-parameter values.\n "},
    {"TooFewPoints", std::string(kTwoPortHead) + "+ Zo= 50\n+ DATA=\n+ 1e9\n+ 0.1 0 0.5 0 0.5 0 0.1 0\n",
     "Can't find enough S-parameter values.\n "},
    {"ValuesOnFrequencyLine",
     std::string(kTwoPortHead) +
         "+ Zo= 50\n+ DATA=\n+ 1e9 0.1 0 0.5 0 0.5 0 0.1 0\n+ 2e9 0.2 0 0.4 0 0.4 0 0.2 0\n",
     "Can't find enough S-parameter values.\n "},
    {"CountsBeyondFileSize",
     "*| N=2 DATA=1000000\n*| NumOfBlock=1 NumOfParam=0\n+ Zo= 50\n" + std::string(kTwoPoints),
     "Can't find enough S-parameter values.\n "},
    {"BlocksBeyondFileSize",
     "*| N=2 DATA=2\n*| NumOfBlock=2000000000 NumOfParam=0\n+ Zo= 50\n" + std::string(kTwoPoints),
     "Can't find enough S-parameter values.\n "},
    // No block to read, yet the terminal count alone would build hundreds
    // of millions of names: the file could not hold one point of them.
    {"NoBlocksButTerminalsBeyondFileSize", "*| N=20000 DATA=1\n*| NumOfBlock=0 NumOfParam=0\n+ Zo= 50\n",
     "Can't find enough S-parameter values.\n "},
    {"CountProductsOverflow",
     "*| N=2000000000 DATA=2000000000\n*| NumOfBlock=2000000000 NumOfParam=0\n+ Zo= 50\n" +
         std::string(kTwoPoints),
     "Can't find enough S-parameter values.\n "},
    {"NoNoiseHeader",
     std::string("*| N=2 DATA=2 NOISE=1\n*| NumOfBlock=1 NumOfParam=0\n+ Zo= 50\n") + kTwoPoints +
         "*| 1e9 1.5 0.3 45 0.2\n",
     "Can't find noise parameter values.\n "},
    {"ShortNoiseLine",
     std::string("*| N=2 DATA=2 NOISE=1\n*| NumOfBlock=1 NumOfParam=0\n+ Zo= 50\n") + kTwoPoints +
         "*| frequency NFmin mag ang Rn\n*| 1e9 1.5 0.3 45 0.2\n*| 2e9 1.6 0.3 44\n",
     "Can't find enough noise parameter values.\n "},
    {"ShortNoiseLineWithBlank",
     std::string("*| N=2 DATA=2 NOISE=1\n*| NumOfBlock=1 NumOfParam=0\n+ Zo= 50\n") + kTwoPoints +
         "*| frequency\n*| 1e9 1.5 0.3 45 0.2\n*| 2e9 1.6 0.3 44 \n",
     "Can't find enough noise parameter values.\n "},
    {"TooFewNoiseLines",
     std::string("*| N=2 DATA=2 NOISE=1\n*| NumOfBlock=1 NumOfParam=0\n+ Zo= 50\n") + kTwoPoints +
         "*| frequency\n*| 1e9 1.5 0.3 45 0.2\n",
     "Can't find enough noise parameter values.\n "},
    {"NoGroupDelayHeader",
     std::string("*| N=2 DATA=2 GROUPDELAY=1\n*| NumOfBlock=1 NumOfParam=0\n+ Zo= 50\n") + kTwoPoints,
     "Can't find group delay values.\n "},
    {"TooFewGroupDelays",
     std::string("*| N=2 DATA=2 GROUPDELAY=1\n*| NumOfBlock=1 NumOfParam=0\n+ Zo= 50\n") + kTwoPoints +
         "+ DATA=\n+ 1e9\n+ 1e-10 2e-10 3e-10 4e-10\n+ 2e9\n+ 1e-10 2e-10 3e-10\n",
     "Can't find enough Group Delay values.\n "},
    {"SecondBlockMissing",
     std::string("*| N=2 DATA=2\n*| NumOfBlock=2 NumOfParam=0\n+ Zo= 50\n") + kTwoPoints,
     "Can't find S-parameter values.\n "},
};
INSTANTIATE_TEST_SUITE_P(Blocks, Refusal, ::testing::ValuesIn(kBlockRefusals),
                         [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace korvel::testing
