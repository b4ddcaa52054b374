// The stand-in for the viewer's waveform library.
//
// It implements PfFormat_CreateExternalFormat and the WfX_ builder by
// recording everything a plug-in passes: the registered formats in order,
// and per waveform its type, axes, properties, sweep parameters, segments
// and whether it was finished. Tests, the korvel tool and the benchmarks
// read the record; a test can make any builder function fail.
#ifndef KORVEL_HOST_WAVEFORM_LIBRARY_H
#define KORVEL_HOST_WAVEFORM_LIBRARY_H

#include <array>
#include <cstddef>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "hostapi/korvel_host.h"

namespace korvel::host {

struct RecordedProperty {
  int code = 0;
  std::string value;
};

struct RecordedParameter {
  std::string name;
  std::string unit;
  int count = 0;
  std::vector<double> values;
};

// A segment's x values. The waveforms of a file share their x values
// segment by segment (the frequencies), so the library keeps one copy of
// them for every segment whose values are the same, and copies it before
// values are appended to a shared one. Read like a vector.
class SegmentValues {
 public:
  using const_iterator = std::vector<double>::const_iterator;
  using iterator = const_iterator;
  using value_type = double;

  SegmentValues() = default;
  SegmentValues(std::vector<double> values)  // NOLINT: as a vector is assigned
      : values_(std::make_shared<std::vector<double>>(std::move(values))) {}

  const std::vector<double>& values() const;
  operator const std::vector<double>&() const { return values(); }  // NOLINT
  size_t size() const { return values().size(); }
  bool empty() const { return values().empty(); }
  const double* data() const { return values().data(); }
  double operator[](size_t i) const { return values()[i]; }
  double front() const { return values().front(); }
  double back() const { return values().back(); }
  const_iterator begin() const { return values().begin(); }
  const_iterator end() const { return values().end(); }
  bool operator==(const SegmentValues& other) const {
    return values_ == other.values_ || values() == other.values();
  }
  bool operator==(const std::vector<double>& other) const { return values() == other; }

  // Whether `other`'s values are these very ones, not merely equal.
  bool sharedWith(const SegmentValues& other) const { return values_ != nullptr && values_ == other.values_; }
  // Takes `other`'s values, kept once for both.
  void share(const SegmentValues& other) { values_ = other.values_; }
  // The values to append to, no longer shared with any other segment.
  std::vector<double>& ownValues();

 private:
  std::shared_ptr<std::vector<double>> values_;
};

// One segment: x values, and y values (one double per point for a
// real-typed waveform, a real/imaginary pair per point for a complex one).
struct RecordedSegment {
  SegmentValues x;
  std::vector<double> y;
  size_t points = 0;  // counted even when values are not kept
  // The smallest and largest x that is a number (both not-a-number while
  // there is none); kept unless only counts are.
  double lowX = std::numeric_limits<double>::quiet_NaN();
  double highX = std::numeric_limits<double>::quiet_NaN();
};

// What the library keeps of the values a plug-in adds. Whatever the mode,
// the plug-in sees the same builder; only the record differs.
enum class ValueRecording {
  kAll,      // every x and y value
  kCounts,   // the point count of each segment alone (benchmarks)
  kExtents,  // counts, x extents and the y summary, but no values: a
             // waveform's shape without a copy of its samples
};

// The first y value of a waveform and whether any later one differs from
// it: enough to tell a constant (a reference impedance) from the rest.
struct YSummary {
  bool any = false;
  double first = 0.0;
  bool varies = false;
};

struct RecordedWaveform {
  int dataType = 0;
  std::string xName;
  std::string xUnit;
  int xFlag = 0;
  std::string yName;
  std::string yUnit;
  int yFlag = 0;
  std::vector<RecordedProperty> properties;
  std::vector<RecordedParameter> parameters;
  std::vector<RecordedSegment> segments;
  YSummary ySummary;               // kept unless only counts are
  std::vector<std::string> calls;  // builder calls in order: "AddValues", ...
  bool done = false;

  bool isComplex() const { return dataType == kDataTypeComplex; }
};

// The builder functions a test can make fail.
enum class BuilderFunction {
  kSetWfProp,
  kAddNumberParameter,
  kAddValues,
  kNextParameterValue,
  kDone,
  kCount
};

class WaveformLibrary {
 public:
  static WaveformLibrary& instance();

  // Every descriptor registered so far, in registration order. The host
  // keeps descriptors for the life of the process.
  const std::vector<FormatDescriptor*>& formats() const { return formats_; }
  // How many times PfFormat_CreateExternalFormat was called.
  int registrationCalls() const { return registrationCalls_; }

  // Waveforms created so far and not yet forgotten, in creation order.
  const std::vector<std::unique_ptr<RecordedWaveform>>& waveforms() const { return waveforms_; }
  // The record behind a handle the plug-in returned, or null.
  const RecordedWaveform* find(WaveformHandle handle) const;
  // Drops every recorded waveform (handles become invalid).
  void forgetWaveforms();
  // Drops one recorded waveform (its handle becomes invalid).
  void forgetWaveform(const RecordedWaveform* waveform);

  // What is kept of the values added from now on.
  void setValueRecording(ValueRecording mode) { recording_ = mode; }
  ValueRecording valueRecording() const { return recording_; }

  // Makes call number `skip` + 1 from now of `function` return `status`.
  void failCall(BuilderFunction function, int status, int skip = 0);
  // Clears every pending failure.
  void clearFailures();

  // Builder entry points, called by the C functions of the host contract.
  int registerFormat(FormatDescriptor* descriptor);
  WaveformHandle create(int dataType, const char* xName, const char* xUnit, int xFlag, const char* yName,
                        const char* yUnit, int yFlag);
  int setProperty(WaveformHandle handle, int property, const char* value);
  int addNumberParameter(WaveformHandle handle, const char* name, const char* unit, int count,
                         const double* values);
  int addValues(WaveformHandle handle, const double* x, const double* y, int count);
  int nextParameterValue(WaveformHandle handle);
  int done(WaveformHandle handle);

 private:
  RecordedWaveform* lookup(WaveformHandle handle) const;
  // Records `count` values of `waveform`'s current segment as the mode asks.
  void record(RecordedWaveform* waveform, const double* x, const double* y, size_t count) const;
  // Appends `count` x values to `waveform`'s current segment, sharing them
  // with the same segment of the waveform recorded before when that holds
  // the same values; returns true when shared, the segment's extent then
  // taken from the other's.
  bool recordX(RecordedWaveform* waveform, const double* x, size_t count) const;
  // The status the next call of `function` returns (0 unless a failure
  // was asked for).
  int statusOf(BuilderFunction function);

  struct PendingFailure {
    bool armed = false;
    int status = 0;
    int skip = 0;
  };

  std::vector<FormatDescriptor*> formats_;
  int registrationCalls_ = 0;
  std::vector<std::unique_ptr<RecordedWaveform>> waveforms_;
  std::array<PendingFailure, static_cast<size_t>(BuilderFunction::kCount)> failures_{};
  ValueRecording recording_ = ValueRecording::kAll;
};

}  // namespace korvel::host

#endif  // KORVEL_HOST_WAVEFORM_LIBRARY_H
