// Placeholder until the SC reader lands: refuses every file.
#include "dataset/sc_reader.h"

#include "dataset/messages.h"

namespace korvel {

int readScFile(DataSet*) {
  reportError("Can not find the port_number information. \n");
  return 1;
}

}  // namespace korvel
