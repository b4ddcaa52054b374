// The one place through which the readers write their messages.
//
// Every message goes to the message sink in effect on the calling thread.
// The default sink is the one the viewer sees: it writes each message to
// standard error, and the readers stop at the first error. A collecting
// sink (the file checker's) keeps every message with its line number and
// lets the readers go on after an error, so that one run lists every
// problem of a file.
//
// The words of the established messages are fixed, trailing blanks and
// line feeds included, so callers pass the whole text; they are written
// as they stand. Messages about one place in a file (a token, a keyword)
// carry its line number and are written "Error in line N: text".
#ifndef KORVEL_DATASET_MESSAGES_H
#define KORVEL_DATASET_MESSAGES_H

#include <string>

namespace korvel {

enum class Severity {
  kError,    // the file is refused
  kWarning,  // the file opens; something in it is not as it should be
  kOutcome,  // the closing line after a refusal, naming the file
};

struct Problem {
  Severity severity = Severity::kError;
  int line = 0;            // the file's line number, from 1; 0 when none applies
  std::string text;        // the message's words
  bool citesLine = false;  // written with its line number; else as it stands
};

class MessageSink {
 public:
  virtual ~MessageSink() = default;
  virtual void report(const Problem& problem) = 0;
  // True when a reader should go on after an error to find more.
  virtual bool collectsAll() const { return false; }
};

// The sink in effect on the calling thread: the standard-error sink unless
// a ScopedMessageSink has put another in place.
MessageSink& messageSink();

// Puts `sink` in effect on the calling thread for the guard's lifetime.
class ScopedMessageSink {
 public:
  explicit ScopedMessageSink(MessageSink* sink);
  ~ScopedMessageSink();
  ScopedMessageSink(const ScopedMessageSink&) = delete;
  ScopedMessageSink& operator=(const ScopedMessageSink&) = delete;

 private:
  MessageSink* previous_;
};

// Writes a printf-style error message, as it stands.
void reportError(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Reports `text` as it stands, with `line` for a sink that lists lines.
void reportAt(Severity severity, int line, const std::string& text);

// Reports `text` about line `line`, written with its line number.
void reportLine(Severity severity, int line, const std::string& text);

}  // namespace korvel

#endif  // KORVEL_DATASET_MESSAGES_H
