// A process locale whose decimal separator is a comma, as a viewer running
// in a German desktop session has, for the tests that show the readers'
// numbers do not depend on it.
#ifndef KORVEL_TESTS_SUPPORT_DECIMAL_COMMA_LOCALE_H
#define KORVEL_TESTS_SUPPORT_DECIMAL_COMMA_LOCALE_H

#include <string>

#include "support/test_support.h"

namespace korvel::testing {

// Switches LC_NUMERIC to German for the object's life: the installed
// locale, or one compiled from the system's locale sources into a
// temporary directory when none is installed. Restores the locale that
// was set before.
class DecimalCommaLocale {
 public:
  DecimalCommaLocale();
  ~DecimalCommaLocale();
  DecimalCommaLocale(const DecimalCommaLocale&) = delete;
  DecimalCommaLocale& operator=(const DecimalCommaLocale&) = delete;

  // False when no such locale can be had here; the test then skips.
  bool active() const;

 private:
  TempFile holder_;
  std::string saved_;
  bool set_ = false;
};

}  // namespace korvel::testing

#endif  // KORVEL_TESTS_SUPPORT_DECIMAL_COMMA_LOCALE_H
