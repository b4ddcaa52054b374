// korvel dump over several files.
#include "tools/waveform_dump.h"

#include <cstdlib>

#include "tools/dump_writers.h"
#include "tools/resolved_names.h"

namespace korvel::tool {

namespace {

// Opens one file and resolves its names; false when nothing can be written.
bool prepare(PluginSession& session, OpenedFileInfo& opened, const std::vector<std::string>& typed,
             const DumpOptions& options, DumpedFile* dumped) {
  host::OpenedFile& file = *opened.file;
  std::vector<std::string> catalogue = session.catalogue(file);
  if (typed.empty()) {
    dumped->names = catalogue;
  } else if (!resolveNames(session, opened, catalogue, typed, options.viewerLookup, &dumped->names)) {
    return false;
  }
  dumped->path = opened.path;
  dumped->formatName = opened.formatName;
  dumped->design = session.fileProperty(file, "-design");
  dumped->waveformCount = std::atoi(session.fileProperty(file, "-nwaveforms").c_str());
  dumped->segmentCount = std::atoi(session.fileProperty(file, "-nsegments").c_str());
  dumped->load = [&session, &file](const std::vector<std::string>& names) {
    return session.load(file, names);
  };
  dumped->release = [] { host::WaveformLibrary::instance().forgetWaveforms(); };
  return true;
}

}  // namespace

int dumpFiles(PluginSession& session, const std::vector<std::string>& paths,
              const std::vector<std::string>& names, const DumpOptions& options, std::ostream& out) {
  int status = kExitOk;
  CsvState csv;
  for (const std::string& path : paths) {
    OpenedFileInfo opened = session.open(path);
    DumpedFile dumped;
    dumped.fileColumn = paths.size() > 1;
    if (opened.file == nullptr || !prepare(session, opened, names, options, &dumped)) {
      status = kExitRefused;
      continue;
    }
    bool written = false;
    if (options.format == DumpFormat::kJson) {
      written = writeJsonDocument(dumped, out);
    } else if (options.wide) {
      written = writeWideCsv(dumped, options.unit, &csv, out);
    } else {
      written = writeLongCsv(dumped, options.unit, &csv, out);
    }
    host::WaveformLibrary::instance().forgetWaveforms();
    if (!out) return kExitRefused;
    if (!written) status = kExitRefused;
  }
  return status;
}

}  // namespace korvel::tool
