// The size of what is left to read on a stream, which both readers size
// their arrays against.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "text/text_input.h"

namespace korvel::testing {
namespace {

TEST(RemainingBytes, CountsFromThePositionAndLeavesItThere) {
  char text[] = "! comment\n# GHz S MA R 50\n1 2 3\n";
  FILE* stream = fmemopen(text, std::strlen(text), "r");
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(remainingBytes(stream), std::strlen(text));
  char first[11] = {};
  ASSERT_NE(std::fgets(first, sizeof first, stream), nullptr);
  EXPECT_STREQ(first, "! comment\n");
  EXPECT_EQ(remainingBytes(stream), std::strlen(text) - 10);
  // The next read goes on where the count left the stream.
  EXPECT_EQ(std::fgetc(stream), '#');
  std::fclose(stream);
}

TEST(RemainingBytes, AnEmptyStreamHasNone) {
  char text[] = "";
  FILE* stream = fmemopen(text, 1, "r");
  ASSERT_NE(stream, nullptr);
  ASSERT_EQ(std::fgetc(stream), '\0');
  EXPECT_EQ(remainingBytes(stream), 0u);
  std::fclose(stream);
}

TEST(RemainingBytes, APipeCannotTell) {
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  ASSERT_EQ(write(ends[1], "1 2 3\n", 6), 6);
  close(ends[1]);
  FILE* stream = fdopen(ends[0], "r");
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(remainingBytes(stream), kUnknownSize);
  // Nothing of the pipe was consumed by asking.
  LineSource source(stream);
  std::string_view line;
  ASSERT_TRUE(source.next(&line));
  EXPECT_EQ(line, "1 2 3\n");
  std::fclose(stream);
}

}  // namespace
}  // namespace korvel::testing
