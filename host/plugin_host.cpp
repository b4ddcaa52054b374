// Loading a plug-in and driving its callbacks as the viewer does.
#include "host/plugin_host.h"

#include <dirent.h>
#include <dlfcn.h>

#include <cstring>

namespace korvel::host {

namespace {

// Tcl needs to know its executable once per process before the first
// interpreter is made (it initialises its encodings there).
void initialiseTclOnce() {
  static bool initialised = false;
  if (!initialised) {
    Tcl_FindExecutable(nullptr);
    initialised = true;
  }
}

std::string tailOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

PluginHost::PluginHost() {
  initialiseTclOnce();
  interp_ = Tcl_CreateInterp();
}

PluginHost::~PluginHost() {
  if (interp_ != nullptr) Tcl_DeleteInterp(interp_);
  // The plug-in stays loaded: the host keeps its registered formats for the
  // life of the process, as the viewer does.
}

void PluginHost::keepInterpreterToExit() {
  if (interp_ == nullptr) return;
  // Held where a leak checker sees it still referenced.
  static auto* kept = new std::vector<Tcl_Interp*>();
  kept->push_back(interp_);
  interp_ = nullptr;
}

bool PluginHost::load(const std::string& path, std::string* error) {
  library_ = dlopen(path.c_str(), RTLD_NOW | RTLD_GLOBAL);
  if (library_ == nullptr) {
    if (error != nullptr) *error = dlerror();
    return false;
  }
  init_ = reinterpret_cast<int (*)(Tcl_Interp*)>(dlsym(library_, "korvelSC_Init"));
  if (init_ == nullptr) {
    if (error != nullptr) *error = "the plug-in " + path + " has no korvelSC_Init";
    return false;
  }
  init_(interp_);
  return true;
}

void PluginHost::attach(int (*init)(Tcl_Interp*)) {
  init_ = init;
  init_(interp_);
}

int PluginHost::callInit() { return init_ != nullptr ? init_(interp_) : -1; }

const std::vector<FormatDescriptor*>& PluginHost::formats() const {
  return WaveformLibrary::instance().formats();
}

namespace {

bool matchesAnyPattern(const std::string& text, const std::string& patterns) {
  size_t start = 0;
  while (start < patterns.size()) {
    size_t end = patterns.find(' ', start);
    if (end == std::string::npos) end = patterns.size();
    std::string pattern = patterns.substr(start, end - start);
    if (!pattern.empty() && Tcl_StringMatch(text.c_str(), pattern.c_str())) return true;
    start = end + 1;
  }
  return false;
}

}  // namespace

// The registered patterns ("[sS][cC]*", "[sS][0-9]*[pP]*") describe extensions: a
// format matches when a pattern matches the extension of the file's tail,
// without its dot. Matching the whole tail would take "scope_probe.s2p"
// for an "sc*" file.
const FormatDescriptor* PluginHost::formatFor(const std::string& path, std::string* error) const {
  std::string tail = tailOf(path);
  size_t dot = tail.find_last_of('.');
  if (dot != std::string::npos) {
    std::string extension = tail.substr(dot + 1);
    for (FormatDescriptor* format : formats()) {
      if (format->filePatterns == nullptr) continue;
      if (matchesAnyPattern(extension, format->filePatterns)) return format;
    }
  }
  if (error != nullptr) *error = "no registered format matches the file name " + tail;
  return nullptr;
}

namespace {

// A PropertyResult as the host hands it over: its answer not yet
// initialised (the plug-in does that), marked so that an untouched record
// can be told from an answered one.
struct HostPropertyRecord {
  PropertyResult record;
  HostPropertyRecord() {
    std::memset(&record, 0, sizeof record);
    record.hostReserved = -7;
    record.resultKind = -1;
  }
  bool initialised() const { return record.answer.string != nullptr; }
  PropertyAnswer finish(int result) {
    PropertyAnswer answer;
    answer.result = result;
    answer.resultKind = record.resultKind;
    answer.answered = initialised();
    if (answer.answered) {
      answer.text.assign(Tcl_DStringValue(&record.answer), Tcl_DStringLength(&record.answer));
      Tcl_DStringFree(&record.answer);
    }
    return answer;
  }
};

}  // namespace

PropertyAnswer PluginHost::formatProperty(const FormatDescriptor& format, const std::string& option) {
  HostPropertyRecord holder;
  int result = format.formatProperty(interp_, option.c_str(), &holder.record);
  return holder.finish(result);
}

OpenedFile::OpenedFile(PluginHost& host, const FormatDescriptor& format, void* dataSet)
    : host_(&host), format_(&format), dataSet_(dataSet) {}

std::unique_ptr<OpenedFile> OpenedFile::open(PluginHost& host, const FormatDescriptor& format,
                                             const std::string& path, int* result) {
  void* dataSet = nullptr;
  int status = format.openFile(host.interp(), path.c_str(), &dataSet);
  if (result != nullptr) *result = status;
  if (status != 0 || dataSet == nullptr) return nullptr;
  return std::unique_ptr<OpenedFile>(new OpenedFile(host, format, dataSet));
}

OpenedFile::~OpenedFile() { close(); }

int OpenedFile::close() {
  if (!open_) return 0;
  open_ = false;
  return format_->closeFile(host_->interp(), dataSet_);
}

PropertyAnswer OpenedFile::fileProperty(const std::string& option) {
  HostPropertyRecord holder;
  int result = format_->fileProperty(host_->interp(), dataSet_, option.c_str(), &holder.record);
  return holder.finish(result);
}

PropertyAnswer OpenedFile::waveformProperty(const std::string& name, const std::string& option) {
  HostPropertyRecord holder;
  int result =
      format_->waveformProperty(host_->interp(), dataSet_, name.c_str(), option.c_str(), &holder.record);
  return holder.finish(result);
}

std::vector<std::string> OpenedFile::catalogue() {
  std::vector<std::string> names;
  PropertyAnswer answer = fileProperty("-waveforms");
  if (answer.result == 0) splitTclList(answer.text, &names);
  return names;
}

int OpenedFile::loadWaveform(const std::string& name, WaveformHandle* handle) {
  WaveformHandle slot = nullptr;
  int result = format_->loadWaveform(host_->interp(), dataSet_, name.c_str(), &slot);
  if (handle != nullptr) *handle = slot;
  return result;
}

int OpenedFile::loadWaveformList(const std::vector<std::string>& names,
                                 std::vector<WaveformHandle>* handles) {
  return loadWaveformListText(joinTclList(names), names.size(), handles);
}

int OpenedFile::loadWaveformListText(const std::string& list, size_t slots,
                                     std::vector<WaveformHandle>* handles) {
  std::vector<WaveformHandle> out(slots + 1, nullptr);
  int result = format_->loadWaveformList(host_->interp(), dataSet_, list.c_str(), nullptr, out.data());
  out.resize(slots);
  if (handles != nullptr) *handles = std::move(out);
  return result;
}

int openDescriptorCount() {
  int count = 0;
  DIR* directory = opendir("/proc/self/fd");
  if (directory == nullptr) return -1;
  while (readdir(directory) != nullptr) ++count;
  closedir(directory);
  return count;
}

std::string joinTclList(const std::vector<std::string>& names) {
  Tcl_DString list;
  Tcl_DStringInit(&list);
  for (const std::string& name : names) Tcl_DStringAppendElement(&list, name.c_str());
  std::string text(Tcl_DStringValue(&list), Tcl_DStringLength(&list));
  Tcl_DStringFree(&list);
  return text;
}

bool splitTclList(const std::string& text, std::vector<std::string>* elements) {
  int count = 0;
  const char** items = nullptr;
  if (Tcl_SplitList(nullptr, text.c_str(), &count, &items) != TCL_OK) return false;
  elements->assign(items, items + count);
  Tcl_Free(reinterpret_cast<char*>(items));
  return true;
}

}  // namespace korvel::host
