// The integer rule of the dialog's year and month boxes.
#pragma once

#include <string>

// Reads the first 63 characters of `text` as scanf reads "%d": white space skipped, an optional
// sign, then at least one decimal digit; the digits up to the first other character give the
// value and the rest is ignored ("13年" reads 13, " 7" reads 7). Returns false, leaving `value`
// unchanged, when no number starts the text (an empty box included). A number beyond the 32-bit
// range gives the nearest limit, so that it fails any range check instead of wrapping into range.
bool readIntegerField(const std::wstring& text, int& value);
