// The format letters both readers share.
#include <gtest/gtest.h>

#include "text/complex_conversion.h"

namespace korvel::testing {
namespace {

struct LetterCase {
  char letter;
  int format;
};

class ComplexFormatLetter : public ::testing::TestWithParam<LetterCase> {};

TEST_P(ComplexFormatLetter, NamesTheSharedFormats) {
  EXPECT_EQ(complexFormatForLetter(GetParam().letter), GetParam().format) << GetParam().letter;
}

// C and P mean something only to the SC reader, so the shared table names
// neither.
INSTANTIATE_TEST_SUITE_P(
    Letters, ComplexFormatLetter,
    ::testing::Values(LetterCase{'D', kFormatDbDegrees}, LetterCase{'d', kFormatDbDegrees},
                      LetterCase{'M', kFormatMagnitudeDegrees}, LetterCase{'m', kFormatMagnitudeDegrees},
                      LetterCase{'R', kFormatRealImaginary}, LetterCase{'r', kFormatRealImaginary},
                      LetterCase{'C', -1}, LetterCase{'c', -1}, LetterCase{'P', -1}, LetterCase{'p', -1},
                      LetterCase{'\0', -1}, LetterCase{'S', -1}, LetterCase{'x', -1}));

}  // namespace
}  // namespace korvel::testing
