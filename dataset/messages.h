// The messages the plug-in writes while it opens a file, and the one way
// they are written.
//
// Every refusal names its message from this table and returns through
// fail(); the words are fixed, trailing blanks and line feeds included,
// because viewers and scripts have always seen exactly these bytes. Where
// a message goes is up to the current sink: standard error unless a caller
// routes a read's messages elsewhere, say to gather them instead of
// printing the first.
#ifndef KORVEL_DATASET_MESSAGES_H
#define KORVEL_DATASET_MESSAGES_H

#include "dataset/result.h"

namespace korvel {

enum class Message {
  // Opening a file.
  kExtensionNotS,           // a Touchstone extension that does not begin with "s"
  kCannotOpenForRead,       // the file cannot be opened (argument: the path)
  kCannotOpenFile,          // a Touchstone read failed (argument: the path)
  kOutOfMemory,             // the record's arrays do not fit in memory
  kFileTooLarge,            // counts beyond what the record can index

  // Both readers.
  kZoValuesIncomplete,      // fewer reference impedances than terminals

  // The SC reader.
  kZoValuesMissing,         // no Zo line
  kScatteringIncomplete,    // fewer S-parameter values than the counts need, or than the file could hold
  kPortNumberMissing,       // no header line with N= or NPort=
  kCountsNotPositive,       // a port or point count of 0 or below
  kSweepingMissing,         // no sweep line with NumOfBlock=
  kBlockCountNegative,      // NumOfBlock= below 0
  kSweepNamesIncomplete,    // fewer ParamNames= than NumOfParam=
  kSweepValuesMissing,      // no ParamSweep line
  kSweepParameterMissing,   // a parameter without its value list (argument: its name)
  kSweepValuesIncomplete,   // the file ends inside a value list
  kMixedModeMissing,        // neither a terminal line nor a Zo line
  kTwoPortTerminals,        // a two-port with fewer than two terminals
  kScatteringMissing,       // no DATA= line before a block's S-parameters
  kNoiseMissing,            // no noise header line in a block
  kNoiseIncomplete,         // fewer noise lines than points
  kGroupDelayMissing,       // no DATA= line before a block's group delays
  kGroupDelayIncomplete,    // fewer group delays than the counts need

  // The Touchstone reader.
  kHeaderLineMissing,       // no option line
  kFrequencyUnitMissing,    // the option line ends before the unit
  kParameterTypeMissing,    // the option line ends before the parameter type
  kOnlyScattering,          // a parameter type other than S
  kFormatMissing,           // the option line ends before the format
  kFormatUnknown,           // a format other than DB, MA or RI
  kImpedanceMissing,        // the option line ends before the impedance keyword
  kMappingTerminalNumber,   // a mixed-mode mapping names a terminal out of range
  kMappingIncomplete,       // a mixed-mode mapping leaves a terminal unnamed
  kNoData,                  // no complete S-parameter point
};

// The text of `message` byte for byte. A message with an argument holds
// one "%s" where it goes.
const char* messageText(Message message);

// Where messages go.
class MessageSink {
 public:
  virtual ~MessageSink() = default;
  // `argument` is what fills the text's "%s", null for a message without.
  // Must not throw: it is called on the way out of a failed read,
  // including one that ran out of memory.
  virtual void report(Message message, const char* argument) noexcept = 0;
};

// Writes every message's text to standard error, as the viewer has always
// shown them.
MessageSink& standardErrorSink();

// The sink of this thread's messages: standardErrorSink() unless a
// MessageRoute is in force.
MessageSink& currentMessageSink();

// Sends this thread's messages to `sink` while it lasts.
class MessageRoute {
 public:
  explicit MessageRoute(MessageSink& sink);
  ~MessageRoute();
  MessageRoute(const MessageRoute&) = delete;
  MessageRoute& operator=(const MessageRoute&) = delete;

 private:
  MessageSink* previous_;
};

// Hands `message` to the current sink.
void report(Message message, const char* argument = nullptr);

// Hands `message` to the current sink and returns kFailed: the way every
// refusal ends.
inline int fail(Message message, const char* argument = nullptr) {
  report(message, argument);
  return kFailed;
}

}  // namespace korvel

#endif  // KORVEL_DATASET_MESSAGES_H
