// The search for the next line of a given kind in an SC file, and the
// message of a file too large for memory.
#include "sc/sc_input.h"

#include "dataset/messages.h"
#include "dataset/result.h"

namespace korvel {

bool ScLines::find(std::string_view kind, std::initializer_list<std::string_view> keywords,
                   std::string_view* line) {
  while (source_.next(line)) {
    if (!startsWith(*line, kind)) continue;
    if (keywords.size() == 0) return true;
    for (std::string_view keyword : keywords) {
      if (contains(*line, keyword)) return true;
    }
  }
  return false;
}

int reportOutOfMemory() {
  reportError("Not enough memory to read the file.\n");
  return kFailed;
}

}  // namespace korvel
