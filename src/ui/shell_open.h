// Opening a document with the shell's "open" verb (the run log file, the manual). All such calls
// of the desktop program go through shellOpen, so that a test can put a recorder in its place.
#pragma once

#include <windows.h>

#include <string>

// Signature of the function that does the opening; it returns the shell's result.
using ShellOpener = INT_PTR (*)(HWND owner, const std::wstring& path, int showCommand);

// ShellExecuteW(owner, "open", path, no parameters, no working folder, showCommand) through the
// current opener. Returns its result: greater than 32 when the document was opened; otherwise an
// error such as SE_ERR_NOASSOC (no program for the file's kind) or SE_ERR_FNF (no such file).
INT_PTR shellOpen(HWND owner, const std::wstring& path, int showCommand);

// True when a result of shellOpen means that the document was opened.
inline bool shellOpened(INT_PTR result) { return result > 32; }

// Replaces the opener (nullptr restores ShellExecuteW); returns the one it replaced. For tests.
ShellOpener setShellOpener(ShellOpener opener);
