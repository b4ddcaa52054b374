#include "support/test_support.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace korvel::testing {

host::PluginHost& pluginHost() {
  static host::PluginHost* host = [] {
    auto* created = new host::PluginHost();
    std::string error;
    if (!created->load(KORVEL_PLUGIN_PATH, &error)) {
      ADD_FAILURE() << "cannot load the plug-in: " << error;
    }
    return created;
  }();
  return *host;
}

std::unique_ptr<host::OpenedFile> openThroughHost(const std::string& path, int* result) {
  std::string error;
  const FormatDescriptor* format = pluginHost().formatFor(path, &error);
  if (format == nullptr) {
    if (result != nullptr) *result = -1;
    return nullptr;
  }
  return host::OpenedFile::open(pluginHost(), *format, path, result);
}

std::string temporaryRoot() {
  const char* root = std::getenv("TMPDIR");
  return root != nullptr && root[0] != '\0' ? root : "/tmp";
}

TempFile::TempFile(const std::string& name, const std::string& contents) {
  // A directory of its own under TMPDIR (or /tmp), removed whole at the end:
  // without one there is nothing the test may safely remove.
  std::string pattern = temporaryRoot() + "/korvel-test-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a directory in " + pattern);
  directory_ = pattern;
  path_ = directory_ + "/" + name;
  std::ofstream out(path_, std::ios::binary);
  out << contents;
}

TempFile::~TempFile() {
  std::error_code ignored;
  std::filesystem::remove_all(directory_, ignored);
}

std::string examplePath(const std::string& name) {
  return std::string(KORVEL_SOURCE_DIR) + "/examples/" + name;
}

std::string testDataPath(const std::string& name) {
  return std::string(KORVEL_SOURCE_DIR) + "/tests/data/" + name;
}

std::string withLineEnds(const std::string& text, const std::string& lineEnd) {
  std::string ended;
  for (char c : text) {
    if (c == '\n') {
      ended += lineEnd;
    } else {
      ended += c;
    }
  }
  return ended;
}

CapturedStream::CapturedStream(FILE* stream) : stream_(stream) {
  std::fflush(stream_);
  capture_ = std::tmpfile();
  savedDescriptor_ = dup(fileno(stream_));
  dup2(fileno(capture_), fileno(stream_));
}

CapturedStream::~CapturedStream() { finish(); }

std::string CapturedStream::finish() {
  if (finished_) return text_;
  finished_ = true;
  std::fflush(stream_);
  dup2(savedDescriptor_, fileno(stream_));
  close(savedDescriptor_);
  std::rewind(capture_);
  char buffer[4096];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, capture_)) > 0) text_.append(buffer, got);
  std::fclose(capture_);
  return text_;
}

}  // namespace korvel::testing
