// The callbacks that open and close a file.
#include "plugin/callbacks.h"
#include "plugin/open_file.h"

namespace korvel::callbacks {

int openFile(Tcl_Interp*, const char* path, void** dataSet) {
  if (path == nullptr || dataSet == nullptr) return kFailed;
  try {
    DataSet* data = nullptr;
    DataSet* previous = static_cast<DataSet*>(*dataSet);
    data = previous;
    int result = korvel::openFile(path, &data);
    *dataSet = data;
    return result == kOk ? 0 : 1;
  } catch (...) {
    return 1;
  }
}

int closeFile(Tcl_Interp*, void* dataSet) {
  korvel::closeFile(static_cast<DataSet*>(dataSet));
  return 0;
}

}  // namespace korvel::callbacks
