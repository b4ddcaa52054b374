// The messages the plug-in writes while it opens a file, and the one way
// they are written.
//
// Every refusal names its message from this table and returns through
// fail(); the words are fixed, trailing blanks and line feeds included,
// because viewers and scripts have always seen exactly these bytes. Where
// a message goes is up to the current sink: standard error unless a caller
// routes a read's messages elsewhere, say to gather them instead of
// printing the first.
//
// Messages about one place in a file (a token, a keyword, a data point)
// carry that line's number: the viewer sees them as "Error in line N: "
// or "Warning in line N: " before the text, and a gathering sink keeps the
// number apart. A warning leaves the file open; an error refuses it.
#ifndef KORVEL_DATASET_MESSAGES_H
#define KORVEL_DATASET_MESSAGES_H

#include <string>
#include <string_view>

#include "dataset/result.h"

namespace korvel {

enum class Message {
  // Opening a file.
  kExtensionNotS,      // a Touchstone extension that does not begin with "s"
  kCannotOpenForRead,  // the file cannot be opened (argument: the path)
  kCannotOpenFile,     // a Touchstone read failed (argument: the path)
  kOutOfMemory,        // the record's arrays do not fit in memory
  kFileTooLarge,       // counts beyond what the record can index

  // Both readers.
  kZoValuesIncomplete,  // fewer reference impedances than terminals

  // The SC reader.
  kZoValuesMissing,        // no Zo line
  kScatteringIncomplete,   // fewer S-parameter values than the counts need, or than the file could hold
  kPortNumberMissing,      // no header line with N= or NPort=
  kCountsNotPositive,      // a port or point count of 0 or below
  kSweepingMissing,        // no sweep line with NumOfBlock=
  kBlockCountNegative,     // NumOfBlock= below 0
  kSweepNamesIncomplete,   // fewer ParamNames= than NumOfParam=
  kSweepValuesMissing,     // no ParamSweep line
  kSweepParameterMissing,  // a parameter without its value list (argument: its name)
  kSweepValuesIncomplete,  // the file ends inside a value list
  kMixedModeMissing,       // neither a terminal line nor a Zo line
  kTwoPortTerminals,       // a two-port with fewer than two terminals
  kScatteringMissing,      // no DATA= line before a block's S-parameters
  kNoiseMissing,           // no noise header line in a block
  kNoiseIncomplete,        // fewer noise lines than points
  kGroupDelayMissing,      // no DATA= line before a block's group delays
  kGroupDelayIncomplete,   // fewer group delays than the counts need
  kTerminalNameRepeated,   // DATATYPE= names one terminal twice (argument: the name)

  // The Touchstone reader.
  kHeaderLineMissing,      // no option line
  kMappingTerminalNumber,  // a mixed-mode mapping names a terminal out of range (a warning)
  kMappingIncomplete,      // a mixed-mode mapping leaves a terminal unnamed (a warning)
  kNoData,                 // no complete S-parameter point

  // The Touchstone reader, about one line of the file. The argument is
  // said in the comment; "count" texts take a phrase such as "3 for 4 ports".
  kOptionFieldUnknown,    // an option-line token that is no field (the token)
  kOptionNumberWithoutR,  // a number with no R before it (the number)
  kOptionFieldTwice,      // a field given twice (the token and the field, "\"MHz\" gives the frequency unit")
  kOptionResistancesExtra,  // warning: more R values than ports (count)
  kHybridNotTwoPort,        // H or G data for other than two ports (the port count)
  kPerPortNormalised,       // 1.x Y/Z/H/G data with per-port R values (the parameter letter)
  kReferenceNotPositive,    // Y/Z/H/G data at a reference of zero or below (the parameter letter)
  kTsWithoutVersion,        // a .ts file that is no 2.x file
  kPortCountDiffers,        // warning: [Number of Ports] against the file name ("2 ports, the file name 3")
  kVersionUnknown,          // a [Version] other than 2.0 and 2.1 (the version given)
  kOptionLineNotAfterVersion,  // no option line right after [Version]
  kOptionLineTwice,            // a second option line
  kPortsNotAfterOptionLine,    // no [Number of Ports] right after the option line
  kPortCountInvalid,           // a port count outside 1..9999
  kValueWhereKeywordDue,       // a line of values among the keywords
  kKeywordTwice,               // a keyword given twice (the keyword)
  kKeywordUnknown,             // an unknown keyword (the keyword as written)
  kKeywordOutOfOrder,          // a known keyword where it may not stand (the keyword)
  kCountInvalid,               // a count keyword without a count of at least 1 (the keyword)
  kTwoPortOrderInvalid,        // [Two-Port Data Order] other than 12_21 or 21_12
  kTwoPortOrderMissing,        // a two-port without [Two-Port Data Order]
  kTwoPortOrderNotTwoPort,     // [Two-Port Data Order] in a file of other than two ports (the port count)
  kMatrixFormatInvalid,        // [Matrix Format] other than Full, Lower, Upper
  kReferenceNotResistance,     // [Reference] holding text (the token)
  kReferenceCount,             // [Reference] with other than one value per port (count)
  kDescriptorInvalid,          // [Mixed-Mode Order] holding no descriptor (the token)
  kDescriptorCount,            // [Mixed-Mode Order] with other than one descriptor per port (count)
  kMixedPortOutOfRange,        // a descriptor's port beyond the port count (the port count)
  kMixedPortTwice,             // a port in two groups (the port)
  kMixedModeTwice,             // one mode of a pair named twice
  kMixedPairIncomplete,        // a D pair without its C pair, or a C without its D
  kMixedPairResistances,       // the ports of a pair at different references ("1 and 2")
  kMixedModePortsTooMany,      // more mixed-mode ports than names can number
  kInformationNotEnded,        // [Begin Information] without [End Information]
  kFrequencyCountMissing,      // no [Number of Frequencies]
  kNetworkDataMissing,         // no [Network Data]
  kFrequencyNotRising,         // warning: a network frequency not above its predecessor (the frequency)
  kWideDataLine,               // warning: more than four pairs on a 1.x data line
  kPointsBeyondCount,          // a value after the declared points (the count)
  kPointIncomplete,            // the last network point cut short
  kPointCountMismatch,         // points read against [Number of Frequencies] ("3 declared, 2 read")
  kNoiseNotTwoPort,            // [Noise Data] in a file of other than two ports
  kNoiseCountMissing,          // [Noise Data] without [Number of Noise Frequencies]
  kNoisePointsBeyondCount,     // a value after the declared noise points (the count)
  kNoisePointIncomplete,       // the last noise point cut short
  kNoiseCountMismatch,         // noise points read against their count ("3 declared, 2 read")
  kNoisePointsDropped,         // warning: more noise points than network points (the network point count)
  kNoiseFrequencyNotRising,    // warning: a noise frequency not above its predecessor
  kNoiseDataMissing,           // lapse: [Number of Noise Frequencies] without [Noise Data]
  kEndExpected,                // another keyword where [End] is due (the keyword)
  kEndMissing,                 // warning: no [End]

  // Both readers, about one line of the file.
  kValueNotNumber,  // a data token that is not a number in full ("\"abc\" in block 2")

  // The Touchstone reader, about one line of the file.
  kPointCutShort,         // warning: the file ends inside a point ("3 values")
  kNoisePointCutShort,    // warning: a 1.x noise point with fewer than five numbers ("3 values")
  kPortImpedanceValues,   // a port impedance line without two numbers per port ("3 ports; it gives 4")
  kPortImpedanceCount,    // port impedance lines against points ("3 lines for 4 points")
  kPortImpedanceComplex,  // warning: port impedances with a reactance ("2 of 4 points")
  kPortImpedanceNoise,    // warning: noise data with no single port 1 impedance to refer to

  // The Touchstone reader: files the standard frowns on but that read
  // without doubt.
  kReferenceValueMissing,  // warning: R with no value and no port impedance lines
  kOptionLineRepeated,     // warning: the option line given again, the same as the first

  // The Touchstone reader, about a data or noise line of a 1.x file.
  kDataLineNotWholePoints,  // a data line ending inside a point ("8 numbers where a point has 9")
  kNoiseOpeningInvalid,     // the noise block's first line is no noise point ("it holds 4 numbers, not 5")
};

// What a message means for the file.
enum class Severity {
  kError,    // the file is refused
  kWarning,  // the file opens all the same
  kLapse,    // the file opens all the same, with a warning; a check counts it an error
  kOutcome,  // the closing line after a refusal, naming the file
};

Severity messageSeverity(Message message);

// True for a message about one line, written with its line number.
bool messageCitesLine(Message message);

// The text with its argument in place, without any line number. Allocates:
// for a sink that keeps messages, not for the way out of a failed read.
std::string messageWithArgument(Message message, const char* argument);

// The marks quotedToken puts around a token.
enum class QuoteMarks {
  kDouble,    // "token"
  kBrackets,  // [token], for a keyword
  kNone,      // for the older texts, which quote names bare
};

// Text from a file made fit for a message, the one way every message
// quotes a file: white space around it dropped, a long token cut to its
// first 40 bytes (never inside a UTF-8 character) and "...", control
// characters shown escaped ("\t", "\x01"), a backslash doubled and, in
// double quotes, a double quote escaped; so that a message stays one short
// line whatever a file holds.
std::string quotedToken(std::string_view token, QuoteMarks marks = QuoteMarks::kDouble);

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
  // The same for a message about line `line` of the file (from 1; 0 when
  // none applies). A sink that has no use for the line passes it over.
  virtual void reportAt(Message message, int /*line*/, const char* argument) noexcept {
    report(message, argument);
  }
  // True when a reader should go on after an error to find more of them.
  virtual bool collectsAll() const noexcept { return false; }
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

// Hands `message` about line `line` to the current sink.
void reportAt(Message message, int line, const char* argument = nullptr);
inline void reportAt(Message message, int line, const std::string& argument) {
  reportAt(message, line, argument.c_str());
}

// Hands `message` to the current sink and returns kFailed: the way every
// refusal ends.
inline int fail(Message message, const char* argument = nullptr) {
  report(message, argument);
  return kFailed;
}

// The same for a message about line `line`.
inline int failAt(Message message, int line, const char* argument = nullptr) {
  reportAt(message, line, argument);
  return kFailed;
}
inline int failAt(Message message, int line, const std::string& argument) {
  return failAt(message, line, argument.c_str());
}

// True when the current sink wants a read to go on after an error. Asked
// once, where a read starts; the read carries the answer in its plan.
inline bool readsOnAfterErrors() { return currentMessageSink().collectsAll(); }

// The errors of one read: each is reported, remembered, and stops the read
// unless the read collects every error (a full check), in which case it
// goes on where it can.
class ReadStatus {
 public:
  explicit ReadStatus(bool collecting) : collecting_(collecting) {}

  // Reports an error about line `line` and remembers it; true when the read
  // must stop now.
  bool refuse(Message message, int line, const std::string& argument = std::string()) {
    reportAt(message, line, argument);
    return take(kFailed);
  }
  // Remembers the status of a step that reported its own errors; true when
  // the read must stop now.
  bool take(int status) {
    failed_ = failed_ || status != kOk;
    return stopped();
  }
  // True when an error was remembered and the read does not collect.
  bool stopped() const { return failed_ && !collecting_; }
  bool failed() const { return failed_; }
  bool collecting() const { return collecting_; }
  int result() const { return failed_ ? kFailed : kOk; }

 private:
  bool collecting_;
  bool failed_ = false;
};

}  // namespace korvel

#endif  // KORVEL_DATASET_MESSAGES_H
