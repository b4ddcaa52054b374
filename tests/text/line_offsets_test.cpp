// Where a LineSource stands in its file: the offsets of lines, going on at
// a line further on, and reading a part of a file with pread, which must
// split lines exactly as a read of the stream from its start does.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "text/text_input.h"

namespace korvel::testing {
namespace {

struct Line {
  std::string text;
  uint64_t start;
  uint64_t next;
  int number;
  bool operator==(const Line& other) const {
    return text == other.text && start == other.start && next == other.next && number == other.number;
  }
};

std::vector<Line> linesOf(LineSource* source) {
  std::vector<Line> lines;
  std::string_view line;
  while (source->next(&line))
    lines.push_back({std::string(line), source->lineStart(), source->offset(), source->lineNumber()});
  return lines;
}

struct OffsetCase {
  const char* name;
  std::string contents;
  LineEnds ends;
};

class LineOffsets : public ::testing::TestWithParam<OffsetCase> {};

// Every line's start is where the line before it ended, and its end where
// the next begins; a pread source started at any line start gives the
// same lines, numbered from there.
TEST_P(LineOffsets, PreadFromAnyLineStartMatchesTheStream) {
  const OffsetCase& c = GetParam();
  TempFile file("lines.txt", c.contents);
  FILE* stream = std::fopen(file.path().c_str(), "rb");
  ASSERT_NE(stream, nullptr);
  LineSource whole(stream, c.ends);
  std::vector<Line> lines = linesOf(&whole);
  uint64_t expectedStart = 0;
  for (const Line& line : lines) {
    EXPECT_EQ(line.start, expectedStart) << c.name;
    expectedStart = line.next;
  }
  EXPECT_EQ(expectedStart, c.contents.size()) << c.name;
  for (size_t first = 1; first < lines.size(); ++first) {
    LineSource part(fileno(stream), lines[first].start, c.ends);
    std::vector<Line> rest = linesOf(&part);
    ASSERT_EQ(rest.size(), lines.size() - first) << c.name << " from line " << first;
    for (size_t i = 0; i < rest.size(); ++i) {
      Line expected = lines[first + i];
      expected.number -= static_cast<int>(first);
      EXPECT_EQ(rest[i], expected) << c.name << " from line " << first << ", line " << i;
    }
    // The stream's own source, restarted there, goes on alike with the
    // line numbers it is given.
    ASSERT_TRUE(whole.restartAt(lines[first].start, static_cast<int>(first)));
    EXPECT_EQ(linesOf(&whole), std::vector<Line>(lines.begin() + static_cast<long>(first), lines.end()))
        << c.name << " restarted at line " << first;
  }
  std::fclose(stream);
}

std::string longLine() { return std::string(200000, 'x') + "\n"; }

INSTANTIATE_TEST_SUITE_P(
    Texts, LineOffsets,
    ::testing::Values(OffsetCase{"LineFeeds", "a\n\nbc d\nlast", LineEnds::kLineFeed},
                      OffsetCase{"CarriageReturnsInText", "a\rb\r\nc\n", LineEnds::kLineFeed},
                      OffsetCase{"AnyEnds", "a\r\nb\rc\n\r\rd\r\n", LineEnds::kAny},
                      OffsetCase{"NulInLine", std::string("a\0b\nc\n", 6), LineEnds::kAny},
                      OffsetCase{"LongLines", "1\n" + longLine() + "2\r\n" + longLine() + "3",
                                 LineEnds::kAny}),
    [](const ::testing::TestParamInfo<OffsetCase>& param) { return param.param.name; });

// A pread source drops no byte-order mark: its first line is not the
// file's first.
TEST(LineOffsets, PreadKeepsAByteOrderMark) {
  TempFile file("lines.txt",
                "a\n\xEF\xBB\xBF"
                "b\n");
  int descriptor = open(file.path().c_str(), O_RDONLY);
  ASSERT_GE(descriptor, 0);
  LineSource source(descriptor, 2, LineEnds::kAny);
  std::string_view line;
  ASSERT_TRUE(source.next(&line));
  EXPECT_EQ(line,
            "\xEF\xBB\xBF"
            "b\n");
  EXPECT_FALSE(source.readFailed());
  close(descriptor);
}

// Offsets count from the file's start when the stream was read before
// the source took it.
TEST(LineOffsets, CountFromTheFilesStart) {
  TempFile file("lines.txt", "head\nbody\n");
  FILE* stream = std::fopen(file.path().c_str(), "rb");
  ASSERT_NE(stream, nullptr);
  char head[6];
  ASSERT_EQ(std::fread(head, 1, 5, stream), 5u);
  LineSource source(stream, LineEnds::kLineFeed);
  EXPECT_EQ(source.offset(), 5u);
  std::string_view line;
  ASSERT_TRUE(source.next(&line));
  EXPECT_EQ(source.lineStart(), 5u);
  EXPECT_EQ(source.offset(), 10u);
  std::fclose(stream);
}

}  // namespace
}  // namespace korvel::testing
