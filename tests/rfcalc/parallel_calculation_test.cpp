// The calculation in parts on worker threads against the calculation on one
// thread: identical results bit for bit, the same messages in the same
// order, a part's allocation failure handed to the caller, and the rules
// for threads in the viewer's process (signals blocked, nothing traps).
#include <gtest/gtest.h>
#include <pthread.h>
#include <sched.h>
#include <signal.h>

#include <cfenv>
#include <cstdio>
#include <cstring>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "dataset/network_calculation.h"
#include "network_fixture.h"
#include "parallel/worker_threads.h"
#include "plugin/open_file.h"
#include "sc/sc_reader.h"
#include "support/test_support.h"
#include "touchstone/touchstone_reader.h"

namespace korvel::testing {
namespace {

ParallelSettings serialSettings() {
  ParallelSettings settings;
  settings.parts = 1;
  return settings;
}

// At most `threads` threads from the work `parallelWork` on.
ParallelSettings parallelSettings(unsigned threads, double parallelWork = 0.0) {
  ParallelSettings settings;
  settings.parts = threads;
  settings.minimumWork = parallelWork;
  return settings;
}

// Runs the calculation and returns what it printed.
std::string calculateCapturing(const NetworkSamples& network, const ParallelSettings& settings) {
  CapturedStream captured(stdout);
  calculateNetworkParameters(network, settings);
  return captured.finish();
}

// Every sample of every entry of two networks of the same shape, bit for bit.
::testing::AssertionResult sameSamples(const NetworkSamples& a, const NetworkSamples& b) {
  const NetworkLayout layout(a);
  for (int entry = 0; entry < a.waveformSlots; ++entry) {
    if (a.waveformData[entry] == nullptr) continue;
    const size_t doubles = 2 * layout.sampleCount;
    if (std::memcmp(a.waveformData[entry], b.waveformData[entry], doubles * sizeof(double)) != 0) {
      for (size_t i = 0; i < doubles; ++i) {
        if (std::memcmp(&a.waveformData[entry][i], &b.waveformData[entry][i], sizeof(double)) != 0) {
          return ::testing::AssertionFailure()
                 << "entry " << entry << ", double " << i << ": " << a.waveformData[entry][i] << " vs "
                 << b.waveformData[entry][i];
        }
      }
    }
  }
  return ::testing::AssertionSuccess();
}

// A network of random S-parameters and noise data, with the samples that
// make every kind of message: S = I (I - S singular), S = -I (I + S
// singular), a zero reference (Z0 singular), and unequal references.
struct RandomNetworkCase {
  int terminals;
  int points;
  int blocks;
  bool touchstoneNoise;  // a noise grid shorter than the S data
};

void fillRandom(TestNetwork& net, const RandomNetworkCase& shape, unsigned seed) {
  NetworkSamples& network = net.network();
  network.port1Index = shape.terminals > 1 ? shape.terminals - 1 : 0;
  network.port2Index = 0;
  if (shape.touchstoneNoise) {
    network.isScFormat = 0;
    network.noisePointCount = shape.points / 2;
  }
  const NetworkLayout layout = net.layout();
  std::mt19937_64 random(seed);
  std::uniform_real_distribution<double> part(-0.6 / shape.terminals, 0.6 / shape.terminals);
  const size_t n = layout.terminals;
  for (size_t i = 0; i < layout.sampleCount; ++i) {
    for (size_t e = 0; e < n * n; ++e) net.set(e, i, DComplex(part(random), part(random)));
    std::vector<double> references(n, 50.0);
    switch (random() % 16) {
      case 0:  // S = I
      case 1:  // S = -I
        for (size_t e = 0; e < n * n; ++e)
          net.set(e, i, e % (n + 1) == 0 ? DComplex(i % 2 ? -1.0 : 1.0) : 0.0);
        break;
      case 2:
        references[random() % n] = 0.0;
        break;
      case 3:
        for (double& r : references) r = 10.0 + static_cast<double>(random() % 90);
        break;
      default:
        break;
    }
    net.setReferenceImpedancesAt(i, references);
    net.set(layout.noiseBase + kMinimumNoiseFigure, i, DComplex(1.0 + part(random), 0.0));
    net.set(layout.noiseBase + kOptimumReflection, i, DComplex(part(random), part(random)));
    net.set(layout.noiseBase + kNoiseResistance, i, DComplex(20.0 + part(random), 0.0));
  }
}

// Two identical networks: one calculated on one thread, one in parts.
void expectSameAsSerial(const RandomNetworkCase& shape, const ParallelSettings& parallel, unsigned seed) {
  TestNetwork serialNetwork(shape.terminals, shape.terminals, shape.points, shape.blocks, 1);
  TestNetwork parallelNetwork(shape.terminals, shape.terminals, shape.points, shape.blocks, 1);
  fillRandom(serialNetwork, shape, seed);
  fillRandom(parallelNetwork, shape, seed);
  const std::string serialOutput = calculateCapturing(serialNetwork.network(), serialSettings());
  const std::string parallelOutput = calculateCapturing(parallelNetwork.network(), parallel);
  EXPECT_TRUE(sameSamples(serialNetwork.network(), parallelNetwork.network()));
  EXPECT_EQ(parallelOutput, serialOutput);
}

// The number of samples whose estimated work reaches the threshold.
int thresholdLength(int terminals) {
  const double n = terminals;
  return static_cast<int>(
      std::ceil(kCalculationParallelWork / (kWorkPerSample + kWorkPerCubedTerminal * n * n * n)));
}

TEST(ParallelCalculation, SameAsSerialAroundTheThreshold) {
  for (int terminals = 1; terminals <= 6; ++terminals) {
    const int threshold = thresholdLength(terminals);
    for (int points : {threshold - 1, threshold, threshold + 1, 2 * threshold + 3}) {
      for (unsigned threads : {2u, 3u}) {
        SCOPED_TRACE("terminals " + std::to_string(terminals) + ", points " + std::to_string(points) +
                     ", threads " + std::to_string(threads));
        expectSameAsSerial({terminals, points, 1, false}, parallelSettings(threads, kCalculationParallelWork),
                           static_cast<unsigned>(points));
      }
    }
  }
}

// Short networks split whatever their size, into up to more parts than
// they have samples, with blocks and with a noise grid of their own.
TEST(ParallelCalculation, SameAsSerialInAnyNumberOfParts) {
  for (int terminals = 1; terminals <= 6; ++terminals) {
    for (int points : {1, 2, 3, 7, 40}) {
      for (unsigned threads : {2u, 3u, 4u, 7u}) {
        for (bool touchstoneNoise : {false, true}) {
          SCOPED_TRACE("terminals " + std::to_string(terminals) + ", points " + std::to_string(points) +
                       ", threads " + std::to_string(threads));
          expectSameAsSerial({terminals, points, 2, touchstoneNoise}, parallelSettings(threads),
                             static_cast<unsigned>(points * 31 + threads));
        }
      }
    }
  }
}

// The messages of every part in sample order, the reference message once
// however many parts met a singular Z0.
TEST(ParallelCalculation, MessagesInSampleOrder) {
  TestNetwork net(2, 2, 8);
  net.setReferenceImpedances({50, 50});
  for (size_t i = 0; i < 8; ++i) net.setScattering(i, {0.1, 0.2, 0.3, 0.4});
  net.setScattering(1, {1, 0, 0, 1});    // I - S singular
  net.setScattering(6, {-1, 0, 0, -1});  // I + S singular
  net.setReferenceImpedancesAt(3, {0, 50});
  net.setReferenceImpedancesAt(7, {50, 0});
  const std::string output = calculateCapturing(net.network(), parallelSettings(4));
  EXPECT_EQ(output,
            "Matrix ([I] - S) is singular.\n"
            "Matrix (Z_0) is singular.\n"
            "Matrix ([I] + S) is singular.\n");
}

void failWithNoMemory(unsigned) { throw std::bad_alloc(); }
void failSecondPart(unsigned part) {
  if (part == 1) throw std::bad_alloc();
}

// A part that runs out of memory makes the whole calculation fail with
// std::bad_alloc once every part has ended, whether it ran on a worker or
// on the calling thread, and nothing is printed for a network that will be
// refused.
TEST(ParallelCalculation, AllocationFailureInAPartReachesTheCaller) {
  for (auto hook : {&failWithNoMemory, &failSecondPart}) {
    TestNetwork net(2, 2, 64);
    net.setReferenceImpedances({50, 50});
    for (size_t i = 0; i < 64; ++i) net.setScattering(i, {1, 0, 0, 1});  // every sample reports
    ParallelSettings settings = parallelSettings(3);
    settings.partStartHook = hook;
    CapturedStream captured(stdout);
    EXPECT_THROW(calculateNetworkParameters(net.network(), settings), std::bad_alloc);
    EXPECT_EQ(captured.finish(), "");
  }
}

sigset_t workerMask;
void recordMaskOfSecondPart(unsigned part) {
  if (part == 1) pthread_sigmask(SIG_BLOCK, nullptr, &workerMask);
}

TEST(ParallelCalculation, WorkersBlockEverySignal) {
  TestNetwork net(1, 1, 4);
  sigemptyset(&workerMask);
  ParallelSettings settings = parallelSettings(2);
  settings.partStartHook = recordMaskOfSecondPart;
  calculateNetworkParameters(net.network(), settings);
  for (int signal : {SIGINT, SIGTERM, SIGCHLD, SIGALRM, SIGUSR1, SIGPIPE}) {
    EXPECT_TRUE(sigismember(&workerMask, signal)) << "signal " << signal;
  }
  sigset_t own;
  pthread_sigmask(SIG_BLOCK, nullptr, &own);
  EXPECT_FALSE(sigismember(&own, SIGINT));
}

int trapsInSecondPart = -1;
void recordTrapsOfSecondPart(unsigned part) {
  if (part == 1) trapsInSecondPart = fegetexcept();
}

// Divisions by zero on every part in a process that asked for traps: no
// part traps (each masks them itself, whatever the thread started with),
// and the caller's setting is as it was.
TEST(ParallelCalculation, NoPartTrapsAndTrapsAreRestored) {
  TestNetwork net(1, 1, 16, 1, 1);
  net.setReferenceImpedances({50});
  net.network().referenceImpedance = 0;  // the noise factor divides by zero
  const int traps = FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW;
  ParallelSettings settings = parallelSettings(4);
  settings.partStartHook = recordTrapsOfSecondPart;
  feenableexcept(traps);
  calculateNetworkParameters(net.network(), settings);
  const int enabled = fegetexcept();
  fedisableexcept(FE_ALL_EXCEPT);
  EXPECT_EQ(enabled, traps);
  EXPECT_EQ(trapsInSecondPart, 0);
  EXPECT_FALSE(std::isfinite(net.at(net.layout().noiseBase + kNoiseFactor, 15).real()));
}

// A file read without its calculation, so that the calculation can run on
// it with the settings a test chooses.
DataSet* readOnly(const std::string& path) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return nullptr;
  DataSet* data = createDataSet(path.c_str(), file);
  if (data == nullptr) {
    std::fclose(file);
    return nullptr;
  }
  data->noiseTemperature = 290.0;
  data->isScFormat = isScExtension(path.c_str());
  int result = kFailed;
  if (data->isScFormat == 1) {
    data->frequencyUnit = copyString("Hz");
    result = readScFile(data);
  } else {
    data->portCount = data->terminalCount = touchstonePortCount(path.c_str());
    result = data->portCount > 0 ? readTouchstone(data) : kFailed;
  }
  if (result != kOk) {
    releaseDataSet(data);
    return nullptr;
  }
  return data;
}

class ParallelOnFileTest : public ::testing::TestWithParam<std::string> {};

TEST_P(ParallelOnFileTest, SameAsSerial) {
  std::string ignored;
  CapturedStream quiet(stderr);
  DataSet* serial = readOnly(GetParam());
  DataSet* parallel = readOnly(GetParam());
  ignored = quiet.finish();
  const bool example = GetParam().find("/examples/") != std::string::npos;
  if (example) {
    ASSERT_NE(serial, nullptr);
  }
  if (serial == nullptr || parallel == nullptr) {
    // A refused hostile file has no network to calculate.
    EXPECT_EQ(serial, parallel);
    if (serial != nullptr) releaseDataSet(serial);
    if (parallel != nullptr) releaseDataSet(parallel);
    return;
  }
  const std::string serialOutput = calculateCapturing(networkSamplesOf(serial), serialSettings());
  const std::string parallelOutput = calculateCapturing(networkSamplesOf(parallel), parallelSettings(3));
  EXPECT_TRUE(sameSamples(networkSamplesOf(serial), networkSamplesOf(parallel)));
  EXPECT_EQ(parallelOutput, serialOutput);
  releaseDataSet(serial);
  releaseDataSet(parallel);
}

std::vector<std::string> exampleAndHostileFiles() {
  std::vector<std::string> paths;
  for (const char* name : {"amp.s2p", "balanced_filter.sc", "diff_pair.s4p", "lna_sweep.sc"}) {
    paths.push_back(examplePath(name));
  }
  for (const char* name :
       {"cr_only.s1p", "mapping_later_1000.s4p", "mapping_terminal_1000.s4p", "odd_numbers.s2p",
        "odd_numbers.sc0", "two_port_one_terminal.sc0", "negative_counts.sc0"}) {
    paths.push_back(testDataPath(std::string("hostile/") + name));
  }
  return paths;
}

INSTANTIATE_TEST_SUITE_P(Files, ParallelOnFileTest, ::testing::ValuesIn(exampleAndHostileFiles()),
                         [](const ::testing::TestParamInfo<std::string>& tested) {
                           std::string name = tested.param.substr(tested.param.rfind('/') + 1);
                           for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           return name;
                         });

struct RangeCase {
  size_t count;
  unsigned parts;
};

class RangeTest : public ::testing::TestWithParam<RangeCase> {};

// The parts cover the samples once, in order, their lengths at most one apart.
TEST_P(RangeTest, PartsCoverEverySampleOnce) {
  const RangeCase& param = GetParam();
  size_t next = 0;
  for (unsigned part = 0; part < param.parts; ++part) {
    const SampleRange range = rangeOf(param.count, param.parts, part);
    EXPECT_EQ(range.begin, next);
    const size_t length = range.end - range.begin;
    EXPECT_TRUE(length == param.count / param.parts || length == param.count / param.parts + 1);
    next = range.end;
  }
  EXPECT_EQ(next, param.count);
}

INSTANTIATE_TEST_SUITE_P(Cases, RangeTest,
                         ::testing::Values(RangeCase{0, 1}, RangeCase{1, 1}, RangeCase{1, 3}, RangeCase{7, 2},
                                           RangeCase{8, 2}, RangeCase{1000001, 3}, RangeCase{5, 5}));

TEST(UsableProcessorCount, WithinTheAffinityMask) {
  cpu_set_t set;
  CPU_ZERO(&set);
  ASSERT_EQ(sched_getaffinity(0, sizeof set, &set), 0);
  const unsigned count = usableProcessorCount();
  EXPECT_GE(count, 1u);
  EXPECT_LE(count, static_cast<unsigned>(CPU_COUNT(&set)));
}

}  // namespace
}  // namespace korvel::testing
