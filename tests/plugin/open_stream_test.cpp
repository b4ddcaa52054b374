// Opening text already in memory: the readers read only the stream they
// are given, whatever the path names.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "plugin/open_file.h"
#include "support/test_support.h"

namespace korvel::testing {
namespace {

std::string contentsOf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

struct StreamCase {
  const char* example;
  const char* path;  // never a file on disk
  int pointCount;
  int terminalCount;
};

class OpenStream : public ::testing::TestWithParam<StreamCase> {};

TEST_P(OpenStream, ReadsTheTextInMemory) {
  const StreamCase& c = GetParam();
  std::string text = contentsOf(examplePath(c.example));
  ASSERT_FALSE(text.empty());
  FILE* stream = fmemopen(text.data(), text.size(), "r");
  ASSERT_NE(stream, nullptr);
  DataSet* data = nullptr;
  ASSERT_EQ(openStream(stream, c.path, &data), kOk);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->pointCount, c.pointCount);
  EXPECT_EQ(data->terminalCount, c.terminalCount);
  EXPECT_STREQ(Tcl_DStringValue(&data->fileName), c.path);
  closeFile(data);
}

INSTANTIATE_TEST_SUITE_P(Examples, OpenStream,
                         ::testing::Values(StreamCase{"amp.s2p", "/no/such/folder/amp.s2p", 12, 2},
                                           StreamCase{"lna_sweep.sc", "/no/such/folder/lna.sc0", 4, 2}));

TEST(OpenStream, ARefusalClosesTheStreamAndClearsTheSlot) {
  std::string text = "# GHz Y MA R 50 THz\n";
  FILE* stream = fmemopen(text.data(), text.size(), "r");
  ASSERT_NE(stream, nullptr);
  DataSet* data = reinterpret_cast<DataSet*>(&text);
  CapturedStream captured(stderr);
  EXPECT_EQ(openStream(stream, "memory.s2p", &data), kFailed);
  EXPECT_EQ(
      captured.finish(),
      "Error in line 1: \"THz\" is no option: the option line takes a frequency unit (Hz, kHz, MHz, GHz), a "
      "parameter type (S, Y, Z, H, G), a data format (DB, MA, RI) and R with its reference resistances\n"
      "Can't open file: memory.s2p.\n ");
  EXPECT_EQ(data, nullptr);
}

}  // namespace
}  // namespace korvel::testing
