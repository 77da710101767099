// The dialog's progress object for a run: switches the main dialog into its running look, moves
// the progress bar and the status line, and keeps the dialog alive by draining the thread's
// message queue at every report, which is how a click on the Cancel button reaches the dialog.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "run/job_settings.h"
#include "run/progress.h"

class JProgress : public Progress {
 public:
  // `dialog` is the main dialog window (not owned); `state` is its RunState, whose
  // cancelRequested every report returns; the run passes progress bar id 9001. Touches no window.
  JProgress(HWND dialog, RunState& state, int progressBarId);
  // Restores the idle look: status line and progress bar hidden, every other control enabled,
  // button 3308 reading "実行", and the zone list enabled only when its checkbox is ticked.
  ~JProgress() override;

  JProgress(const JProgress&) = delete;
  JProgress& operator=(const JProgress&) = delete;

  // The running look: bar range 0 to 100 at 0, cancelRequested reset, status line and bar shown,
  // every other control disabled except button 3308, which reads "キャンセル". Returns 1.
  int Begin() override;
  // Bar position = ratio × 100 truncated (0 to 100); drains the queue; returns cancelRequested.
  int SetRatio(double ratio) override;
  // SetRatio(done / total) in double precision; a total of 0 gives the position 0.
  int SetPosition(std::int64_t done, std::int64_t total) override;
  // Status line text (shortened with an ellipsis inside the path when too long); drains the queue.
  void SetText(const std::wstring& text) override;

  // Takes every message from the thread's queue until it is empty, dispatching all but the ones
  // that would move, size, close or open menus of the window and double clicks, which it drops.
  // No dialog keyboard handling is done. A quit message is put back and ends the draining.
  static void pumpMessages();

  // True for the messages that pumpMessages drops.
  static bool isDroppedDuringRun(UINT message);

 private:
  HWND dialog_;
  RunState& state_;
  int progressBarId_;
};
