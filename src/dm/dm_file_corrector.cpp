#include "dm/dm_file_corrector.h"

#include <cstring>
#include <vector>

#include "common/field.h"
#include "dm/coordinate_records.h"
#include "dm/dm_record.h"
#include "dm/record_reader.h"
#include "dm/sheet_corners.h"
#include "dm/sheet_number.h"
#include "dm/temporary_name.h"
#include "platform/platform.h"

namespace {

// The modification count is a two-column field: the count written back, one more than the
// count read, must fit it. The file holds as many history blocks as the count plus 1.
constexpr int kMaxModificationCount = 98;
// Zones of the plane rectangular coordinate system.
constexpr int kFirstZone = 1;
constexpr int kLastZone = 19;
// A history record lists at most 5 corrections.
constexpr int kMaxCorrections = 5;
// Progress is reported before records 1, 33, 65 ...
constexpr int kProgressInterval = 32;

const wchar_t* const kZoneUnknown = L"「系」情報不明のため、補正できません";
const wchar_t* const kNotJgd2000 =
    L"世界測地系(測地成果2000)のデータでないため、補正できません";
const wchar_t* const kFiveCorrections =
    L"既に5回の補正履歴があります、これ以上補正できません";
const wchar_t* const kSameParameters =
    L"同一パラメーターよる補正履歴があります、これ以上補正できません";
const wchar_t* const kTruncated = L"ファイルが途中で終わっているため、補正できません";
const wchar_t* const kBadModificationCount = L"修正回数が不正なため、補正できません";
const wchar_t* const kBadUnit = L"座標単位が不正なため、補正できません";
const wchar_t* const kRecordsOutOfStep = L"レコード長が一定でないため、補正できません";

// One block of the file's history: its history record, its organisation record and its
// continuation records, kept byte for byte until the header is written.
struct HistoryBlock {
  Record history;
  Record organisation;
  std::vector<Record> continuation;
};

// Copies up to `width` bytes of `text` into a record's columns.
void putText(Record& record, int column, const std::string& text, int width) {
  const std::size_t count = text.size() < static_cast<std::size_t>(width) ? text.size() : width;
  std::memcpy(record.at(column), text.data(), count);
}

// A corner coordinate as its two stored texts give it back: the whole metres of the frame record
// extended by the fraction, as a file's corners are read.
double readBackCorner(const CornerTexts& texts, int unit) {
  const double whole = parseFieldInt(texts.integerField.c_str(), 7);
  return addCornerFraction(whole, parseFieldInt(texts.fraction.c_str(), 4), unit);
}

// The state of one call of correctDmFile: reads the input, writes the copy, and remembers how
// the file ended.
class OneFile {
 public:
  OneFile(const JobSettings& settings, FileLog& log, PointCorrector& points, RecordReader& input,
          RecordWriter& output, FileOutcome& outcome)
      : settings_(settings),
        log_(log),
        points_(points),
        input_(input),
        output_(output),
        outcome_(outcome),
        body_(points, log, frame_) {}

  // The record loop.
  void run(Progress& progress) {
    for (;;) {
      if (recordCounter_ % kProgressInterval == 1 &&
          progress.SetPosition(input_.position(), input_.fileSize()) != 0) {
        stopRequested_ = true;
        break;
      }
      if (input_.read(record_) == 0) {
        if (input_.failed()) break;  // a read error, not the end of the file
        if (input_.outOfStep()) {
          refuse(kRecordsOutOfStep);
        } else if (recordCounter_ <= 3) {
          refuse(kTruncated);  // the header (records 1 to 3 and the history) is incomplete
        }
        break;
      }
      if (recordCounter_ == 1) {
        headerStep();
      } else if (recordCounter_ == 2) {
        frameStep();
      } else if (recordCounter_ == 3) {
        completeHeader();
      } else {
        bodyStep();
      }
      if (refused_ || writeFailed_ || input_.failed()) break;
      ++recordCounter_;
    }
  }

  bool stopRequested() const { return stopRequested_; }
  bool refused() const { return refused_; }
  bool writeFailed() const { return writeFailed_; }

 private:
  void refuse(const wchar_t* message) {
    log_.logLine(message);
    outcome_.reason = message;
    refused_ = true;
  }

  void put(const Record& record) {
    if (writeFailed_) return;
    if (!output_.write(record.bytes, static_cast<std::size_t>(record.size))) writeFailed_ = true;
  }

  // A record of the header part must be complete: a short one ends the file inside its header.
  bool complete(const Record& record) {
    if (record.size == input_.recordLength() && record.size >= kRecordFieldWidth) return true;
    // A read error is reported as such by the caller; otherwise the records are out of step or
    // the file ends in its header.
    if (input_.outOfStep()) {
      refuse(kRecordsOutOfStep);
    } else if (!input_.failed()) {
      refuse(kTruncated);
    }
    return false;
  }

  bool readHeaderRecord(Record& record) {
    input_.read(record);
    return complete(record);
  }

  static bool isZone(int zone) { return zone >= kFirstZone && zone <= kLastZone; }

  // The file's zone comes from its sheet number, else from the run (an index file or the
  // fallback zone). A first record other than a header is copied unchanged, with a modification
  // count of 0. Without a zone of 1 to 19 no point can be corrected, and a copy with a new
  // history block would claim a correction that never happened: such a file is refused.
  void headerStep() {
    if (!complete(record_)) return;
    if (record_.bytes[0] == 'M') {
      modificationCount_ = parseFieldInt(record_.at(65), 2);
      writeFieldInt(record_.at(65), modificationCount_ + 1, 2);
      char sheetNumber[9];
      std::memcpy(sheetNumber, record_.at(2), 8);
      sheetNumber[8] = '\0';
      int zone = 0;
      if (parseSheetNumber(sheetNumber, &zone) == 1 && isZone(zone)) points_.setZone(zone);
    }
    if (!isZone(points_.zone())) {
      refuse(kZoneUnknown);
      return;
    }
    outcome_.zone = points_.zone();
    if (record_.bytes[0] == 'M') {
      encoding_ = detectKanjiEncoding(record_);
      if (modificationCount_ < 0 || modificationCount_ > kMaxModificationCount) {
        refuse(kBadModificationCount);
        return;
      }
    }
    put(record_);
  }

  void frameStep() {
    if (!complete(record_)) return;
    frameRecord_ = record_;
  }

  void completeHeader() {
    if (!complete(record_)) return;
    record3_ = record_;
    if (!readHistory()) return;
    if (!checkLatestHistory()) {
      // The report still places the refused sheet on its map.
      readCornersAndUnit();
      return;
    }
    if (!readFrame()) return;
    correctCorners();
    writeHeader();
  }

  // The history blocks, oldest first; each history and organisation record counts as a record.
  bool readHistory() {
    history_.resize(static_cast<std::size_t>(modificationCount_) + 1);
    for (HistoryBlock& block : history_) {
      if (!readHeaderRecord(block.history)) return false;
      ++recordCounter_;
      if (!readHeaderRecord(block.organisation)) return false;
      ++recordCounter_;
      const int continuationCount = parseFieldInt(block.history.at(9), 1);
      block.continuation.resize(continuationCount > 0 ? continuationCount : 0);
      for (Record& continuation : block.continuation) {
        if (!readHeaderRecord(continuation)) return false;
      }
    }
    return true;
  }

  // Datum, number of corrections, and a correction with the same parameters, in the latest
  // block; collects the new record's correction entries.
  bool checkLatestHistory() {
    const Record& latest = history_.back().history;
    if (parseFieldInt(latest.at(70), 1) < 1) {
      refuse(kNotJgd2000);
      return false;
    }
    const int correctionCount = parseFieldInt(latest.at(73), 1);
    if (correctionCount >= kMaxCorrections) {
      refuse(kFiveCorrections);
      return false;
    }
    for (int k = 0; k < kMaxCorrections && k < correctionCount; ++k) {
      const char* entry = latest.at(74 + 2 * k);
      if (entry[0] == ' ' && entry[1] == ' ') continue;  // an empty entry is dropped
      const int id = parseFieldInt(entry, 2);
      entries_.push_back(id);
      if (id != 0 && id == points_.model().parameterId()) {
        refuse(kSameParameters);
        return false;
      }
    }
    entries_.push_back(points_.model().parameterId());
    return true;
  }

  // The coordinate unit and the corners (whole metres from the frame record, fractions from the
  // latest organisation record); a unit that reads 0 or less refuses the file.
  bool readFrame() {
    readCornersAndUnit();
    if (unit_ <= 0) {
      refuse(kBadUnit);
      return false;
    }
    return true;
  }

  void readCornersAndUnit() {
    const Record& f = frameRecord_;
    corners_[0] = {double(parseFieldInt(f.at(7), 7)), double(parseFieldInt(f.at(0), 7)), 0.0};
    corners_[2] = {double(parseFieldInt(f.at(21), 7)), double(parseFieldInt(f.at(14), 7)), 0.0};
    corners_[1] = {double(parseFieldInt(f.at(54), 7)), double(parseFieldInt(f.at(47), 7)), 0.0};
    corners_[3] = {double(parseFieldInt(f.at(68), 7)), double(parseFieldInt(f.at(61), 7)), 0.0};
    unit_ = parseFieldInt(f.at(44), 3);
    if (unit_ == 999) unit_ = 1000;
    heldField_ = parseFieldInt(f.at(37), 7);
    // Absent corners 1 and 3 follow from corners 0 and 2.
    if (corners_[1].north == 0 && corners_[1].east == 0 && corners_[3].north == 0 &&
        corners_[3].east == 0) {
      corners_[1] = {corners_[0].east, corners_[2].north, 0.0};
      corners_[3] = {corners_[2].east, corners_[0].north, 0.0};
    }
    // Fractions in file order: corner 0 X, Y; corner 2 X, Y; corner 1 X, Y; corner 3 X, Y.
    const Record& organisation = history_.back().organisation;
    const int order[4] = {0, 2, 1, 3};
    for (int i = 0; i < 4; ++i) {
      CoordPoint& c = corners_[order[i]];
      c.north = addCornerFraction(c.north, parseFieldInt(organisation.at(40 + 8 * i), 4), unit_);
      c.east = addCornerFraction(c.east, parseFieldInt(organisation.at(44 + 8 * i), 4), unit_);
    }
    if (unit_ > 0) {
      outcome_.unit = unit_;
      outcome_.cornersRead = true;
      for (int k = 0; k < 4; ++k) outcome_.corners[k] = corners_[k];
    }
  }

  void correctCorners() {
    for (int k = 0; k < 4; ++k) {
      corrected_[k] = corners_[k];
      double y = corners_[k].east;
      double x = corners_[k].north;
      if (points_.correctPoint(corners_[k].east, corners_[k].north, y, x)) {
        corrected_[k] = {y, x, 0.0};
      } else {
        log_.logLine(L"図郭座標(%12.3f, %12.3f) 補正パラメータが見つかりませんでした",
                     corners_[k].north, corners_[k].east);
        ++outcome_.cornersNotCorrected;
        outcome_.noteUncorrectedPlace(corners_[k]);
      }
    }
    frame_.origin = corners_[0];
    frame_.correctedOrigin = {roundCornerToUnit(corrected_[0].east, unit_),
                              roundCornerToUnit(corrected_[0].north, unit_), 0.0};
    frame_.unit = unit_;
  }

  void writeHeader() {
    CornerTexts x[4];
    CornerTexts y[4];
    for (int k = 0; k < 4; ++k) {
      x[k] = splitCornerCoordinate(corrected_[k].north, unit_);
      y[k] = splitCornerCoordinate(corrected_[k].east, unit_);
    }

    Record frame = frameRecord_;
    putText(frame, 0,
            formatText("%-7.7s%-7.7s%-7.7s%-7.7s", x[0].integerField, y[0].integerField,
                       x[2].integerField, y[2].integerField),
            28);
    putText(frame, 47,
            formatText("%-7.7s%-7.7s%-7.7s%-7.7s", x[1].integerField, y[1].integerField,
                       x[3].integerField, y[3].integerField),
            28);
    writeFieldInt(frame.at(37), heldField_, 7);
    put(frame);

    // Corner 0 as a reader of the copy will take it, the origin of every written position.
    outcome_.cornersCorrected = true;
    outcome_.corner0After = {readBackCorner(y[0], unit_), readBackCorner(x[0], unit_), 0.0};
    body_.tallyInto(outcome_, outcome_.corner0After);
    put(record3_);
    for (const HistoryBlock& block : history_) {
      put(block.history);
      put(block.organisation);
      for (const Record& continuation : block.continuation) put(continuation);
    }

    // The new records keep the line end of the record read last.
    const Record& last = lastHeaderRecord();
    Record history = last;
    std::memset(history.bytes, ' ', kRecordFieldWidth);
    putText(history, 0,
            formatText("%02d%02d%4s%d%d%30s%-30.30s%d%d%d%11s", settings_.year, settings_.month,
                       "", 0, 0, "", "", 3, 0, 3, ""),
            kRecordFieldWidth);
    putKanjiText(history.at(40), platform::toCodePage932(settings_.adviceNumber), 15, encoding_);
    writeFieldInt(history.at(73), static_cast<int>(entries_.size()), 1);
    for (std::size_t k = 0; k < entries_.size() && k < kMaxCorrections; ++k) {
      putText(history, 74 + 2 * static_cast<int>(k), formatText("%02d", entries_[k]), 2);
    }
    put(history);

    Record organisation = last;
    std::memset(organisation.bytes, ' ', kRecordFieldWidth);
    putText(organisation, 0,
            formatText("%-40.40s%4.4s%4.4s%4.4s%4.4s%4.4s%4.4s%4.4s%4.4s%12s", "", x[0].fraction,
                       y[0].fraction, x[2].fraction, y[2].fraction, x[1].fraction, y[1].fraction,
                       x[3].fraction, y[3].fraction, ""),
            kRecordFieldWidth);
    putKanjiText(organisation.at(0), platform::toCodePage932(settings_.organisation), 20,
                 encoding_);
    put(organisation);
  }

  const Record& lastHeaderRecord() const {
    const HistoryBlock& latest = history_.back();
    return latest.continuation.empty() ? latest.organisation : latest.continuation.back();
  }

  void bodyStep() {
    if (record_.bytes[0] == 'E') {
      if (!body_.copyElement(record_, input_, output_)) writeFailed_ = true;
      return;
    }
    put(record_);
  }

  const JobSettings& settings_;
  FileLog& log_;
  PointCorrector& points_;
  RecordReader& input_;
  RecordWriter& output_;
  FileOutcome& outcome_;

  Record record_;
  int recordCounter_ = 1;
  KanjiEncoding encoding_ = KanjiEncoding::ShiftJis;
  int modificationCount_ = 0;
  Record frameRecord_;
  Record record3_;
  std::vector<HistoryBlock> history_;
  std::vector<int> entries_;
  CoordPoint corners_[4];
  CoordPoint corrected_[4];
  int unit_ = 0;
  int heldField_ = 0;
  SheetFrame frame_;
  BodyCorrector body_;

  bool stopRequested_ = false;
  bool refused_ = false;
  bool writeFailed_ = false;
};

}  // namespace

DmFileCorrector::DmFileCorrector(const JobSettings& settings, const CorrectionModel& model)
    : settings_(settings),
      points_(model),
      writerFactory_(&FileRecordWriter::createNew),
      tokenSource_(&newTemporaryToken) {}

std::unique_ptr<RecordWriter> DmFileCorrector::createTemporaryFile(const std::wstring& outputPath,
                                                                   std::wstring& temporaryPath) {
  for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
    temporaryPath = temporaryPathFor(outputPath, tokenSource_());
    bool nameTaken = false;
    std::unique_ptr<RecordWriter> writer = writerFactory_(temporaryPath, &nameTaken);
    if (writer) return writer;
    if (!nameTaken) break;
  }
  temporaryPath.clear();
  return nullptr;
}

FileResult DmFileCorrector::correctDmFile(const FileTask& task, FileLog& log, Progress& progress,
                                          FileOutcome& outcome, std::wstring& finishedCopy) {
  const std::wstring& inputPath = task.inputPath;
  const std::wstring& outputPath = task.outputPath;
  finishedCopy.clear();
  // Each file starts again from the run's fallback zone; its sheet number may replace it.
  points_.setZone(task.fallbackZone);
  // A failure's log line is also the reason that the report gives.
  auto fail = [&](const wchar_t* format, const std::wstring& path) {
    outcome.reason = formatText(format, path);
    log.logLine(L"%s", outcome.reason);
    return FileResult::Failed;
  };
  RecordReader input;
  if (!input.open(inputPath)) return fail(L"%s 読み出しOpen失敗", inputPath);
  // Renaming the copy onto its input would destroy the input.
  if (platform::sameFileObject(inputPath, outputPath)) {
    return fail(L"%s 入力ファイルと同じファイルのため、書き込めません", outputPath);
  }
  if (!input.prepare()) return fail(L"%s 読み出し失敗", inputPath);
  // A dry run's copy goes nowhere: no temporary file is created, so none is renamed or deleted.
  std::wstring temporaryPath;
  std::unique_ptr<RecordWriter> output = dryRun_ ? std::make_unique<DiscardingRecordWriter>()
                                                 : createTemporaryFile(outputPath, temporaryPath);
  if (!output) return fail(L"%s 書き込みOpen失敗", outputPath);

  OneFile file(settings_, log, points_, input, *output, outcome);
  file.run(progress);

  const bool readFailed = input.failed();
  input.close();
  // The data goes to the system here; on the disk and under the output name is the caller's
  // next step (a run's committer), off the path of the correction.
  const bool closed = output->close();
  output.reset();

  FileResult result = FileResult::Corrected;
  if (file.stopRequested()) {
    result = FileResult::Cancelled;
  } else if (file.refused()) {
    result = FileResult::Refused;
  } else if (readFailed) {
    result = fail(L"%s 読み出し失敗", inputPath);
  } else if (file.writeFailed() || !closed) {
    result = fail(L"%s 書き込み失敗", outputPath);
  }
  // The temporary file is this call's own: created by it under a name that nobody else uses. A
  // dry run has none.
  if (result == FileResult::Corrected) {
    finishedCopy = temporaryPath;
  } else if (!dryRun_) {
    platform::deleteFile(temporaryPath);
  }
  return result;
}
