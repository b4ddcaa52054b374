// File opening and format dispatch.
#include "plugin/open_file.h"

#include <cstring>
#include <memory>
#include <new>
#include <string_view>

#include "dataset/messages.h"
#include "dataset/network_calculation.h"
#include "sc/sc_reader.h"
#include "text/text_input.h"
#include "touchstone/touchstone_reader.h"

namespace korvel {

namespace {

// The text after the last "." of the path, or null when there is none.
const char* extensionOf(const char* path) {
  const char* dot = std::strrchr(path, '.');
  return dot != nullptr ? dot + 1 : nullptr;
}

// The noise temperature every derived noise figure refers to.
constexpr double kNoiseTemperatureKelvin = 290.0;

// Completes a record its reader has filled: the noise temperature, then
// every derived waveform.
void finishRead(DataSet* data) {
  data->noiseTemperature = kNoiseTemperatureKelvin;
  calculateNetworkParameters(data);
}

// Releases a record that was not handed over: its arrays, its names and
// its stream.
struct ReleaseDataSet {
  void operator()(DataSet* data) const { releaseDataSet(data); }
};
using OwnedDataSet = std::unique_ptr<DataSet, ReleaseDataSet>;

// Fills the record with the reader the path's extension selects.
int readRecord(const char* path, DataSet* data) {
  data->isScFormat = isScExtension(path);
  if (data->isScFormat == 1) {
    data->frequencyUnit = copyString("Hz");
    if (data->frequencyUnit == nullptr) throw std::bad_alloc();
    return readScFile(data);
  }
  // A .ts file gives its port count inside.
  bool portsInside = isTsExtension(path) == 1;
  int ports = portsInside ? 0 : touchstonePortCount(path);
  data->portCount = ports;
  data->terminalCount = ports;
  if ((!portsInside && ports <= 0) || readTouchstone(data) != kOk)
    return fail(Message::kCannotOpenFile, path);
  return kOk;
}

}  // namespace

int isScExtension(const char* path) {
  const char* extension = extensionOf(path);
  return extension != nullptr && (extension[0] == 's' || extension[0] == 'S') &&
                 (extension[1] == 'c' || extension[1] == 'C')
             ? 1
             : 0;
}

int isTsExtension(const char* path) {
  const char* extension = extensionOf(path);
  return extension != nullptr && std::strlen(extension) == 2 &&
                 (extension[0] == 't' || extension[0] == 'T') && (extension[1] == 's' || extension[1] == 'S')
             ? 1
             : 0;
}

int touchstonePortCount(const char* path) {
  const char* extension = extensionOf(path);
  if (extension == nullptr || std::strlen(extension) >= 6) return 0;
  // The letter names the parameter type some tools write (".z2p"); the
  // option line decides what the data is.
  if (std::strchr("sSyYzZhHgG", extension[0]) == nullptr || extension[0] == '\0') {
    report(Message::kExtensionNotS);
    return 0;
  }
  std::string_view text(extension + 1);
  text = text.substr(0, text.find_first_of("pP"));
  return parseInt(text);
}

namespace {

// Opens and reads `stream`, and calculates the derived waveforms when
// `calculate` is set.
int readStream(FILE* stream, const char* path, bool calculate, DataSet** dataSet) {
  *dataSet = nullptr;
  OwnedDataSet data(createDataSet(path, stream));
  if (data == nullptr) {
    std::fclose(stream);
    return fail(Message::kOutOfMemory);
  }
  try {
    if (readRecord(path, data.get()) != kOk) return kFailed;
    if (calculate) finishRead(data.get());
  } catch (const std::bad_alloc&) {
    // Everything the read had built goes, the stream is closed, and only
    // then is the refusal reported.
    data.reset();
    return fail(Message::kOutOfMemory);
  }
  *dataSet = data.release();
  return kOk;
}

}  // namespace

int openFile(const char* path, DataSet** dataSet) {
  *dataSet = nullptr;
  FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return fail(Message::kCannotOpenForRead, path);
  return readStream(file, path, true, dataSet);
}

int openStream(FILE* stream, const char* path, DataSet** dataSet) {
  return readStream(stream, path, true, dataSet);
}

int readFileData(const char* path, DataSet** dataSet) {
  *dataSet = nullptr;
  FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return fail(Message::kCannotOpenForRead, path);
  return readStream(file, path, false, dataSet);
}

int closeFile(DataSet* dataSet) {
  releaseDataSet(dataSet);
  return kOk;
}

}  // namespace korvel
