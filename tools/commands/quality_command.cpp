// korvel quality [--json|--csv|--points] [--single-ended] [--fail-below R]
// FILE...: whether each file's S-parameters can be physical, as the IEEE 370
// frequency-domain metrics (passivity, reciprocity, causality) and two-port
// stability, per segment.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <map>
#include <nlohmann/json.hpp>

#include "dataset/waveform_groups.h"
#include "rfcalc/network_quality.h"
#include "rfcalc/network_transforms.h"
#include "tools/cli/command.h"
#include "tools/output/diagnostics.h"
#include "tools/output/number_format.h"
#include "tools/output/sweep_values.h"
#include "tools/output/text_format.h"

namespace korvel::tool {

namespace {

using Json = nlohmann::ordered_json;

// A terminal as the Zo names give it: its mode letter in a mixed-mode file
// ('d', 'c' or 's'; 0 otherwise) and its number text.
struct Terminal {
  char mode = 0;
  std::string number;
};

// The terminals in stored order, from the "Zo/Zo(3)" or "Zo/Zod(1)" names.
std::vector<Terminal> terminalsOf(const std::vector<std::string>& catalogue) {
  std::string referencePrefix = waveformName(kReferenceImpedanceGroup, "Zo");
  std::vector<Terminal> terminals;
  for (const std::string& name : catalogue) {
    if (!name.starts_with(referencePrefix)) continue;
    std::string rest = name.substr(referencePrefix.size());
    Terminal terminal;
    if (!rest.empty() && rest[0] != '(') {
      terminal.mode = static_cast<char>(std::tolower(static_cast<unsigned char>(rest[0])));
      rest.erase(0, 1);
    }
    if (rest.size() < 2 || rest.front() != '(' || rest.back() != ')') continue;
    terminal.number = rest.substr(1, rest.size() - 2);
    terminals.push_back(terminal);
  }
  return terminals;
}

std::string entryName(const std::vector<Terminal>& terminals, size_t row, size_t column) {
  const Terminal& r = terminals[row];
  const Terminal& c = terminals[column];
  std::string modes;
  if (r.mode != 0) modes = std::string(1, r.mode) + std::string(1, c.mode);
  return "S" + modes + "(" + r.number + "," + c.number + ")";
}

// The rows of the mixed-mode transformation a file's terminals make: each
// pair's differential and common terminals stand on two single-ended ports
// (numbered pair by pair in order of the pair's first terminal, the first
// of the two the positive one), a single-ended terminal on one.
bool singleEndedRows(const std::vector<Terminal>& terminals, std::vector<ModeRow>* rows,
                     std::string* problem) {
  const size_t n = terminals.size();
  std::map<std::string, size_t> firstPort;  // pair number -> its first single-ended port
  std::map<std::string, int> modesSeen;
  size_t next = 0;
  rows->clear();
  for (const Terminal& terminal : terminals) {
    std::string key = (terminal.mode == 's' ? "s" : "p") + terminal.number;
    auto found = firstPort.find(key);
    if (found == firstPort.end()) {
      found = firstPort.emplace(key, next).first;
      next += terminal.mode == 's' ? 1 : 2;
    }
    if (terminal.mode != 's') modesSeen[key] |= terminal.mode == 'd' ? 1 : 2;
    int port = static_cast<int>(found->second);
    char mode = terminal.mode == 'd' ? 'D' : terminal.mode == 'c' ? 'C' : 'S';
    rows->push_back({mode, port, port + 1});
  }
  for (const auto& [key, modes] : modesSeen) {
    if (modes != 3) {
      *problem = "mixed-mode pair " + key.substr(1) + " has only its " +
                 (modes == 1 ? "differential" : "common") +
                 " mode, so the single-ended matrix cannot be formed";
      return false;
    }
  }
  if (next != n || !checkModeRows(*rows, static_cast<int>(n)).empty()) {
    *problem = "the mixed-mode terminals do not make a square single-ended matrix";
    return false;
  }
  return true;
}

// The single-ended S at every point of `stored` (n * n entry arrays).
std::vector<std::vector<double>> toSingleEnded(const std::vector<const double*>& stored, size_t n,
                                               size_t points, const std::vector<ModeRow>& rows) {
  std::vector<std::vector<double>> single(n * n, std::vector<double>(2 * points));
  std::vector<DComplex> s(n * n);
  std::vector<DComplex> result(n * n);
  for (size_t k = 0; k < points; ++k) {
    for (size_t e = 0; e < n * n; ++e) s[e] = {stored[e][2 * k], stored[e][2 * k + 1]};
    singleEndedScattering(s.data(), rows, result.data());
    for (size_t e = 0; e < n * n; ++e) {
      single[e][2 * k] = result[e].real();
      single[e][2 * k + 1] = result[e].imag();
    }
  }
  return single;
}

// One segment's metrics with what names its points.
struct SegmentReport {
  size_t index = 0;
  std::vector<std::pair<std::string, double>> sweep;
  std::vector<double> frequencies;
  NetworkQuality quality;
  PointQuality points;
};

struct FileReport {
  std::string path;
  std::string format;
  std::string matrix;  // "as stored", "single-ended", "mixed-mode as stored"
  std::vector<Terminal> terminals;
  std::string references;  // "real", "per frequency", "complex"
  std::string note;        // why no metric was computed
  std::vector<SegmentReport> segments;
};

enum class Output { kTable, kJson, kCsv, kPoints };

// `value` with `digits` significant digits; the JSON names of the
// non-finite values.
std::string number(double value, int digits = 9) {
  if (!std::isfinite(value)) return shortestNumber(value);
  return formatNumber(value, digits);
}

// A JSON value for a double: a number, or the non-finite names as strings.
Json jsonNumber(double value) {
  if (std::isfinite(value)) return value;
  return number(value);
}

// Bytes that are not valid UTF-8 read as Latin-1, as writeJsonString shows them.
std::string validUtf8(std::string_view text) {
  std::string result;
  size_t i = 0;
  while (i < text.size()) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    bool valid = length > 0 && i + length <= text.size();
    for (size_t k = 1; valid && k < length; ++k)
      valid = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
    if (valid && length > 1) {
      // Overlong forms and surrogates are not UTF-8 either; the library knows.
      try {
        (void)Json(std::string(text.substr(i, length))).dump();
      } catch (const nlohmann::json::exception&) {
        valid = false;
      }
    }
    if (valid) {
      result.append(text.substr(i, length));
      i += length;
    } else {
      result += static_cast<char>(0xC0 | (c >> 6));
      result += static_cast<char>(0x80 | (c & 0x3F));
      ++i;
    }
  }
  return result;
}

class QualityCommand : public Command {
 public:
  const char* name() const override { return "quality"; }
  const char* summary() const override {
    return "Passivity, reciprocity and causality (IEEE 370 frequency-domain metrics) and two-port "
           "stability of each file";
  }
  void define(CLI::App& command) override;
  bool machineReadable() const override { return output() != Output::kTable; }
  std::string validate() const override {
    if ((json_ ? 1 : 0) + (csv_ ? 1 : 0) + (points_ ? 1 : 0) > 1)
      return "--json, --csv and --points exclude each other";
    return {};
  }
  int run(PluginSession& session) override;

 private:
  Output output() const {
    return json_ ? Output::kJson : csv_ ? Output::kCsv : points_ ? Output::kPoints : Output::kTable;
  }
  // Opens and judges one file; false when it could not be judged at all.
  bool assessFile(PluginSession& session, const std::string& path, FileReport* report);
  bool assessSegments(const std::vector<const host::RecordedWaveform*>& entries, FileReport* report);
  bool belowThreshold(const FileReport& report) const;

  bool json_ = false;
  bool csv_ = false;
  bool points_ = false;
  bool singleEnded_ = false;
  std::string failBelow_;
  std::vector<std::string> files_;
};

void QualityCommand::define(CLI::App& command) {
  command.description(
      "Whether each file's S-parameters can be physical: passivity (largest singular value per point), "
      "reciprocity and causality as the IEEE 370 frequency-domain metrics, each rated good, acceptable, "
      "inconclusive or poor, with where it fails; for a two-port the stability factors K and mu and the "
      "frequencies where it is not unconditionally stable. Swept files are judged per segment, mixed-mode "
      "files as stored. Exit status 1 when a file is refused, or with --fail-below when a metric is rated "
      "below the level given (a file with complex references, which is not judged, counts as below).");
  command.add_flag("--json", json_, "One JSON document per file, one a line, for scripts");
  command.add_flag("--csv", csv_, "One CSV row per file and segment, for a folder of files");
  command.add_flag("--points", points_,
                   "CSV of every point: frequency, largest singular value, reciprocity error, and K and mu "
                   "for a two-port");
  command.add_flag("--single-ended", singleEnded_,
                   "Judge a mixed-mode file's single-ended matrix instead of its mixed-mode one");
  command.add_option("--fail-below", failBelow_, "Exit 1 when any metric of any file is rated below this")
      ->check(CLI::IsMember({"good", "acceptable", "inconclusive"}));
  command.add_option("files", files_, "S-parameter files; - reads standard input")->required();
}

bool QualityCommand::assessFile(PluginSession& session, const std::string& path, FileReport* report) {
  report->path = path;
  // The plug-in's warnings are collected even when verbose: one of them
  // says whether the references are complex (OpenedFileInfo::complexReferences).
  bool verbose = session.verbose();
  session.setVerbose(false);
  OpenedFileInfo opened = session.open(path);
  session.setVerbose(verbose);
  if (opened.file == nullptr) return false;
  report->format = opened.formatName;
  std::vector<std::string> catalogue = session.catalogue(*opened.file);
  report->terminals = terminalsOf(catalogue);
  const size_t n = report->terminals.size();
  bool mixed = n > 0 && report->terminals[0].mode != 0;
  report->matrix = mixed ? (singleEnded_ ? "single-ended" : "mixed-mode as stored") : "as stored";
  if (opened.complexReferences) report->references = "complex";
  if (report->references == "complex") {
    report->note =
        "the metrics need real reference impedances; this file's port impedances have an imaginary part";
    return true;
  }
  std::vector<std::string> names;
  for (size_t i = 0; i < n; ++i) {
    for (size_t j = 0; j < n; ++j)
      names.push_back(waveformName(kScatteringGroup, entryName(report->terminals, i, j)));
  }
  for (const Terminal& terminal : report->terminals)
    names.push_back(waveformName(kReferenceImpedanceGroup, "Zo") +
                    (terminal.mode != 0 ? std::string(1, terminal.mode) : "") + "(" + terminal.number + ")");
  for (size_t e = 0; e < n * n; ++e) {
    if (std::find(catalogue.begin(), catalogue.end(), names[e]) == catalogue.end()) {
      diagnoseFile(path, "no S-parameter matrix (" + printable(names[e]) + " is missing)");
      return false;
    }
  }
  PluginSession::WaveformRecording recording = session.recordWaveforms();
  std::vector<const host::RecordedWaveform*> received = session.load(*opened.file, names);
  bool varies = false;
  for (size_t t = n * n; t < received.size(); ++t) {
    if (received[t] != nullptr && received[t]->ySummary.varies) varies = true;
  }
  report->references = varies ? "per frequency" : "real";
  received.resize(n * n);
  bool judged = n > 0 && assessSegments(received, report);
  if (!judged) diagnoseFile(path, printable(report->note));
  return judged;
}

bool QualityCommand::assessSegments(const std::vector<const host::RecordedWaveform*>& entries,
                                    FileReport* report) {
  const size_t n = report->terminals.size();
  for (const host::RecordedWaveform* entry : entries) {
    if (entry == nullptr || !entry->isComplex() || entry->segments.size() != entries[0]->segments.size()) {
      report->note = "the S-parameters could not be loaded";
      return false;
    }
  }
  std::vector<ModeRow> rows;
  bool convert = singleEnded_ && report->terminals[0].mode != 0;
  if (convert && !singleEndedRows(report->terminals, &rows, &report->note)) return false;
  if (convert) {
    for (Terminal& terminal : report->terminals) terminal = Terminal{};
    for (size_t i = 0; i < n; ++i) report->terminals[i].number = std::to_string(i + 1);
  }
  std::vector<std::string> sweepNames = sweepNamesOf(*entries[0]);
  for (size_t g = 0; g < entries[0]->segments.size(); ++g) {
    const host::RecordedSegment& first = entries[0]->segments[g];
    ScatteringSegment segment;
    segment.ports = n;
    segment.points = first.x.size();
    for (const host::RecordedWaveform* entry : entries) {
      const host::RecordedSegment& part = entry->segments[g];
      if (part.x.size() != segment.points || part.y.size() != 2 * segment.points) {
        report->note = "the S-parameter entries differ in their points";
        return false;
      }
      segment.entries.push_back(part.y.data());
    }
    if (segment.points == 0) continue;
    std::vector<std::vector<double>> single;
    if (convert) {
      single = toSingleEnded(segment.entries, n, segment.points, rows);
      for (size_t e = 0; e < n * n; ++e) segment.entries[e] = single[e].data();
    }
    SegmentReport result;
    result.index = g;
    std::vector<double> values = sweepValuesOf(*entries[0], g);
    for (size_t q = 0; q < sweepNames.size(); ++q) result.sweep.push_back({sweepNames[q], values[q]});
    result.frequencies = first.x;
    result.quality = assessNetwork(segment, 0, output() == Output::kPoints ? &result.points : nullptr);
    report->segments.push_back(std::move(result));
  }
  return true;
}

QualityRating ratingNamed(const std::string& name) {
  if (name == "good") return QualityRating::kGood;
  if (name == "acceptable") return QualityRating::kAcceptable;
  return QualityRating::kInconclusive;
}

bool QualityCommand::belowThreshold(const FileReport& report) const {
  if (failBelow_.empty()) return false;
  QualityRating floor = ratingNamed(failBelow_);
  // A file whose metrics could not be computed cannot show that it passes.
  if (!report.note.empty()) return true;
  for (const SegmentReport& segment : report.segments) {
    const NetworkQuality& q = segment.quality;
    if (passivityRating(q.passivity) < floor) return true;
    if (q.reciprocityDefined && passivityRating(q.reciprocity) < floor) return true;
    if (q.causalityDefined && causalityRating(q.causality) < floor) return true;
  }
  return false;
}

std::string pairName(const FileReport& report, size_t i, size_t j) {
  return entryName(report.terminals, i, j) + "/" + entryName(report.terminals, j, i);
}

std::string sweepText(const SegmentReport& segment) {
  std::string text;
  for (const auto& [name, value] : segment.sweep)
    text += (text.empty() ? "" : ", ") + name + " = " + number(value, 6);
  return text;
}

std::string unstableText(const SegmentReport& segment) {
  std::string text;
  for (const PointRange& range : segment.quality.notUnconditionallyStable) {
    text += text.empty() ? "" : ", ";
    text += formatFrequency(segment.frequencies[range.first]);
    if (range.last != range.first) text += " .. " + formatFrequency(segment.frequencies[range.last]);
  }
  return text;
}

void writeMetricRow(std::ostream& out, const char* metric, const std::string& value,
                    const std::string& rating, const std::string& where) {
  char line[64];
  std::snprintf(line, sizeof line, "  %-12s %-11s %-13s ", metric, value.c_str(), rating.c_str());
  std::string text = line + where;
  while (!text.empty() && text.back() == ' ') text.pop_back();
  out << text << "\n";
}

void printTable(const FileReport& report, std::ostream& out) {
  out << printable(report.path) << "\n";
  if (!report.note.empty()) {
    out << "  not judged: " << printable(report.note) << "\n";
    return;
  }
  out << "  " << report.terminals.size() << (report.terminals.size() == 1 ? " port" : " ports") << ", "
      << report.matrix << ", references " << report.references << "\n";
  for (const SegmentReport& segment : report.segments) {
    const NetworkQuality& q = segment.quality;
    const std::vector<double>& f = segment.frequencies;
    if (report.segments.size() > 1 || !segment.sweep.empty())
      out << "  segment " << segment.index << (segment.sweep.empty() ? "" : ": " + sweepText(segment))
          << "\n";
    writeMetricRow(out, "metric", "value", "rating", "where");
    writeMetricRow(out, "passivity", number(q.passivity), ratingName(passivityRating(q.passivity)),
                   std::to_string(q.pointsOverThreshold) + " of " + std::to_string(q.points) +
                       " points above 1.00001; largest singular value " + number(q.worstSingularValue, 7) +
                       " at " + formatFrequency(f[q.worstPassivityPoint]));
    if (q.reciprocityDefined) {
      writeMetricRow(out, "reciprocity", number(q.reciprocity), ratingName(passivityRating(q.reciprocity)),
                     "worst at " + formatFrequency(f[q.worstReciprocityPoint]) + ", error " +
                         number(q.worstReciprocityError, 4) + ", most in " +
                         pairName(report, q.worstPairRow, q.worstPairColumn));
    } else {
      writeMetricRow(out, "reciprocity", "-", "-", "not defined for a one-port");
    }
    if (q.causalityDefined) {
      writeMetricRow(out, "causality", number(q.causality), ratingName(causalityRating(q.causality)),
                     "worst entry " + entryName(report.terminals, q.worstEntryRow, q.worstEntryColumn));
    } else {
      writeMetricRow(out, "causality", "-", "-", "not defined for fewer than 3 points");
    }
    if (q.twoPort) {
      std::string unstable = unstableText(segment);
      writeMetricRow(out, "stability", unstable.empty() ? "stable" : "not stable", "-",
                     (unstable.empty() ? "unconditionally stable at every point"
                                       : "not unconditionally stable (mu <= 1) at " + unstable) +
                         "; lowest mu " + number(q.lowestMu, 6) + ", lowest K " + number(q.lowestK, 6));
    }
  }
}

Json jsonSegment(const FileReport& report, const SegmentReport& segment) {
  const NetworkQuality& q = segment.quality;
  const std::vector<double>& f = segment.frequencies;
  Json doc;
  doc["segment"] = segment.index;
  Json sweep = Json::object();
  for (const auto& [name, value] : segment.sweep) sweep[validUtf8(name)] = jsonNumber(value);
  doc["sweep"] = sweep;
  doc["points"] = q.points;
  doc["passivity"] = {{"value", jsonNumber(q.passivity)},
                      {"rating", ratingName(passivityRating(q.passivity))},
                      {"pointsAboveThreshold", q.pointsOverThreshold},
                      {"worstFrequency", f[q.worstPassivityPoint]},
                      {"largestSingularValue", jsonNumber(q.worstSingularValue)}};
  if (q.reciprocityDefined) {
    doc["reciprocity"] = {{"value", jsonNumber(q.reciprocity)},
                          {"rating", ratingName(passivityRating(q.reciprocity))},
                          {"worstFrequency", f[q.worstReciprocityPoint]},
                          {"worstError", jsonNumber(q.worstReciprocityError)},
                          {"worstPair",
                           {entryName(report.terminals, q.worstPairRow, q.worstPairColumn),
                            entryName(report.terminals, q.worstPairColumn, q.worstPairRow)}}};
  } else {
    doc["reciprocity"] = {{"value", nullptr}, {"note", "not defined for a one-port"}};
  }
  if (q.causalityDefined) {
    doc["causality"] = {{"value", jsonNumber(q.causality)},
                        {"rating", ratingName(causalityRating(q.causality))},
                        {"worstEntry", entryName(report.terminals, q.worstEntryRow, q.worstEntryColumn)}};
  } else {
    doc["causality"] = {{"value", nullptr}, {"note", "not defined for fewer than 3 points"}};
  }
  if (q.twoPort) {
    Json ranges = Json::array();
    for (const PointRange& range : q.notUnconditionallyStable)
      ranges.push_back({f[range.first], f[range.last]});
    doc["stability"] = {{"lowestK", jsonNumber(q.lowestK)},
                        {"lowestKFrequency", f[q.lowestKPoint]},
                        {"lowestMu", jsonNumber(q.lowestMu)},
                        {"lowestMuFrequency", f[q.lowestMuPoint]},
                        {"notUnconditionallyStable", ranges}};
  }
  return doc;
}

void printJson(const FileReport& report, std::ostream& out) {
  Json doc;
  doc["file"] = validUtf8(report.path);
  doc["format"] = report.format;
  doc["ports"] = report.terminals.size();
  doc["matrix"] = report.matrix;
  doc["references"] = report.references;
  if (!report.note.empty()) doc["note"] = report.note;
  Json segments = Json::array();
  for (const SegmentReport& segment : report.segments) segments.push_back(jsonSegment(report, segment));
  doc["segments"] = segments;
  out << doc.dump() << "\n";
}

constexpr const char* kCsvHeader =
    "file,segment,sweep,ports,matrix,references,points,passivity,passivity rating,points above threshold,"
    "largest singular value,at f [Hz],reciprocity,reciprocity rating,worst reciprocity pair,causality,"
    "causality rating,worst causality entry,lowest mu,lowest K,not unconditionally stable [Hz],note\n";

void printCsv(const FileReport& report, std::ostream& out) {
  auto common = [&](const std::string& segment, const std::string& sweep) {
    out << csvField(report.path) << ',' << segment << ',' << csvField(sweep) << ',' << report.terminals.size()
        << ',' << report.matrix << ',' << report.references;
  };
  if (!report.note.empty()) {
    common("", "");
    out << ",,,,,,,,,,,,,,," << csvField(report.note) << "\n";
    return;
  }
  for (const SegmentReport& segment : report.segments) {
    const NetworkQuality& q = segment.quality;
    common(std::to_string(segment.index), sweepText(segment));
    out << ',' << q.points << ',' << shortestNumber(q.passivity) << ','
        << ratingName(passivityRating(q.passivity)) << ',' << q.pointsOverThreshold << ','
        << shortestNumber(q.worstSingularValue) << ','
        << shortestNumber(segment.frequencies[q.worstPassivityPoint]);
    if (q.reciprocityDefined) {
      out << ',' << shortestNumber(q.reciprocity) << ',' << ratingName(passivityRating(q.reciprocity)) << ','
          << csvField(pairName(report, q.worstPairRow, q.worstPairColumn));
    } else {
      out << ",,,";
    }
    if (q.causalityDefined) {
      out << ',' << shortestNumber(q.causality) << ',' << ratingName(causalityRating(q.causality)) << ','
          << csvField(entryName(report.terminals, q.worstEntryRow, q.worstEntryColumn));
    } else {
      out << ",,,";
    }
    if (q.twoPort) {
      std::string ranges;
      for (const PointRange& range : q.notUnconditionallyStable)
        ranges += (ranges.empty() ? "" : " ") + shortestNumber(segment.frequencies[range.first]) + ".." +
                  shortestNumber(segment.frequencies[range.last]);
      out << ',' << shortestNumber(q.lowestMu) << ',' << shortestNumber(q.lowestK) << ',' << csvField(ranges);
    } else {
      out << ",,,";
    }
    out << ",\n";
  }
}

constexpr const char* kPointsHeader = "file,segment,f [Hz],largest singular value,reciprocity error,K,mu\n";

void printPoints(const FileReport& report, std::ostream& out) {
  if (!report.note.empty()) return;
  const std::string file = csvField(report.path);
  for (const SegmentReport& segment : report.segments) {
    const PointQuality& p = segment.points;
    std::string lead = file + "," + std::to_string(segment.index) + ",";
    for (size_t k = 0; k < segment.frequencies.size(); ++k) {
      out << lead << shortestNumber(segment.frequencies[k]) << ','
          << shortestNumber(p.largestSingularValue[k]) << ',';
      if (!p.reciprocityError.empty()) out << shortestNumber(p.reciprocityError[k]);
      out << ',';
      if (!p.k.empty())
        out << shortestNumber(p.k[k]) << ',' << shortestNumber(p.mu[k]);
      else
        out << ',';
      out << '\n';
      if (!out) return;
    }
  }
}

int QualityCommand::run(PluginSession& session) {
  int status = kExitOk;
  bool below = false;
  if (output() == Output::kCsv) std::cout << kCsvHeader;
  if (output() == Output::kPoints) std::cout << kPointsHeader;
  bool first = true;
  for (const std::string& path : files_) {
    FileReport report;
    if (!assessFile(session, path, &report)) {
      status = kExitRefused;
      continue;
    }
    if (belowThreshold(report)) below = true;
    switch (output()) {
      case Output::kTable:
        if (!first) std::cout << "\n";
        printTable(report, std::cout);
        break;
      case Output::kJson:
        printJson(report, std::cout);
        break;
      case Output::kCsv:
        printCsv(report, std::cout);
        break;
      case Output::kPoints:
        printPoints(report, std::cout);
        break;
    }
    first = false;
    if (!std::cout) return kExitRefused;
  }
  if (status == kExitOk && below) status = kExitRefused;
  return status;
}

}  // namespace

std::unique_ptr<Command> makeQualityCommand() { return std::make_unique<QualityCommand>(); }

}  // namespace korvel::tool
