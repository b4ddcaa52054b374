// The loading callbacks: each named waveform is built with the host's
// waveform builder, one sweep block per segment, and the plug-in's copy of
// its samples is released once handed over.
#include <climits>
#include <cstring>
#include <string_view>

#include "dataset/data_set.h"
#include "dataset/sample_blocks.h"
#include "dataset/waveform_groups.h"
#include "plugin/callbacks.h"
#include "plugin/waveform_kind.h"
#include "plugin/waveform_lookup.h"
#include "text/text_input.h"

namespace korvel {

namespace {

// The status the builder returns on success; any other value stops the
// adding of samples at once.
constexpr int kBuilderOk = 0;

// The x values of a waveform and the number of points per block.
struct SampleGrid {
  const double* x;
  int pointsPerBlock;
};

// Noise waveforms of a Touchstone file have their own frequency grid; every
// other waveform, and the noise of the simulator's own format, uses the
// main grid.
SampleGrid gridFor(const DataSet& data, std::string_view name) {
  if (data.isScFormat == 0 && inWaveformGroup(name, kNoiseGroup)) {
    return {data.noiseFrequencies, data.noisePointCount};
  }
  return {data.frequencies, data.pointCount};
}

// The value count stored in element 0 of a sweep parameter's values,
// truncated towards zero and kept within what an int can say.
int sweepValueCount(const double* values) {
  if (values == nullptr) return 0;
  double count = values[0];
  if (!(count >= 1.0)) return 0;
  if (count >= static_cast<double>(INT_MAX)) return INT_MAX;
  return static_cast<int>(count);
}

// Declares every sweep parameter; stops at the first the host refuses and
// returns its status.
int declareSweepParameters(Tcl_Interp* interp, const DataSet& data, WaveformHandle handle) {
  for (int p = 0; p < data.sweepCount; ++p) {
    const char* name = data.sweepNames != nullptr && data.sweepNames[p] != nullptr ? data.sweepNames[p] : "";
    const double* values = data.sweepValues != nullptr ? data.sweepValues[p] : nullptr;
    int status = WfX_AddNumberParameter(interp, handle, name, "_", sweepValueCount(values),
                                        values ? values + 1 : nullptr);
    if (status != kBuilderOk) return status;
  }
  return kBuilderOk;
}

// Everything one waveform's blocks need while they are passed to the host.
struct BlockWriter {
  Tcl_Interp* interp;
  WaveformHandle handle;
  SampleGrid grid;
  double* samples;  // complex samples, real then imaginary part

  // A reference impedance that is constant over a block is drawn by its
  // first and last points; one that changes from point to point (a port
  // impedance given at every frequency) needs every point.
  int addImpedance(size_t first) const {
    if (!isConstant(first)) return addRealParts(first);
    size_t last = first + static_cast<size_t>(grid.pointsPerBlock) - 1;
    double x[2] = {grid.x[first], grid.x[last]};
    double y[2] = {samples[2 * first], samples[2 * last]};
    return WfX_AddValues(interp, handle, x, y, 2);
  }

  // True when every real part of the block has the bits of its first.
  bool isConstant(size_t first) const {
    for (int i = 1; i < grid.pointsPerBlock; ++i) {
      if (std::memcmp(&samples[2 * (first + static_cast<size_t>(i))], &samples[2 * first], sizeof(double)) !=
          0) {
        return false;
      }
    }
    return true;
  }

  // A real-typed waveform's values are gathered into the first half of
  // the block's own stretch of the samples, which are released once
  // handed over: value i goes to first + i and comes from 2 (first + i),
  // so nothing is written over before it is read, in this block or a
  // later one. A separate array would be as large, and its pages taken
  // fresh from the system for every waveform.
  int addRealParts(size_t first) const {
    double* values = samples + first;
    for (size_t i = 0; i < static_cast<size_t>(grid.pointsPerBlock); ++i)
      values[i] = samples[2 * (first + i)];
    return WfX_AddValues(interp, handle, grid.x + first, values, grid.pointsPerBlock);
  }

  // Complex samples go to the host straight from the stored array.
  int addComplex(size_t first) const {
    return WfX_AddValues(interp, handle, grid.x + first, samples + 2 * first, grid.pointsPerBlock);
  }
};

// Passes block after block until one is refused. With sweep parameters
// every block is a segment of its own; without, the blocks follow one
// another in a single segment.
int addBlocks(const DataSet& data, const BlockWriter& writer, bool realTyped, bool impedance) {
  int status = kBuilderOk;
  int points = writer.grid.pointsPerBlock;
  bool hasPoints = points > 0 && writer.grid.x != nullptr;
  for (int block = 0; block < data.blockCount && status == kBuilderOk; ++block) {
    size_t first = static_cast<size_t>(block) * static_cast<size_t>(points > 0 ? points : 0);
    if (hasPoints) {
      if (realTyped && impedance) {
        status = writer.addImpedance(first);
      } else if (realTyped) {
        status = writer.addRealParts(first);
      } else {
        status = writer.addComplex(first);
      }
    }
    if (status == kBuilderOk && data.sweepCount > 0 && block + 1 < data.blockCount) {
      status = WfX_NextParameterValue(writer.interp, writer.handle);
    }
  }
  return status;
}

// Creates the waveform with its units and display hints.
WaveformHandle createWaveform(Tcl_Interp* interp, const DataSet& data, const char* name, bool realTyped) {
  Presentation presentation = presentationOf(name);
  const char* xUnit = data.frequencyUnit != nullptr ? data.frequencyUnit : "Hz";
  WaveformHandle handle = WfX_Create(interp, realTyped ? kDataTypeReal : kDataTypeComplex, "f", xUnit, 0,
                                     name, presentation.yUnit, 1);
  if (handle == nullptr) return nullptr;
  for (int i = 0; i < presentation.hintCount; ++i) {
    WfX_SetWfProp(interp, handle, presentation.hints[i].property, presentation.hints[i].text);
  }
  return handle;
}

// Builds the waveform requested as `name` from its stored samples, which
// it then releases. Returns 1 with a null handle when the name is not in
// the file or its samples were already handed over in this opening.
int loadNamedWaveform(Tcl_Interp* interp, DataSet* data, const char* name, WaveformHandle* out) {
  int index = findWaveformIndex(data, name);
  if (index < 0 || index >= data->waveformCount || data->waveformData == nullptr) return 1;
  double* samples = data->waveformData[index];
  if (samples == nullptr) return 1;

  bool realTyped = isRealTyped(name);
  WaveformHandle handle = createWaveform(interp, *data, name, realTyped);
  if (handle == nullptr) return 1;

  int status = declareSweepParameters(interp, *data, handle);
  BlockWriter writer{interp, handle, gridFor(*data, name), samples};
  bool impedance = inWaveformGroup(name, kReferenceImpedanceGroup);
  if (status == kBuilderOk) addBlocks(*data, writer, realTyped, impedance);

  // Handed over, even when the host stopped taking samples part way.
  *out = handle;
  releaseSampleArray(data, static_cast<size_t>(index));
  return 0;
}

}  // namespace

namespace callbacks {

int loadWaveform(Tcl_Interp* interp, void* dataSet, const char* name, WaveformHandle* out) {
  if (out == nullptr) return 1;
  *out = nullptr;
  if (dataSet == nullptr || name == nullptr) return 1;
  return loadNamedWaveform(interp, static_cast<DataSet*>(dataSet), name, out);
}

int loadWaveformList(Tcl_Interp* interp, void* dataSet, const char* nameList, void*, WaveformHandle* out) {
  if (nameList == nullptr || out == nullptr) return 1;
  int count = 0;
  const char** names = nullptr;
  int result = Tcl_SplitList(interp, nameList, &count, &names);
  if (result != TCL_OK) return result;
  for (int i = 0; i < count; ++i) {
    WaveformHandle handle = nullptr;
    result = loadWaveform(interp, dataSet, names[i], &handle);
    if (result == 0) WfX_Done(interp, handle);
    out[i] = result == 0 ? handle : nullptr;
  }
  if (names != nullptr) Tcl_Free(reinterpret_cast<char*>(names));
  return result;
}

}  // namespace callbacks

}  // namespace korvel
