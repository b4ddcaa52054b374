// A reference with a reactance (a Zo sample whose imaginary part is not
// zero): Z and Y have no value at that sample and only there, nothing is
// reported as singular, and the S-based two-port figures are still formed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "network_fixture.h"
#include "support/test_support.h"

namespace korvel::testing {
namespace {

class ComplexReferenceTest : public ::testing::TestWithParam<int> {};

TEST_P(ComplexReferenceTest, LeavesZAndYWithoutValueAtThatSampleOnly) {
  const int terminals = GetParam();
  const size_t n = static_cast<size_t>(terminals);
  TestNetwork network(terminals, terminals, 3);
  std::vector<DComplex> s(n * n, DComplex(0.05, -0.02));
  for (size_t t = 0; t < n; ++t) s[t * n + t] = DComplex(0.3, 0.1);
  for (size_t i = 0; i < 3; ++i) network.setScattering(i, s);
  network.setReferenceImpedances(std::vector<double>(n, 50.0));
  // Sample 1: the last terminal's reference is 50 + j10 ohms.
  network.set(network.layout().zo(n - 1), 1, DComplex(50.0, 10.0));

  CapturedStream output(stdout);
  EXPECT_EQ(calculateNetworkParameters(network.network()), 0);
  EXPECT_EQ(output.finish(), "");

  for (size_t r = 0; r < n; ++r) {
    for (size_t c = 0; c < n; ++c) {
      EXPECT_TRUE(isNoValue(network.z(r, c, 1))) << r << c;
      EXPECT_TRUE(isNoValue(network.y(r, c, 1))) << r << c;
      // Samples 0 and 2 at 50 ohms on every terminal agree with each other
      // and have values.
      EXPECT_FALSE(isNoValue(network.z(r, c, 0))) << r << c;
      EXPECT_EQ(network.z(r, c, 0), network.z(r, c, 2)) << r << c;
      EXPECT_EQ(network.y(r, c, 0), network.y(r, c, 2)) << r << c;
    }
  }
  if (terminals == 2) {
    const size_t k = network.layout().gainBase + kStabilityFactor;
    EXPECT_EQ(network.at(k, 1), network.at(k, 0));
    EXPECT_NE(network.at(k, 1), DComplex(0, 0));
  }
}

INSTANTIATE_TEST_SUITE_P(Terminals, ComplexReferenceTest, ::testing::Values(1, 2, 3));

// Each sample at its own real references, against Z = R^1/2 (I+S)(I-S)^-1
// R^1/2 formed here for a one-port: z = r (1 + s) / (1 - s).
TEST(VaryingReference, EachSampleUsesItsOwnReference) {
  TestNetwork network(1, 1, 3);
  const double references[] = {50.0, 526.44, 12.5};
  for (size_t i = 0; i < 3; ++i) {
    network.setScattering(i, {DComplex(0.2, 0.4)});
    network.setReferenceImpedancesAt(i, {references[i]});
  }
  calculateNetworkParameters(network.network());
  for (size_t i = 0; i < 3; ++i) {
    const DComplex s(0.2, 0.4);
    EXPECT_TRUE(isClose(network.z(0, 0, i), references[i] * (1.0 + s) / (1.0 - s))) << i;
    EXPECT_TRUE(isClose(network.y(0, 0, i), (1.0 - s) / (1.0 + s) / references[i])) << i;
  }
}

}  // namespace
}  // namespace korvel::testing
