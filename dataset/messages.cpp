// The message table and the standard-error sink.
#include "dataset/messages.h"

#include <cstdio>
#include <cstring>

namespace korvel {

namespace {

struct MessageEntry {
  Message message;
  const char* text;
  Severity severity = Severity::kError;
  bool citesLine = false;
};

constexpr Severity kWarning = Severity::kWarning;
constexpr bool kLine = true;

// In the order of the enumeration, which messageText checks.
constexpr MessageEntry kMessages[] = {
    {Message::kExtensionNotS, "The first character of file extension should be s."},
    {Message::kCannotOpenForRead, "Error: unable to open %s for read.\n"},
    {Message::kCannotOpenFile, "Can't open file: %s.\n ", Severity::kOutcome},
    {Message::kOutOfMemory, "Not enough memory to read the file.\n"},
    {Message::kFileTooLarge, "The file is too large to be read.\n"},
    {Message::kZoValuesIncomplete, "Can't find enough Zo's values.\n "},
    {Message::kZoValuesMissing, "Can't find the Zo's values.\n "},
    {Message::kScatteringIncomplete, "Can't find enough S-parameter values.\n "},
    {Message::kPortNumberMissing, "Can not find the port_number information. \n"},
    {Message::kCountsNotPositive, "Port_number and data points number can not be 0. \n"},
    {Message::kSweepingMissing, "Can not find the sweeping information. \n"},
    {Message::kBlockCountNegative, "NumOfBlock can not be negative.\n"},
    {Message::kSweepNamesIncomplete, "The sweep parameter names are not complete.\n"},
    {Message::kSweepValuesMissing, "Can not find the sweep parameter values.\n"},
    {Message::kSweepParameterMissing, "Can not find the sweep parameter %s's values.\n"},
    {Message::kSweepValuesIncomplete, "Can't read enough parameter values.\n "},
    {Message::kMixedModeMissing, "Can not find the MIXEDMOD information. \n"},
    {Message::kTwoPortTerminals, "A two-port needs two terminals.\n"},
    {Message::kScatteringMissing, "Can't find S-parameter values.\n "},
    {Message::kNoiseMissing, "Can't find noise parameter values.\n "},
    {Message::kNoiseIncomplete, "Can't find enough noise parameter values.\n "},
    {Message::kGroupDelayMissing, "Can't find group delay values.\n "},
    {Message::kGroupDelayIncomplete, "Can't find enough Group Delay values.\n "},
    {Message::kTerminalNameRepeated, "Terminal %s is named twice in DATATYPE=.\n"},
    {Message::kHeaderLineMissing, "Can not find the header line. \n"},
    {Message::kMappingTerminalNumber,
     "format error, mixed mode terminal number should be positive and less than 999.\n", kWarning},
    {Message::kMappingIncomplete, "format error, name mapping for mixed mode is not complete.\n", kWarning},
    {Message::kNoData, "There is no data values.\n "},
    {Message::kOptionFieldUnknown,
     "%s is no option: the option line takes a frequency unit (Hz, kHz, MHz, GHz), a parameter type (S, "
     "Y, Z, H, "
     "G), a data format (DB, MA, RI) and R with its reference resistances",
     Severity::kError, kLine},
    {Message::kOptionNumberWithoutR, "%s is a number with no R before it on the option line",
     Severity::kError, kLine},
    {Message::kOptionFieldTwice, "%s a second time on the option line", Severity::kError, kLine},
    {Message::kOptionResistancesExtra, "the option line gives %s; the extra ones are ignored", kWarning,
     kLine},
    {Message::kHybridNotTwoPort, "H and G parameters describe two-ports only; this file has %s ports",
     Severity::kError, kLine},
    {Message::kPerPortNormalised,
     "%s data with one reference resistance per port is defined only from Touchstone 2.0 on ([Version])",
     Severity::kError, kLine},
    {Message::kReferenceNotPositive, "%s data needs reference resistances above zero to be turned into S",
     Severity::kError, kLine},
    {Message::kTsWithoutVersion,
     "a .ts file begins with [Version] and gives its port count in [Number of Ports]", Severity::kError,
     kLine},
    {Message::kPortCountDiffers, "[Number of Ports] gives %s; the keyword holds", kWarning, kLine},
    {Message::kVersionUnknown, "[Version] %s is none this reader knows (2.0, 2.1)", Severity::kError, kLine},
    {Message::kOptionLineNotAfterVersion, "the option line (\"#\" in the first column) must follow [Version]",
     Severity::kError, kLine},
    {Message::kOptionLineTwice, "the option line is given a second time", Severity::kError, kLine},
    {Message::kPortsNotAfterOptionLine, "[Number of Ports] must follow the option line", Severity::kError,
     kLine},
    {Message::kPortCountInvalid, "[Number of Ports] needs a port count from 1 to 9999", Severity::kError,
     kLine},
    {Message::kValueWhereKeywordDue, "a value stands where a keyword is due", Severity::kError, kLine},
    {Message::kKeywordTwice, "%s is given a second time", Severity::kError, kLine},
    {Message::kKeywordUnknown, "unknown keyword %s", Severity::kError, kLine},
    {Message::kKeywordOutOfOrder, "%s is out of order: it may not stand before [Network Data] here",
     Severity::kError, kLine},
    {Message::kCountInvalid, "%s needs a count of at least 1", Severity::kError, kLine},
    {Message::kTwoPortOrderInvalid, "[Two-Port Data Order] must be 12_21 or 21_12", Severity::kError, kLine},
    {Message::kTwoPortOrderMissing, "[Two-Port Data Order] is missing before [Network Data]",
     Severity::kError, kLine},
    {Message::kTwoPortOrderNotTwoPort, "[Two-Port Data Order] is given for a file of %s ports",
     Severity::kError, kLine},
    {Message::kMatrixFormatInvalid, "[Matrix Format] must be Full, Lower or Upper", Severity::kError, kLine},
    {Message::kReferenceNotResistance, "[Reference] holds %s, which is no resistance", Severity::kError,
     kLine},
    {Message::kReferenceCount, "[Reference] needs one resistance per port; it gives %s", Severity::kError,
     kLine},
    {Message::kDescriptorInvalid, "[Mixed-Mode Order] holds %s, which is none of D<i>,<j>, C<i>,<j> or S<i>",
     Severity::kError, kLine},
    {Message::kDescriptorCount, "[Mixed-Mode Order] needs one descriptor per port; it gives %s",
     Severity::kError, kLine},
    {Message::kMixedPortOutOfRange, "[Mixed-Mode Order] names a port outside 1..%s", Severity::kError, kLine},
    {Message::kMixedPortTwice, "[Mixed-Mode Order] uses port %s in two groups", Severity::kError, kLine},
    {Message::kMixedModeTwice, "[Mixed-Mode Order] names one mode of a pair twice", Severity::kError, kLine},
    {Message::kMixedPairIncomplete, "[Mixed-Mode Order] must give each D pair its C pair, and each C its D",
     Severity::kError, kLine},
    {Message::kMixedPairResistances, "ports %s of a mixed-mode pair have different reference resistances",
     Severity::kError, kLine},
    {Message::kMixedModePortsTooMany, "[Mixed-Mode Order] gives more than 999 mixed-mode ports",
     Severity::kError, kLine},
    {Message::kInformationNotEnded, "[Begin Information] has no [End Information]", Severity::kError, kLine},
    {Message::kFrequencyCountMissing, "[Number of Frequencies] is missing before [Network Data]",
     Severity::kError, kLine},
    {Message::kNetworkDataMissing, "[Network Data] is missing", Severity::kError, kLine},
    {Message::kFrequencyNotRising, "frequency %s does not rise above the one before; the point is kept",
     kWarning, kLine},
    {Message::kWideDataLine, "more than four pairs on one data line", kWarning, kLine},
    {Message::kPointsBeyondCount,
     "a value stands where a keyword is due: [Number of Frequencies] is %s and the points are complete",
     Severity::kError, kLine},
    {Message::kPointIncomplete, "the last point of [Network Data] is incomplete", Severity::kError, kLine},
    {Message::kPointCountMismatch, "[Number of Frequencies] and the points of [Network Data] differ: %s",
     Severity::kError, kLine},
    {Message::kNoiseNotTwoPort, "[Noise Data] belongs to two-ports only", Severity::kError, kLine},
    {Message::kNoiseCountMissing, "[Noise Data] needs [Number of Noise Frequencies]", Severity::kError,
     kLine},
    {Message::kNoisePointsBeyondCount,
     "a value stands where a keyword is due: [Number of Noise Frequencies] is %s and the noise points are "
     "complete",
     Severity::kError, kLine},
    {Message::kNoisePointIncomplete, "the last point of [Noise Data] is incomplete", Severity::kError, kLine},
    {Message::kNoiseCountMismatch, "[Number of Noise Frequencies] and the points of [Noise Data] differ: %s",
     Severity::kError, kLine},
    {Message::kNoisePointsDropped, "only the first %s noise points are kept, one for each network data point",
     kWarning, kLine},
    {Message::kNoiseFrequencyNotRising,
     "a noise frequency does not rise above the one before; the point is kept", kWarning, kLine},
    {Message::kNoiseDataMissing,
     "[Number of Noise Frequencies] is given but [Noise Data] is missing; the network data is kept",
     Severity::kLapse, kLine},
    {Message::kEndExpected, "%s stands where [End] is due", Severity::kError, kLine},
    {Message::kEndMissing, "[End] is missing; the data read is kept", kWarning, kLine},
    {Message::kValueNotNumber, "%s is not a number", Severity::kError, kLine},
    {Message::kPointCutShort,
     "the file ends inside the last point, which lacks %s; the complete points are kept", kWarning, kLine},
    {Message::kNoisePointCutShort,
     "a noise point is cut short and lacks %s; the noise points before it are kept", kWarning, kLine},
    {Message::kPortImpedanceValues,
     "a \"! Port Impedance\" line needs a real and an imaginary part for each of %s numbers",
     Severity::kError, kLine},
    {Message::kPortImpedanceCount, "the file needs one \"! Port Impedance\" line per point; it has %s",
     Severity::kError, kLine},
    {Message::kPortImpedanceComplex,
     "port impedances with an imaginary part at %s: Z, Y and the figures derived from them have no value "
     "there",
     kWarning, kLine},
    {Message::kPortImpedanceNoise,
     "port 1's impedance changes from point to point, so the noise data has no reference: its figures have "
     "no value",
     kWarning, kLine},
    {Message::kReferenceValueMissing,
     "R has no value on the option line and no \"! Port Impedance\" line gives the references: every "
     "reference is 50 ohms",
     kWarning, kLine},
    {Message::kOptionLineRepeated,
     "the option line is given a second time, the same as the first; it is "
     "passed over",
     kWarning, kLine},
    {Message::kDataLineNotWholePoints, "the data line holds %s; a line must hold whole points",
     Severity::kError, kLine},
    {Message::kNoiseOpeningInvalid,
     "a frequency below the one before opens the noise block, but this line is no noise point: %s",
     Severity::kError, kLine},
};

constexpr bool tableFollowsEnumeration() {
  int expected = 0;
  for (const MessageEntry& entry : kMessages) {
    if (static_cast<int>(entry.message) != expected++) return false;
  }
  return true;
}
static_assert(tableFollowsEnumeration(), "one text per message, in the enumeration's order");

class StandardErrorSink final : public MessageSink {
 public:
  // One formatted write of the whole text, with no allocation, so that a
  // read that ran out of memory can still say so.
  void report(Message message, const char* argument) noexcept override {
    const char* text = messageText(message);
    const char* slot = std::strstr(text, "%s");
    if (slot == nullptr) {
      std::fputs(text, stderr);
      return;
    }
    std::fprintf(stderr, "%.*s%s%s", static_cast<int>(slot - text), text, argument != nullptr ? argument : "",
                 slot + 2);
  }

  void reportAt(Message message, int line, const char* argument) noexcept override {
    if (!messageCitesLine(message)) {
      report(message, argument);
      return;
    }
    std::fprintf(stderr,
                 "%s in line %d: ", messageSeverity(message) == Severity::kError ? "Error" : "Warning", line);
    report(message, argument);
    std::fputc('\n', stderr);
  }
};

thread_local MessageSink* currentSink = nullptr;

}  // namespace

const char* messageText(Message message) { return kMessages[static_cast<int>(message)].text; }

Severity messageSeverity(Message message) { return kMessages[static_cast<int>(message)].severity; }

bool messageCitesLine(Message message) { return kMessages[static_cast<int>(message)].citesLine; }

std::string messageWithArgument(Message message, const char* argument) {
  std::string text = messageText(message);
  size_t slot = text.find("%s");
  if (slot != std::string::npos) text.replace(slot, 2, argument != nullptr ? argument : "");
  return text;
}

namespace {

bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The first `limit` bytes of `text`, shortened so that no UTF-8 character
// is cut in two.
std::string_view leadingBytes(std::string_view text, size_t limit) {
  if (text.size() <= limit) return text;
  size_t end = limit;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xc0) == 0x80) --end;
  return text.substr(0, end);
}

void appendEscaped(char c, bool escapeQuote, std::string* out) {
  static const char kHexDigits[] = "0123456789abcdef";
  unsigned char byte = static_cast<unsigned char>(c);
  if (c == '\t') {
    *out += "\\t";
  } else if (c == '\n') {
    *out += "\\n";
  } else if (c == '\r') {
    *out += "\\r";
  } else if (byte < 0x20 || byte == 0x7f) {
    *out += "\\x";
    *out += kHexDigits[byte >> 4];
    *out += kHexDigits[byte & 0xf];
  } else if (c == '\\' || (escapeQuote && c == '"')) {
    *out += '\\';
    *out += c;
  } else {
    *out += c;
  }
}

}  // namespace

std::string quotedToken(std::string_view token, QuoteMarks marks) {
  constexpr size_t kShownBytes = 40;
  while (!token.empty() && isSpace(token.front())) token.remove_prefix(1);
  while (!token.empty() && isSpace(token.back())) token.remove_suffix(1);
  std::string_view shown = leadingBytes(token, kShownBytes);
  std::string quoted;
  if (marks == QuoteMarks::kDouble) quoted += '"';
  if (marks == QuoteMarks::kBrackets) quoted += '[';
  for (char c : shown) appendEscaped(c, marks == QuoteMarks::kDouble, &quoted);
  if (shown.size() < token.size()) quoted += "...";
  if (marks == QuoteMarks::kDouble) quoted += '"';
  if (marks == QuoteMarks::kBrackets) quoted += ']';
  return quoted;
}

MessageSink& standardErrorSink() {
  static StandardErrorSink sink;
  return sink;
}

MessageSink& currentMessageSink() { return currentSink != nullptr ? *currentSink : standardErrorSink(); }

MessageRoute::MessageRoute(MessageSink& sink) : previous_(currentSink) { currentSink = &sink; }

MessageRoute::~MessageRoute() { currentSink = previous_; }

void report(Message message, const char* argument) { currentMessageSink().report(message, argument); }

void reportAt(Message message, int line, const char* argument) {
  currentMessageSink().reportAt(message, line, argument);
}

}  // namespace korvel
