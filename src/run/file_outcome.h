// What became of one DM file of a run: how it ended, and the counts and shifts that the run
// report shows. A plain record: the DM file corrector fills the one it is handed for its file, the
// run driver keeps one per file in file order.
#pragma once

#include <string>
#include <vector>

#include "common/coord_point.h"
#include "run/run_host.h"

// A place (plane coordinates of the file's zone, metres) where a point or a sheet corner could not
// be corrected; only the first few of a file are kept, for the report's map.
constexpr std::size_t kUncorrectedPlacesKept = 1000;

struct FileOutcome {
  std::wstring inputPath;   // as the run names it in the log
  std::wstring outputPath;  // where the corrected copy goes (or would go)

  bool started = false;                        // false: the run ended before this file
  FileResult result = FileResult::Corrected;   // how the file ended, once started
  std::wstring reason;  // the log line that says why the file was not corrected; empty when none

  int zone = 0;  // the zone the file's points were corrected in; 0 when none was settled
  int unit = 0;  // coordinate unit (mm per coordinate step); 0 when the frame was not read

  // Coordinate pairs of the body that the corrector visited (element points and the elements' own
  // points; sheet corners not counted), and how many of them were corrected or were not.
  long long points = 0;
  long long pointsCorrected = 0;
  long long pointsNotCorrected = 0;
  int cornersNotCorrected = 0;

  // The sheet's four corners as read (fractions included; east = Y, north = X; metres), in the
  // file's order 0 to 3. Valid when cornersRead.
  bool cornersRead = false;
  CoordPoint corners[4];
  // Corner 0 as the corrected copy gives it (its frame record's whole metres and its new
  // organisation record's fraction, read back as a reader of the file reads them). Valid when
  // cornersCorrected.
  bool cornersCorrected = false;
  CoordPoint corner0After;

  // The shift of the corrected points: position written minus position read, each as the file
  // gives it (value × unit ÷ 1000 from corner 0 of the output and of the input). Sums in file
  // order, and the largest length sqrt(dx² + dy²); metres.
  double shiftSumNorth = 0.0;  // X
  double shiftSumEast = 0.0;   // Y
  double shiftMaxMetres = 0.0;

  // Where points and corners could not be corrected (absolute, metres), the first
  // kUncorrectedPlacesKept of the file in the order they were met.
  std::vector<CoordPoint> uncorrectedPlaces;

  // Records a point or corner that could not be corrected.
  void noteUncorrectedPlace(const CoordPoint& place) {
    if (uncorrectedPlaces.size() < kUncorrectedPlacesKept) uncorrectedPlaces.push_back(place);
  }
};
