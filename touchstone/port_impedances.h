// The port impedances that electromagnetic solvers write point by point in
// comment lines when they do not renormalise their S-parameters:
//   ! Port Impedance 526.44 0 526.44 0 526.44 0
// one line after each point, a real and an imaginary part per port (the
// keyword may run straight into the first number). Where the option line
// gives no R and the file no [Reference], these are the references of the
// S-parameters, and Z, Y and everything derived from them must use them.
#ifndef KORVEL_TOUCHSTONE_PORT_IMPEDANCES_H
#define KORVEL_TOUCHSTONE_PORT_IMPEDANCES_H

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
  // kFailed when a value is no number or the line has other than two
  // numbers per port.
  int read(std::string_view values, int line);

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
  int ports_;
  int lineCount_ = 0;
  int firstComplexLine_ = 0;
  int complexPoints_ = 0;
  std::vector<double> values_;  // per line, per port: real, imaginary
};

}  // namespace korvel

#endif  // KORVEL_TOUCHSTONE_PORT_IMPEDANCES_H
