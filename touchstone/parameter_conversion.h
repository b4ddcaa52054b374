// Y, Z, H and G data turned into S at open: the reader stores the values
// as read in the S storage, then converts every point in place, so that
// everything derived afterwards comes from S as for any file.
#ifndef KORVEL_TOUCHSTONE_PARAMETER_CONVERSION_H
#define KORVEL_TOUCHSTONE_PARAMETER_CONVERSION_H

#include <vector>

#include "dataset/data_set.h"
#include "touchstone/option_line.h"

namespace korvel {

// Converts the pointCount points of the S storage, which hold `type`
// values, to S at the reference impedance of each terminal (`references`,
// terminalCount ohms). With `normalisingResistance` above zero the values
// are normalised to it (1.x files) and are de-normalised first. A point
// whose conversion meets a singular matrix becomes not-a-number.
// REQUIRES: H and G only with two terminals.
void convertToScattering(DataSet* data, ParameterType type, const std::vector<double>& references,
                         double normalisingResistance);

}  // namespace korvel

#endif  // KORVEL_TOUCHSTONE_PARAMETER_CONVERSION_H
