// Capturing the plug-in's standard streams.
#include "tools/session/output_capture.h"

#include <unistd.h>

#include <algorithm>
#include <iostream>
#include <memory>

namespace korvel::tool {

namespace {

void flushEverything() {
  std::cout.flush();
  std::cerr.flush();
  std::fflush(stdout);
  std::fflush(stderr);
}

void emptyFile(FILE* file) {
  std::fflush(file);
  if (ftruncate(fileno(file), 0) != 0) return;
  std::rewind(file);
}

}  // namespace

CaptureFiles::CaptureFiles() : output_(std::tmpfile()), error_(std::tmpfile()) {}

CaptureFiles::~CaptureFiles() {
  if (output_ != nullptr) std::fclose(output_);
  if (error_ != nullptr) std::fclose(error_);
}

void CaptureFiles::takeOutputLines(const std::function<void(std::string_view)>& line) {
  if (output_ == nullptr) return;
  std::rewind(output_);
  std::string pending;
  // Not zeroed: only what is read into it is ever looked at.
  constexpr size_t kChunkBytes = 64 * 1024;
  std::unique_ptr<char[]> chunk(new char[kChunkBytes]);
  size_t read = 0;
  while ((read = std::fread(chunk.get(), 1, kChunkBytes, output_)) > 0) {
    std::string_view text(chunk.get(), read);
    size_t end = 0;
    while ((end = text.find('\n')) != std::string_view::npos) {
      pending.append(text.substr(0, end));
      line(pending);
      pending.clear();
      text.remove_prefix(end + 1);
    }
    // A line longer than any message is cut rather than held whole.
    if (pending.size() < 4096) pending.append(text.substr(0, 4096 - pending.size()));
  }
  if (!pending.empty()) line(pending);
  emptyFile(output_);
}

std::string CaptureFiles::takeErrorText(size_t limit) {
  std::string text;
  if (error_ == nullptr) return text;
  std::rewind(error_);
  // Read in pieces up to the limit rather than zeroing the whole limit
  // first: the text is almost always empty or one line.
  char piece[4096];
  while (text.size() < limit) {
    size_t read = std::fread(piece, 1, std::min(sizeof piece, limit - text.size()), error_);
    if (read == 0) break;
    text.append(piece, read);
  }
  emptyFile(error_);
  return text;
}

CapturedCall::CapturedCall(CaptureFiles& files) {
  if (!files.usable()) return;
  flushEverything();
  savedOutput_ = dup(STDOUT_FILENO);
  savedError_ = dup(STDERR_FILENO);
  if (savedOutput_ >= 0) dup2(fileno(files.output()), STDOUT_FILENO);
  if (savedError_ >= 0) dup2(fileno(files.error()), STDERR_FILENO);
}

CapturedCall::~CapturedCall() {
  std::fflush(stdout);
  std::fflush(stderr);
  if (savedOutput_ >= 0) {
    dup2(savedOutput_, STDOUT_FILENO);
    close(savedOutput_);
  }
  if (savedError_ >= 0) {
    dup2(savedError_, STDERR_FILENO);
    close(savedError_);
  }
}

StandardOutputToError::StandardOutputToError() {
  flushEverything();
  saved_ = dup(STDOUT_FILENO);
  if (saved_ >= 0) dup2(STDERR_FILENO, STDOUT_FILENO);
}

StandardOutputToError::~StandardOutputToError() {
  std::fflush(stdout);
  if (saved_ < 0) return;
  dup2(saved_, STDOUT_FILENO);
  close(saved_);
}

}  // namespace korvel::tool
