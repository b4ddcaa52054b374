// korvel dump over several files.
#include "tools/commands/dump/waveform_dump.h"

#include <cstdlib>
#include <map>
#include <memory>

#include "tools/commands/dump/dump_writers.h"
#include "tools/names/resolved_names.h"

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
  // The plug-in hands each waveform over once per opening: one loaded to
  // learn a table's columns is kept until the file has been written.
  auto held = std::make_shared<std::map<std::string, const host::RecordedWaveform*>>();
  dumped->load = [&session, &file, held](const std::vector<std::string>& names) {
    std::vector<std::string> missing;
    for (const std::string& name : names) {
      if (held->count(name) == 0) missing.push_back(name);
    }
    if (!missing.empty()) {
      std::vector<const host::RecordedWaveform*> received = session.load(file, missing);
      for (size_t i = 0; i < missing.size(); ++i)
        (*held)[missing[i]] = i < received.size() ? received[i] : nullptr;
    }
    std::vector<const host::RecordedWaveform*> waveforms;
    for (const std::string& name : names) waveforms.push_back(held->at(name));
    return waveforms;
  };
  dumped->release = [&session, held] {
    for (const auto& [name, waveform] : *held) {
      if (waveform != nullptr) session.forget(waveform);
    }
    held->clear();
  };
  return true;
}

}  // namespace

namespace {

// Writes one prepared file in the form asked; false when anything failed.
bool writeFile(const DumpedFile& dumped, const DumpOptions& options, CsvState* csv, std::ostream& out) {
  if (options.format == DumpFormat::kJson) return writeJsonDocument(dumped, out);
  if (options.wide) return writeWideCsv(dumped, options.unit, csv, out);
  return writeLongCsv(dumped, options.unit, csv, out);
}

// Several files in one CSV table: every file is opened first so that the
// table's one header holds the columns of all of them.
int dumpFilesAsOneTable(PluginSession& session, const std::vector<std::string>& paths,
                        const std::vector<std::string>& names, const DumpOptions& options,
                        std::ostream& out) {
  int status = kExitOk;
  CsvState csv;
  csv.shared = true;
  std::vector<OpenedFileInfo> opened;
  std::vector<DumpedFile> dumped;
  // Ends before the files close.
  PluginSession::WaveformRecording recording = session.recordWaveforms();
  opened.reserve(paths.size());
  for (const std::string& path : paths) {
    opened.push_back(session.open(path));
    DumpedFile file;
    file.fileColumn = true;
    if (opened.back().file == nullptr || !prepare(session, opened.back(), names, options, &file) ||
        !addCsvColumns(file, options.unit, options.wide, &csv)) {
      status = kExitRefused;
      opened.pop_back();
      continue;
    }
    dumped.push_back(std::move(file));
  }
  for (const DumpedFile& file : dumped) {
    bool written = writeFile(file, options, &csv, out);
    file.release();
    if (!out) break;
    if (!written) status = kExitRefused;
  }
  return out ? status : kExitRefused;
}

}  // namespace

int dumpFiles(PluginSession& session, const std::vector<std::string>& paths,
              const std::vector<std::string>& names, const DumpOptions& options, std::ostream& out) {
  if (options.format == DumpFormat::kCsv && paths.size() > 1)
    return dumpFilesAsOneTable(session, paths, names, options, out);
  int status = kExitOk;
  CsvState csv;
  for (const std::string& path : paths) {
    OpenedFileInfo opened = session.open(path);
    PluginSession::WaveformRecording recording = session.recordWaveforms();
    DumpedFile dumped;
    dumped.fileColumn = paths.size() > 1;
    if (opened.file == nullptr || !prepare(session, opened, names, options, &dumped)) {
      status = kExitRefused;
      continue;
    }
    bool written = writeFile(dumped, options, &csv, out);
    if (!out) return kExitRefused;
    if (!written) status = kExitRefused;
  }
  return status;
}

}  // namespace korvel::tool
