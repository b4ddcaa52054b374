// Speed of the network calculation alone, on networks built in memory:
// a 1,000,000-point two-port and 2,000 points of a 16- and a 32-terminal
// network, each on one thread (/threads:1) and on as many as the process
// may use (/threads:0), timed by the wall clock. The Split family finds
// where threads start to pay: networks of a few sizes and lengths around
// the threshold, forced onto one thread or onto two whatever their size.
// Reports samples per second and, for the matrix work, floating-point
// operations per second.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "rfcalc/network_layout.h"
#include "rfcalc/network_parameters.h"

namespace korvel {
namespace {

// Sample arrays of a network of `terminals` terminals with random,
// well-conditioned S-parameters and 50-ohm references.
class BenchNetwork {
 public:
  BenchNetwork(int terminals, int points) {
    network_.terminalCount = terminals;
    network_.portCount = terminals;
    network_.pointCount = points;
    network_.isScFormat = 1;
    const NetworkLayout layout(network_);
    const size_t entries = layout.gainBase + (terminals == 2 ? kGainEntryCount : 0);
    const size_t samples = static_cast<size_t>(points);
    arrays_.assign(entries, std::vector<double>(2 * samples, 0.0));
    std::mt19937_64 random(1);
    std::uniform_real_distribution<double> part(-0.4 / terminals, 0.4 / terminals);
    for (size_t e = 0; e < layout.zoBase; ++e) {
      for (double& value : arrays_[e]) value = part(random);
    }
    // Every sample carries its reference, as the readers write them.
    for (size_t t = 0; t < layout.terminals; ++t) {
      for (size_t i = 0; i < samples; ++i) arrays_[layout.zoBase + t][2 * i] = 50.0;
    }
    for (auto& array : arrays_) pointers_.push_back(array.data());
    network_.waveformData = pointers_.data();
    network_.waveformSlots = static_cast<int>(entries);
  }
  const NetworkSamples& network() const { return network_; }

 private:
  NetworkSamples network_;
  std::vector<std::vector<double>> arrays_;
  std::vector<double*> pointers_;
};

// Operations of one sample's matrix work, a complex product counted as 6
// and a complex sum as 2: I + S and I - S, two inversions (per step a
// reciprocal, a scaled row and the elimination of the other rows) and four
// products.
double operationsPerSample(double n) {
  const double identitySums = 2 * 2 * n * n;
  const double inversion = n * (6 + 6 * n + 8 * n * (n - 1));
  const double product = 8 * n * n * n;
  return identitySums + 2 * inversion + 4 * product;
}

// Threads 0: as many as the process may use; else at most that many.
void calculate(benchmark::State& state, int terminals, int points, unsigned threads, double parallelWork) {
  BenchNetwork bench(terminals, points);
  ParallelSettings settings;
  settings.parts = threads;
  settings.minimumWork = parallelWork;
  for (auto _ : state) benchmark::DoNotOptimize(calculateNetworkParameters(bench.network(), settings));
  const double samples = static_cast<double>(state.iterations()) * points;
  state.SetItemsProcessed(static_cast<int64_t>(samples));
  state.counters["flops"] =
      benchmark::Counter(samples * operationsPerSample(terminals), benchmark::Counter::kIsRate);
}

unsigned threadsOf(const benchmark::State& state) { return static_cast<unsigned>(state.range(0)); }

// Each whole-network benchmark runs serial (threads 1) and on every
// processor the process may use (threads 0), timed by the wall clock.
void serialAndParallel(benchmark::internal::Benchmark* bench) {
  bench->ArgName("threads")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
}

void BM_TwoPortMillionPoints(benchmark::State& state) {
  calculate(state, 2, 1000000, threadsOf(state), kCalculationParallelWork);
}
BENCHMARK(BM_TwoPortMillionPoints)->Apply(serialAndParallel);

void BM_SixteenTerminals(benchmark::State& state) {
  calculate(state, 16, 2000, threadsOf(state), kCalculationParallelWork);
}
BENCHMARK(BM_SixteenTerminals)->Apply(serialAndParallel);

void BM_ThirtyTwoTerminals(benchmark::State& state) {
  calculate(state, 32, 2000, threadsOf(state), kCalculationParallelWork);
}
BENCHMARK(BM_ThirtyTwoTerminals)->Apply(serialAndParallel);

// Arguments: terminals, points, threads (1, or 2 with no threshold).
void BM_Split(benchmark::State& state) {
  const auto threads = static_cast<unsigned>(state.range(2));
  calculate(state, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), threads,
            threads == 1 ? kCalculationParallelWork : 0.0);
}
BENCHMARK(BM_Split)
    ->ArgNames({"terminals", "points", "threads"})
    ->ArgsProduct({{1, 2, 4}, {250, 1000, 4000, 16000}, {1, 2}})
    ->ArgsProduct({{8, 16}, {25, 100, 400}, {1, 2}})
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

}  // namespace
}  // namespace korvel
