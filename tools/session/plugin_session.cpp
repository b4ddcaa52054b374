// Loading the plug-in and driving it for the korvel tool.
#include "tools/session/plugin_session.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "dataset/messages.h"
#include "tools/output/diagnostics.h"
#include "tools/output/text_format.h"
#include "tools/session/progress.h"

namespace korvel::tool {

namespace {

constexpr const char* kPluginFileName = "libkorvelSC.so";

// Where the installed plug-in sits relative to the installed tool.
#ifndef KORVEL_PLUGIN_DIR_FROM_BIN
#define KORVEL_PLUGIN_DIR_FROM_BIN "../lib"
#endif

std::filesystem::path executableDirectory() {
  std::error_code error;
  std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return std::filesystem::current_path(error);
  return executable.parent_path();
}

// Files worth a progress line while the plug-in reads them.
constexpr std::uintmax_t kLargeFileBytes = 32u << 20;

// Whether the plug-in's messages warn of port impedances with an
// imaginary part (the fixed text of that warning, up to its count).
bool warnsOfComplexReferences(const std::string& text) {
  std::string_view warning = messageText(Message::kPortImpedanceComplex);
  warning = warning.substr(0, warning.find('%'));
  return !warning.empty() && text.find(warning) != std::string::npos;
}

}  // namespace

std::string defaultPluginPath() {
  std::filesystem::path directory = executableDirectory();
  std::error_code error;
  std::filesystem::path beside = directory / kPluginFileName;
  if (std::filesystem::exists(beside, error)) return beside.string();
  std::filesystem::path installed =
      (directory / KORVEL_PLUGIN_DIR_FROM_BIN / kPluginFileName).lexically_normal();
  if (std::filesystem::exists(installed, error)) return installed.string();
  return beside.string();
}

template <typename Call>
auto PluginSession::guarded(Call call) {
  if (verbose_) {
    std::cout.flush();
    std::unique_ptr<StandardOutputToError> toError;
    if (quiet_) toError = std::make_unique<StandardOutputToError>();
    return call();
  }
  // Without scratch files to collect into, the plug-in's output at least
  // stays off a command's own standard output.
  std::unique_ptr<StandardOutputToError> toError;
  if (!capture_.usable() && quiet_) toError = std::make_unique<StandardOutputToError>();
  CapturedCall captured(capture_);
  return call();
}

bool PluginSession::load(const std::string& pluginPath, std::string* error) {
  pluginPath_ = pluginPath;
  bool loaded = guarded([&] { return host_.load(pluginPath, error); });
  // What the plug-in says while it registers is not about any file.
  if (!verbose_) {
    capture_.takeOutputLines([](std::string_view) {});
    capture_.takeErrorText();
  }
  return loaded;
}

std::string PluginSession::readablePath(const std::string& path) {
  if (path == "-") {
    if (standardInput_ == nullptr) {
      standardInput_ = std::make_unique<StandardInputCopy>();
      std::string error;
      if (!standardInput_->make(stdinExtension_, &error)) {
        diagnoseFile("-", error);
        return {};
      }
    }
    return standardInput_->path();
  }
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) {
    if (errno == ENOENT) {
      diagnoseFile(path, "no such file");
      return {};
    }
    diagnoseFile(path, std::string("cannot read: ") + std::strerror(errno));
    return {};
  }
  if (S_ISDIR(status.st_mode)) {
    diagnoseFile(path, "is a folder, not a file");
    return {};
  }
  return path;
}

OpenedFileInfo PluginSession::open(const std::string& path) {
  OpenedFileInfo info;
  info.path = path;
  info.readPath = readablePath(path);
  if (info.readPath.empty()) return info;
  std::string error;
  const FormatDescriptor* format = host_.formatFor(info.readPath, &error);
  if (format == nullptr) {
    diagnoseFile(path, printable(error));
    return info;
  }
  std::error_code sizeError;
  std::uintmax_t bytes = std::filesystem::file_size(info.readPath, sizeError);
  Progress progress(sizeError || bytes < kLargeFileBytes ? Progress::kNever : Progress::kAtOnce);
  // Nothing left over from earlier calls is laid to this file's account.
  capture_.takeOutputLines([](std::string_view) {});
  capture_.takeErrorText();
  progress.show("reading " + printable(path) + " (" + std::to_string(bytes >> 20) + " MB)");
  info.file = guarded([&] { return host::OpenedFile::open(host_, *format, info.readPath); });
  progress.clear();
  if (verbose_) {
    if (info.file == nullptr) diagnoseFile(path, "refused");
  } else {
    std::vector<RepeatedLine> lines;
    capture_.takeOutputLines([&](std::string_view line) { countLine(&lines, line); });
    std::string errorText = capture_.takeErrorText();
    if (info.file == nullptr) {
      std::string message = oneLineMessage(errorText);
      for (const RepeatedLine& line : lines) message += (message.empty() ? "" : " ") + line.text;
      if (message.empty()) message = "the plug-in gave no reason";
      diagnoseFile(path, "refused: " + printable(presentedMessage(message)));
    } else {
      info.formatName = format->formatName;
      info.complexReferences = warnsOfComplexReferences(errorText);
      reportWarnings(info, lines, errorText);
    }
  }
  if (info.file != nullptr) info.formatName = format->formatName;
  return info;
}

void PluginSession::reportWarnings(const OpenedFileInfo& opened, const std::vector<RepeatedLine>& lines,
                                   const std::string& errorText) {
  if (std::string message = oneLineMessage(errorText); !message.empty()) {
    diagnoseFile(opened.path, printable(message));
  }
  for (const RepeatedLine& line : lines) {
    diagnoseFile(opened.path, printable(collapsedMessage(line)));
  }
}

std::string PluginSession::fileProperty(host::OpenedFile& file, const std::string& option) {
  host::PropertyAnswer answer = guarded([&] { return file.fileProperty(option); });
  return answer.result == 0 ? answer.text : std::string();
}

host::PropertyAnswer PluginSession::waveformProperty(host::OpenedFile& file, const std::string& name,
                                                     const std::string& option) {
  return guarded([&] { return file.waveformProperty(name, option); });
}

std::vector<std::string> PluginSession::catalogue(host::OpenedFile& file) {
  return guarded([&] { return file.catalogue(); });
}

std::vector<const host::RecordedWaveform*> PluginSession::load(host::OpenedFile& file,
                                                               const std::vector<std::string>& names) {
  std::vector<WaveformHandle> handles;
  guarded([&] { return file.loadWaveformList(names, &handles); });
  std::vector<const host::RecordedWaveform*> waveforms;
  for (WaveformHandle handle : handles) {
    waveforms.push_back(handle != nullptr ? host::WaveformLibrary::instance().find(handle) : nullptr);
  }
  return waveforms;
}

PluginSession::WaveformRecording::WaveformRecording(host::ValueRecording mode)
    : saved_(host::WaveformLibrary::instance().valueRecording()) {
  host::WaveformLibrary::instance().setValueRecording(mode);
}

PluginSession::WaveformRecording::~WaveformRecording() {
  host::WaveformLibrary::instance().forgetWaveforms();
  host::WaveformLibrary::instance().setValueRecording(saved_);
}

PluginSession::WaveformRecording PluginSession::recordWaveforms(host::ValueRecording mode) {
  return WaveformRecording(mode);
}

void PluginSession::forget(const host::RecordedWaveform* waveform) {
  host::WaveformLibrary::instance().forgetWaveform(waveform);
}

}  // namespace korvel::tool
