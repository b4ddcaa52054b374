// Blocks read in parts on worker threads against blocks read in turn: the
// same result, the same records bit for bit, the same messages with the
// same line numbers, whatever the file holds.
#include "sc/sc_block_parts.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/opened_text.h"
#include "support/sc_reading_modes.h"
#include "support/test_support.h"

namespace korvel::testing {
namespace {

// The shape of a generated two-port SC file.
struct ScShape {
  const char* name;
  int blocks = 4;
  int points = 5;
  bool noise = true;
  bool delays = true;
  int valuesPerLine = 8;         // S-parameter values on one data line
  bool unevenBlocks = false;     // blocks of different lengths in bytes
  int badBlock = -1;             // a block with a token that is no number
  int cutBlock = -1;             // the file ends inside this block
  int extraPointBlock = -1;      // a block with one point more than declared,
                                 // which the reader passes over
  bool refused = false;          // the file is refused
  const char* lineEnd = "\n";    // what ends every line
  bool lastLineUnended = false;  // the file's last line has no line end
  int nulBlock = -1;             // a block with NUL bytes in its lines
};

std::string number(double value, bool longForm) {
  char text[64];
  std::snprintf(text, sizeof text, longForm ? "%.15g" : "%.6g", value);
  return text;
}

void appendValues(std::string& text, const std::vector<std::string>& values, int perLine) {
  for (size_t i = 0; i < values.size(); ++i) {
    text += i % static_cast<size_t>(perLine) == 0 ? "+ " : " ";
    text += values[i];
    if ((i + 1) % static_cast<size_t>(perLine) == 0 || i + 1 == values.size()) text += "\n";
  }
}

std::string blockText(const ScShape& shape, int block) {
  bool longForm = shape.unevenBlocks && block % 2 == 1;
  std::string text = "* block " + std::to_string(block + 1) + "\n";
  if (block == shape.nulBlock) text += std::string(1, '\0') + "+ DATA=\n";
  if (shape.unevenBlocks) text.append(static_cast<size_t>(block) * 40, '*').append("\n");
  text += "+ DATA=\n";
  int points = shape.points + (block == shape.extraPointBlock ? 1 : 0);
  for (int p = 0; p < points; ++p) {
    double frequency = 1e9 * (p + 1);
    text += "+ " + number(frequency, false);
    // A line's text ends at a NUL: what follows it is never read.
    if (block == shape.nulBlock) text += std::string(1, '\0') + " DATA= 7";
    text += "\n";
    std::vector<std::string> values;
    for (int i = 0; i < 8; ++i)
      values.push_back(number(0.01 * (block + 1) + 0.001 * p + 0.0001 * i + 1e-9, longForm));
    if (block == shape.badBlock && p == 2) values[3] = "0.5O";
    appendValues(text, values, shape.valuesPerLine);
  }
  if (block == shape.cutBlock) return text.substr(0, text.size() / 2);
  if (shape.noise) {
    text += "*| frequency NFmin GammaOpt_mag GammaOpt_ang Rn\n";
    for (int p = 0; p < shape.points; ++p) {
      text += "*| " + number(1e9 * (p + 1), false) + " " + number(0.5 + 0.1 * block, longForm) + " 0.3 " +
              number(40.0 + p, longForm) + " 0.2\n";
    }
  }
  if (shape.delays) {
    text += "+ DATA=\n";
    for (int p = 0; p < shape.points; ++p) {
      text += "+ " + number(1e9 * (p + 1), false) + "\n";
      std::vector<std::string> delays;
      for (int i = 0; i < 4; ++i) delays.push_back(number(1e-10 * (block + 1) + 1e-12 * (p + i), longForm));
      appendValues(text, delays, 4);
    }
  }
  return text;
}

std::string scText(const ScShape& shape) {
  std::string text = "*| generated two-port\n*| N=2 DATA=" + std::to_string(shape.points) +
                     " NOISE=" + (shape.noise ? "1" : "0") + " GROUPDELAY=" + (shape.delays ? "1" : "0") +
                     " COMPLEX_DATAFORMAT=MA\n*| NumOfBlock=" + std::to_string(shape.blocks) +
                     " NumOfParam=1 ParamNames=x\n*| ParamSweep x:";
  for (int block = 0; block < shape.blocks; ++block) text += " " + std::to_string(block + 1);
  text += "\n+ Zo= 50 50\n";
  for (int block = 0; block < shape.blocks; ++block) {
    text += blockText(shape, block);
    if (block == shape.cutBlock) break;
  }
  if (shape.lastLineUnended) text.pop_back();
  return withLineEnds(text, shape.lineEnd);
}

struct Openings {
  OpenedText inTurn;
  OpenedText inParts;
};

Openings openBothWays(const std::string& fileName, const std::string& text, unsigned parts) {
  auto open = [&](const ParallelSettings& settings) {
    BlockPartMode mode(settings);
    return OpenedText(fileName, text);
  };
  return {open(inTurn()), open(inParts(parts))};
}

void expectSameOpenings(const OpenedText& inTurn, const OpenedText& inParts) {
  EXPECT_EQ(inParts.result, inTurn.result);
  EXPECT_EQ(inParts.errors, inTurn.errors);
  EXPECT_EQ(inParts.output, inTurn.output);
  EXPECT_EQ(recordDifferences(inTurn.data.get(), inParts.data.get()), "");
}

class ScBlockParts : public ::testing::TestWithParam<std::tuple<ScShape, unsigned>> {};

TEST_P(ScBlockParts, SameAsReadInTurn) {
  const auto& [shape, parts] = GetParam();
  Openings openings = openBothWays("generated.sc0", scText(shape), parts);
  ASSERT_EQ(openings.inTurn.result, shape.refused ? 1 : 0) << openings.inTurn.errors;
  if (shape.refused) {
    EXPECT_NE(openings.inTurn.errors, "");
  }
  expectSameOpenings(openings.inTurn, openings.inParts);
}

ScShape shape(const char* name) { return ScShape{name}; }

std::vector<ScShape> shapes() {
  std::vector<ScShape> all;
  all.push_back(shape("NoiseAndDelays"));
  ScShape s = shape("DelaysWithoutNoise");
  s.noise = false;
  all.push_back(s);
  s = shape("NoiseWithoutDelays");
  s.delays = false;
  all.push_back(s);
  s = shape("SParametersOnly");
  s.noise = false;
  s.delays = false;
  all.push_back(s);
  s = shape("ValuesWrapped");
  s.valuesPerLine = 3;
  all.push_back(s);
  s = shape("UnevenBlocks");
  s.blocks = 7;
  s.unevenBlocks = true;
  all.push_back(s);
  s = shape("UnevenBlocksDelaysOnly");
  s.blocks = 7;
  s.unevenBlocks = true;
  s.noise = false;
  all.push_back(s);
  s = shape("OneBlock");
  s.blocks = 1;
  all.push_back(s);
  s = shape("TwoBlocks");
  s.blocks = 2;
  all.push_back(s);
  s = shape("BadNumberInLaterBlock");
  s.blocks = 6;
  s.badBlock = 4;
  s.refused = true;
  all.push_back(s);
  s = shape("BadNumberInFirstBlock");
  s.badBlock = 0;
  s.refused = true;
  all.push_back(s);
  s = shape("LastBlockCutShort");
  s.cutBlock = 3;
  s.refused = true;
  all.push_back(s);
  s = shape("MiddleBlockCutShort");
  s.cutBlock = 1;
  s.refused = true;
  all.push_back(s);
  s = shape("BlockWithAPointTooMany");
  s.blocks = 6;
  s.extraPointBlock = 1;
  all.push_back(s);
  s = shape("CarriageReturnLineFeeds");
  s.lineEnd = "\r\n";
  all.push_back(s);
  s = shape("CarriageReturnLineFeedsDelaysOnly");
  s.blocks = 5;
  s.noise = false;
  s.lineEnd = "\r\n";
  all.push_back(s);
  s = shape("LastLineUnended");
  s.lastLineUnended = true;
  all.push_back(s);
  s = shape("LastLineUnendedSParametersOnly");
  s.noise = false;
  s.delays = false;
  s.lastLineUnended = true;
  all.push_back(s);
  s = shape("NulBytesInLaterBlock");
  s.blocks = 6;
  s.nulBlock = 3;
  all.push_back(s);
  s = shape("NulBytesInLaterBlockDelaysOnly");
  s.blocks = 6;
  s.noise = false;
  s.nulBlock = 3;
  all.push_back(s);
  return all;
}

INSTANTIATE_TEST_SUITE_P(Shapes, ScBlockParts,
                         ::testing::Combine(::testing::ValuesIn(shapes()), ::testing::Values(2u, 3u, 5u)),
                         [](const auto& shapeAndParts) {
                           return std::string(std::get<0>(shapeAndParts.param).name) + "_" +
                                  std::to_string(std::get<1>(shapeAndParts.param)) + "Parts";
                         });

// Every example and every hostile SC file, in two parts and in three.
class ScFilesInParts : public ::testing::TestWithParam<std::string> {};

TEST_P(ScFilesInParts, SameAsReadInTurn) {
  for (unsigned parts : {2u, 3u}) {
    auto open = [&](const ParallelSettings& settings) {
      BlockPartMode mode(settings);
      return OpenedText::atPath(GetParam());
    };
    OpenedText inTurnOpening = open(inTurn());
    OpenedText inPartsOpening = open(inParts(parts));
    expectSameOpenings(inTurnOpening, inPartsOpening);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, ScFilesInParts,
    ::testing::Values(examplePath("lna_sweep.sc"), examplePath("balanced_filter.sc"),
                      testDataPath("hostile/claims_blocks_2e9.sc0"),
                      testDataPath("hostile/claims_data_2e9.sc0"),
                      testDataPath("hostile/claims_params_1e6.sc0"),
                      testDataPath("hostile/claims_ports_65536.sc0"), testDataPath("hostile/cr_only.sc0"),
                      testDataPath("hostile/datatype_no_letters.sc0"), testDataPath("hostile/empty.sc0"),
                      testDataPath("hostile/endless_sweep.sc0"), testDataPath("hostile/negative_blocks.sc0"),
                      testDataPath("hostile/negative_counts.sc0"), testDataPath("hostile/odd_numbers.sc0"),
                      testDataPath("hostile/two_port_one_terminal.sc0"),
                      testDataPath("hostile/zero_blocks_huge_points.sc0")));

}  // namespace
}  // namespace korvel::testing
