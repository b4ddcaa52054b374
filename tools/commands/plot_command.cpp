// korvel plot [-o FILE] [--format svg|png|pdf] [--smith] [--phase]
// [--segment N]... [--size WxH] FILE [NAME...]: draws waveforms the way
// the plug-in's display hints ask, or a default page chosen by the file's
// shape, as SVG (written by the tool itself) or PNG and PDF rendered from it.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <set>
#include <utility>

#include "tools/cli/command.h"
#include "tools/names/name_resolver.h"
#include "tools/output/diagnostics.h"
#include "tools/output/text_format.h"
#include "tools/plot/curve_reduction.h"
#include "tools/plot/figure.h"
#include "tools/plot/figure_layout.h"
#include "tools/plot/page_plan.h"
#include "tools/plot/svg_render.h"
#include "tools/plot/svg_writer.h"

namespace korvel::tool {

namespace {

enum class OutputFormat { kSvg, kPng, kPdf, kUnknown };

OutputFormat formatNamed(std::string name) {
  std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
  if (name == "svg") return OutputFormat::kSvg;
  if (name == "png") return OutputFormat::kPng;
  if (name == "pdf") return OutputFormat::kPdf;
  return OutputFormat::kUnknown;
}

// Legends of a mixed-mode file's gains and noise name the two-port they
// belong to ("K of Sdd").
void labelTwoPortFigures(const std::string& twoPort, std::vector<plot::PanelSpec>* page) {
  if (twoPort.empty()) return;
  for (plot::PanelSpec& spec : *page) {
    for (const std::string& name : spec.names) {
      if (isTwoPortFigure(name) && spec.labels.count(name) == 0) {
        spec.labels[name] = plot::shortName(name) + " of " + twoPort;
      }
    }
  }
}

// The catalogue name a typed name stands for, or none. The one place where
// the names typed on the command line meet the catalogue.
// Short names (S21, NFmin, any case) resolve as in get, props and dump; a
// name that does not resolve gets its message in `*problem`.
std::optional<std::string> catalogueName(const std::vector<std::string>& catalogue, const std::string& typed,
                                         std::string* problem) {
  NameResolution resolution = resolveWaveformName(catalogue, typed);
  if (resolution.outcome == NameResolution::Outcome::kFound) return resolution.name;
  *problem = unresolvedMessage(typed, resolution);
  return std::nullopt;
}

// "WxH" in pixels, within the sizes a page can have.
std::optional<plot::PageSize> parseSize(const std::string& text) {
  int width = 0;
  int height = 0;
  char end = 0;
  if (std::sscanf(text.c_str(), "%dx%d%c", &width, &height, &end) != 2) return std::nullopt;
  if (width < plot::kSmallestPageWidth || height < plot::kSmallestPageHeight) return std::nullopt;
  if (width > plot::kLargestPageSide || height > plot::kLargestPageSide) return std::nullopt;
  return plot::PageSize{width, height};
}

void addUnique(std::vector<std::string>* names, const std::string& name) {
  if (std::find(names->begin(), names->end(), name) == names->end()) names->push_back(name);
}

class PlotCommand : public Command {
 public:
  const char* name() const override { return "plot"; }
  const char* summary() const override {
    return "Draw waveforms as SVG, PNG or PDF: dB, phase, Smith chart, one curve per sweep segment";
  }
  void define(CLI::App& command) override;
  std::string validate() const override;
  int run(PluginSession& session) override;

 private:
  OutputFormat outputFormat() const;
  // The waveforms the page is made of, by catalogue name; false after
  // saying why when one cannot be had.
  bool loadWaveforms(PluginSession& session, host::OpenedFile& file, const std::vector<std::string>& names,
                     std::vector<const host::RecordedWaveform*>* loaded, plot::WaveformSet* set);
  std::string smithProblem(const std::vector<std::string>& names, const plot::WaveformSet& set) const;
  std::string segmentProblem(const plot::WaveformSet& set) const;
  int write(plot::Figure figure, plot::PageSize size);

  std::string outputPath_;
  std::string format_;
  bool smith_ = false;
  bool phase_ = false;
  std::vector<size_t> segments_;
  std::string size_;
  std::string file_;
  std::vector<std::string> names_;
};

void PlotCommand::define(CLI::App& command) {
  command.add_option("-o,--output", outputPath_,
                     "Write the picture to this file (SVG goes to standard output without it)");
  command.add_option("--format", format_, "Picture format (default: from the extension of -o, else svg)")
      ->check(CLI::IsMember({"svg", "png", "pdf"}));
  command.add_flag("--smith", smith_, "Put the (unitless, complex) waveforms on a Smith chart");
  command.add_flag("--phase", phase_, "Add the unwrapped phase in degrees of complex waveforms");
  command.add_option("--segment", segments_, "Draw only this sweep segment (from 0; repeat for more)")
      ->allow_extra_args(false);
  command.add_option(
      "--size", size_,
      "Page size WxH in pixels (points for PDF), up to " + std::to_string(plot::kLargestPageSide) + "x" +
          std::to_string(plot::kLargestPageSide) + "; at least " + std::to_string(plot::kSmallestCellWidth) +
          "x" + std::to_string(plot::kSmallestCellHeight) +
          " per panel (pages of several panels have two columns)");
  command.add_option("file", file_, "S-parameter file")->required();
  command.add_option("names", names_, "Waveforms to draw (default: a page chosen by the file's shape)");
}

OutputFormat PlotCommand::outputFormat() const {
  if (!format_.empty()) return formatNamed(format_);
  if (outputPath_.empty()) return OutputFormat::kSvg;
  std::string extension = std::filesystem::path(outputPath_).extension().string();
  return formatNamed(extension.empty() ? extension : extension.substr(1));
}

std::string PlotCommand::validate() const {
  OutputFormat format = outputFormat();
  if (format == OutputFormat::kUnknown) {
    return "plot: cannot tell the picture format of " + outputPath_ + "; use --format svg, png or pdf";
  }
  if (format != OutputFormat::kSvg && outputPath_.empty()) {
    return "plot: PNG and PDF need an output file (-o FILE)";
  }
  if (!size_.empty() && !parseSize(size_)) {
    return "plot: --size takes WIDTHxHEIGHT in pixels, from " + std::to_string(plot::kSmallestPageWidth) +
           "x" + std::to_string(plot::kSmallestPageHeight) + " to " + std::to_string(plot::kLargestPageSide) +
           "x" + std::to_string(plot::kLargestPageSide);
  }
  return {};
}

bool PlotCommand::loadWaveforms(PluginSession& session, host::OpenedFile& file,
                                const std::vector<std::string>& names,
                                std::vector<const host::RecordedWaveform*>* loaded, plot::WaveformSet* set) {
  *loaded = session.load(file, names);
  for (size_t i = 0; i < names.size(); ++i) {
    if ((*loaded)[i] == nullptr) {
      diagnoseFile(file_, printable(names[i]) + " could not be loaded");
      return false;
    }
    (*set)[names[i]] = (*loaded)[i];
  }
  return true;
}

std::string PlotCommand::smithProblem(const std::vector<std::string>& names,
                                      const plot::WaveformSet& set) const {
  for (const std::string& name : names) {
    const host::RecordedWaveform* waveform = set.at(name);
    if (!waveform->isComplex()) return "plot: --smith needs complex waveforms; " + name + " is real";
    if (plot::isScatteringTransfer(name)) {
      return "plot: --smith draws reflections; " + name +
             " is not one (its magnitude in dB and, with --phase, its phase are drawn without --smith)";
    }
    if (waveform->yUnit != "-" && !waveform->yUnit.empty()) {
      return "plot: --smith needs unitless waveforms; " + name + " is in " + waveform->yUnit;
    }
  }
  return {};
}

std::string PlotCommand::segmentProblem(const plot::WaveformSet& set) const {
  size_t count = 0;
  for (const auto& [name, waveform] : set) count = std::max(count, waveform->segments.size());
  for (size_t segment : segments_) {
    if (segment >= count) {
      return "no segment " + std::to_string(segment) + " (the file has " + std::to_string(count) +
             ", counted from 0)";
    }
  }
  return {};
}

int PlotCommand::run(PluginSession& session) {
  OpenedFileInfo opened = session.open(file_);
  if (opened.file == nullptr) return kExitRefused;
  std::vector<std::string> catalogue = session.catalogue(*opened.file);
  std::vector<std::string> names;
  for (const std::string& typed : names_) {
    std::string problem;
    std::optional<std::string> name = catalogueName(catalogue, typed, &problem);
    if (!name) {
      diagnoseFile(file_, problem);
      return kExitRefused;
    }
    addUnique(&names, *name);
  }

  // Without names, everything a default page may draw is loaded in one go:
  // which transmissions of a many-port file to show depends on their data.
  std::vector<std::string> toLoad = names;
  if (names.empty()) {
    for (const std::string& name : plot::scatteringNames(catalogue)) addUnique(&toLoad, name);
    for (const plot::PanelSpec& spec : plot::defaultPage(catalogue, nullptr)) {
      for (const std::string& name : spec.names) addUnique(&toLoad, name);
    }
  }
  std::vector<const host::RecordedWaveform*> loaded;
  plot::WaveformSet set;
  if (!loadWaveforms(session, *opened.file, toLoad, &loaded, &set)) return kExitRefused;

  std::vector<plot::PanelSpec> page;
  if (names.empty()) {
    auto held = [&set](const std::string& name) -> const host::RecordedWaveform* {
      auto found = set.find(name);
      return found == set.end() ? nullptr : found->second;
    };
    page = plot::defaultPage(
        catalogue, [&](const std::string& name) { return plot::peakMagnitude(held(name)); },
        [&](const std::string& name, const std::string& other) {
          return plot::sameValues(held(name), held(other));
        });
    if (smith_) page = plot::smithPage(page, catalogue);
  } else {
    if (std::string problem = smith_ ? smithProblem(names, set) : ""; !problem.empty()) {
      diagnose(problem);
      return kExitUsage;
    }
    page = plot::namedPage(names, set, smith_);
  }
  labelTwoPortFigures(mixedModeTwoPort(catalogue), &page);
  if (phase_) page = plot::withPhasePanels(page);
  if (std::string problem = segmentProblem(set); !problem.empty()) {
    diagnoseFile(file_, problem);
    return kExitRefused;
  }

  plot::FigureOptions options;
  options.segments = segments_;
  plot::Figure figure =
      plot::buildFigure(std::filesystem::path(file_).filename().string(), page, set, options);
  if (figure.panels.empty()) {
    diagnoseFile(file_, "nothing to plot");
    return kExitRefused;
  }
  plot::PageSize size = size_.empty() ? plot::defaultPageSize(figure) : *parseSize(size_);
  plot::PageSize smallest = plot::smallestPageSize(figure);
  if (size.width < smallest.width || size.height < smallest.height) {
    diagnose("plot: --size " + size_ + " is too small for a page of " + std::to_string(figure.panels.size()) +
             " panels; it needs at least " + std::to_string(smallest.width) + "x" +
             std::to_string(smallest.height));
    return kExitUsage;
  }
  return write(std::move(figure), size);
}

int PlotCommand::write(plot::Figure figure, plot::PageSize size) {
  plot::layoutFigure(&figure, size);
  plot::reduceCurves(&figure);
  std::string picture = plot::writeSvg(figure);
  OutputFormat format = outputFormat();
  if (format != OutputFormat::kSvg) {
    std::string rendered;
    std::string error;
    plot::RenderFormat target =
        format == OutputFormat::kPng ? plot::RenderFormat::kPng : plot::RenderFormat::kPdf;
    if (!plot::renderSvg(picture, size.width, size.height, target, &rendered, &error)) {
      diagnose("cannot render " + printable(outputPath_) + ": " + error);
      return kExitRefused;
    }
    picture = std::move(rendered);
  }
  if (outputPath_.empty()) {
    std::cout << picture;
    return kExitOk;
  }
  std::ofstream output(outputPath_, std::ios::binary);
  if (output) output << picture;
  if (output) output.close();
  if (!output) {
    diagnose("cannot write " + printable(outputPath_));
    std::error_code ignored;
    std::filesystem::remove(outputPath_, ignored);
    return kExitRefused;
  }
  return kExitOk;
}

}  // namespace

std::unique_ptr<Command> makePlotCommand() { return std::make_unique<PlotCommand>(); }

}  // namespace korvel::tool
