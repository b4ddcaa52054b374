// The name table answers exactly as a walk of the stored names would: the
// first stored name equal to the request or leading it.
#include "dataset/waveform_name_index.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "dataset/data_set.h"
#include "dataset/waveform_names.h"

namespace korvel {
namespace {

int walkedIndex(const std::vector<std::string>& stored, std::string_view requested) {
  for (size_t i = 0; i < stored.size(); ++i) {
    if (requested.substr(0, stored[i].size()) == stored[i]) return static_cast<int>(i);
  }
  return -1;
}

struct NamedRecord {
  DataSet* data = createDataSet("/tmp/names.s2p", nullptr);
  std::vector<std::string> stored;
  ~NamedRecord() { releaseDataSet(data); }
  void add(const std::string& name) {
    appendWaveformName(data, name);
    stored.push_back(name);
  }
};

TEST(WaveformNameIndex, PrefixesResolveToTheEarliestStoredName) {
  NamedRecord record;
  for (const char* name : {"Noise-Par/NFmin", "S-Par/S(1,1)", "Noise-Par/NF", "S-Par/S(1,1)", "Gain-Par/G"}) {
    record.add(name);
  }
  struct Case {
    const char* requested;
    int expected;
  } cases[] = {{"Noise-Par/NFmin", 0}, {"Noise-Par/NF", 2},      {"Noise-Par/NFminx", 0}, {"Noise-Par/N", -1},
               {"S-Par/S(1,1)", 1},    {"S-Par/S(1,1)extra", 1}, {"Gain-Par/Gmax", 4},    {"", -1}};
  for (const Case& c : cases) {
    EXPECT_EQ(lookupWaveformIndex(*record.data, c.requested), c.expected) << c.requested;
  }
}

TEST(WaveformNameIndex, MatchesTheWalkOnRandomNames) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> letter(0, 2);
  auto randomName = [&](int length) {
    std::string name;
    for (int i = 0; i < length; ++i) name += static_cast<char>('a' + letter(random));
    return name;
  };
  NamedRecord record;
  for (int i = 0; i < 300; ++i) record.add(randomName(1 + i % 6));
  for (int i = 0; i < 2000; ++i) {
    std::string requested = randomName(i % 9);
    ASSERT_EQ(lookupWaveformIndex(*record.data, requested), walkedIndex(record.stored, requested))
        << requested;
  }
}

TEST(WaveformNameIndex, NamesAddedAfterALookupAreFound) {
  NamedRecord record;
  record.add("S-Par/S(1,1)");
  EXPECT_EQ(lookupWaveformIndex(*record.data, "Zo/Zo(1)"), -1);
  record.add("Zo/Zo(1)");
  EXPECT_EQ(lookupWaveformIndex(*record.data, "Zo/Zo(1)"), 1);
}

}  // namespace
}  // namespace korvel
