#include "dataset/messages.h"

#include <cstdarg>
#include <cstdio>

namespace korvel {

namespace {

// Writes every message to standard error, where the viewer shows it.
class StandardErrorSink final : public MessageSink {
 public:
  void report(const Problem& problem) override {
    if (!problem.citesLine) {
      std::fputs(problem.text.c_str(), stderr);
      return;
    }
    const char* kind = problem.severity == Severity::kWarning ? "Warning" : "Error";
    std::fprintf(stderr, "%s in line %d: %s\n", kind, problem.line, problem.text.c_str());
  }
};

StandardErrorSink standardErrorSink;
thread_local MessageSink* currentSink = nullptr;

}  // namespace

MessageSink& messageSink() { return currentSink != nullptr ? *currentSink : standardErrorSink; }

ScopedMessageSink::ScopedMessageSink(MessageSink* sink) : previous_(currentSink) { currentSink = sink; }

ScopedMessageSink::~ScopedMessageSink() { currentSink = previous_; }

void reportError(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  va_list counting;
  va_copy(counting, arguments);
  int length = std::vsnprintf(nullptr, 0, format, counting);
  va_end(counting);
  Problem problem;
  if (length > 0) {
    problem.text.resize(static_cast<size_t>(length) + 1);
    std::vsnprintf(problem.text.data(), problem.text.size(), format, arguments);
    problem.text.resize(static_cast<size_t>(length));
  }
  va_end(arguments);
  messageSink().report(problem);
}

void reportAt(Severity severity, int line, const std::string& text) {
  messageSink().report(Problem{severity, line, text, false});
}

void reportLine(Severity severity, int line, const std::string& text) {
  messageSink().report(Problem{severity, line, text, true});
}

}  // namespace korvel
