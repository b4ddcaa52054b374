#include "support/opened_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "host/plugin_host.h"
#include "plugin/open_file.h"
#include "support/test_support.h"

namespace korvel::testing {

void DataSetCloser::operator()(DataSet* data) const { closeFile(data); }

OpenedText::OpenedText(const std::string& fileName, const std::string& contents) {
  TempFile file(fileName, contents);
  path = file.path();
  open();
}

OpenedText OpenedText::atPath(const std::string& path) {
  OpenedText opening;
  opening.path = path;
  opening.open();
  return opening;
}

void OpenedText::open() {
  DataSet* opened = nullptr;
  CapturedStream capturedErrors(stderr);
  CapturedStream capturedOutput(stdout);
  result = openFile(path.c_str(), &opened);
  output = capturedOutput.finish();
  errors = capturedErrors.finish();
  data.reset(opened);
}

std::vector<std::string> OpenedText::names() const {
  if (data == nullptr) return {};
  return waveformNames(*data);
}

std::complex<double> OpenedText::sample(int index, int k) const {
  const double* samples = data->waveformData[index];
  return {samples[2 * k], samples[2 * k + 1]};
}

std::complex<double> OpenedText::sample(const std::string& name, int k) const {
  if (data == nullptr) {
    ADD_FAILURE() << "no record for " << name;
    return {NAN, NAN};
  }
  int index = waveformIndex(*data, name);
  if (index < 0) {
    ADD_FAILURE() << "no waveform " << name;
    return {NAN, NAN};
  }
  return sample(index, k);
}

std::string OpenedText::refusal(const std::string& message) const {
  return message + "Can't open file: " + path + ".\n ";
}

std::vector<std::string> waveformNames(const DataSet& data) {
  std::vector<std::string> names;
  EXPECT_TRUE(host::splitTclList(Tcl_DStringValue(&data.waveformNames), &names));
  EXPECT_EQ(static_cast<int>(names.size()), data.waveformCount);
  return names;
}

int waveformIndex(const DataSet& data, const std::string& name) {
  std::vector<std::string> names = waveformNames(data);
  for (size_t i = 0; i < names.size(); ++i) {
    if (names[i] == name) return static_cast<int>(i);
  }
  return -1;
}

std::complex<double> sampleOf(const DataSet& data, const std::string& name, int sample) {
  int index = waveformIndex(data, name);
  if (index < 0) {
    ADD_FAILURE() << "no waveform " << name;
    return {NAN, NAN};
  }
  // Noise waveforms of a Touchstone file follow the noise grid.
  int samples = std::max(data.pointCount * data.blockCount, data.noisePointCount);
  if (sample < 0 || sample >= samples) {
    ADD_FAILURE() << "no sample " << sample << " in " << name;
    return {NAN, NAN};
  }
  const double* at = data.waveformData[index] + 2 * sample;
  return {at[0], at[1]};
}

double realPart(const DataSet& data, const std::string& name, int sample) {
  return sampleOf(data, name, sample).real();
}

double imagPart(const DataSet& data, const std::string& name, int sample) {
  return sampleOf(data, name, sample).imag();
}

ScratchRecord::ScratchRecord(int terminals, int ports) {
  data = createDataSet("scratch.s2p", nullptr);
  data->terminalCount = terminals;
  data->portCount = ports < 0 ? terminals : ports;
}

ScratchRecord::~ScratchRecord() { releaseDataSet(data); }

void ScratchRecord::nameTerminals(const std::vector<std::string>& names) {
  data->mixedMode = 1;
  data->terminalNames = static_cast<char**>(allocateZeroed(names.size(), sizeof(char*)));
  for (size_t i = 0; i < names.size(); ++i) data->terminalNames[i] = copyString(names[i].c_str());
}

}  // namespace korvel::testing
