// Opened files built by hand, for driving the callbacks without a reader.
#ifndef KORVEL_TESTS_PLUGIN_HAND_BUILT_FILE_H
#define KORVEL_TESTS_PLUGIN_HAND_BUILT_FILE_H

#include <string>
#include <vector>

#include "dataset/data_set.h"
#include "host/waveform_library.h"
#include "hostapi/korvel_host.h"

namespace korvel::testing {

// What a hand-built file holds.
struct FileShape {
  std::string path = "/data/amp.s2p";
  int ports = 2;
  bool noise = false;
  bool availableGain = true;  // with noise on a two-port
  bool groupDelay = false;
  bool sc = false;
  std::vector<std::string> terminals;  // mixed-mode terminal names
  int points = 4;
  int noisePoints = 0;                      // Touchstone noise grid; 0 = none
  std::vector<std::vector<double>> sweeps;  // values of each sweep parameter
};

// A record filled as a reader would fill it. Sample p of block b of
// waveform w is (w*1000 + b*100 + p + 0.25, -(w*1000 + b*100 + p)); the
// main grid's frequency is (p+1)*1e6 + b, the noise grid's (p+1)*2e6.
class HandBuiltFile {
 public:
  explicit HandBuiltFile(const FileShape& shape);
  ~HandBuiltFile();
  HandBuiltFile(const HandBuiltFile&) = delete;
  HandBuiltFile& operator=(const HandBuiltFile&) = delete;

  DataSet* data() const { return data_; }
  void* handle() const { return data_; }

  static double realPart(int waveform, int block, int point) {
    return waveform * 1000 + block * 100 + point + 0.25;
  }
  static double imaginaryPart(int waveform, int block, int point) {
    return -(waveform * 1000 + block * 100 + point);
  }
  static double frequency(int block, int point) { return (point + 1) * 1e6 + block; }
  static double noiseFrequency(int point) { return (point + 1) * 2e6; }

 private:
  DataSet* data_;
};

// The host's answer to a property callback called directly.
struct DirectAnswer {
  int result = -1;
  bool answered = false;
  int resultKind = 0;
  std::string text;
};

DirectAnswer askFileProperty(void* dataSet, const char* option);
DirectAnswer askWaveformProperty(void* dataSet, const char* name, const char* option);

// loadWaveform called directly; the recorded waveform, or null.
const host::RecordedWaveform* loadDirectly(void* dataSet, const char* name, int* result = nullptr);

// Clears the stand-in library's waveforms and pending failures.
void resetWaveformLibrary();

// A readable test name from any text: letters and digits kept, the rest
// turned into underscores.
std::string testNameOf(const std::string& text);

}  // namespace korvel::testing

#endif  // KORVEL_TESTS_PLUGIN_HAND_BUILT_FILE_H
