// The user manual that the help key opens.
#pragma once

#include <string>

// The manual beside the running executable: its base name with ".pdf" when that file exists,
// otherwise "Ostrand.pdf" in the same folder (which is not checked).
std::wstring manualPath();

// The same choice for a given executable path (tests name one).
std::wstring manualPathFor(const std::wstring& executablePath);
