// Opening a file: the choice of reader by extension, and the record's
// creation and release around the read.
#ifndef KORVEL_PLUGIN_OPEN_FILE_H
#define KORVEL_PLUGIN_OPEN_FILE_H

#include <cstdio>

#include "dataset/data_set.h"
#include "dataset/result.h"

namespace korvel {

// Opens `path`, reads it whole with the reader its extension selects and
// runs the network calculation. On success stores the new record in
// `*dataSet` and returns kOk. On failure reports the reader's message and
// returns kFailed; `*dataSet` is then null, whatever the failure. Memory
// running out anywhere in the read is a refusal like any other: everything
// is released, the file closed, and "Not enough memory to read the file."
// reported.
int openFile(const char* path, DataSet** dataSet);

// openFile for a stream already open (a file, or text in memory), which the
// record then owns and which is closed whatever the outcome. `path` names
// the file: its extension selects the reader, and the record keeps it.
int openStream(FILE* stream, const char* path, DataSet** dataSet);

// openFile without the network calculation: the record as its reader
// left it (S, reference impedances, noise data as read, the minimum noise
// figure in dB), with none of the derived waveforms filled. For a writer
// of the file's own data, which needs no Z, Y or gains.
int readFileData(const char* path, DataSet** dataSet);

// 1 when the text after the last "." of `path` begins with "sc" in any
// case: the same reader reads ".sc0" and ".SC0".
int isScExtension(const char* path);

// 1 when the text after the last "." of `path` is "ts" in any case: a
// Touchstone 2.x file, which gives its port count in [Number of Ports].
int isTsExtension(const char* path);

// The port count N of a Touchstone extension (".s2p" gives 2, as do
// ".y2p", ".z2p", ".h2p" and ".g2p", in any case), or 0; prints a message
// when the extension begins with none of those letters.
int touchstonePortCount(const char* path);

// Releases a record handed to the host. Returns 0.
int closeFile(DataSet* dataSet);

}  // namespace korvel

#endif  // KORVEL_PLUGIN_OPEN_FILE_H
