// The one way the tests open a text: written to a temporary file whose name
// selects the reader, opened through openFile with the messages of both
// standard streams captured, and the record released with the opening.
// Also reads a record's waveform names and samples.
#ifndef KORVEL_TESTS_SUPPORT_OPENED_TEXT_H
#define KORVEL_TESTS_SUPPORT_OPENED_TEXT_H

#include <complex>
#include <memory>
#include <string>
#include <vector>

#include "dataset/data_set.h"

namespace korvel::testing {

struct DataSetCloser {
  void operator()(DataSet* data) const;
};
using DataSetPointer = std::unique_ptr<DataSet, DataSetCloser>;

class OpenedText {
 public:
  // Opens `contents` as a file called `fileName` ("net.s2p", "network.sc").
  OpenedText(const std::string& fileName, const std::string& contents);
  // Opens the file at `path` as it is.
  static OpenedText atPath(const std::string& path);

  bool opened() const { return result == 0 && data != nullptr; }
  // The stored waveform names, in stored order.
  std::vector<std::string> names() const;
  // Sample k of the waveform stored at `index`. Unlike sampleOf, k may
  // reach into the room the storage holds past the last point.
  std::complex<double> sample(int index, int k) const;
  // Sample k of the waveform called `name`, as above (the test fails when
  // the name is missing and the result is NaN).
  std::complex<double> sample(const std::string& name, int k) const;
  // What openFile prints after a Touchstone reader refused the file with
  // `message`.
  std::string refusal(const std::string& message) const;

  int result = -1;
  DataSetPointer data;  // null when the file was refused
  std::string path;     // the path openFile was given
  std::string errors;   // everything written to standard error
  std::string output;   // everything written to standard output

 private:
  OpenedText() = default;
  void open();
};

// The waveform names of a record in stored order; the test fails when the
// list does not split or does not hold waveformCount names.
std::vector<std::string> waveformNames(const DataSet& data);

// Index of the stored name, or -1.
int waveformIndex(const DataSet& data, const std::string& name);

// Sample `sample` of the named waveform (the test fails when the name is
// missing or the sample out of range, and the result is NaN).
std::complex<double> sampleOf(const DataSet& data, const std::string& name, int sample);
double realPart(const DataSet& data, const std::string& name, int sample);
double imagPart(const DataSet& data, const std::string& name, int sample);

// A record made by hand without a file, for tests that name waveforms or
// fill fields themselves; released with the object.
class ScratchRecord {
 public:
  explicit ScratchRecord(int terminals, int ports = -1);
  ~ScratchRecord();
  ScratchRecord(const ScratchRecord&) = delete;
  ScratchRecord& operator=(const ScratchRecord&) = delete;

  // Makes the record mixed-mode with these terminal names.
  void nameTerminals(const std::vector<std::string>& names);
  std::vector<std::string> names() const { return waveformNames(*data); }

  DataSet* data;
};

}  // namespace korvel::testing

#endif  // KORVEL_TESTS_SUPPORT_OPENED_TEXT_H
