// The header facts of a file as the readers' own line rules read them.
#include "plugin/file_header.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace korvel::testing {
namespace {

struct HeaderCase {
  const char* label;
  std::string text;
  HeaderFormat format;
  FileHeader expected;
};

class FileHeaderFacts : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(FileHeaderFacts, AsTheReaderReadsThem) {
  FileHeader header = readTextHeader(GetParam().text, GetParam().format);
  const FileHeader& expected = GetParam().expected;
  EXPECT_EQ(header.version, expected.version);
  EXPECT_EQ(header.parameterType, expected.parameterType);
  EXPECT_EQ(header.dataFormat, expected.dataFormat);
  EXPECT_EQ(header.frequencyUnit, expected.frequencyUnit);
  EXPECT_EQ(header.optionLine, expected.optionLine);
  EXPECT_EQ(header.ports, expected.ports);
  EXPECT_EQ(header.scHeaderLine, expected.scHeaderLine);
  EXPECT_EQ(header.dataFound, expected.dataFound);
  if (expected.dataFound) {
    EXPECT_EQ(header.dataOffset, expected.dataOffset);
  }
  EXPECT_EQ(header.comments, expected.comments);
}

// The facts a Touchstone text's header gives: version, type, format,
// unit, port count, where its data starts and its comment lines.
FileHeader touchstone(std::string version, std::string type, std::string format, std::string unit, int ports,
                      uint64_t dataOffset, std::vector<std::string> comments) {
  FileHeader header;
  header.version = std::move(version);
  header.parameterType = std::move(type);
  header.dataFormat = std::move(format);
  header.frequencyUnit = std::move(unit);
  header.optionLine =
      !header.parameterType.empty() || !header.dataFormat.empty() || !header.frequencyUnit.empty();
  header.ports = ports;
  header.dataFound = dataOffset > 0;
  header.dataOffset = dataOffset;
  header.comments = std::move(comments);
  return header;
}

FileHeader sc(std::string format, std::vector<std::string> comments) {
  FileHeader header;
  header.parameterType = "S";
  header.frequencyUnit = "Hz";
  header.dataFormat = std::move(format);
  header.scHeaderLine = true;
  header.comments = std::move(comments);
  return header;
}

constexpr HeaderFormat kTs = HeaderFormat::kTouchstone;
constexpr HeaderFormat kSc = HeaderFormat::kSc;

INSTANTIATE_TEST_SUITE_P(Texts, FileHeaderFacts,
                         ::testing::Values(HeaderCase{"OptionLineAndLeadingComments",
                                                      "! first\n!second  line\n# mhz y ri r 75\n! after the "
                                                      "option line\n1 2 3\n! not a header "
                                                      "comment\n",
                                                      kTs,
                                                      touchstone("", "Y", "RI", "MHz", 0, 62,
                                                                 {"first", "second  line",
                                                                  "after the option line"})},
                                           HeaderCase{
                                               "VersionTwoKeywords",
                                               "! made by a tool\n[Version] 2.0\n# GHz H MA R 50\n[Number of "
                                               "Ports] 2\n"
                                               "[Two-Port Data Order] 12_21\n[Network Data]\n! inside the "
                                               "data\n1 2 3 4 5 6 7 8 9\n",
                                               kTs,
                                               touchstone("2.0", "H", "MA", "GHz", 2, 110,
                                                          {"made by a tool"})},
                                           // Keywords with blanks and case of their own, as the reader reads
                                           // them.
                                           HeaderCase{
                                               "KeywordBlanksNormalised",
                                               "[version]   2.1\n# ghz\n[Number   of  PORTS] 3\n[network "
                                               " data]\n",
                                               kTs, touchstone("2.1", "", "", "GHz", 3, 61, {})},
                                           // Fields the line leaves out are not told; an unknown one ends the
                                           // fields read.
                                           HeaderCase{"OnlyWhatTheOptionLineGives", "# Hz\n1 2 3\n", kTs,
                                                      touchstone("", "", "", "Hz", 0, 5, {})},
                                           HeaderCase{"UnknownFieldAndNoData", "# GHz Q XX\n", kTs,
                                                      touchstone("", "", "", "GHz", 0, 0, {})},
                                           HeaderCase{"NoOptionLine", "1 2 3\n", kTs,
                                                      touchstone("", "", "", "", 0, 0, {})},
                                           // Lines ended by carriage returns alone are lines, comment or not.
                                           HeaderCase{
                                               "CarriageReturnsOnly",
                                               "! first\r! second\r# GHz S RI R 50\r1 0.1 0.2\r", kTs,
                                               touchstone("", "S", "RI", "GHz", 0, 33, {"first", "second"})},
                                           HeaderCase{"CarriageReturnLineFeeds",
                                                      "! first \r\n# kHz Z DB\r\n1 0.1 0.2\r\n", kTs,
                                                      touchstone("", "Z", "DB", "kHz", 0, 22, {"first"})},
                                           // A byte-order mark before the first line hides nothing.
                                           HeaderCase{"ByteOrderMarkBeforeOptionLine",
                                                      "\xEF\xBB\xBF# GHz S DB R 50\n1 0 0\n", kTs,
                                                      touchstone("", "S", "DB", "GHz", 0, 19, {})},
                                           HeaderCase{"ByteOrderMarkBeforeComment",
                                                      "\xEF\xBB\xBF! made\n# MHz S MA\n1 0 0\n", kTs,
                                                      touchstone("", "S", "MA", "MHz", 0, 21, {"made"})},
                                           HeaderCase{"ScFormatAndComments",
                                                      "* KORVELRF analysis of x\n*| N=2 DATA=4 "
                                                      "COMPLEX_DATAFORMAT=MA\n+ Zo= 50\n+ DATA=\n+ 1e9\n* "
                                                      "later\n",
                                                      kSc, sc("MA", {"KORVELRF analysis of x"})},
                                           HeaderCase{"ScFormatAsWrittenAtTheLineEnd",
                                                      "* a\r\n*| N=1 DATA=1 COMPLEX_DATAFORMAT=db\r\n+ Zo= "
                                                      "50\r\n",
                                                      kSc, sc("DB", {"a"})},
                                           // The SC reader ends lines at line feeds alone and drops no mark:
                                           // the first line is then no comment, the header line still found.
                                           HeaderCase{"ScByteOrderMark",
                                                      "\xEF\xBB\xBF* made\n* second\n*| N=1 DATA=1 "
                                                      "COMPLEX_DATAFORMAT=RI\n",
                                                      kSc, sc("RI", {"second"})},
                                           HeaderCase{"ScWithoutHeaderLine", "* made\n*| NumOfBlock=1\n", kSc,
                                                      [] {
                                                        FileHeader header = sc("", {"made"});
                                                        header.scHeaderLine = false;
                                                        return header;
                                                      }()}),
                         [](const auto& testCase) { return std::string(testCase.param.label); });

}  // namespace
}  // namespace korvel::testing
