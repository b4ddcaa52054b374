// A progress line on standard error for work that takes a while, shown
// only when standard error is a terminal, rewritten in place and cleared
// when the work is done.
#ifndef KORVEL_TOOLS_SESSION_PROGRESS_H
#define KORVEL_TOOLS_SESSION_PROGRESS_H

#include <chrono>
#include <string>

namespace korvel::tool {

class Progress {
 public:
  enum Start {
    kNever,         // never shown
    kAtOnce,        // from the first show (work known to be long)
    kAfterASecond,  // once the work has run for about a second
  };
  explicit Progress(Start start = kAfterASecond);
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // Shows `text` as the current state; cheap when nothing is shown.
  void show(const std::string& text);
  // Removes the line.
  void clear();

 private:
  bool enabled_;
  bool shown_ = false;
  Start start_;
  std::chrono::steady_clock::time_point begun_;
  std::chrono::steady_clock::time_point lastShown_;
};

}  // namespace korvel::tool

#endif  // KORVEL_TOOLS_SESSION_PROGRESS_H
