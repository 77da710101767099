// The run log file: the whole message log of a run, "Ostrand.txt" in the user's temporary folder,
// which Execute writes after a run and opens with the desktop's viewer.
#pragma once

#include <string>

// Full path of the run log file: the temporary folder followed by "Ostrand.txt".
std::wstring runLogFilePath();

// The bytes of the run log file for a log text: the text in the ANSI code page of the user's
// locale (Shift_JIS on a Japanese Windows). When that code page cannot hold every character (a
// Japanese log on a Western Windows would lose its text to '?'), the text is written as UTF-8
// after a byte-order mark instead, which the desktop's text viewers recognise.
// The log's lines already end with CR LF; nothing is added or translated.
std::string runLogFileBytes(const std::wstring& logText);

// Creates or replaces the run log file at `path` with the bytes for `logText`. Returns 1 when the
// whole file was written, 0 when it could not be created or written.
int writeRunLogFile(const std::wstring& path, const std::wstring& logText);
