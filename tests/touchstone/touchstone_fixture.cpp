#include "touchstone_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "host/plugin_host.h"
#include "plugin/open_file.h"

namespace korvel::testing {

TouchstoneRead::TouchstoneRead(const std::string& fileName, const std::string& contents)
    : file(fileName, contents) {
  CapturedStream captured(stderr);
  result = openFile(file.path().c_str(), &data);
  errors = captured.finish();
}

TouchstoneRead::~TouchstoneRead() {
  if (data != nullptr) closeFile(data);
}

std::vector<std::string> TouchstoneRead::names() const {
  std::vector<std::string> list;
  if (data == nullptr) return list;
  EXPECT_TRUE(host::splitTclList(Tcl_DStringValue(&data->waveformNames), &list));
  return list;
}

std::complex<double> TouchstoneRead::sample(int index, int k) const {
  const double* samples = data->waveformData[index];
  return {samples[2 * k], samples[2 * k + 1]};
}

std::complex<double> TouchstoneRead::sample(const std::string& name, int k) const {
  std::vector<std::string> list = names();
  auto found = std::find(list.begin(), list.end(), name);
  if (found == list.end()) {
    ADD_FAILURE() << "no waveform " << name;
    return {std::nan(""), std::nan("")};
  }
  return sample(static_cast<int>(found - list.begin()), k);
}

std::string TouchstoneRead::refusal(const std::string& message) const {
  return message + "Can't open file: " + file.path() + ".\n ";
}

}  // namespace korvel::testing
