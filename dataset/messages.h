// The one place through which the readers write their messages.
//
// Messages go to standard error with formatted output and are never handed
// to the host; their words are fixed, trailing blanks and line feeds
// included, so callers pass the whole text.
#ifndef KORVEL_DATASET_MESSAGES_H
#define KORVEL_DATASET_MESSAGES_H

namespace korvel {

// Writes a printf-style message to standard error.
void reportError(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace korvel

#endif  // KORVEL_DATASET_MESSAGES_H
