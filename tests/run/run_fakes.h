// Fakes of the run's surroundings: a front end that records its message boxes, questions, wait
// cursor and progress calls; a model that says whether it is loaded; correctors that record their
// calls (from every worker) and do what a script says for each file name.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "run/file_outcome.h"
#include "run/run_host.h"
#include "run_test_support.h"
#include "test_support.h"

namespace runtest {

class FakeHost;

// Records Begin, SetText and the end of the run in the host's event list, counts the reports of
// the run's bar and returns the run's cancel flag, as the desktop's progress object does. A report
// runs the host's `onReport`, which is where a test "clicks" the Cancel button.
class FakeProgress : public Progress {
 public:
  FakeProgress(FakeHost& host, RunState& state) : host_(host), state_(state) {}
  ~FakeProgress() override;
  int Begin() override;
  int SetRatio(double ratio) override;
  int SetPosition(std::int64_t done, std::int64_t total) override;
  void SetText(const std::wstring& text) override;

 private:
  FakeHost& host_;
  RunState& state_;
};

class FakeHost : public RunHost {
 public:
  explicit FakeHost(RunState& state) : state_(state) {}

  bool readFields(JobSettings&) override { return fieldsReadable; }
  void showMessage(const std::wstring& text) override { messages.push_back(text); }
  bool askYesNo(const std::wstring& text) override {
    questions.push_back(text);
    if (whileAsking) whileAsking();
    return answerYes;
  }
  void beginWaitCursor() override {
    ++waitCursorDepth;
    ++waitCursorShown;
  }
  void endWaitCursor() override { --waitCursorDepth; }
  std::unique_ptr<Progress> createProgress() override {
    return std::make_unique<FakeProgress>(*this, state_);
  }
  void openRunLog(const std::wstring& path) override { openedLogs.push_back(path); }

  // The texts of the SetText events, in order.
  std::vector<std::wstring> texts() const {
    std::vector<std::wstring> list;
    for (const std::wstring& e : events) {
      if (e.rfind(L"SetText ", 0) == 0) list.push_back(e.substr(8));
    }
    return list;
  }

  // Script.
  bool fieldsReadable = true;
  bool answerYes = false;
  std::function<void()> onReport;
  std::function<void()> whileAsking;  // runs while the question is open

  // Record.
  std::vector<std::wstring> messages;
  std::vector<std::wstring> questions;
  std::vector<std::wstring> openedLogs;
  std::vector<std::wstring> events;  // "Begin", "SetText <text>", "End"
  std::vector<double> ratios;        // every report of the run's bar
  int waitCursorDepth = 0;
  int waitCursorShown = 0;

 private:
  RunState& state_;
};

inline FakeProgress::~FakeProgress() { host_.events.push_back(L"End"); }
inline int FakeProgress::Begin() {
  host_.events.push_back(L"Begin");
  state_.cancelRequested = 0;
  return 1;
}
inline int FakeProgress::SetRatio(double ratio) {
  host_.ratios.push_back(ratio);
  if (host_.onReport) host_.onReport();
  return state_.cancelRequested;
}
inline int FakeProgress::SetPosition(std::int64_t done, std::int64_t total) {
  return SetRatio(total == 0 ? 0.0 : static_cast<double>(done) / static_cast<double>(total));
}
inline void FakeProgress::SetText(const std::wstring& text) {
  host_.events.push_back(L"SetText " + text);
}

class FakeModel : public RunModel {
 public:
  bool isLoaded() const override { return loaded; }
  bool loaded = true;
};

// What the fake corrector does with a file, by the file's name.
enum class Script {
  Correct,          // writes a finished copy "corrected <name>" (unless writesNothing); Corrected
  Refuse,           // logs "refused <name>"; Refused
  Fail,             // logs "failed <name>"; Failed
  WaitForCancel,    // reports position 0 until it is told to stop (at most 20 s); Cancelled
  WaitForRelease,   // reports position 0 until the test releases it (at most 20 s); Corrected
};

// Makes the correctors of the run's workers; they share the script and the record, which a
// mutex guards (the workers run side by side).
class FakeCorrectors : public FileCorrectorFactory {
 public:
  struct Call {
    std::wstring input;
    std::wstring output;
    int zone;     // the fallback zone the file was handed
    int running;  // the run's flag during the call
  };

  explicit FakeCorrectors(RunState& state) : state_(state) {}

  std::unique_ptr<FileCorrector> createCorrector() override {
    ++created;
    return std::make_unique<Worker>(*this);
  }

  // Every call, in the order they began.
  std::vector<Call> calls() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
  }
  // Forgets the calls and the releases (the script stays).
  void forget() {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.clear();
    released_.clear();
  }
  void release(const std::wstring& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    released_.push_back(name);
  }
  bool started(const std::wstring& name) const {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const Call& call : calls_) {
      if (nameOf(call.input) == name) return true;
    }
    return false;
  }

  // Script, set before the run.
  std::map<std::wstring, Script> scripts;
  std::map<std::wstring, int> pointErrors;  // point failures a file logs before its outcome
  std::map<std::wstring, int> delayMs;      // how long a file takes
  // Fills in counts, as the real corrector does (on the workers' threads: it may touch only the
  // outcome it is handed).
  std::function<void(FileOutcome&)> fillOutcome;
  bool writesNothing = false;  // corrected files leave no copy (a dry run's corrector)
  int created = 0;

  static std::wstring nameOf(const std::wstring& path) {
    return path.substr(path.find_last_of(L"\\/") + 1);
  }

 private:
  class Worker : public FileCorrector {
   public:
    explicit Worker(FakeCorrectors& owner) : owner_(owner) {}
    FileResult correctDmFile(const FileTask& task, FileLog& log, Progress& progress,
                             FileOutcome& outcome, std::wstring& finishedCopy) override {
      return owner_.correct(task, log, progress, outcome, finishedCopy);
    }

   private:
    FakeCorrectors& owner_;
  };

  FileResult correct(const FileTask& task, FileLog& log, Progress& progress, FileOutcome& outcome,
                     std::wstring& finishedCopy) {
    const std::wstring name = nameOf(task.inputPath);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      calls_.push_back({task.inputPath, task.outputPath, task.fallbackZone, state_.running});
    }
    if (fillOutcome) fillOutcome(outcome);
    const auto script = scripts.find(name);
    const Script what = script == scripts.end() ? Script::Correct : script->second;
    const auto errors = pointErrors.find(name);
    for (int i = 0; errors != pointErrors.end() && i < errors->second; ++i) {
      log.logPointError(L"point %d of %s", i + 1, name);
    }
    const auto delay = delayMs.find(name);
    if (delay != delayMs.end()) std::this_thread::sleep_for(std::chrono::milliseconds(delay->second));
    switch (what) {
      case Script::Refuse:
        log.logLine(L"refused %s", name);
        return FileResult::Refused;
      case Script::Fail:
        log.logLine(L"failed %s", name);
        return FileResult::Failed;
      case Script::WaitForCancel:
      case Script::WaitForRelease: {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < until && !released(name)) {
          if (progress.SetPosition(0, 1000) != 0) return FileResult::Cancelled;
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        break;
      }
      case Script::Correct:
        break;
    }
    if (writesNothing) return FileResult::Corrected;  // as in a dry run: no copy
    finishedCopy = task.outputPath + L".ostrand-tmp";
    testsupport::writeBytes(fsPath(finishedCopy), "corrected " + wideToUtf8(name));
    return FileResult::Corrected;
  }

  bool released(const std::wstring& name) const {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const std::wstring& r : released_) {
      if (r == name) return true;
    }
    return false;
  }

  RunState& state_;
  mutable std::mutex mutex_;
  std::vector<Call> calls_;
  std::vector<std::wstring> released_;
};

}  // namespace runtest
