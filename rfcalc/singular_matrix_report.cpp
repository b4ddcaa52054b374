#include "rfcalc/singular_matrix_report.h"

#include <cstdio>

namespace korvel {

void reportSingularMatrix(const char* message) {
  std::printf("%s\n", message);
  std::fflush(stdout);
}

}  // namespace korvel
