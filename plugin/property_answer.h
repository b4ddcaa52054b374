// The rules shared by the property callbacks: which option texts are well
// formed, how an option is recognised, and how an answer is started.
#ifndef KORVEL_PLUGIN_PROPERTY_ANSWER_H
#define KORVEL_PLUGIN_PROPERTY_ANSWER_H

#include <cstddef>
#include <cstring>

#include "hostapi/korvel_host.h"

namespace korvel {

// An option text is at least two characters long and begins with a minus;
// anything else is refused before the record is touched.
inline bool isWellFormedOption(const char* option) {
  return option != nullptr && option[0] == '-' && option[1] != '\0';
}

// True when the first `count` characters of `option` equal those of
// `fullName` (whatever follows is ignored; a shorter option never matches).
inline bool optionMatches(const char* option, const char* fullName, size_t count) {
  return std::strncmp(option, fullName, count) == 0;
}

// Marks the record answered and starts an empty answer in it.
inline void beginAnswer(PropertyResult* result) {
  result->resultKind = kAnsweredResultKind;
  Tcl_DStringInit(&result->answer);
}

}  // namespace korvel

#endif  // KORVEL_PLUGIN_PROPERTY_ANSWER_H
