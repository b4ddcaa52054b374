// While alive, what the plug-in writes to standard output and standard
// error (through the descriptors, as C stdio does) goes into two
// temporary files instead; the tool reads them back afterwards.
#ifndef KORVEL_TOOLS_SESSION_OUTPUT_CAPTURE_H
#define KORVEL_TOOLS_SESSION_OUTPUT_CAPTURE_H

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

namespace korvel::tool {

// Two scratch files that hold what one or more calls wrote.
class CaptureFiles {
 public:
  CaptureFiles();
  ~CaptureFiles();
  CaptureFiles(const CaptureFiles&) = delete;
  CaptureFiles& operator=(const CaptureFiles&) = delete;

  bool usable() const { return output_ != nullptr && error_ != nullptr; }
  FILE* output() const { return output_; }
  FILE* error() const { return error_; }

  // Hands each line written to standard output so far to `line` (without
  // its line feed), then empties the file. Read in pieces: a calculation
  // can report a singular matrix at every one of a million points.
  void takeOutputLines(const std::function<void(std::string_view)>& line);
  // The error text written so far, at most `limit` bytes of it; empties it.
  std::string takeErrorText(size_t limit = 64 * 1024);

 private:
  FILE* output_ = nullptr;
  FILE* error_ = nullptr;
};

// Redirects descriptors 1 and 2 into `files` for its lifetime.
class CapturedCall {
 public:
  explicit CapturedCall(CaptureFiles& files);
  ~CapturedCall();
  CapturedCall(const CapturedCall&) = delete;
  CapturedCall& operator=(const CapturedCall&) = delete;

 private:
  int savedOutput_ = -1;
  int savedError_ = -1;
};

// While alive, whatever is written to standard output goes to standard
// error instead (the plug-in's output, passed through unchanged with
// --verbose, must not mix with a command's own output).
class StandardOutputToError {
 public:
  StandardOutputToError();
  ~StandardOutputToError();
  StandardOutputToError(const StandardOutputToError&) = delete;
  StandardOutputToError& operator=(const StandardOutputToError&) = delete;

 private:
  int saved_ = -1;
};

}  // namespace korvel::tool

#endif  // KORVEL_TOOLS_SESSION_OUTPUT_CAPTURE_H
