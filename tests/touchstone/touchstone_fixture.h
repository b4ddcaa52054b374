// Reading Touchstone text through openFile for the reader's tests: the text
// is written to a temporary file whose name selects the port count, the
// messages on standard error are captured, and the record is released when
// the read goes out of scope.
#ifndef KORVEL_TESTS_TOUCHSTONE_TOUCHSTONE_FIXTURE_H
#define KORVEL_TESTS_TOUCHSTONE_TOUCHSTONE_FIXTURE_H

#include <complex>
#include <string>
#include <vector>

#include "dataset/data_set.h"
#include "support/test_support.h"

namespace korvel::testing {

class TouchstoneRead {
 public:
  // Opens `contents` as a file called `fileName` (for example "net.s2p").
  TouchstoneRead(const std::string& fileName, const std::string& contents);
  ~TouchstoneRead();
  TouchstoneRead(const TouchstoneRead&) = delete;
  TouchstoneRead& operator=(const TouchstoneRead&) = delete;

  bool opened() const { return result == 0 && data != nullptr; }
  // The stored waveform names, in stored order.
  std::vector<std::string> names() const;
  // Sample k of the waveform stored at `index`.
  std::complex<double> sample(int index, int k) const;
  // Sample k of the waveform called `name` (the test fails when it is
  // missing and the result is NaN).
  std::complex<double> sample(const std::string& name, int k) const;
  // What openFile prints after the reader refused the file with `message`.
  std::string refusal(const std::string& message) const;

  TempFile file;
  int result = -1;
  DataSet* data = nullptr;
  std::string errors;
};

}  // namespace korvel::testing

#endif  // KORVEL_TESTS_TOUCHSTONE_TOUCHSTONE_FIXTURE_H
