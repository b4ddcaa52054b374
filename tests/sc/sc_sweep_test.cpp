// The sweep values of an SC file and the blocks they label.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/opened_text.h"

namespace korvel::testing {
namespace {

// One-port blocks whose frequency and S(1,1) real part are the block
// number, so that each block's place can be checked.
std::string numberedBlocks(int count) {
  std::string text;
  for (int b = 1; b <= count; ++b) {
    std::string number = std::to_string(b);
    text += "+ DATA=\n+ " + number + "e9\n+ " + number + "e-3 0\n";
  }
  return text;
}

std::string sweepFile(int blocks, const std::string& names, const std::string& sweepLines) {
  return "*| N=1 DATA=1\n*| NumOfBlock=" + std::to_string(blocks) + " NumOfParam=" + names + "\n" +
         sweepLines + "+ Zo= 50\n" + numberedBlocks(blocks);
}

std::vector<double> sweepEntry(const DataSet& data, int parameter) {
  const double* entry = data.sweepValues[parameter];
  return std::vector<double>(entry + 1, entry + 1 + static_cast<int>(entry[0]));
}

struct SweepCase {
  const char* name;
  int blocks;
  const char* parameters;  // NumOfParam= value and names
  const char* sweepLines;
  std::vector<std::vector<double>> values;
};

class SweepValues : public ::testing::TestWithParam<SweepCase> {};

TEST_P(SweepValues, StoresEachParameterList) {
  const SweepCase& param = GetParam();
  OpenedText opening("network.sc", sweepFile(param.blocks, param.parameters, param.sweepLines));
  ASSERT_EQ(opening.result, 0) << opening.errors;
  const DataSet& data = *opening.data;
  ASSERT_EQ(data.sweepCount, static_cast<int>(param.values.size()));
  for (size_t q = 0; q < param.values.size(); ++q) {
    EXPECT_EQ(data.sweepValues[q][0], static_cast<double>(param.values[q].size())) << q;
    EXPECT_EQ(sweepEntry(data, static_cast<int>(q)), param.values[q]) << q;
  }
  // The blocks after the sweep lines are all in place.
  for (int b = 0; b < param.blocks; ++b) EXPECT_EQ(data.frequencies[b], (b + 1) * 1e9) << b;
}

INSTANTIATE_TEST_SUITE_P(
    Lists, SweepValues,
    ::testing::Values(
        SweepCase{"ExampleLine",
                  6,
                  "2 ParamNames=temp vdd",
                  "*| ParamSweep temp: 25 50 75, vdd: 1.0 1.2\n",
                  {{25, 50, 75}, {1.0, 1.2}}},
        SweepCase{"TwoByThree",
                  6,
                  "2 ParamNames=temp vdd",
                  "*| ParamSweep temp: -40 85, vdd: 2.7 3.0 3.3\n",
                  {{-40, 85}, {2.7, 3.0, 3.3}}},
        SweepCase{"OtherLinesBeforeSweepValues",
                  2,
                  "1 ParamNames=vdd",
                  "* comment\n+ ParamSweep vdd: 9 9\n*| ParamSweep vdd: 1 2\n",
                  {{1, 2}}},
        SweepCase{"TabsSeparateValues", 3, "1 ParamNames=vdd", "*| ParamSweep vdd:\t1\t2 3\n", {{1, 2, 3}}},
        SweepCase{"ContinuedAfterLineEnd",
                  6,
                  "2 ParamNames=temp vdd",
                  "*| ParamSweep temp: -40 85, vdd: 2.7 \n*| 3.0 3.3\n",
                  {{-40, 85}, {2.7, 3.0, 3.3}}},
        SweepCase{"ContinuedWhenTokensRunOut",
                  3,
                  "1 ParamNames=vdd",
                  "*| ParamSweep vdd: 2.7 3.0\n+ Zo= 1\n*|3.1 3.3\n",
                  {{2.7, 3.0, 3.3}}},
        SweepCase{"NextNameOnContinuationLine",
                  6,
                  "2 ParamNames=temp vdd",
                  "*| ParamSweep temp: -40 \n*| 85, vdd: 2.7 3.0 3.3\n",
                  {{-40, 85}, {2.7, 3.0, 3.3}}},
        SweepCase{"NextNameOnSweepLineAfterRunOut",
                  6,
                  "2 ParamNames=temp vdd",
                  "*| ParamSweep vdd: 2.7 3.0 3.3, temp: -40\n*| 85,\n",
                  {{-40, 85}, {2.7, 3.0, 3.3}}},
        SweepCase{
            "CommaGluedToValue", 4, "2 ParamNames=a b", "*| ParamSweep a: 1 2,b: 3 4,\n", {{1, 2}, {3, 4}}},
        SweepCase{
            "ListEndsOnlyAtCommaOrLineEnd", 2, "1 ParamNames=vdd", "*| ParamSweep vdd: 1 2 3\n", {{1, 2, 3}}},
        SweepCase{"CarriageReturnIsNoValue", 2, "1 ParamNames=vdd", "*| ParamSweep vdd: 1 2 \r\n", {{1, 2}}},
        SweepCase{"NameFoundInsideWord", 2, "1 ParamNames=a", "*| ParamSweep x: 5 6\n", {{5, 6}}}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(SweepValues, ThreeHundredValuesOnOneLongLine) {
  std::string line = "*| ParamSweep offset:";
  for (int i = 1; i <= 300; ++i) line += " " + std::to_string(i) + ".25";
  ASSERT_GT(line.size(), 2000u);
  OpenedText opening("network.sc", sweepFile(300, "1 ParamNames=offset", line + "\n"));
  ASSERT_EQ(opening.result, 0) << opening.errors;
  std::vector<double> values = sweepEntry(*opening.data, 0);
  ASSERT_EQ(values.size(), 300u);
  EXPECT_EQ(values[0], 1.25);
  EXPECT_EQ(values[150], 151.25);
  EXPECT_EQ(values[299], 300.25);
  EXPECT_EQ(opening.data->frequencies[299], 300e9);
}

TEST(SweepBlocks, FirstParameterChangesFastest) {
  // Two parameters of 2 and 3 values: six blocks in file order.
  OpenedText opening("network.sc",
                     sweepFile(6, "2 ParamNames=temp vdd", "*| ParamSweep temp: 25 75, vdd: 1.0 1.2 1.5\n"));
  ASSERT_EQ(opening.result, 0) << opening.errors;
  const DataSet& data = *opening.data;
  EXPECT_EQ(data.blockCount, 6);
  EXPECT_EQ(data.sweepValues[0][0] * data.sweepValues[1][0], 6.0);
  for (int b = 0; b < 6; ++b) {
    EXPECT_DOUBLE_EQ(realPart(data, "S-Par/S(1,1)", b), (b + 1) * 1e-3) << b;
    EXPECT_EQ(realPart(data, "Zo/Zo(1)", b), 50.0) << b;
  }
}

}  // namespace
}  // namespace korvel::testing
