// Recording implementation of the host's waveform library.
#include "host/waveform_library.h"

#include <sys/mman.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <exception>
#include <system_error>
#include <thread>

namespace korvel::host {

WaveformLibrary& WaveformLibrary::instance() {
  // Never destroyed: the registered descriptors live as long as the
  // process, as in the viewer.
  static WaveformLibrary* library = new WaveformLibrary();
  return *library;
}

const RecordedWaveform* WaveformLibrary::find(WaveformHandle handle) const { return lookup(handle); }

RecordedWaveform* WaveformLibrary::lookup(WaveformHandle handle) const {
  // The plug-in builds one waveform at a time: the newest is the usual one.
  if (!waveforms_.empty() && waveforms_.back().get() == handle) return waveforms_.back().get();
  for (const auto& waveform : waveforms_) {
    if (waveform.get() == handle) return waveform.get();
  }
  return nullptr;
}

void WaveformLibrary::forgetWaveforms() { waveforms_.clear(); }

void WaveformLibrary::forgetWaveform(const RecordedWaveform* waveform) {
  std::erase_if(waveforms_, [waveform](const auto& kept) { return kept.get() == waveform; });
}

void WaveformLibrary::failCall(BuilderFunction function, int status, int skip) {
  failures_[static_cast<size_t>(function)] = PendingFailure{true, status, skip};
}

void WaveformLibrary::clearFailures() { failures_.fill(PendingFailure{}); }

int WaveformLibrary::statusOf(BuilderFunction function) {
  PendingFailure& failure = failures_[static_cast<size_t>(function)];
  if (!failure.armed) return 0;
  if (failure.skip > 0) {
    --failure.skip;
    return 0;
  }
  failure.armed = false;
  return failure.status;
}

int WaveformLibrary::registerFormat(FormatDescriptor* descriptor) {
  ++registrationCalls_;
  if (descriptor == nullptr) return 1;
  formats_.push_back(descriptor);
  return 0;
}

WaveformHandle WaveformLibrary::create(int dataType, const char* xName, const char* xUnit, int xFlag,
                                       const char* yName, const char* yUnit, int yFlag) {
  auto waveform = std::make_unique<RecordedWaveform>();
  waveform->dataType = dataType;
  waveform->xName = xName != nullptr ? xName : "";
  waveform->xUnit = xUnit != nullptr ? xUnit : "";
  waveform->xFlag = xFlag;
  waveform->yName = yName != nullptr ? yName : "";
  waveform->yUnit = yUnit != nullptr ? yUnit : "";
  waveform->yFlag = yFlag;
  waveform->segments.emplace_back();
  waveforms_.push_back(std::move(waveform));
  return waveforms_.back().get();
}

int WaveformLibrary::setProperty(WaveformHandle handle, int property, const char* value) {
  RecordedWaveform* waveform = lookup(handle);
  if (waveform == nullptr) return 1;
  waveform->calls.push_back("SetWfProp");
  waveform->properties.push_back({property, value != nullptr ? value : ""});
  return statusOf(BuilderFunction::kSetWfProp);
}

int WaveformLibrary::addNumberParameter(WaveformHandle handle, const char* name, const char* unit, int count,
                                        const double* values) {
  RecordedWaveform* waveform = lookup(handle);
  if (waveform == nullptr) return 1;
  waveform->calls.push_back("AddNumberParameter");
  RecordedParameter parameter{name != nullptr ? name : "", unit != nullptr ? unit : "", count, {}};
  if (values != nullptr && count > 0) parameter.values.assign(values, values + count);
  waveform->parameters.push_back(std::move(parameter));
  return statusOf(BuilderFunction::kAddNumberParameter);
}

int WaveformLibrary::addValues(WaveformHandle handle, const double* x, const double* y, int count) {
  RecordedWaveform* waveform = lookup(handle);
  if (waveform == nullptr) return 1;
  waveform->calls.push_back("AddValues");
  if (count > 0) record(waveform, x, y, static_cast<size_t>(count));
  return statusOf(BuilderFunction::kAddValues);
}

namespace {

// Widens the segment's x extent by `count` values; values that are not
// numbers are left out.
void widenExtent(RecordedSegment* segment, const double* x, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    double value = x[i];
    if (std::isnan(value)) continue;
    if (std::isnan(segment->lowX) || value < segment->lowX) segment->lowX = value;
    if (std::isnan(segment->highX) || value > segment->highX) segment->highX = value;
  }
}

// Notes the first y value, and whether a later one differs from it (a
// value that is not a number differs from everything).
void summariseY(YSummary* summary, const double* y, size_t count) {
  if (count == 0 || summary->varies) return;
  size_t i = 0;
  if (!summary->any) {
    summary->any = true;
    summary->first = y[i++];
  }
  // The first value that differs settles it: the rest need not be read.
  const double first = summary->first;
  for (; i < count; ++i) {
    if (y[i] != first) {
      summary->varies = true;
      return;
    }
  }
}

// Makes room for `count` more values, and asks the kernel to back the
// whole 2 MB pages they will fill with large pages: a million-point
// waveform is 16 MB, and faulting its copy in 4 KB at a time costs more
// than copying it.
void reserveForAppend(std::vector<double>* values, size_t count) {
  constexpr uintptr_t kLargePage = uintptr_t{1} << 21;
  size_t wanted = values->size() + count;
  if (wanted > values->capacity()) values->reserve(std::max(wanted, 2 * values->capacity()));
  uintptr_t from = reinterpret_cast<uintptr_t>(values->data() + values->size());
  uintptr_t first = (from + kLargePage - 1) & ~(kLargePage - 1);
  uintptr_t last = (from + count * sizeof(double)) & ~(kLargePage - 1);
  if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

// Appends `count` values from `from`.
void append(std::vector<double>* values, const double* from, size_t count) {
  reserveForAppend(values, count);
  values->insert(values->end(), from, from + count);
}

// Runs `aside` on a thread of its own while this one runs `here`, when
// `worthAThread` (and the build may use threads), else both in turn: a
// million-point waveform's frequencies are compared with those recorded
// before (16 MB read) while its values are copied (16 MB, into memory
// touched for the first time). What either throws is rethrown once both
// have ended, the first's first.
template <class Aside, class Here>
void runBeside(bool worthAThread, Aside aside, Here here) {
#ifndef KORVEL_SERIAL
  if (worthAThread) {
    std::exception_ptr asideFailure;
    std::thread helper;
    try {
      helper = std::thread([&] {
        try {
          aside();
        } catch (...) {
          asideFailure = std::current_exception();
        }
      });
    } catch (const std::system_error&) {
      aside();
      here();
      return;
    }
    std::exception_ptr hereFailure;
    try {
      here();
    } catch (...) {
      hereFailure = std::current_exception();
    }
    helper.join();
    if (asideFailure) std::rethrow_exception(asideFailure);
    if (hereFailure) std::rethrow_exception(hereFailure);
    return;
  }
#endif
  aside();
  here();
}

// Values below this many are recorded on the calling thread alone: a
// thread costs some tens of microseconds.
constexpr size_t kValuesBesideAThread = size_t{1} << 18;

}  // namespace

const std::vector<double>& SegmentValues::values() const {
  static const std::vector<double> kNone;
  return values_ != nullptr ? *values_ : kNone;
}

std::vector<double>& SegmentValues::ownValues() {
  if (values_ == nullptr) {
    values_ = std::make_shared<std::vector<double>>();
  } else if (values_.use_count() > 1) {
    values_ = std::make_shared<std::vector<double>>(*values_);
  }
  return *values_;
}

bool WaveformLibrary::recordX(RecordedWaveform* waveform, const double* x, size_t count) const {
  const size_t index = waveform->segments.size() - 1;
  RecordedSegment& segment = waveform->segments.back();
  if (segment.x.empty() && waveforms_.size() > 1) {
    // The waveform recorded before this one: the plug-in builds one at a
    // time, each over the same frequencies.
    const RecordedWaveform* before = waveforms_[waveforms_.size() - 2].get();
    if (before != waveform && index < before->segments.size()) {
      const SegmentValues& other = before->segments[index].x;
      // Bit for bit, as a copy would be (0 and -0 differ, a not-a-number
      // matches itself).
      if (other.size() == count && std::memcmp(x, other.data(), count * sizeof(double)) == 0) {
        segment.x.share(other);
        // The same values, so the same extent.
        segment.lowX = before->segments[index].lowX;
        segment.highX = before->segments[index].highX;
        return true;
      }
    }
  }
  append(&segment.x.ownValues(), x, count);
  return false;
}

void WaveformLibrary::record(RecordedWaveform* waveform, const double* x, const double* y,
                             size_t count) const {
  RecordedSegment& segment = waveform->segments.back();
  segment.points += count;
  if (recording_ == ValueRecording::kCounts) return;
  size_t yCount = count * (waveform->isComplex() ? 2 : 1);
  if (y != nullptr) summariseY(&waveform->ySummary, y, yCount);
  auto recordXs = [&] {
    if (x == nullptr) return;
    // Values shared with another segment bring its extent along.
    const bool shared = recording_ == ValueRecording::kAll && recordX(waveform, x, count);
    if (!shared) widenExtent(&segment, x, count);
  };
  auto recordYs = [&] {
    if (recording_ == ValueRecording::kAll && y != nullptr) append(&segment.y, y, yCount);
  };
  bool both = x != nullptr && y != nullptr && recording_ == ValueRecording::kAll;
  runBeside(both && count >= kValuesBesideAThread, recordXs, recordYs);
}

int WaveformLibrary::nextParameterValue(WaveformHandle handle) {
  RecordedWaveform* waveform = lookup(handle);
  if (waveform == nullptr) return 1;
  waveform->calls.push_back("NextParameterValue");
  int status = statusOf(BuilderFunction::kNextParameterValue);
  if (status == 0) waveform->segments.emplace_back();
  return status;
}

int WaveformLibrary::done(WaveformHandle handle) {
  RecordedWaveform* waveform = lookup(handle);
  if (waveform == nullptr) return 1;
  waveform->calls.push_back("Done");
  waveform->done = true;
  return statusOf(BuilderFunction::kDone);
}

}  // namespace korvel::host

// The C entry points of the host contract, resolved by the plug-in from the
// process that loads it.
extern "C" {

using korvel::host::WaveformLibrary;

int PfFormat_CreateExternalFormat(Tcl_Interp*, FormatDescriptor* descriptor) {
  return WaveformLibrary::instance().registerFormat(descriptor);
}

WaveformHandle WfX_Create(Tcl_Interp*, int dataType, const char* xName, const char* xUnit, int xFlag,
                          const char* yName, const char* yUnit, int yFlag) {
  return WaveformLibrary::instance().create(dataType, xName, xUnit, xFlag, yName, yUnit, yFlag);
}

int WfX_SetWfProp(Tcl_Interp*, WaveformHandle handle, int property, const char* value) {
  return WaveformLibrary::instance().setProperty(handle, property, value);
}

int WfX_AddNumberParameter(Tcl_Interp*, WaveformHandle handle, const char* name, const char* unit, int count,
                           const double* values) {
  return WaveformLibrary::instance().addNumberParameter(handle, name, unit, count, values);
}

int WfX_AddValues(Tcl_Interp*, WaveformHandle handle, const double* x, const double* y, int count) {
  return WaveformLibrary::instance().addValues(handle, x, y, count);
}

int WfX_NextParameterValue(Tcl_Interp*, WaveformHandle handle) {
  return WaveformLibrary::instance().nextParameterValue(handle);
}

int WfX_Done(Tcl_Interp*, WaveformHandle handle) { return WaveformLibrary::instance().done(handle); }

}  // extern "C"
