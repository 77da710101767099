// Text and bytes to the console streams of the batch front end.
#pragma once

#include <cstdio>
#include <string>

// True when the stream is an interactive terminal (a console on Windows).
bool isTerminal(std::FILE* stream);

// Makes the stream write bytes as they are (no LF -> CR LF translation on Windows).
void setBinaryMode(std::FILE* stream);

// Writes bytes as they are and flushes. False when not all of them could be written.
bool writeBytes(std::FILE* stream, const std::string& bytes);

// Writes wide text in the stream's console encoding (platform::toConsoleText) with every line end
// (CR LF or LF) turned into the platform's own, and flushes.
void writeText(std::FILE* stream, const std::wstring& text);
