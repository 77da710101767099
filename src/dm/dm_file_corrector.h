// The DM file corrector: corrects one DM file into a corrected copy with a new history entry.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "common/message_log.h"
#include "dm/record_writer.h"
#include "model/correction_model.h"
#include "run/file_outcome.h"
#include "run/job_settings.h"
#include "run/progress.h"
#include "run/run_host.h"

class DmFileCorrector : public FileCorrector {
 public:
  // Creates the writer of an output file (here: the temporary file beside the output name);
  // nullptr when the file cannot be created.
  using WriterFactory = std::function<std::unique_ptr<RecordWriter>(const std::wstring& path)>;

  DmFileCorrector(const JobSettings& settings, RunState& state, MessageLog& log,
                  CorrectionModel& model);

  // Reads the DM file at `inputPath` record by record and writes its corrected copy to
  // `outputPath`: decides the file's zone, refuses files that must not be corrected, corrects
  // the sheet corners and every coordinate of the body, and appends a history block (year,
  // month, advice number, organisation and the parameter identifier of the loaded parameters).
  // Reports its position through `progress` before records 1, 33, 65 ... and stops when that
  // reports a cancellation.
  //
  // The copy is written to a temporary file in the output folder and renamed onto `outputPath`
  // only when the file is corrected; otherwise the temporary is deleted and an earlier file of
  // that name is left as it was.
  //   Corrected  the corrected copy is at `outputPath`;
  //   Refused    the file must not be corrected (the reason is in the log);
  //   Failed     a file could not be opened, read, written or renamed, or the output is the
  //              input itself (the reason is in the log);
  //   Cancelled  the run was cancelled while the file was worked on.
  // `outcome` receives the file's zone, unit, corners, point counts and shifts, and the log line
  // of a refusal or failure as its reason.
  FileResult correctDmFile(const std::wstring& inputPath, const std::wstring& outputPath,
                           Progress& progress, FileOutcome& outcome) override;

  // Replaces the way output files are created (tests use it to make writes fail).
  void setWriterFactory(WriterFactory factory) { writerFactory_ = std::move(factory); }

  // A dry run: every file is read and corrected as in a real run, and the log says the same, but
  // the copy goes nowhere: nothing is created, renamed or deleted in the output folder.
  void setDryRun(bool dryRun) { dryRun_ = dryRun; }

  // The suffix of the temporary file that receives the copy until it is complete.
  static const wchar_t* temporarySuffix() { return L".ostrand-tmp"; }

 private:
  const JobSettings& settings_;
  RunState& state_;
  MessageLog& log_;
  CorrectionModel& model_;
  WriterFactory writerFactory_;
  bool dryRun_ = false;
};
