#include "dm/coordinate_records.h"

#include <cmath>

#include "common/field.h"

int roundHalfAway(double x) {
  if (std::isnan(x)) return 0;
  const double shifted = x >= 0 ? x + 0.5 : x - 0.5;
  if (shifted >= 2147483647.0) return 2147483647;
  if (shifted <= -2147483648.0) return -2147483647 - 1;
  return static_cast<int>(shifted);  // truncates towards zero
}

BodyCorrector::BodyCorrector(PointCorrector& points, FileLog& log, const SheetFrame& frame)
    : points_(points), log_(log), frame_(frame) {}

void BodyCorrector::correctSheetPoint(int y, int x, int& newY, int& newX) {
  const double unit = frame_.unit;
  // Absolute position: multiply before dividing.
  const double absY = static_cast<double>(y) * unit / 1000.0 + frame_.origin.east;
  const double absX = static_cast<double>(x) * unit / 1000.0 + frame_.origin.north;
  double correctedY = absY;
  double correctedX = absX;
  if (outcome_ != nullptr) ++outcome_->points;
  if (points_.correctPoint(absY, absX, correctedY, correctedX)) {
    // Subtract the corrected origin, then divide by the unit, then multiply by 1000.
    newY = roundHalfAway((correctedY - frame_.correctedOrigin.east) / unit * 1000.0);
    newX = roundHalfAway((correctedX - frame_.correctedOrigin.north) / unit * 1000.0);
    if (outcome_ != nullptr) tallyCorrected(absY, absX, newY, newX);
    return;
  }
  newY = y;
  newX = x;
  if (outcome_ != nullptr) {
    ++outcome_->pointsNotCorrected;
    outcome_->noteUncorrectedPlace({absY, absX, 0.0});
  }
  log_.logPointError(L"座標(%12.3f, %12.3f) (%d 系)補正パラメータが見つかりませんでした", absX,
                     absY, points_.zone());
}

// The written position as a reader of the output takes it, against the position read.
void BodyCorrector::tallyCorrected(double readY, double readX, int newY, int newX) {
  const double unit = frame_.unit;
  const double writtenY = static_cast<double>(newY) * unit / 1000.0 + writtenOrigin_.east;
  const double writtenX = static_cast<double>(newX) * unit / 1000.0 + writtenOrigin_.north;
  const double dy = writtenY - readY;
  const double dx = writtenX - readX;
  ++outcome_->pointsCorrected;
  outcome_->shiftSumEast += dy;
  outcome_->shiftSumNorth += dx;
  const double length = std::sqrt(dx * dx + dy * dy);
  if (length > outcome_->shiftMaxMetres) outcome_->shiftMaxMetres = length;
}

void BodyCorrector::correctFieldPair(Record& record, int column) {
  const int x = parseFieldInt(record.at(column), 7);
  const int y = parseFieldInt(record.at(column + 7), 7);
  int newY = y;
  int newX = x;
  correctSheetPoint(y, x, newY, newX);
  writeFieldInt(record.at(column), newX, 7);
  writeFieldInt(record.at(column + 7), newY, 7);
}

namespace {

struct PointLayout {
  int pointsPerRecord;
  int pointWidth;  // columns from one point to the next
};

}  // namespace

bool BodyCorrector::copyElement(Record& element, RecordReader& input, RecordWriter& output) {
  const int kind = parseFieldInt(element.at(20), 1);
  const int pointCount = parseFieldInt(element.at(27), 4);
  const int recordCount = parseFieldInt(element.at(31), 4);

  // The element's own point, present when either value is greater than 0.
  if (element.holds(35, 14)) {
    const int ownX = parseFieldInt(element.at(35), 7);
    const int ownY = parseFieldInt(element.at(42), 7);
    if (ownY > 0 || ownX > 0) correctFieldPair(element, 35);
  }
  if (!output.write(element.bytes, static_cast<std::size_t>(element.size))) return false;

  PointLayout layout{0, 0};
  if (kind == 2) layout = {6, 14};
  if (kind == 3) layout = {4, 21};

  Record record;
  int pointsDone = 0;
  for (int r = 0; r < recordCount; ++r) {
    if (input.read(record) == 0) return true;
    for (int k = 0; k < layout.pointsPerRecord && pointsDone < pointCount; ++k) {
      const int column = layout.pointWidth * k;
      if (record.holds(column, 14)) correctFieldPair(record, column);
      ++pointsDone;
    }
    if (!output.write(record.bytes, static_cast<std::size_t>(record.size))) return false;
  }
  return true;
}
