#include "support/sc_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "plugin/open_file.h"
#include "host/plugin_host.h"
#include "support/test_support.h"

namespace korvel::testing {

void DataSetCloser::operator()(DataSet* data) const { closeFile(data); }

ScOpening openScPath(const std::string& path) {
  ScOpening opening;
  DataSet* data = nullptr;
  CapturedStream errors(stderr);
  opening.result = openFile(path.c_str(), &data);
  opening.errors = errors.finish();
  opening.data.reset(data);
  return opening;
}

ScOpening openScText(const std::string& contents, const std::string& name) {
  TempFile file(name, contents);
  return openScPath(file.path());
}

std::vector<std::string> waveformNames(const DataSet& data) {
  std::vector<std::string> names;
  EXPECT_TRUE(host::splitTclList(Tcl_DStringValue(&data.waveformNames), &names));
  return names;
}

int waveformIndex(const DataSet& data, const std::string& name) {
  std::vector<std::string> names = waveformNames(data);
  for (size_t i = 0; i < names.size(); ++i) {
    if (names[i] == name) return static_cast<int>(i);
  }
  return -1;
}

static const double* samplesOf(const DataSet& data, const std::string& name, int sample) {
  int index = waveformIndex(data, name);
  EXPECT_GE(index, 0) << name;
  EXPECT_LT(sample, data.pointCount * data.blockCount);
  if (index < 0) return nullptr;
  return data.waveformData[index] + 2 * sample;
}

double realPart(const DataSet& data, const std::string& name, int sample) {
  const double* at = samplesOf(data, name, sample);
  return at != nullptr ? at[0] : NAN;
}

double imagPart(const DataSet& data, const std::string& name, int sample) {
  const double* at = samplesOf(data, name, sample);
  return at != nullptr ? at[1] : NAN;
}

std::string joinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

std::string twoPortFile(int points, const std::string& extraHeader, const std::string& body) {
  return joinLines({"*| N=2 DATA=" + std::to_string(points) + extraHeader, "*| NumOfBlock=1 NumOfParam=0",
                    "+ Zo= 50"}) +
         body;
}

}  // namespace korvel::testing
