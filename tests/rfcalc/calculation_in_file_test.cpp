// The calculation as an opened file runs it: the record's samples handed
// over, the messages on standard output, and a floating-point environment
// that traps left as it was.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <string>

#include "plugin/open_file.h"
#include "network_fixture.h"
#include "support/test_support.h"

namespace korvel::testing {
namespace {

// Opens a Touchstone file written from `contents`, capturing what the
// calculation prints; null when the file is refused.
DataSet* openTouchstone(const std::string& name, const std::string& contents, std::string* output) {
  TempFile file(name, contents);
  CapturedStream captured(stdout);
  DataSet* data = nullptr;
  const int result = openFile(file.path().c_str(), &data);
  *output = captured.finish();
  EXPECT_EQ(result, kOk);
  return data;
}

DComplex sampleOf(const DataSet& data, int entry, int sample) {
  return {data.waveformData[entry][2 * sample], data.waveformData[entry][2 * sample + 1]};
}

TEST(CalculationInFile, OpenPortReportedAndLeftWithoutImpedance) {
  std::string output;
  DataSet* data = openTouchstone("open.s1p", "# Hz S RI R 50\n1e9 1 0\n2e9 0.5 0\n", &output);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(output, "Matrix ([I] - S) is singular.\n");
  // One port: S at 0, Zo at 1, Z at 2, Y at 3.
  EXPECT_TRUE(isNoValue(sampleOf(*data, 2, 0)));
  EXPECT_TRUE(isClose(sampleOf(*data, 3, 0), 0));
  EXPECT_TRUE(isClose(sampleOf(*data, 2, 1), 150));
  EXPECT_TRUE(isClose(sampleOf(*data, 3, 1), 1.0 / 150));
  closeFile(data);
}

// Division by zero and invalid operations give infinities and NaN even in
// a process that asked for them to trap; its setting is restored after.
TEST(CalculationInFile, NothingTrapsAndTrapsAreRestored) {
  TestNetwork network(1, 1, 1, 1, 1);
  network.setScattering(0, {0.5});
  network.setReferenceImpedances({50});
  network.network().referenceImpedance = 0;  // noise factor divides by zero
  const int traps = FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW;
  feenableexcept(traps);
  calculateNetworkParameters(network.network());
  const int enabled = fegetexcept();
  fedisableexcept(FE_ALL_EXCEPT);
  EXPECT_EQ(enabled, traps);
  EXPECT_FALSE(std::isfinite(network.at(network.layout().noiseBase + kNoiseFactor, 0).real()));
}

}  // namespace
}  // namespace korvel::testing
