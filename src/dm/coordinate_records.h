// The body of a DM file: element records and their coordinate records. Coordinates are integers
// in coordinate units measured from corner 0 of the sheet; each point is made absolute, corrected
// by the correction model and measured again from the corrected corner 0. Failed points keep
// their values and are listed in the file's log, of which the run lists at most 100.
#pragma once

#include "common/coord_point.h"
#include "common/file_log.h"
#include "dm/dm_record.h"
#include "dm/record_reader.h"
#include "dm/record_writer.h"
#include "model/point_corrector.h"
#include "run/file_outcome.h"

// The sheet frame of one file's body, filled from its header.
struct SheetFrame {
  CoordPoint origin;           // corner 0 as read (east = Y, north = X), fractions included; m
  CoordPoint correctedOrigin;  // corner 0 after correction, rounded to 3 decimals (unit 1) or
                               // 2 decimals (other units); m
  int unit = 1;                // size of one coordinate step in millimetres (greater than 0)
};

// Integer nearest to x, halves away from zero: for x >= 0 the integer part of x + 0.5, otherwise
// the integer part of x - 0.5. Values beyond the 32-bit range saturate; NaN gives 0.
int roundHalfAway(double x);

// Corrects the points of one file's body against its sheet frame.
class BodyCorrector {
 public:
  BodyCorrector(PointCorrector& points, FileLog& log, const SheetFrame& frame);

  // Corrects one point given in coordinate units from corner 0 (y easting, x northing) and gives
  // it in coordinate units from the corrected corner 0. On failure the point stays (y, x) and the
  // failure goes to the file's log as a point failure, with the point's absolute X and Y and the
  // file's current zone (the run lists the first 100 of the run, then the cap message).
  void correctSheetPoint(int y, int x, int& newY, int& newX);

  // Corrects and writes the element record `element` (just read; its size may be short at the
  // end of input), then reads, corrects and writes its coordinate records from `input`:
  //   kind 2   6 points per record, point k at column 14·k: X (7), Y (7);
  //   kind 3   4 points per record, point k at column 21·k: X (7), Y (7), a third value (7);
  //   others   the records are copied unchanged.
  // Only as many point positions as the element's number of points are corrected and rewritten
  // right-aligned; a point whose columns a short final record lacks is left as read. Every record
  // is written as long as it was read. Stops at the end of input. Returns false when a write
  // failed.
  bool copyElement(Record& element, RecordReader& input, RecordWriter& output);

  // From now on every point is counted in `outcome` (visited, corrected, not corrected), the shift
  // of each corrected point is added to its sums, and the place of each failed one is noted.
  // `writtenOrigin` is corner 0 as the output file gives it (m), from which the written positions
  // are measured.
  void tallyInto(FileOutcome& outcome, const CoordPoint& writtenOrigin) {
    outcome_ = &outcome;
    writtenOrigin_ = writtenOrigin;
  }

 private:
  // Counts a corrected point and adds its shift (the position read and the values written).
  void tallyCorrected(double readY, double readX, int newY, int newX);
  // Corrects the pair of 7-column fields X at `column`, Y at `column + 7`, in place.
  void correctFieldPair(Record& record, int column);

  PointCorrector& points_;
  FileLog& log_;
  const SheetFrame& frame_;
  FileOutcome* outcome_ = nullptr;
  CoordPoint writtenOrigin_;
};
