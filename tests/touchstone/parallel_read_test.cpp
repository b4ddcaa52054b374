// The network data read in parts must leave exactly what a read on one
// thread leaves: every array bit for bit, every count, every message with
// its line, whatever the file holds where the data is cut.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "support/network_snapshot.h"
#include "support/test_support.h"

namespace korvel::testing {
namespace {

constexpr int kPoints = 240;

// The paths of the regular files in `folder`, sorted.
std::vector<std::string> filesIn(const std::string& folder) {
  std::vector<std::string> paths;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.is_regular_file()) paths.push_back(entry.path().string());
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

// A value whose text varies in width from value to value when `varying`.
std::string valueText(int point, int entry, bool varying) {
  double value = ((point * 37 + entry * 11) % 1000) / 1000.0 - 0.5;
  char text[40];
  if (varying) {
    std::snprintf(text, sizeof text, "%.*g", 1 + (point * 3 + entry) % 9, value);
  } else {
    std::snprintf(text, sizeof text, "%+.6f", value);
  }
  return text;
}

// The frequency of point `point`, six digits wide.
std::string frequencyText(int point) { return std::to_string(100000 + 10 * point); }

// One point on one line: the frequency and `pairs` pairs.
std::string pointLine(int point, int pairs, bool varying) {
  std::string line = frequencyText(point);
  for (int v = 0; v < 2 * pairs; ++v) line += " " + valueText(point, v, varying);
  return line + "\n";
}

// One point over several lines, broken after a varying count of numbers,
// pairs split across lines included.
std::string brokenPoint(int point, int pairs) {
  std::vector<std::string> numbers = {frequencyText(point)};
  for (int v = 0; v < 2 * pairs; ++v) numbers.push_back(valueText(point, v, true));
  std::string text;
  size_t onLine = 0;
  for (size_t i = 0; i < numbers.size(); ++i) {
    text += (onLine == 0 ? "" : " ") + numbers[i];
    if (++onLine == static_cast<size_t>(1 + (point + static_cast<int>(i)) % 6)) {
      text += "\n";
      onLine = 0;
    }
  }
  return onLine == 0 ? text : text + "\n";
}

// A two-port point list; `special` writes point `at` instead when it
// returns something.
std::string pointsOf(int count, int pairs, bool varying, int at = -1,
                     const std::function<std::string(int)>& special = nullptr) {
  std::string text;
  for (int point = 0; point < count; ++point) {
    if (point == at && special) {
      text += special(point);
      continue;
    }
    text += pointLine(point, pairs, varying);
  }
  return text;
}

std::string versionTwoHeader(int ports, int declared, int noise, const char* extra = "") {
  std::string text = "[Version] 2.0\n# Hz S RI R 50\n[Number of Ports] " + std::to_string(ports) + "\n";
  if (ports == 2) text += "[Two-Port Data Order] 12_21\n";
  text += "[Number of Frequencies] " + std::to_string(declared) + "\n";
  if (noise > 0) text += "[Number of Noise Frequencies] " + std::to_string(noise) + "\n";
  return text + extra + "[Network Data]\n";
}

std::string noiseLines(int count, int firstPoint) {
  std::string text;
  for (int i = 0; i < count; ++i) text += frequencyText(firstPoint + i) + " 1.5 0.5 45 0.3\n";
  return text;
}

struct Case {
  const char* name;
  const char* fileName;
  // The text with its special feature at point `at` (0 .. kPoints - 1).
  std::function<std::string(int at)> text;
  // True when a read in parts must take some part as read.
  bool takesParts;
};

const std::vector<Case>& cases() {
  static const std::vector<Case> list = {
      {"FixedWidth", "a.s2p", [](int) { return "# Hz S RI R 50\n" + pointsOf(kPoints, 4, false); }, true},
      {"VaryingWidth", "a.s2p", [](int) { return "! file\n# Hz S MA R 50\n" + pointsOf(kPoints, 4, true); },
       true},
      {"CommentLine", "a.s2p",
       [](int at) {
         return "# Hz S RI R 50\n" + pointsOf(kPoints, 4, false, at,
                                              [](int p) { return "! a remark\n" + pointLine(p, 4, false); });
       },
       false},
      {"BlankLine", "a.s2p",
       [](int at) {
         return "# Hz S RI R 50\n" +
                pointsOf(kPoints, 4, true, at, [](int p) { return "   \n\n" + pointLine(p, 4, true); });
       },
       false},
      {"CommentAfterValues", "a.s1p",
       [](int at) {
         return "# GHz S DB R 50\n" + pointsOf(kPoints, 1, true, at, [](int p) {
                  std::string line = pointLine(p, 1, true);
                  return line.substr(0, line.size() - 1) + " ! 1 2 3\n";
                });
       },
       true},
      {"IrregularLines", "a.s4p",
       [](int) {
         std::string text = "# Hz S RI R 50\n";
         for (int p = 0; p < kPoints; ++p) text += brokenPoint(p, 16);
         return text;
       },
       false},
      {"PairSplitAcrossLines", "a.s2p",
       [](int at) {
         return "# Hz S RI R 50\n" + pointsOf(kPoints, 4, false, at, [](int p) {
                  return frequencyText(p) + " 0.1 0.2 0.3\n0.4 0.5 0.6 0.7 0.8\n";
                });
       },
       false},
      {"ValueMissing", "a.s2p",
       [](int at) {
         return "# Hz S RI R 50\n" + pointsOf(kPoints, 4, false, at, [](int p) {
                  return frequencyText(p) + " 0.1 0.2 0.3 0.4 0.5 0.6 0.7\n";
                });
       },
       false},
      {"ValueExtra", "a.s2p",
       [](int at) {
         return "# Hz S RI R 50\n" + pointsOf(kPoints, 4, false, at, [](int p) {
                  return frequencyText(p) + " 0.1 0.2 0.3 0.4 0.5 0.6 0.7 0.8 999999\n";
                });
       },
       false},
      {"OnePortPartPoint", "a.s1p",
       [](int at) {
         return "# Hz S RI R 50\n" +
                pointsOf(kPoints, 1, true, at, [](int p) { return frequencyText(p) + " 0.1 0.2 0.3\n"; });
       },
       false},
      {"ShortNoiseOpening", "a.s2p",
       [](int at) {
         return "# Hz S RI R 50\n" + pointsOf(at + 2, 4, true) + frequencyText(0) + " 1.5 0.5 45\n" +
                noiseLines(kPoints - at, 1);
       },
       false},
      {"NoiseOpeningNegativeResistance", "a.s2p",
       [](int at) {
         return "# Hz S RI R 50\n" + pointsOf(at + 2, 4, true) + frequencyText(0) + " 1.5 0.5 45 -0.3\n" +
                noiseLines(kPoints - at, 1);
       },
       false},
      {"NoiseBlock", "a.s2p",
       [](int at) { return "# Hz S RI R 50\n" + pointsOf(at + 2, 4, true) + noiseLines(kPoints - at, 0); },
       false},
      {"FallingFrequencyWarns", "a.s3p",
       [](int at) {
         return "# Hz S RI R 50\n" +
                pointsOf(kPoints, 9, false, at, [](int) { return pointLine(0, 9, false); });
       },
       false},
      {"RepeatedFrequencyWarns", "a.s2p",
       [](int at) {
         return "# Hz S RI R 50\n" +
                pointsOf(kPoints, 4, false, at, [](int p) { return pointLine(p > 0 ? p - 1 : 0, 4, false); });
       },
       false},
      {"NotANumber", "a.s2p",
       [](int at) {
         return "# Hz S RI R 50\n" + pointsOf(kPoints, 4, false, at,
                                              [](int p) { return frequencyText(p) + " 1 2 3 4 5 6x 7 8\n"; });
       },
       false},
      {"KeywordLineInVersionOne", "a.s2p",
       [](int at) {
         return "# Hz S RI R 50\n" +
                pointsOf(kPoints, 4, false, at, [](int) { return std::string("[End]\n"); });
       },
       false},
      {"CutShortLastPoint", "a.s2p",
       [](int at) {
         return "# Hz S RI R 50\n" + pointsOf(at + 2, 4, true) + frequencyText(at + 2) + " 1 2 3\n";
       },
       false},
      {"PortImpedanceLines", "a.s2p",
       [](int at) {
         return "# Hz S RI\n" + pointsOf(kPoints, 4, false, at, [](int p) {
                  return pointLine(p, 4, false) + "! Port Impedance 50 0 60 0\n";
                });
       },
       false},
      {"VersionTwoNoiseAndEnd", "a.s2p",
       [](int at) {
         return versionTwoHeader(2, at + 2, 3) + pointsOf(at + 2, 4, true) + "[Noise Data]\n" +
                noiseLines(3, 0) + "[End]\n";
       },
       false},
      {"VersionTwoCountExceeded", "a.s2p",
       [](int at) { return versionTwoHeader(2, at + 1, 0) + pointsOf(kPoints, 4, false) + "[End]\n"; },
       false},
      {"VersionTwoCountNotReached", "a.s2p",
       [](int at) { return versionTwoHeader(2, kPoints + at, 0) + pointsOf(kPoints, 4, false) + "[End]\n"; },
       false},
      // Points that widen along the file: the parts are placed far past
      // their true indices, beyond the storage the declared count sizes.
      {"VersionTwoWideningPoints", "a.s2p",
       [](int) {
         std::string text = versionTwoHeader(2, kPoints, 0);
         for (int p = 0; p < kPoints; ++p) {
           text += frequencyText(p);
           for (int v = 0; v < 8; ++v)
             text += p < kPoints / 2 ? " 0" : " " + valueText(p, v, false) + std::string(30, '7');
           text += "\n";
         }
         return text + "[End]\n";
       },
       false},
      {"VersionTwoLowerMatrix", "a.s3p",
       [](int) {
         return versionTwoHeader(3, kPoints, 0, "[Matrix Format] Lower\n") + pointsOf(kPoints, 6, true) +
                "[End]\n";
       },
       true},
      {"CarriageReturnLineFeed", "a.s2p",
       [](int at) {
         return withLineEnds(
             "# Hz S RI R 50\n" +
                 pointsOf(kPoints, 4, true, at, [](int p) { return "!\n" + pointLine(p, 4, true); }),
             "\r\n");
       },
       true},
      {"CarriageReturnOnly", "a.s2p",
       [](int) { return withLineEnds("# Hz S RI R 50\n" + pointsOf(kPoints, 4, true), "\r"); }, true},
      {"TooShortToCut", "a.s2p", [](int) { return "# Hz S RI R 50\n" + pointsOf(2, 4, false); }, false},
  };
  return list;
}

// Where each case puts its special feature: across both halves and near
// the cuts of every part count.
constexpr int kPlaces[] = {0, 1, 40, 79, 80, 81, 119, 120, 121, 160, 179, 200, 238};

class ReadInParts : public ::testing::TestWithParam<size_t> {};

TEST_P(ReadInParts, LeavesWhatOneThreadLeaves) {
  const Case& c = cases()[GetParam()];
  bool tookParts = false;
  for (int at : kPlaces) {
    TempFile file(c.fileName, c.text(at));
    NetworkSnapshot serial = snapshotOfRead(file.path(), serialRead());
    EXPECT_EQ(serial.record.parts, 1u);
    for (unsigned parts : {2u, 3u, 4u, 7u}) {
      NetworkSnapshot inParts = snapshotOfRead(file.path(), readInParts(parts));
      EXPECT_TRUE(inParts == serial) << c.name << " at point " << at << " in " << parts
                                     << " parts: " << firstDifference(inParts, serial);
      tookParts = tookParts || inParts.record.taken > 0;
    }
  }
  if (c.takesParts) {
    EXPECT_TRUE(tookParts) << c.name << ": no part was ever taken";
  }
}

INSTANTIATE_TEST_SUITE_P(Files, ReadInParts, ::testing::Range(size_t{0}, cases().size()),
                         [](const ::testing::TestParamInfo<size_t>& param) {
                           return cases()[param.param].name;
                         });

// The Touchstone files of examples/ and the hostile files read alike
// either way.
TEST(ReadInParts, ExamplesAndHostileFilesReadAlike) {
  int files = 0;
  for (const char* folder : {"/examples/", "/tests/data/hostile/"}) {
    for (const std::string& name : filesIn(std::string(KORVEL_SOURCE_DIR) + folder)) {
      if (name.find(".sc") != std::string::npos) continue;  // another reader
      ++files;
      NetworkSnapshot serial = snapshotOfRead(name, serialRead());
      for (unsigned parts : {2u, 5u}) {
        NetworkSnapshot inParts = snapshotOfRead(name, readInParts(parts));
        EXPECT_TRUE(inParts == serial) << name << ": " << firstDifference(inParts, serial);
      }
    }
  }
  EXPECT_GT(files, 10);
}

// Below the threshold, and when asked for one part, the data is read on
// the calling thread.
TEST(ReadInParts, SmallDataStaysOnTheCallingThread) {
  TempFile file("a.s2p", "# Hz S RI R 50\n" + pointsOf(kPoints, 4, false));
  ParallelSettings settings = readInParts(2);
  settings.minimumWork = 1 << 20;
  EXPECT_EQ(snapshotOfRead(file.path(), settings).record.parts, 1u);
  EXPECT_EQ(snapshotOfRead(file.path(), serialRead()).record.parts, 1u);
  NetworkSnapshot inParts = snapshotOfRead(file.path(), readInParts(2));
  EXPECT_EQ(inParts.record.parts, 2u);
  EXPECT_EQ(inParts.record.taken, 1u);
}

}  // namespace
}  // namespace korvel::testing
