// Loading the plug-in and driving it for the korvel tool.
#include "tools/plugin_session.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <iostream>

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

}  // namespace

std::string defaultPluginPath() {
  std::filesystem::path directory = executableDirectory();
  std::filesystem::path beside = directory / kPluginFileName;
  std::error_code error;
  if (std::filesystem::exists(beside, error)) return beside.string();
  std::filesystem::path installed =
      (directory / KORVEL_PLUGIN_DIR_FROM_BIN / kPluginFileName).lexically_normal();
  if (std::filesystem::exists(installed, error)) return installed.string();
  return beside.string();
}

StandardOutputToError::StandardOutputToError() {
  std::cout.flush();
  std::fflush(stdout);
  saved_ = dup(STDOUT_FILENO);
  if (saved_ >= 0) dup2(STDERR_FILENO, STDOUT_FILENO);
}

StandardOutputToError::~StandardOutputToError() {
  std::fflush(stdout);
  if (saved_ < 0) return;
  dup2(saved_, STDOUT_FILENO);
  close(saved_);
}

std::unique_ptr<StandardOutputToError> PluginSession::guard() const {
  return quiet_ ? std::make_unique<StandardOutputToError>() : nullptr;
}

bool PluginSession::load(const std::string& pluginPath, std::string* error) {
  auto quiet = guard();
  return host_.load(pluginPath, error);
}

OpenedFileInfo PluginSession::open(const std::string& path) {
  OpenedFileInfo info;
  std::string error;
  const FormatDescriptor* format = host_.formatFor(path, &error);
  if (format == nullptr) {
    std::cerr << "korvel: " << path << ": " << error << "\n";
    return info;
  }
  int result = 1;
  {
    auto quiet = guard();
    info.file = host::OpenedFile::open(host_, *format, path, &result);
  }
  if (info.file == nullptr) {
    std::cerr << "korvel: " << path << ": refused by the plug-in (" << format->formatName << ")\n";
    return info;
  }
  info.formatName = format->formatName;
  return info;
}

std::string PluginSession::fileProperty(host::OpenedFile& file, const std::string& option) {
  auto quiet = guard();
  host::PropertyAnswer answer = file.fileProperty(option);
  return answer.result == 0 ? answer.text : std::string();
}

host::PropertyAnswer PluginSession::waveformProperty(host::OpenedFile& file, const std::string& name,
                                                     const std::string& option) {
  auto quiet = guard();
  return file.waveformProperty(name, option);
}

std::vector<std::string> PluginSession::catalogue(host::OpenedFile& file) {
  auto quiet = guard();
  return file.catalogue();
}

std::vector<const host::RecordedWaveform*> PluginSession::load(host::OpenedFile& file,
                                                               const std::vector<std::string>& names) {
  std::vector<WaveformHandle> handles;
  {
    auto quiet = guard();
    file.loadWaveformList(names, &handles);
  }
  std::vector<const host::RecordedWaveform*> waveforms;
  for (WaveformHandle handle : handles) {
    waveforms.push_back(handle != nullptr ? host::WaveformLibrary::instance().find(handle) : nullptr);
  }
  return waveforms;
}

}  // namespace korvel::tool
