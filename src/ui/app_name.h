// The application name: the caption of every message box of the desktop program.
#pragma once

inline constexpr const wchar_t* kApplicationName = L"Larkspan2";
