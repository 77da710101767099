// The DM file corrector: corrects one DM file into a corrected copy with a new history entry.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "common/file_log.h"
#include "dm/record_writer.h"
#include "model/correction_model.h"
#include "model/point_corrector.h"
#include "run/job_settings.h"
#include "run/progress.h"
#include "run/run_host.h"

class DmFileCorrector : public FileCorrector {
 public:
  // Creates the writer of an output file (here: the temporary file beside the output name);
  // nullptr when the file cannot be created.
  using WriterFactory = std::function<std::unique_ptr<RecordWriter>(const std::wstring& path)>;

  // A corrector over the job's settings and the loaded model, which it only reads, with a point
  // corrector (zone and cell cache) of its own. A run makes one for each of its workers.
  DmFileCorrector(const JobSettings& settings, const CorrectionModel& model);

  // Reads the DM file at `task.inputPath` record by record and writes its corrected copy for
  // `task.outputPath`: decides the file's zone (starting from `task.fallbackZone`), refuses files
  // that must not be corrected, corrects the sheet corners and every coordinate of the body, and
  // appends a history block (year, month, advice number, organisation and the parameter
  // identifier of the loaded parameters). Its messages go to `log`. Reports its position through
  // `progress` before records 1, 33, 65 ... and stops when that reports a cancellation.
  //
  // The copy is written to a temporary file in the output folder. It stays there only when the
  // file is corrected; otherwise it is deleted. An earlier file under the output name is never
  // touched here: putting the copy on the disk and under its name is the caller's next step.
  //   Corrected  the complete copy is at `finishedCopy`;
  //   Refused    the file must not be corrected (the reason is in the log);
  //   Failed     a file could not be opened, read or written, or the output is the input itself
  //              (the reason is in the log);
  //   Cancelled  `progress` reported a cancellation while the file was worked on.
  FileResult correctDmFile(const FileTask& task, FileLog& log, Progress& progress,
                           std::wstring& finishedCopy) override;

  // Replaces the way output files are created (tests use it to make writes fail).
  void setWriterFactory(WriterFactory factory) { writerFactory_ = std::move(factory); }

  // The suffix of the temporary file that receives the copy until it is complete.
  static const wchar_t* temporarySuffix() { return L".ostrand-tmp"; }

  // The zone the last file ended in, and the cell cache.
  const PointCorrector& pointCorrector() const { return points_; }

 private:
  const JobSettings& settings_;
  PointCorrector points_;
  WriterFactory writerFactory_;
};
