// Small operations on wide text that must behave the same where wchar_t is UTF-16 (Windows) and
// where it is UTF-32 (Linux).
#pragma once

#include <string>

// Orders two texts as sequences of UTF-16 code units (so a character above U+FFFF, written as a
// surrogate pair, sorts below U+E000). Negative, zero or positive like strcmp. A text that is a
// prefix of another comes first.
int compareUtf16(const std::wstring& a, const std::wstring& b);

// True when the texts are equal once the letters A to Z are taken as a to z; every other
// character must match exactly.
bool equalIgnoringAsciiCase(const std::wstring& a, const std::wstring& b);

// UTF-8 <-> wide text. Invalid sequences become U+FFFD.
std::string wideToUtf8(const std::wstring& text);
std::wstring utf8ToWide(const std::string& bytes);
