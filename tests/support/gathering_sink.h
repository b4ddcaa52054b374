// A message sink that keeps what a read reports instead of printing it.
#ifndef KORVEL_TESTS_SUPPORT_GATHERING_SINK_H
#define KORVEL_TESTS_SUPPORT_GATHERING_SINK_H

#include <string>
#include <utility>
#include <vector>

#include "dataset/messages.h"

namespace korvel::testing {

class GatheringSink : public MessageSink {
 public:
  void report(Message message, const char* argument) noexcept override {
    gathered.emplace_back(message, argument != nullptr ? argument : "");
  }
  // Each message with its argument ("" for none), in the order reported.
  std::vector<std::pair<Message, std::string>> gathered;
};

}  // namespace korvel::testing

#endif  // KORVEL_TESTS_SUPPORT_GATHERING_SINK_H
