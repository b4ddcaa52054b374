// Opening SC texts for the reader's tests: the text goes to a temporary
// file with an SC extension and through openFile, with the messages
// captured.
#ifndef KORVEL_TESTS_SC_SC_TEST_SUPPORT_H
#define KORVEL_TESTS_SC_SC_TEST_SUPPORT_H

#include <memory>
#include <string>
#include <vector>

#include "dataset/data_set.h"

namespace korvel::testing {

struct DataSetCloser {
  void operator()(DataSet* data) const;
};
using DataSetPointer = std::unique_ptr<DataSet, DataSetCloser>;

struct ScOpening {
  int result = -1;
  DataSetPointer data;  // null when the file was refused
  std::string errors;   // everything written to standard error
};

// Opens `contents` as the SC file `name`.
ScOpening openScText(const std::string& contents, const std::string& name = "network.sc");

// Opens the file at `path`.
ScOpening openScPath(const std::string& path);

// The waveform names in stored order.
std::vector<std::string> waveformNames(const DataSet& data);

// Index of the stored name, or -1.
int waveformIndex(const DataSet& data, const std::string& name);

// Real and imaginary part of sample `sample` of the named waveform.
double realPart(const DataSet& data, const std::string& name, int sample);
double imagPart(const DataSet& data, const std::string& name, int sample);

// The lines of a file joined, each ended by a line feed.
std::string joinLines(const std::vector<std::string>& lines);

// A two-port file of real and imaginary values with `points` points and no
// sweep; `extraHeader` is appended to the header line, `body` follows the
// Zo line.
std::string twoPortFile(int points, const std::string& extraHeader, const std::string& body);

}  // namespace korvel::testing

#endif  // KORVEL_TESTS_SC_SC_TEST_SUPPORT_H
