// The run's message log: one wide text of lines, each ended by CR LF. Everything a run has to say
// is appended here; the user reads it in the run log file.
#pragma once

#include <string>

#include "common/text_format.h"

class MessageLog {
 public:
  // Formats the values into a new line (see text_format.h), appends it and CR LF.
  template <class... Args>
  void logLine(const wchar_t* format, const Args&... args) {
    appendLine(formatText(format, args...));
  }

  // Appends one line as it stands, followed by CR LF.
  void appendLine(const std::wstring& line);

  const std::wstring& text() const { return text_; }
  bool empty() const { return text_.empty(); }
  void clear() { text_.clear(); }

 private:
  std::wstring text_;
};
