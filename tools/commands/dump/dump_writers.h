// The writers behind korvel dump, one per output form. Each writes one
// file's waveforms; the waveforms are loaded through `load` one at a time
// (JSON, long CSV) so that what is held at once stays one waveform, or all
// together for the wide table, whose rows need every waveform.
#ifndef KORVEL_TOOLS_COMMANDS_DUMP_DUMP_WRITERS_H
#define KORVEL_TOOLS_COMMANDS_DUMP_DUMP_WRITERS_H

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "host/waveform_library.h"
#include "tools/output/value_units.h"

namespace korvel::tool {

// One file being dumped.
struct DumpedFile {
  std::string path;  // as the user named it
  std::string formatName;
  std::string design;
  int waveformCount = 0;
  int segmentCount = 0;
  std::vector<std::string> names;  // the waveforms to write, in order
  bool fileColumn = false;         // CSV rows start with the file (several files)
  // Loads the given names; null entries for names that gave no waveform.
  std::function<std::vector<const host::RecordedWaveform*>(const std::vector<std::string>&)> load;
  // Lets go of every waveform loaded so far.
  std::function<void()> release;
};

// What the CSV writers remember between files: the header last written,
// so that a header is repeated only when the columns change. Several files
// make one table: its sweep and value columns are the union of the files'
// (gathered by addCsvColumns before anything is written), empty in the
// rows of a file that has no such column.
struct CsvState {
  std::string header;
  bool shared = false;
  std::vector<std::string> sweepNames;
  std::vector<std::string> valueLabels;  // the wide table's value columns
};

// Adds the sweep columns (and for the wide table the value columns) of
// `file` to the shared table; false when a waveform could not be loaded.
bool addCsvColumns(const DumpedFile& file, ValueUnit unit, bool wide, CsvState* state);

// Each returns false when a waveform could not be loaded (reported on
// standard error) or a write failed.
bool writeJsonDocument(const DumpedFile& file, std::ostream& out);
bool writeLongCsv(const DumpedFile& file, ValueUnit unit, CsvState* state, std::ostream& out);
bool writeWideCsv(const DumpedFile& file, ValueUnit unit, CsvState* state, std::ostream& out);

}  // namespace korvel::tool

#endif  // KORVEL_TOOLS_COMMANDS_DUMP_DUMP_WRITERS_H
