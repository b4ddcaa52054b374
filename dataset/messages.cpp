#include "dataset/messages.h"

#include <cstdarg>
#include <cstdio>

namespace korvel {

void reportError(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  std::vfprintf(stderr, format, arguments);
  va_end(arguments);
}

}  // namespace korvel
