// What a run and the DM file corrector need of the progress display: the four operations of the
// desktop program's progress object. The batch front end and the tests provide their own. The
// run's thread reports the whole run's progress to the front end's object; each worker hands its
// corrector one of its own, whose reports count into that whole and answer the cancel flag.
#pragma once

#include <cstdint>
#include <string>

class Progress {
 public:
  virtual ~Progress() = default;
  // Switches the front end into its running look; resets the cancel flag. Returns 1.
  virtual int Begin() = 0;
  // Shows the fraction (0 to 1) of the work that is done, lets the user interface process
  // pending input, and returns the cancel flag (non-zero: stop).
  virtual int SetRatio(double ratio) = 0;
  // SetRatio(done / total) in double precision; a total of 0 shows 0.
  virtual int SetPosition(std::int64_t done, std::int64_t total) = 0;
  // Shows the status line text.
  virtual void SetText(const std::wstring& text) = 0;
};
