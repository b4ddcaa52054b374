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

const std::string& scratchDirectory() {
  static std::string directory = [] {
    // Under TMPDIR (or /tmp); the temporary directory itself when no
    // directory of our own can be made there.
    std::filesystem::path temporary = std::filesystem::temp_directory_path();
    std::string pattern = (temporary / "korvel-fuzz-XXXXXX").string();
    return mkdtemp(pattern.data()) != nullptr ? pattern : temporary.string();
  }();
  return directory;
}

bool writeInput(const std::string& path, const uint8_t* data, size_t size) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
  std::fclose(file);
  return written;
}

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

}  // namespace korvel::fuzz
