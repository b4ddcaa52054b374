// A German numeric locale for the tests, compiled on the spot when the
// machine has none installed.
#include "support/decimal_comma_locale.h"

#include <clocale>
#include <cstdlib>
#include <cstring>

namespace korvel::testing {

namespace {

constexpr const char* kGerman = "de_DE.UTF-8";

}  // namespace

DecimalCommaLocale::DecimalCommaLocale() : holder_("locale-holder", "") {
  const char* current = std::setlocale(LC_NUMERIC, nullptr);
  saved_ = current != nullptr ? current : "C";
  set_ = std::setlocale(LC_NUMERIC, kGerman) != nullptr;
  if (set_) return;
  std::string directory = holder_.path().substr(0, holder_.path().rfind('/'));
  std::string command = "localedef -c -i de_DE -f UTF-8 " + directory + "/" + kGerman + " >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0) return;
  setenv("LOCPATH", directory.c_str(), 1);
  set_ = std::setlocale(LC_NUMERIC, kGerman) != nullptr;
}

DecimalCommaLocale::~DecimalCommaLocale() {
  std::setlocale(LC_NUMERIC, saved_.c_str());
  unsetenv("LOCPATH");
}

bool DecimalCommaLocale::active() const {
  return set_ && std::strcmp(std::localeconv()->decimal_point, ",") == 0;
}

}  // namespace korvel::testing
