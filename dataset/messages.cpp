// The message table and the standard-error sink.
#include "dataset/messages.h"

#include <cstdio>
#include <cstring>

namespace korvel {

namespace {

struct MessageEntry {
  Message message;
  const char* text;
};

// In the order of the enumeration, which messageText checks.
constexpr MessageEntry kMessages[] = {
    {Message::kExtensionNotS, "The first character of file extension should be s."},
    {Message::kCannotOpenForRead, "Error: unable to open %s for read.\n"},
    {Message::kCannotOpenFile, "Can't open file: %s.\n "},
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
    {Message::kHeaderLineMissing, "Can not find the header line. \n"},
    {Message::kFrequencyUnitMissing, "Can not find the freq_unit information. \n"},
    {Message::kParameterTypeMissing, "Can not find the parameter_type information. \n"},
    {Message::kOnlyScattering, "Sorry, we only support S parameter now. \n"},
    {Message::kFormatMissing, "Can not find the format information (DB, MA or RI?). \n"},
    {Message::kFormatUnknown, "Error, can not find the format information(DB, MA, RI). \n"},
    {Message::kImpedanceMissing, "Can not find the normalization impedence information. \n"},
    {Message::kMappingTerminalNumber,
     "format error, mixed mode terminal number should be positive and less than 999.\n"},
    {Message::kMappingIncomplete, "format error, name mapping for mixed mode is not complete.\n"},
    {Message::kNoData, "There is no data values.\n "},
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
};

thread_local MessageSink* currentSink = nullptr;

}  // namespace

const char* messageText(Message message) { return kMessages[static_cast<int>(message)].text; }

MessageSink& standardErrorSink() {
  static StandardErrorSink sink;
  return sink;
}

MessageSink& currentMessageSink() { return currentSink != nullptr ? *currentSink : standardErrorSink(); }

MessageRoute::MessageRoute(MessageSink& sink) : previous_(currentSink) { currentSink = &sink; }

MessageRoute::~MessageRoute() { currentSink = previous_; }

void report(Message message, const char* argument) { currentMessageSink().report(message, argument); }

}  // namespace korvel
