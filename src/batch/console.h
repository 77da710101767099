// Text and bytes to the console streams of the batch front end.
#pragma once

#include <cstdio>
#include <string>

// True when the stream is an interactive terminal (a console on Windows).
bool isTerminal(std::FILE* stream);

// True when the stream is a Windows console: text goes to it as wide characters, whatever its
// code page. False for files and pipes, and always on Linux, where a terminal takes UTF-8 bytes.
bool isConsole(std::FILE* stream);

// Makes the stream write bytes as they are (no LF -> CR LF translation on Windows).
void setBinaryMode(std::FILE* stream);

// Writes bytes as they are and flushes. False when not all of them could be written.
bool writeBytes(std::FILE* stream, const std::string& bytes);

// Writes wide text with every line end (CR LF or LF) turned into the platform's own: to a console
// as whole lines of wide characters (writeConsoleLines), to files and pipes as bytes in the
// stream's encoding (platform::toConsoleText), flushed.
void writeText(std::FILE* stream, const std::wstring& text);

// Writes the run log: to a console as its wide text (whole lines), to files and pipes as `bytes`,
// the log's bytes as they are.
bool writeLog(std::FILE* stream, const std::wstring& text, const std::string& bytes);

// Writes wide text to a console stream, one WriteConsoleW call for each line (up to and including
// its LF; the rest, when it does not end with one, in a last call), so that no character is ever
// split between calls. False when a call fails. Only for streams for which isConsole holds; on
// Linux it writes nothing and returns false.
bool writeConsoleLines(std::FILE* stream, const std::wstring& text);
