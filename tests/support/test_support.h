// Helpers shared by the test programs: the plug-in loaded through the
// stand-in host, temporary files, and capture of the plug-in's messages.
#ifndef KORVEL_TESTS_SUPPORT_TEST_SUPPORT_H
#define KORVEL_TESTS_SUPPORT_TEST_SUPPORT_H

#include <cstdio>
#include <memory>
#include <string>

#include "host/plugin_host.h"

namespace korvel::testing {

// The process-wide host with build/libkorvelSC.so loaded (loaded once: the
// plug-in registers its formats only on its first initialisation).
host::PluginHost& pluginHost();

// Opens `path` through the format the host chooses for it. `*result`
// receives openFile's result; null when the file is refused.
std::unique_ptr<host::OpenedFile> openThroughHost(const std::string& path, int* result = nullptr);

// The folder for temporary files: TMPDIR, else /tmp.
std::string temporaryRoot();

// A file in a fresh temporary directory, removed with the object.
class TempFile {
 public:
  // `name` is the file's name (its extension selects the reader).
  TempFile(const std::string& name, const std::string& contents);
  ~TempFile();
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string directory_;
  std::string path_;
};

// The path of a file under the source tree's examples/ or tests/data/.
std::string examplePath(const std::string& name);
std::string testDataPath(const std::string& name);

// `text` with every line feed replaced by `lineEnd` ("\r\n", "\r").
std::string withLineEnds(const std::string& text, const std::string& lineEnd);

// Captures what is written to the standard error (or output) stream,
// through the file descriptor, while the object lives.
class CapturedStream {
 public:
  explicit CapturedStream(FILE* stream);
  ~CapturedStream();
  // Stops capturing and returns the text.
  std::string finish();

 private:
  FILE* stream_;
  int savedDescriptor_ = -1;
  FILE* capture_ = nullptr;
  std::string text_;
  bool finished_ = false;
};

}  // namespace korvel::testing

#endif  // KORVEL_TESTS_SUPPORT_TEST_SUPPORT_H
