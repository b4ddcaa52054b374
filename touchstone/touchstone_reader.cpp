// The reader of Touchstone S-parameter files: the comment lines before the
// option line (with a possible mixed-mode mapping), the option line, more
// comments after it, then the data stage.
#include "touchstone/touchstone_reader.h"

#include <vector>

#include "dataset/messages.h"
#include "dataset/result.h"
#include "text/text_input.h"
#include "touchstone/line_kinds.h"
#include "touchstone/mixed_mode_comments.h"
#include "touchstone/network_storage.h"
#include "touchstone/option_line.h"
#include "touchstone/touchstone_data.h"

namespace korvel {

namespace {

// Skips, unexamined, every line up to the option line; false when the file
// ends first.
bool findOptionLine(LineSource* source, bool haveLine, std::string_view* line) {
  while (haveLine && !isOptionLine(*line)) haveLine = source->next(line);
  return haveLine;
}

// The size of the whole text, taken before any of it is read; 0 when the
// stream cannot tell it, and the storage then grows as points arrive.
uint64_t textSize(FILE* file) {
  uint64_t size = remainingBytes(file);
  return size == kUnknownSize ? 0 : size;
}

}  // namespace

int readTouchstone(DataSet* data) {
  uint64_t fileSize = textSize(data->file);
  LineSource source(data->file);
  std::string_view line;
  CommentScan before = readMixedModeComments(&source, data, &line);
  if (!findOptionLine(&source, before.haveLine, &line)) {
    return fail(Message::kHeaderLineMissing);
  }
  std::vector<double> impedances;
  if (readOptionLine(line, data, &impedances) != kOk) return kFailed;

  // A mapping may also follow the option line, unless one was already
  // read or abandoned before it.
  bool pending = false;
  if (data->mixedMode == 0 && !before.mappingAbandoned) {
    pending = readMixedModeComments(&source, data, &line).haveLine;
  }
  return readTouchstoneData(&source, pending ? &line : nullptr, impedances, fileSize, data);
}

}  // namespace korvel
