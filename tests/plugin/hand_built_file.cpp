#include "hand_built_file.h"

#include <cctype>
#include <cstring>

#include "dataset/waveform_names.h"
#include "plugin/callbacks.h"
#include "support/test_support.h"

namespace korvel::testing {

namespace {

void fillNames(DataSet* data, const FileShape& shape) {
  appendNetworkNames(data);
  if (shape.noise) {
    appendNoiseNames(data);
    if (shape.ports == 2 && shape.availableGain) appendAvailableGainName(data);
  }
  if (shape.groupDelay) appendGroupDelayNames(data);
}

void fillTerminals(DataSet* data, const FileShape& shape) {
  if (shape.terminals.empty()) return;
  data->mixedMode = 1;
  data->terminalCount = static_cast<int>(shape.terminals.size());
  data->terminalNames = static_cast<char**>(allocateZeroed(shape.terminals.size(), sizeof(char*)));
  for (size_t i = 0; i < shape.terminals.size(); ++i)
    data->terminalNames[i] = copyString(shape.terminals[i].c_str());
}

void fillSweeps(DataSet* data, const FileShape& shape) {
  if (shape.sweeps.empty()) return;
  data->sweepCount = static_cast<int>(shape.sweeps.size());
  data->sweepNames = static_cast<char**>(allocateZeroed(shape.sweeps.size(), sizeof(char*)));
  data->sweepValues = static_cast<double**>(allocateZeroed(shape.sweeps.size(), sizeof(double*)));
  int blocks = 1;
  for (size_t p = 0; p < shape.sweeps.size(); ++p) {
    data->sweepNames[p] = copyString(("P" + std::to_string(p + 1)).c_str());
    const auto& values = shape.sweeps[p];
    data->sweepValues[p] = static_cast<double*>(allocateZeroed(values.size() + 1, sizeof(double)));
    data->sweepValues[p][0] = static_cast<double>(values.size());
    for (size_t v = 0; v < values.size(); ++v) data->sweepValues[p][v + 1] = values[v];
    blocks *= static_cast<int>(values.size());
  }
  data->blockCount = blocks;
}

bool isNoiseName(const std::string& name) { return name.rfind("Noise-Par/", 0) == 0; }

void fillSamples(DataSet* data, const FileShape& shape, const std::vector<std::string>& names) {
  int blocks = data->blockCount;
  data->frequencies = static_cast<double*>(allocateZeroed(size_t(blocks) * shape.points, sizeof(double)));
  for (int b = 0; b < blocks; ++b) {
    for (int p = 0; p < shape.points; ++p)
      data->frequencies[b * shape.points + p] = HandBuiltFile::frequency(b, p);
  }
  if (shape.noisePoints > 0) {
    data->noisePointCount = shape.noisePoints;
    data->noiseFrequencies = static_cast<double*>(allocateZeroed(shape.noisePoints, sizeof(double)));
    for (int p = 0; p < shape.noisePoints; ++p) data->noiseFrequencies[p] = HandBuiltFile::noiseFrequency(p);
  }
  data->waveformData = static_cast<double**>(allocateZeroed(names.size(), sizeof(double*)));
  for (size_t w = 0; w < names.size(); ++w) {
    bool noiseGrid = !shape.sc && isNoiseName(names[w]);
    int points = noiseGrid ? shape.noisePoints : shape.points;
    int sampleBlocks = noiseGrid ? 1 : blocks;
    auto* samples =
        static_cast<double*>(allocateZeroed(size_t(sampleBlocks) * points * 2 + 2, sizeof(double)));
    for (int b = 0; b < sampleBlocks; ++b) {
      for (int p = 0; p < points; ++p) {
        size_t at = 2 * (size_t(b) * points + p);
        samples[at] = HandBuiltFile::realPart(int(w), b, p);
        samples[at + 1] = HandBuiltFile::imaginaryPart(int(w), b, p);
      }
    }
    data->waveformData[w] = samples;
  }
}

}  // namespace

HandBuiltFile::HandBuiltFile(const FileShape& shape) {
  data_ = createDataSet(shape.path.c_str(), nullptr);
  data_->isScFormat = shape.sc ? 1 : 0;
  data_->frequencyUnit = copyString("Hz");
  data_->portCount = shape.ports;
  data_->terminalCount = shape.ports;
  data_->hasNoise = shape.noise ? 1 : 0;
  data_->hasGroupDelay = shape.groupDelay ? 1 : 0;
  data_->pointCount = shape.points;
  fillTerminals(data_, shape);
  fillSweeps(data_, shape);
  fillNames(data_, shape);
  std::vector<std::string> names;
  host::splitTclList(Tcl_DStringValue(&data_->waveformNames), &names);
  fillSamples(data_, shape, names);
  data_->noiseTemperature = 290.0;
}

HandBuiltFile::~HandBuiltFile() { releaseDataSet(data_); }

namespace {

DirectAnswer finish(int result, PropertyResult* record) {
  DirectAnswer answer;
  answer.result = result;
  answer.resultKind = record->resultKind;
  answer.answered = record->answer.string != nullptr;
  if (answer.answered) {
    answer.text.assign(Tcl_DStringValue(&record->answer), Tcl_DStringLength(&record->answer));
    Tcl_DStringFree(&record->answer);
  }
  return answer;
}

// A record as the host hands it over: nothing initialised, resultKind
// marked so that an untouched record shows.
PropertyResult freshRecord() {
  PropertyResult record;
  std::memset(&record, 0, sizeof record);
  record.resultKind = -1;
  return record;
}

}  // namespace

DirectAnswer askFileProperty(void* dataSet, const char* option) {
  PropertyResult record = freshRecord();
  int result = callbacks::fileProperty(pluginHost().interp(), dataSet, option, &record);
  return finish(result, &record);
}

DirectAnswer askWaveformProperty(void* dataSet, const char* name, const char* option) {
  PropertyResult record = freshRecord();
  int result = callbacks::waveformProperty(pluginHost().interp(), dataSet, name, option, &record);
  return finish(result, &record);
}

const host::RecordedWaveform* loadDirectly(void* dataSet, const char* name, int* result) {
  WaveformHandle handle = reinterpret_cast<WaveformHandle>(0x1);
  int status = callbacks::loadWaveform(pluginHost().interp(), dataSet, name, &handle);
  if (result != nullptr) *result = status;
  if (handle == nullptr) return nullptr;
  return host::WaveformLibrary::instance().find(handle);
}

void resetWaveformLibrary() {
  host::WaveformLibrary::instance().forgetWaveforms();
  host::WaveformLibrary::instance().clearFailures();
}

std::string testNameOf(const std::string& text) {
  std::string name;
  for (char c : text) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name.empty() ? "empty" : name;
}

}  // namespace korvel::testing
