// The port impedances of solver comment lines.
#include "touchstone/port_impedances.h"

#include <cstring>
#include <string>

#include "dataset/messages.h"
#include "dataset/result.h"
#include "dataset/waveform_names.h"
#include "rfcalc/network_layout.h"
#include "text/text_input.h"

namespace korvel {

namespace {

constexpr std::string_view kKeyword = "port impedance";

bool equalIgnoringCase(std::string_view text, std::string_view lowerCase) {
  if (text.size() != lowerCase.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != lowerCase[i]) return false;
  }
  return true;
}

}  // namespace

bool isPortImpedanceLine(std::string_view line, std::string_view* values) {
  if (line.empty() || line[0] != '!') return false;
  size_t at = line.find_first_not_of(" \t", 1);
  if (at == std::string_view::npos || !equalIgnoringCase(line.substr(at, kKeyword.size()), kKeyword))
    return false;
  *values = line.substr(at + kKeyword.size());
  return true;
}

int PortImpedances::read(std::string_view values, int line) {
  if (finish() != kOk) return kFailed;
  lineStart_ = values_.size();
  pendingLine_ = line;
  pendingComplex_ = false;
  return takeNumbers(values, line);
}

bool PortImpedances::continues(std::string_view line, std::string_view* values) const {
  if (pendingLine_ == 0 || line.empty() || line[0] != '!') return false;
  TokenCursor cursor(line.substr(1));
  double ignored = 0.0;
  std::string_view token;
  TokenValue found = cursor.nextValue(kWhitespaceDelimiters, &ignored, &token);
  if (found != TokenValue::kNumber) return false;
  *values = line.substr(1);
  return true;
}

int PortImpedances::readMore(std::string_view values, int line) { return takeNumbers(values, line); }

int PortImpedances::takeNumbers(std::string_view values, int line) {
  TokenCursor cursor(values);
  double number = 0.0;
  std::string_view token;
  for (TokenValue found;
       (found = cursor.nextValue(kWhitespaceDelimiters, &number, &token)) != TokenValue::kEnd;) {
    if (found == TokenValue::kNotNumber) return failAt(Message::kValueNotNumber, line, quotedToken(token));
    if ((values_.size() - lineStart_) % 2 == 1 && !(number == 0.0)) pendingComplex_ = true;
    values_.push_back(number);
  }
  size_t count = values_.size() - lineStart_;
  size_t wanted = 2 * static_cast<size_t>(ports_);
  if (count > wanted) return failAt(Message::kPortImpedanceValues, line, valuesForPorts(count));
  if (count < wanted) return kOk;
  ++lineCount_;
  if (pendingComplex_) {
    if (firstComplexLine_ == 0) firstComplexLine_ = pendingLine_;
    ++complexPoints_;
  }
  pendingLine_ = 0;
  return kOk;
}

int PortImpedances::finish() {
  if (pendingLine_ == 0) return kOk;
  int line = pendingLine_;
  pendingLine_ = 0;
  return failAt(Message::kPortImpedanceValues, line, valuesForPorts(values_.size() - lineStart_));
}

std::string PortImpedances::valuesForPorts(size_t count) const {
  return std::to_string(ports_) + (ports_ == 1 ? " port" : " ports") + "; it gives " + std::to_string(count);
}

int PortImpedances::apply(DataSet* data, bool lastPointDropped, int line) const {
  int points = data->pointCount;
  if (lineCount_ != points && !(lastPointDropped && lineCount_ == points + 1)) {
    return failAt(Message::kPortImpedanceCount, line,
                  std::to_string(lineCount_) + " lines for " + std::to_string(points) + " points");
  }
  NetworkLayout layout = networkLayout(*data);
  size_t ports = static_cast<size_t>(ports_);
  for (size_t port = 0; port < ports; ++port) {
    double* samples = data->waveformData[layout.zo(port)];
    for (size_t k = 0; k < static_cast<size_t>(points); ++k) {
      samples[2 * k] = values_[2 * (k * ports + port)];
      samples[2 * k + 1] = values_[2 * (k * ports + port) + 1];
    }
  }
  data->referenceImpedance = values_[0];
  if (complexPoints_ > 0) {
    reportAt(Message::kPortImpedanceComplex, firstComplexLine_,
             std::to_string(complexPoints_) + " of " + std::to_string(points) + " points");
  }
  return kOk;
}

bool PortImpedances::portOneConstant(int pointCount) const {
  size_t stride = 2 * static_cast<size_t>(ports_);
  for (size_t k = 0; k < static_cast<size_t>(pointCount); ++k) {
    if (!(values_[k * stride + 1] == 0.0)) return false;
    if (std::memcmp(&values_[k * stride], &values_[0], sizeof(double)) != 0) return false;
  }
  return true;
}

}  // namespace korvel
