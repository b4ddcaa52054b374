// The result codes every reading step returns.
#ifndef KORVEL_DATASET_RESULT_H
#define KORVEL_DATASET_RESULT_H

namespace korvel {

enum Result : int { kOk = 0, kFailed = 1 };

}  // namespace korvel

#endif  // KORVEL_DATASET_RESULT_H
