// The callbacks that open and close a file.
#include "plugin/callbacks.h"
#include "plugin/open_file.h"

namespace korvel::callbacks {

// The host's slot holds the opened record, or null after any failure.
int openFile(Tcl_Interp*, const char* path, void** dataSet) {
  if (dataSet == nullptr) return kFailed;
  *dataSet = nullptr;
  if (path == nullptr) return kFailed;
  try {
    DataSet* data = nullptr;
    if (korvel::openFile(path, &data) != kOk) return 1;
    *dataSet = data;
    return 0;
  } catch (...) {
    *dataSet = nullptr;
    return 1;
  }
}

int closeFile(Tcl_Interp*, void* dataSet) {
  korvel::closeFile(static_cast<DataSet*>(dataSet));
  return 0;
}

}  // namespace korvel::callbacks
