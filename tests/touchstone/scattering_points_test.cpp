// The S-parameter stream: value pairs across line ends, the two-port
// exchange, conversions, complete points, comments, and storage that
// always holds every point read.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

#include "dataset/waveform_names.h"
#include "plugin/open_file.h"
#include "support/decimal_comma_locale.h"
#include "support/opened_text.h"
#include "support/test_support.h"
#include "text/text_input.h"
#include "touchstone/touchstone_data.h"

namespace korvel::testing {
namespace {

constexpr double kTolerance = 1e-12;

std::complex<double> polar(double magnitude, double degrees) {
  return std::polar(magnitude, degrees * 3.141592653589793 / 180.0);
}

void expectNear(std::complex<double> actual, std::complex<double> expected) {
  EXPECT_NEAR(actual.real(), expected.real(), kTolerance);
  EXPECT_NEAR(actual.imag(), expected.imag(), kTolerance);
}

TEST(ScatteringPoints, TwoPortPairsExchangeSecondAndThird) {
  OpenedText read("a.s2p", "# GHz S MA R 50\n1 0.9 -10 2.0 80 0.05 70 0.8 -20\n");
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.data->pointCount, 1);
  EXPECT_EQ(read.data->frequencies[0], 1e9);
  expectNear(read.sample("S-Par/S(1,1)", 0), polar(0.9, -10));
  expectNear(read.sample("S-Par/S(2,1)", 0), polar(2.0, 80));
  expectNear(read.sample("S-Par/S(1,2)", 0), polar(0.05, 70));
  expectNear(read.sample("S-Par/S(2,2)", 0), polar(0.8, -20));
  // The second stored waveform is S(1,2).
  expectNear(read.sample(1, 0), polar(0.05, 70));
}

TEST(ScatteringPoints, ThreePortIsRowMajorWithoutExchange) {
  std::string point = "1";
  for (int i = 1; i <= 9; ++i) point += " " + std::to_string(i) + " 0";
  OpenedText read("a.s3p", "# Hz S RI R 50\n" + point + "\n");
  ASSERT_TRUE(read.opened()) << read.errors;
  std::vector<std::string> names = read.names();
  for (int i = 0; i < 9; ++i) EXPECT_EQ(read.sample(i, 0).real(), i + 1) << names[i];
  EXPECT_EQ(names[1], "S-Par/S(1,2)");
  EXPECT_EQ(names[3], "S-Par/S(2,1)");
}

TEST(ScatteringPoints, DecibelsAndDegrees) {
  OpenedText read("a.s1p", "# Hz S DB R 50\n1 -6.0206 90\n");
  ASSERT_TRUE(read.opened()) << read.errors;
  std::complex<double> s11 = read.sample(0, 0);
  EXPECT_NEAR(s11.real(), 0.0, 1e-6);
  EXPECT_NEAR(s11.imag(), 0.5, 1e-5);
}

TEST(ScatteringPoints, RealImaginaryStoredUnchanged) {
  OpenedText read("a.s1p", "# Hz S RI R 50\n1 0.123456789 -0.987654321\n");
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.sample(0, 0), std::complex<double>(0.123456789, -0.987654321));
}

TEST(ScatteringPoints, FourPortPointOverFourLines) {
  std::string text = "# MHz S RI R 50\n";
  for (int row = 0; row < 4; ++row) {
    text += row == 0 ? "10" : "  ";
    for (int col = 0; col < 4; ++col) text += " " + std::to_string(10 * (row + 1) + col + 1) + " 0.5";
    text += "\n";
  }
  OpenedText read("a.s4p", text);
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.data->pointCount, 1);
  EXPECT_EQ(read.data->frequencies[0], 1e7);
  EXPECT_EQ(read.sample("S-Par/S(3,2)", 0), std::complex<double>(32, 0.5));
  EXPECT_EQ(read.sample("S-Par/S(4,4)", 0), std::complex<double>(44, 0.5));
}

// A one-port line may hold several whole points (a line that ends inside
// a point is refused: the data integrity tests).
TEST(ScatteringPoints, SeveralOnePortPointsOnOneLine) {
  OpenedText read("a.s1p", "# Hz S RI R 50\n1 0.1 0.2 2 0.3 0.4\n3 0.5 0.6\n");
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.errors, "");
  ASSERT_EQ(read.data->pointCount, 3);
  EXPECT_EQ(read.sample(0, 1), std::complex<double>(0.3, 0.4));
  EXPECT_EQ(read.sample(0, 2), std::complex<double>(0.5, 0.6));
  EXPECT_EQ(read.data->frequencies[2], 3);
}

TEST(ScatteringPoints, EqualFrequenciesAreBothPoints) {
  OpenedText read("a.s1p", "# Hz S RI R 50\n1 0.1 0\n1 0.2 0\n");
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.data->pointCount, 2);
  EXPECT_EQ(read.data->hasNoise, 0);
}

TEST(ScatteringPoints, IncompleteLastPointIsDropped) {
  OpenedText read("a.s2p", "# Hz S RI R 50\n1 1 0 2 0 3 0 4 0\n2 1 0 2 0 3\n");
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.data->pointCount, 1);
}

TEST(ScatteringPoints, CommentLinesAndBlankLinesBetweenPoints) {
  OpenedText read("a.s1p", "# Hz S RI R 50\n1 0.1 0\n! between\n\n   \n2 0.2 0\n");
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.data->pointCount, 2);
}

TEST(ScatteringPoints, TrailingCommentIsNotReadAsNumbers) {
  OpenedText read("a.s1p", "# Hz S RI R 50\n1 0.5 0 ! note\n2 0.25 0 !! 0 0 0\n");
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.data->pointCount, 2);
  EXPECT_EQ(read.data->hasNoise, 0);
  EXPECT_EQ(read.data->noisePointCount, 0);
  EXPECT_EQ(read.sample(0, 1), std::complex<double>(0.25, 0));
}

TEST(ScatteringPoints, TextThatIsNoNumberRefusesTheFile) {
  OpenedText read("a.s1p", "# Hz S RI R 50\n1 abc 0.5\n");
  EXPECT_EQ(read.result, 1);
  EXPECT_EQ(read.errors, "Error in line 2: \"abc\" is not a number\n" + read.refusal(""));
}

TEST(ScatteringPoints, SixteenPortPointOnOneLongLine) {
  std::string point = "7";
  for (int i = 0; i < 256; ++i) point += " " + std::to_string(1000 + i) + ".000000000 -0.500000000";
  ASSERT_GT(point.size(), 5000u);
  OpenedText read("a.s16p", "# Hz S RI R 50\n" + point + "\n8" + point.substr(1) + "\n");
  ASSERT_TRUE(read.opened()) << read.errors;
  ASSERT_EQ(read.data->pointCount, 2);
  EXPECT_EQ(read.data->frequencies[1], 8);
  EXPECT_EQ(read.sample("S-Par/S(16,16)", 0), std::complex<double>(1255, -0.5));
  EXPECT_EQ(read.sample("S-Par/S(9,3)", 1), std::complex<double>(1000 + 8 * 16 + 2, -0.5));
}

TEST(ScatteringPoints, ReferenceImpedancesWrittenOnlyForPointsRead) {
  OpenedText read("a.s1p",
                  "# Hz S RI R 75\n! padding that makes the file hold room for more points\n1 0.5 0\n");
  ASSERT_TRUE(read.opened()) << read.errors;
  ASSERT_EQ(read.data->pointCount, 1);
  EXPECT_EQ(read.sample("Zo/Zo(1)", 0), std::complex<double>(75, 0));
  // The storage holds room for more points; the samples past the last
  // point stay untouched.
  EXPECT_EQ(read.sample("Zo/Zo(1)", 1), std::complex<double>(0, 0));
}

TEST(ScatteringPoints, NumbersDoNotDependOnTheLocale) {
  std::string text = "# Hz S RI R 50.5\n1.5 0.25 -0.75\n";
  std::optional<OpenedText> read;
  {
    DecimalCommaLocale locale;
    if (!locale.active()) GTEST_SKIP() << "no locale with a decimal comma can be had";
    read.emplace("a.s1p", text);
  }
  ASSERT_EQ(read->result, 0);
  const DataSet* data = read->data.get();
  EXPECT_EQ(data->frequencies[0], 1.5);
  EXPECT_EQ(data->waveformData[0][0], 0.25);
  EXPECT_EQ(data->waveformData[0][1], -0.75);
  EXPECT_EQ(data->waveformData[1][0], 50.5);
}

// Reads `text` as the lines after the option line of a one-port RI file,
// with storage first sized as if the file were `fileSize` bytes long.
struct DataStage {
  DataStage(const std::string& text, uint64_t fileSize) {
    FILE* stream = fmemopen(const_cast<char*>(text.data()), text.size(), "rb");
    data = createDataSet("grown.s1p", stream);
    data->portCount = data->terminalCount = 1;
    data->complexFormat = 2;
    LineSource source(stream);
    CapturedStream captured(stderr);
    result = readTouchstoneData(&source, nullptr, versionOnePlan(*data, {50.0}, fileSize), data);
    errors = captured.finish();
  }
  ~DataStage() { releaseDataSet(data); }
  DataSet* data;
  int result;
  std::string errors;
};

std::string onePortPoints(int count) {
  std::string text;
  for (int k = 0; k < count; ++k) text += std::to_string(k + 1) + " " + std::to_string(k) + " 0.5\n";
  return text;
}

TEST(ScatteringPoints, StorageGrowsWhenFileHoldsMoreThanItsSizeSaid) {
  // A size of 8 bytes gives room for two one-port points; the stream then
  // brings 1000, as a file growing while it is read would.
  DataStage stage(onePortPoints(1000), 8);
  ASSERT_EQ(stage.result, 0) << stage.errors;
  ASSERT_EQ(stage.data->pointCount, 1000);
  for (int k : {0, 1, 2, 255, 256, 999}) {
    EXPECT_EQ(stage.data->frequencies[k], k + 1);
    EXPECT_EQ(stage.data->waveformData[0][2 * k], k);
    EXPECT_EQ(stage.data->waveformData[0][2 * k + 1], 0.5);
    EXPECT_EQ(stage.data->waveformData[1][2 * k], 50.0) << "Zo sample " << k;
  }
}

TEST(ScatteringPoints, SizeTooSmallForOnePointReadsNoData) {
  DataStage stage(onePortPoints(1), 3);
  EXPECT_EQ(stage.result, 1);
  EXPECT_EQ(stage.errors, "There is no data values.\n ");
  EXPECT_EQ(stage.data->waveformCount, 0);
}

TEST(ScatteringPoints, FileReadFromPipeGrowsItsStorage) {
  TempFile holder("placeholder", "");
  std::string path = holder.path().substr(0, holder.path().rfind('/')) + "/piped.s1p";
  ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
  std::string text = "# Hz S RI R 50\n" + onePortPoints(5000);
  std::thread writer([&] {
    FILE* pipe = std::fopen(path.c_str(), "wb");
    if (pipe == nullptr) return;
    std::fwrite(text.data(), 1, text.size(), pipe);
    std::fclose(pipe);
  });
  OpenedText read = OpenedText::atPath(path);
  writer.join();
  ASSERT_EQ(read.result, 0) << read.errors;
  EXPECT_EQ(read.data->pointCount, 5000);
  EXPECT_EQ(read.data->frequencies[4999], 5000);
  EXPECT_EQ(read.data->waveformData[0][2 * 4999], 4999);
}

}  // namespace
}  // namespace korvel::testing
