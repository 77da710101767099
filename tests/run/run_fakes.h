// Fakes of the run's surroundings: a front end that records its message boxes, questions, wait
// cursor and progress calls; a model that records the zones set; a corrector that records its
// calls and returns scripted results.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "run/file_outcome.h"
#include "run/run_host.h"

namespace runtest {

class FakeHost;

// Records every call in the host's event list and returns the run's cancel flag, as the desktop's
// progress object does. A progress report runs the host's `onReport`, which is where a test
// "clicks" the Cancel button.
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

  // Script.
  bool fieldsReadable = true;
  bool answerYes = false;
  std::function<void()> onReport;

  // Record.
  std::vector<std::wstring> messages;
  std::vector<std::wstring> questions;
  std::vector<std::wstring> openedLogs;
  std::vector<std::wstring> events;  // "Begin", "SetText <text>", "SetRatio", "End"
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
inline int FakeProgress::SetRatio(double) {
  host_.events.push_back(L"SetRatio");
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
  void setZone(int z) override {
    zone = z;
    zonesSet.push_back(z);
  }

  bool loaded = true;
  int zone = -1;
  std::vector<int> zonesSet;
};

// What the fake corrector does with a file, by the file's name.
enum class Script {
  Correct,       // returns Corrected
  Refuse,        // returns Refused
  Fail,          // returns Failed
  ReportFirst,   // reports position 0 like the real corrector; Cancelled when told to stop
};

class FakeCorrector : public FileCorrector {
 public:
  struct Call {
    std::wstring input;
    std::wstring output;
    int zone;     // the model's zone when the call began
    int running;  // the run's flag during the call
  };

  FakeCorrector(FakeModel& model, RunState& state) : model_(model), state_(state) {}

  FileResult correctDmFile(const std::wstring& input, const std::wstring& output,
                           Progress& progress, FileOutcome& outcome) override {
    calls.push_back({input, output, model_.zone, state_.running});
    if (fillOutcome) fillOutcome(outcome);
    // A file's sheet number replaces the model's zone.
    model_.setZone(zoneFromSheet);
    const std::wstring name = input.substr(input.find_last_of(L"\\/") + 1);
    const auto it = scripts.find(name);
    const Script script = it == scripts.end() ? Script::Correct : it->second;
    switch (script) {
      case Script::Refuse: return FileResult::Refused;
      case Script::Fail: return FileResult::Failed;
      case Script::ReportFirst:
        return progress.SetPosition(0, 1000) != 0 ? FileResult::Cancelled : FileResult::Corrected;
      case Script::Correct: break;
    }
    return FileResult::Corrected;
  }

  std::map<std::wstring, Script> scripts;
  std::function<void(FileOutcome&)> fillOutcome;  // fills in counts, as the real corrector does
  int zoneFromSheet = 77;
  std::vector<Call> calls;

 private:
  FakeModel& model_;
  RunState& state_;
};

}  // namespace runtest
