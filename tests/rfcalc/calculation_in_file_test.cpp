// The calculation as an opened file runs it: the record's samples handed
// over, the messages on standard output, and a floating-point environment
// that traps left as it was.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <string>

#include "dataset/result.h"
#include "network_fixture.h"
#include "support/opened_text.h"

namespace korvel::testing {
namespace {

TEST(CalculationInFile, OpenPortReportedAndLeftWithoutImpedance) {
  OpenedText opened("open.s1p", "# Hz S RI R 50\n1e9 1 0\n2e9 0.5 0\n");
  EXPECT_EQ(opened.result, kOk);
  ASSERT_NE(opened.data, nullptr);
  EXPECT_EQ(opened.output, "Matrix ([I] - S) is singular.\n");
  // One port: S at 0, Zo at 1, Z at 2, Y at 3.
  EXPECT_TRUE(isNoValue(opened.sample(2, 0)));
  EXPECT_TRUE(isClose(opened.sample(3, 0), 0));
  EXPECT_TRUE(isClose(opened.sample(2, 1), 150));
  EXPECT_TRUE(isClose(opened.sample(3, 1), 1.0 / 150));
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
