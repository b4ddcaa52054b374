// The lines of a Touchstone file's network data.
#include "touchstone/point_stream.h"

#include <string>

#include "dataset/messages.h"
#include "dataset/result.h"
#include "touchstone/keyword_header.h"
#include "touchstone/line_kinds.h"

namespace korvel {

namespace {

// More pairs than a 1.x data line may hold.
constexpr int kPairsPerLine = 4;

// The pairs a 1.x data line holds beyond the frequency that may open it.
int pairsOnLine(TokenCursor cursor, bool opensPoint) {
  int numbers = 0;
  double ignored = 0.0;
  while (cursor.nextNumber(kWhitespaceDelimiters, &ignored)) ++numbers;
  return (numbers - (opensPoint ? 1 : 0)) / 2;
}

// Hands a port impedance line, or the line that continues one, to
// `impedances`; true when the line was one of them. `*status` says
// whether it was refused; any other line ends a pending one.
bool takeImpedanceLine(std::string_view line, int number, PortImpedances* impedances, int* status) {
  std::string_view values;
  if (isPortImpedanceLine(line, &values)) {
    *status = impedances->read(values, number);
    return true;
  }
  if (impedances->continues(line, &values)) {
    *status = impedances->readMore(values, number);
    return true;
  }
  *status = impedances->finish();
  return false;
}

// "8 numbers where a point has 9".
std::string partPointsText(int numbers, int perPoint) {
  return std::to_string(numbers) + (numbers == 1 ? " number" : " numbers") + " where a point has " +
         std::to_string(perPoint);
}

// Where every line holds whole points and the line before ended inside a
// point, reports that line; false when the read must stop. A full check
// forgets the unfinished point and reads on.
bool acceptLineAfterPartPoint(bool collecting, ScatteringPoints* points, StreamEnd* end) {
  reportAt(Message::kDataLineNotWholePoints, points->lastNumberLine(),
           partPointsText(points->numbersOnLastLine(), points->pointNumbers()));
  end->failed = true;
  if (!collecting) {
    end->refused = true;
    return false;
  }
  points->dropUnfinishedPoint();
  return true;
}

}  // namespace

StreamEnd readPoints(LineSource* source, const std::string_view* pending, const PointStreamRules& rules,
                     ScatteringPoints* points, PortImpedances* impedances) {
  bool warnedWidth = false;
  StreamEnd end;
  end.line = source->lineNumber();
  std::string_view line;
  auto nextLine = [&] {
    if (source->offset() >= rules.stopAt) {
      end.stopped = true;
      return false;
    }
    return source->next(&line);
  };
  bool haveLine = pending != nullptr ? (line = *pending, true) : nextLine();
  for (; haveLine; haveLine = nextLine()) {
    end.line = source->lineNumber();
    if (impedances != nullptr) {
      int status = kOk;
      bool impedanceLine = takeImpedanceLine(line, end.line, impedances, &status);
      if (status != kOk) {
        end.refused = true;
        return end;
      }
      if (impedanceLine) continue;
    }
    if (isCommentLine(line)) continue;
    if (rules.keywords && isKeywordLine(line)) {
      end.keyword = keywordName(line);
      return end;
    }
    end.rest = TokenCursor(withoutComment(line));
    if (points->wholePointsPerLine() && !points->frequencyDue() && !end.rest.atEnd(kWhitespaceDelimiters) &&
        !acceptLineAfterPartPoint(rules.collecting, points, &end)) {
      return end;
    }
    if (rules.checkWidth && !warnedWidth && pairsOnLine(end.rest, points->frequencyDue()) > kPairsPerLine) {
      warnedWidth = true;
      reportAt(Message::kWideDataLine, end.line);
    }
    end.outcome = points->read(&end.rest, &end.opening, end.line);
    if (end.outcome != ScatteringPoints::Outcome::kLineDone) break;
  }
  return end;
}

}  // namespace korvel
