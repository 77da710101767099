// The progress object of the batch front end: a one-line bar on stderr when stderr is a terminal
// (nothing otherwise, and nothing when the front end is quiet), and Ctrl-C turned into a confirmed
// cancel at the next progress report.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "run/job_settings.h"
#include "run/progress.h"

class ConsoleProgress : public Progress {
 public:
  // `confirmCancel` is called once, at the first report after Ctrl-C (the run's confirmCancel:
  // sets cancelRequested and logs the cancel line). Every report returns the run's cancel flag
  // from `state`.
  ConsoleProgress(RunState& state, std::function<void()> confirmCancel, bool showBar);
  ~ConsoleProgress() override;  // clears the bar's line

  int Begin() override;
  int SetRatio(double ratio) override;
  int SetPosition(std::int64_t done, std::int64_t total) override;
  void SetText(const std::wstring& text) override;

 private:
  int report();
  void draw();
  void clear();

  RunState& state_;
  std::function<void()> confirmCancel_;
  bool showBar_;
  bool cancelConfirmed_ = false;
  std::wstring text_;
  int percent_ = 0;
  int drawnColumns_ = 0;  // columns of the line on screen, 0 when none is drawn
};

// The columns a text takes on a terminal: 2 for East Asian wide characters, 1 for the others.
int displayColumns(const std::wstring& text);

// The text cut to at most `columns` columns, keeping its end ("..." in front when cut).
std::wstring fitToColumns(const std::wstring& text, int columns);
