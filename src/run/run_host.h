// The seams between the run and its surroundings: the front end (dialog or console), the
// correction model, and the DM file corrector. The run reaches all of them through these
// interfaces so that the same run serves the dialog, the batch front end and the tests.
#pragma once

#include <memory>
#include <string>

#include "common/file_log.h"
#include "run/job_settings.h"
#include "run/progress.h"

struct FileOutcome;

// What the run needs of its front end.
class RunHost {
 public:
  virtual ~RunHost() = default;
  // The dialog's data exchange: fills `settings` from the fields and writes the settings file.
  // On failure the front end has shown its own message; returns false.
  virtual bool readFields(JobSettings& settings) = 0;
  // A modal message box with an OK button and the exclamation icon (a refusal before a run).
  virtual void showMessage(const std::wstring& text) = 0;
  // A modal Yes/No question with the question icon; true on Yes.
  virtual bool askYesNo(const std::wstring& text) = 0;
  // The wait cursor, shown from begin to end (nested calls allowed).
  virtual void beginWaitCursor() = 0;
  virtual void endWaitCursor() = 0;
  // The progress object of a run (the dialog's, on progress bar 9001).
  virtual std::unique_ptr<Progress> createProgress() = 0;
  // Opens the run log file with the desktop's viewer.
  virtual void openRunLog(const std::wstring& path) = 0;
};

// What the run needs of the correction model.
class RunModel {
 public:
  virtual ~RunModel() = default;
  // True when more than 1000 grid records are loaded.
  virtual bool isLoaded() const = 0;
};

// How one DM file ended. The run treats Corrected, Refused and Failed alike (it goes on with the
// next file) and stops on Cancelled; the batch front end counts them.
enum class FileResult {
  Corrected,  // corrected and written (1)
  Refused,    // refused with a message in the log; no output (0)
  Failed,     // a file could not be opened, read or written; no output (0)
  Cancelled,  // the run was cancelled while the file was worked on; no output (negative)
};

// One DM file of a run, as a worker hands it to its corrector.
struct FileTask {
  std::wstring inputPath;
  std::wstring outputPath;  // in the output folder, under the input file's name
  int fallbackZone = 0;     // the zone the file starts from (no range check); its sheet number
                            // may give another
};

// The DM file corrector as the run sees it. A run has one per worker; each is called from its
// worker's thread only, one file after the other, while the others correct other files.
class FileCorrector {
 public:
  virtual ~FileCorrector() = default;
  // Corrects one file. Everything it has to say goes to `log`; it reports its position in the
  // input through `progress` and stops when that answers non-zero. `outcome` arrives with the
  // paths and the started flag set; the corrector fills in the reason, zone, unit, counts,
  // corners and shifts (file_outcome.h), and the run records the result in it. A Corrected file
  // leaves its complete copy under a temporary name in the output folder, named in
  // `finishedCopy`, for the run to put on the disk and under the output name in file order;
  // every other result leaves no file behind. (A corrector that writes nothing, in a dry run
  // say, leaves `finishedCopy` empty.)
  virtual FileResult correctDmFile(const FileTask& task, FileLog& log, Progress& progress,
                                   FileOutcome& outcome, std::wstring& finishedCopy) = 0;
};

// Makes the correctors of a run's workers, on the run's thread, before the workers start.
class FileCorrectorFactory {
 public:
  virtual ~FileCorrectorFactory() = default;
  virtual std::unique_ptr<FileCorrector> createCorrector() = 0;
};

// The integer form of a result: 1 corrected, 0 refused or failed, -1 cancelled.
inline int resultCode(FileResult r) {
  switch (r) {
    case FileResult::Corrected: return 1;
    case FileResult::Cancelled: return -1;
    default: return 0;
  }
}
