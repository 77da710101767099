// The DM file corrector: corrects one DM file into a corrected copy with a new history entry.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "common/file_log.h"
#include "dm/record_writer.h"
#include "model/correction_model.h"
#include "model/point_corrector.h"
#include "run/file_outcome.h"
#include "run/job_settings.h"
#include "run/progress.h"
#include "run/run_host.h"

class DmFileCorrector : public FileCorrector {
 public:
  // Creates the writer of a new file (here: the temporary file beside the output name), never
  // opening an existing one; nullptr when the file cannot be created, with *nameTaken set when
  // that is because the name exists.
  using WriterFactory =
      std::function<std::unique_ptr<RecordWriter>(const std::wstring& path, bool* nameTaken)>;
  // Gives the token of each new temporary name (temporary_name.h).
  using TokenSource = std::function<std::uint64_t()>;

  // How many names the corrector tries for a file's temporary copy before it gives up.
  static constexpr int kTemporaryNameAttempts = 16;

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
  // The copy is written to a temporary file of its own in the output folder
  // (temporary_name.h). It stays there only when the file is corrected; otherwise it is deleted.
  // An earlier file under the output name is never touched here: putting the copy on the disk
  // and under its name is the caller's next step. Another run writing the same output name at
  // the same time never touches this run's temporary file.
  //   Corrected  the complete copy is at `finishedCopy`;
  //   Refused    the file must not be corrected (the reason is in the log);
  //   Failed     a file could not be opened, read or written, or the output is the input itself
  //              (the reason is in the log);
  //   Cancelled  `progress` reported a cancellation while the file was worked on.
  // `outcome` receives the file's zone, unit, corners, point counts and shifts, and the log line
  // of a refusal or failure as its reason.
  FileResult correctDmFile(const FileTask& task, FileLog& log, Progress& progress,
                           FileOutcome& outcome, std::wstring& finishedCopy) override;

  // Replaces the way output files are created (tests use it to make writes fail).
  void setWriterFactory(WriterFactory factory) { writerFactory_ = std::move(factory); }
  // Replaces the tokens of the temporary names (tests use it to make names collide).
  void setTokenSource(TokenSource source) { tokenSource_ = std::move(source); }

  // A dry run: every file is read and corrected as in a real run, and the log says the same, but
  // the copy goes nowhere: nothing is created, renamed or deleted in the output folder.
  void setDryRun(bool dryRun) { dryRun_ = dryRun; }

  // The zone the last file ended in, and the cell cache.
  const PointCorrector& pointCorrector() const { return points_; }

 private:
  // Creates the temporary file that receives the copy of `outputPath` under a new name, which
  // it gives in `temporaryPath`. A name that exists already (another run's file) is left alone
  // and another one is tried, kTemporaryNameAttempts names in all. nullptr when none could be
  // created.
  std::unique_ptr<RecordWriter> createTemporaryFile(const std::wstring& outputPath,
                                                    std::wstring& temporaryPath);

  const JobSettings& settings_;
  PointCorrector points_;
  WriterFactory writerFactory_;
  TokenSource tokenSource_;
  bool dryRun_ = false;
};
