#include "batch/batch_host.h"

#include <cstdio>

#include "batch/console.h"
#include "batch/console_progress.h"

BatchHost::BatchHost(const JobSettings& assembled, RunState& state, bool showProgress)
    : assembled_(assembled), state_(state), showProgress_(showProgress) {}

bool BatchHost::readFields(JobSettings& settings) {
  settings = assembled_;
  return true;
}

void BatchHost::showMessage(const std::wstring& text) {
  std::wstring line = text;
  if (line.size() < 2 || line.compare(line.size() - 2, 2, L"\r\n") != 0) line += L"\r\n";
  writeText(stderr, line);
  refused_ = true;
}

bool BatchHost::askYesNo(const std::wstring&) { return false; }

std::unique_ptr<Progress> BatchHost::createProgress() {
  RunDriver* driver = driver_;
  return std::make_unique<ConsoleProgress>(
      state_, [driver] { if (driver != nullptr) driver->confirmCancel(); }, showProgress_);
}

void BatchHost::openRunLog(const std::wstring&) {}
