// Test fixtures for the DM tests: a builder that lays out 84-column DM records, a synthetic
// correction parameter file around the test sheet, and a progress object that records its calls.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "dm/record_writer.h"
#include "model/correction_model.h"
#include "run/job_settings.h"
#include "run/progress.h"
#include "test_support.h"

namespace dmtest {

// One record of 84 columns, blank until set.
class Line {
 public:
  Line() : fields_(84, ' ') {}
  // Text at a column (cut at column 84).
  Line& text(int column, const std::string& value);
  // An integer right-aligned in `width` columns.
  Line& number(int column, int width, long long value);
  const std::string& fields() const { return fields_; }

 private:
  std::string fields_;
};

// Record layouts of the test files.
Line headerRecord(const std::string& sheetNumber, int modificationCount);
// Corners in whole metres (X before Y) and the coordinate unit; corners 1 and 3 blank when
// omitted.
Line frameRecord(int corner0X, int corner0Y, int corner2X, int corner2Y, int unit);
Line frameRecord(int corner0X, int corner0Y, int corner2X, int corner2Y, int unit, int corner1X,
                 int corner1Y, int corner3X, int corner3Y);
// A history record: datum code (-1: blank), correction entries ("  " for an empty one).
Line historyRecord(int year, int month, int continuationCount, int datum,
                   const std::vector<std::string>& entries);
// An organisation record with its eight corner fractions (corner 0 X, Y, corner 2 X, Y,
// corner 1 X, Y, corner 3 X, Y).
Line organisationRecord(const std::string& name, const std::vector<int>& fractions);
Line elementRecord(int kind, int pointCount, int recordCount, int ownX, int ownY);
// A coordinate record of kind 2 (6 points of X, Y) or kind 3 (4 points of X, Y, third value).
Line kind2Record(const std::vector<std::pair<int, int>>& points);
Line kind3Record(const std::vector<std::pair<int, int>>& points, int third);

// A DM file: records joined with a line end.
class DmFile {
 public:
  explicit DmFile(std::string lineEnd = "\r\n") : lineEnd_(std::move(lineEnd)) {}
  DmFile& add(const Line& line);
  // Raw bytes appended as they are (a short final record, an end-of-file byte ...).
  DmFile& raw(const std::string& bytes);
  const std::string& bytes() const { return bytes_; }
  // The record at `index` (0-based), line end included.
  std::string record(int index) const;
  int recordLength() const { return 84 + static_cast<int>(lineEnd_.size()); }

 private:
  std::string lineEnd_;
  std::string bytes_;
};

// The usual head of a test file: header (sheet 09LD35, one history block), frame with the given
// corners, record 3, history (JGD2000, entries 01 and 02), organisation (no fractions).
DmFile standardHead(int corner0X = -1500, int corner0Y = -2000, int corner2X = 0,
                    int corner2Y = 0, int unit = 1);

// A parameter file of zone 9 around its origin (latitude 35.83 to 36.17, longitude 139.63 to
// 140.13: the test sheets, with the points within about 18 km of the origin): every grid point has
// the same shifts (arc-seconds). Written as bytes; returns its contents.
std::string parameterFileText(int parameterId, double latitudeShift, double longitudeShift);

// The log of a run that met the point error cap: 100 times the line of the point at X -1500,
// Y 88000 (zone 9), then the cap line once.
std::wstring cappedPointErrorLog();

// Writes the parameter file into `folder` and loads it into `model`; true when it loaded.
bool loadTestParameters(CorrectionModel& model, const testsupport::ScratchFolder& folder,
                        int parameterId, double latitudeShift = 0.0, double longitudeShift = 0.0);

// A record writer that keeps the bytes in memory, or hands them to another writer; it can be told
// to fail once a number of bytes has been written, or at the close.
class TestWriter : public RecordWriter {
 public:
  TestWriter() = default;
  explicit TestWriter(std::unique_ptr<RecordWriter> next) : next_(std::move(next)) {}
  bool write(const char* bytes, std::size_t count) override;
  bool close() override;

  std::string bytes;
  long long failAfterBytes = -1;  // -1: never
  bool failClose = false;

 private:
  std::unique_ptr<RecordWriter> next_;
};

// A progress object that records its position reports and returns the run's cancel flag.
class RecordingProgress : public Progress {
 public:
  explicit RecordingProgress(RunState& state) : state_(state) {}
  int Begin() override { return 1; }
  int SetRatio(double) override { return state_.cancelRequested; }
  int SetPosition(std::int64_t done, std::int64_t total) override {
    positions.emplace_back(done, total);
    if (cancelAtCall > 0 && static_cast<int>(positions.size()) == cancelAtCall) {
      state_.cancelRequested = 1;
    }
    return state_.cancelRequested;
  }
  void SetText(const std::wstring&) override {}

  std::vector<std::pair<std::int64_t, std::int64_t>> positions;
  int cancelAtCall = 0;  // the call (1-based) at which the user confirms a cancellation

 private:
  RunState& state_;
};

}  // namespace dmtest
