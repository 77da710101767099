// Opening a document with the shell's "open" verb (the run log file, the manual). All such calls
// of the desktop program go through shellOpen, so that a test can put a recorder in its place.
#pragma once

#include <windows.h>

#include <string>

// Signature of the function that does the opening.
using ShellOpener = void (*)(HWND owner, const std::wstring& path, int showCommand);

// ShellExecuteW(owner, "open", path, no parameters, no working folder, showCommand) through the
// current opener. The shell's result is not looked at.
void shellOpen(HWND owner, const std::wstring& path, int showCommand);

// Replaces the opener (nullptr restores ShellExecuteW); returns the one it replaced. For tests.
ShellOpener setShellOpener(ShellOpener opener);
