// A segment of an opened file as the Touchstone writer takes it, and the
// changes a conversion makes to it on the way: new real references, the
// mixed-mode transformation and back, and Y, Z, H or G in place of S.
//
// The segment's S, frequencies and references are read where the record
// keeps them; every change makes new arrays, owned by the segment.
#ifndef KORVEL_TOUCHSTONE_WRITTEN_NETWORK_H
#define KORVEL_TOUCHSTONE_WRITTEN_NETWORK_H

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dataset/data_set.h"
#include "touchstone/touchstone_writer.h"

namespace korvel {

class WrittenNetwork {
 public:
  WrittenNetwork() = default;
  // The network points at its own noise data.
  WrittenNetwork(const WrittenNetwork&) = delete;
  WrittenNetwork& operator=(const WrittenNetwork&) = delete;

  // Segment `block` (from 0) of `data`: its S, its references, its
  // terminals' modes and its noise data. `calculated`: the network
  // calculation ran on the record, which leaves the minimum noise figure a
  // linear factor (else it is in dB as read). An empty text on success,
  // else why the segment cannot be taken.
  std::string take(const DataSet& data, int block, bool calculated = true);

  // S at the real references `ohms` (one value for every terminal, or one
  // per terminal), from whatever references the segment has, point by
  // point. Refuses complex references.
  std::string renormalise(const std::vector<double>& ohms);

  // Single-ended S to mixed-mode S with the modes `rows` (one per
  // terminal), at the mode references (differential twice, common half
  // the pair's resistance). The pair's two ports must share a resistance.
  std::string toMixedMode(const std::vector<ModeRow>& rows);

  // Mixed-mode S back to single-ended S.
  std::string toSingleEnded();

  // Gives the mixed-mode terminals the single-ended ports of `rows` (a
  // file's own [Mixed-Mode Order]) in place of those numbered pair by pair
  // in order of appearance. Refused unless the network is mixed-mode and
  // `rows` names each terminal with its own mode, complete.
  std::string useModeRows(const std::vector<ModeRow>& rows);

  // Y, Z, H or G in place of S, from the plug-in's own calculation at the
  // segment's references.
  std::string toParameter(ParameterKind kind);

  // The network for the writer. REQUIRES: take() succeeded, and every
  // reference is one value over the segment (referencesAreConstant()).
  const NetworkToWrite& network() const { return network_; }

  // Why the references cannot be written as they are (they vary with
  // frequency or are complex), or empty.
  std::string referenceLimit() const;

  int terminalCount() const { return network_.terminalCount; }
  bool hasNoise() const { return hasNoise_; }

  // Leaves the noise data out.
  void dropNoise() {
    hasNoise_ = false;
    network_.noise = nullptr;
  }

  NetworkToWrite& editableNetwork() { return network_; }

 private:
  // New arrays of the segment's size; the entries point into them.
  std::vector<double*> newEntries(size_t count);
  // Replaces the matrix at every point p by transform(p, S, result), S and
  // result n by n, into new arrays the entries then point into.
  void transformPoints(const std::function<void(size_t, const DComplex*, DComplex*)>& transform);
  // The complex references of terminal k at point p.
  DComplex reference(size_t k, size_t p) const;
  // Why the complex reference of terminal k at point p is refused.
  std::string complexReference(size_t k, size_t p) const;
  // Sets every terminal's reference to one real value.
  void setReferences(const std::vector<double>& ohms);

  NetworkToWrite network_;
  NoiseToWrite noise_;
  bool hasNoise_ = false;
  // The reference impedances of each terminal at each point (complex
  // samples), while they are those of the record.
  std::vector<const double*> referenceSamples_;
  std::vector<std::unique_ptr<double[]>> owned_;
};

}  // namespace korvel

#endif  // KORVEL_TOUCHSTONE_WRITTEN_NETWORK_H
