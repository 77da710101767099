// The log lines of one DM file, collected while a worker corrects it. The run appends them to its
// message log in file order (appendFileLog), and that is where the run-wide limit of listed point
// failures falls, across files, exactly where a run of one file after the other puts it.
#pragma once

#include <string>
#include <vector>

#include "common/message_log.h"
#include "common/text_format.h"

// The point failures listed per run; the cap message follows the last one listed.
constexpr int kPointErrorListLimit = 100;

class FileLog {
 public:
  struct Line {
    std::wstring text;
    bool pointError = false;  // a point failure, listed only while the run is under its limit
  };

  // Formats the values into a new line (see text_format.h) and keeps it.
  template <class... Args>
  void logLine(const wchar_t* format, const Args&... args) {
    lines_.push_back({formatText(format, args...), false});
  }

  // A point whose correction failed. A run lists at most 100, so a file keeps (and formats) no
  // more than its first 100.
  template <class... Args>
  void logPointError(const wchar_t* format, const Args&... args) {
    if (pointErrors_ >= kPointErrorListLimit) return;
    lines_.push_back({formatText(format, args...), true});
    ++pointErrors_;
  }

  const std::vector<Line>& lines() const { return lines_; }
  // The point failures kept (at most 100).
  int pointErrorCount() const { return pointErrors_; }
  bool empty() const { return lines_.empty(); }
  void clear();

  // Every kept line, each followed by CR LF, as the file's lines read when no earlier file of
  // the run listed a point failure and the file itself lists fewer than 100.
  std::wstring text() const;

 private:
  std::vector<Line> lines_;
  int pointErrors_ = 0;
};

// Appends the file's lines to the run's log in their order. A point failure is listed while fewer
// than 100 are listed in the run (`listedPointErrors`, counted up here); the one that makes 100 is
// followed by "同一のエラーが100件を超えました、以降のエラーはリストされません", and later ones
// are left out.
void appendFileLog(MessageLog& log, const FileLog& fileLog, int& listedPointErrors);
