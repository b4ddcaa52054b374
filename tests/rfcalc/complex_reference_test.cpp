// A reference with a reactance (a Zo sample whose imaginary part is not
// zero): Z and Y have no value at that sample and only there, nothing is
// reported as singular, and the S-based two-port figures are still formed.
// The sample after it, at the real references the complex sample had on
// its other terminals, is converted with those references, not with the
// ones of the sample before.
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
  // Sample 1: the last terminal's reference is 50 + j10 ohms, and with
  // more terminals the first one's 75 ohms, as at sample 2.
  network.set(network.layout().zo(n - 1), 1, DComplex(50.0, 10.0));
  std::vector<double> laterReferences(n, 50.0);
  if (n > 1) {
    laterReferences[0] = 75.0;
    network.set(network.layout().zo(0), 1, DComplex(75.0, 0.0));
    network.set(network.layout().zo(0), 2, DComplex(75.0, 0.0));
  }

  CapturedStream output(stdout);
  EXPECT_EQ(calculateNetworkParameters(network.network()), 0);
  EXPECT_EQ(output.finish(), "");

  for (size_t r = 0; r < n; ++r) {
    for (size_t c = 0; c < n; ++c) {
      EXPECT_TRUE(isNoValue(network.z(r, c, 1))) << r << c;
      EXPECT_TRUE(isNoValue(network.y(r, c, 1))) << r << c;
    }
  }
  const NetworkLayout layout = network.layout();
  const DComplexGenMat sMatrix = loadMatrix(network, 0, terminals, 0);
  for (size_t i : {size_t{0}, size_t{2}}) {
    const AnySizeConversion expected(sMatrix, terminals,
                                     i == 0 ? std::vector<double>(n, 50.0) : laterReferences);
    EXPECT_FALSE(isNoValue(network.z(0, 0, i)));
    EXPECT_TRUE(sameResults(loadMatrix(network, layout.zBase, terminals, i), expected.z)) << "Z at " << i;
    EXPECT_TRUE(sameResults(loadMatrix(network, layout.yBase, terminals, i), expected.y)) << "Y at " << i;
  }
  if (terminals == 2) {
    const size_t k = network.layout().gainBase + kStabilityFactor;
    EXPECT_EQ(network.at(k, 1), network.at(k, 0));
    EXPECT_NE(network.at(k, 1), DComplex(0, 0));
  }
}

INSTANTIATE_TEST_SUITE_P(Terminals, ComplexReferenceTest, ::testing::Values(1, 2, 3, 4, 8));

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
