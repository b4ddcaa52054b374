// The fuzz harness: the plug-in's code is linked in and registered with the
// stand-in host, and every input goes through the same callbacks the viewer
// calls.
#include "fuzz/fuzz_driver.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "dataset/messages.h"
#include "host/plugin_host.h"

namespace korvel::fuzz {

namespace {

host::PluginHost& linkedHost() {
  static host::PluginHost* host = [] {
    auto* created = new host::PluginHost();
    created->attach(korvelSC_Init);
    return created;
  }();
  return *host;
}

// The folder for temporary files: TMPDIR, else /tmp.
std::string temporaryRoot() {
  const char* root = std::getenv("TMPDIR");
  return root != nullptr && root[0] != '\0' ? root : "/tmp";
}

// One folder per process for the input files, removed when the process
// exits normally. Never destroyed itself, so the removal at exit can still
// read it.
const std::string& scratchDirectory() {
  static const std::string* directory = [] {
    auto* made = new std::string(temporaryRoot() + "/korvel-fuzz-XXXXXX");
    if (mkdtemp(made->data()) == nullptr) {
      *made = temporaryRoot();
      return made;
    }
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(*directory, ignored);
    });
    return made;
  }();
  return *directory;
}

bool writeInput(const std::string& path, const uint8_t* data, size_t size) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
  std::fclose(file);
  return written;
}

const char* const kTouchstoneExtensions[] = {".s1p", ".s2p", ".s3p", ".s4p", ".s12p",
                                             ".s2",  ".S2P", ".s9999", ".ts",  ".z2p"};

// Takes every message and asks the reader to go on after errors, as the
// file check does.
class ReadOnSink final : public MessageSink {
 public:
  void report(Message, const char*) noexcept override {}
  bool collectsAll() const noexcept override { return true; }
};

const char* const kFileOptions[] = {"-design", "-filenames", "-nwaveforms", "-nsegments", "-pfname",
                                    "-waveforms", "-x", "-", "x"};
const char* const kWaveformOptions[] = {"-datatype", "-got_xaxis", "-nsegments", "-wftype", "-xname", "-xunit",
                                        "-xscale",   "-yname",     "-yunit",     "-yscale", "-q"};

void exerciseOpenedFile(host::OpenedFile& file) {
  for (const char* option : kFileOptions) file.fileProperty(option);
  std::vector<std::string> names = file.catalogue();
  for (const std::string& name : names) {
    for (const char* option : kWaveformOptions) file.waveformProperty(name, option);
  }
  file.waveformProperty("", "-datatype");
  std::vector<WaveformHandle> handles;
  file.loadWaveformList(names, &handles);
  file.loadWaveformList(names, &handles);  // every sample array is gone now
  WaveformHandle handle = nullptr;
  if (!names.empty()) file.loadWaveform(names.front(), &handle);
}

}  // namespace

void driveInput(const uint8_t* data, size_t size, const char* extension) {
  host::PluginHost& host = linkedHost();
  std::string path = scratchDirectory() + "/input" + extension;
  if (!writeInput(path, data, size)) return;
  // Names the host would not match (".S2P", ".s2") still reach the plug-in
  // through the first format: both formats share their callbacks, and the
  // plug-in decides by the extension itself.
  const FormatDescriptor* format = host.formatFor(path, nullptr);
  if (format == nullptr) format = host.formats().front();
  int before = host::openDescriptorCount();
  {
    std::unique_ptr<host::OpenedFile> file = host::OpenedFile::open(host, *format, path);
    if (file != nullptr) exerciseOpenedFile(*file);
  }
  host::WaveformLibrary::instance().forgetWaveforms();
  if (host::openDescriptorCount() != before) {
    std::fprintf(stderr, "file descriptor left open after closeFile\n");
    std::abort();
  }
}

void driveTouchstoneInput(const uint8_t* data, size_t size) {
  if (size == 0) return;
  constexpr size_t kChoices = sizeof kTouchstoneExtensions / sizeof kTouchstoneExtensions[0];
  const char* extension = kTouchstoneExtensions[data[0] % kChoices];
  if ((data[0] / kChoices) % 2 == 0) {
    driveInput(data + 1, size - 1, extension);
    return;
  }
  ReadOnSink sink;
  MessageRoute route(sink);
  driveInput(data + 1, size - 1, extension);
}

void driveScInput(const uint8_t* data, size_t size) { driveInput(data, size, ".sc0"); }

}  // namespace korvel::fuzz
