// The DM file corrector: corrects one DM file into a corrected copy with a new history entry.
#pragma once

#include <cstdint>
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
  // Creates the writer of a new file (here: the temporary file beside the output name), never
  // opening an existing one; nullptr when the file cannot be created, with *nameTaken set when
  // that is because the name exists.
  using WriterFactory =
      std::function<std::unique_ptr<RecordWriter>(const std::wstring& path, bool* nameTaken)>;
  // Gives the token of each new temporary name (temporary_name.h).
  using TokenSource = std::function<std::uint64_t()>;

  // How many names the corrector tries for a file's temporary copy before it gives up.
  static constexpr int kTemporaryNameAttempts = 16;

  DmFileCorrector(const JobSettings& settings, RunState& state, MessageLog& log,
                  CorrectionModel& model);

  // Reads the DM file at `inputPath` record by record and writes its corrected copy to
  // `outputPath`: decides the file's zone, refuses files that must not be corrected, corrects
  // the sheet corners and every coordinate of the body, and appends a history block (year,
  // month, advice number, organisation and the parameter identifier of the loaded parameters).
  // Reports its position through `progress` before records 1, 33, 65 ... and stops when that
  // reports a cancellation.
  //
  // The copy is written to a temporary file of its own in the output folder
  // (temporary_name.h), flushed to the disk and renamed onto `outputPath` only when the file is
  // corrected; otherwise the temporary file is deleted and an earlier file of that name is left
  // as it was. Another run writing the same output name at the same time never touches this
  // run's temporary file: whichever renames last leaves its complete copy.
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
  // Replaces the tokens of the temporary names (tests use it to make names collide).
  void setTokenSource(TokenSource source) { tokenSource_ = std::move(source); }

  // A dry run: every file is read and corrected as in a real run, and the log says the same, but
  // the copy goes nowhere: nothing is created, renamed or deleted in the output folder.
  void setDryRun(bool dryRun) { dryRun_ = dryRun; }

 private:
  // Creates the temporary file that receives the copy of `outputPath` under a new name, which
  // it gives in `temporaryPath`. A name that exists already (another run's file) is left alone
  // and another one is tried, kTemporaryNameAttempts names in all. nullptr when none could be
  // created.
  std::unique_ptr<RecordWriter> createTemporaryFile(const std::wstring& outputPath,
                                                    std::wstring& temporaryPath);

  const JobSettings& settings_;
  RunState& state_;
  MessageLog& log_;
  CorrectionModel& model_;
  WriterFactory writerFactory_;
  TokenSource tokenSource_;
  bool dryRun_ = false;
};
