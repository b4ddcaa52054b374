// The port impedances that electromagnetic solvers write point by point in
// comment lines when they do not renormalise their S-parameters:
//   ! Port Impedance 526.44 0 526.44 0 526.44 0
// one line after each point, a real and an imaginary part per port (the
// keyword may run straight into the first number). With many ports the
// numbers go on over the comment lines that follow ("!" and numbers only). Where the option line
// gives no R and the file no [Reference], these are the references of the
// S-parameters, and Z, Y and everything derived from them must use them.
#ifndef KORVEL_TOUCHSTONE_PORT_IMPEDANCES_H
#define KORVEL_TOUCHSTONE_PORT_IMPEDANCES_H

#include <string>
#include <string_view>
#include <vector>

#include "dataset/data_set.h"

namespace korvel {

// True when `line` is a port impedance comment line; `*values` then holds
// the text after the keyword.
bool isPortImpedanceLine(std::string_view line, std::string_view* values);

class PortImpedances {
 public:
  explicit PortImpedances(int ports) : ports_(ports) {}

  // Takes the values of port impedance line `line`. Reports and returns
  // kFailed when a value is no number, when the line has more than two
  // numbers per port, or when the line before it ended with fewer.
  int read(std::string_view values, int line);

  // True when the comment line `line` goes on with the numbers of a port
  // impedance line that still lacks some; `*values` then holds its text.
  bool continues(std::string_view line, std::string_view* values) const;
  // Takes the numbers of such a continuation line.
  int readMore(std::string_view values, int line);

  // Ends a port impedance line that still lacks numbers: reports and
  // returns kFailed when one does. Called at every line that does not
  // continue it, and at the end of the data.
  int finish();

  // The number of lines taken.
  int lineCount() const { return lineCount_; }
  bool empty() const { return lineCount_ == 0; }

  // Writes the impedances of the first pointCount lines into the Zo
  // waveforms, terminal by terminal (real part and reactance), and sets
  // referenceImpedance to port 1's first real part. Refuses a count of
  // lines other than the points' (`line`: where the data ended; an
  // unfinished last point dropped may leave one line more). Warns once
  // when some impedance has a reactance.
  int apply(DataSet* data, bool lastPointDropped, int line) const;

  // True when port 1's impedance is the same real value at every point:
  // the reference the noise data can refer to.
  bool portOneConstant(int pointCount) const;

 private:
  int takeNumbers(std::string_view values, int line);
  // "3 ports; it gives 4", for the message.
  std::string valuesForPorts(size_t count) const;

  int ports_;
  int lineCount_ = 0;
  size_t lineStart_ = 0;  // where the values of the line being read begin
  int pendingLine_ = 0;   // the line number of an unfinished line, or 0
  bool pendingComplex_ = false;
  int firstComplexLine_ = 0;
  int complexPoints_ = 0;
  std::vector<double> values_;  // per line, per port: real, imaginary
};

}  // namespace korvel

#endif  // KORVEL_TOUCHSTONE_PORT_IMPEDANCES_H
