// The search for the next line of a given kind in an SC file.
#include "sc/sc_input.h"

namespace korvel {

bool ScLines::find(std::string_view kind, std::initializer_list<std::string_view> keywords,
                   std::string_view* line) {
  while (next(line)) {
    if (!startsWith(*line, kind)) continue;
    if (keywords.size() == 0) return true;
    for (std::string_view keyword : keywords) {
      if (contains(*line, keyword)) return true;
    }
  }
  return false;
}

}  // namespace korvel
