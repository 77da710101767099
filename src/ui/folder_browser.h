// The shell's folder browser, as the dialog's "..." buttons for the input and output folders use it.
#pragma once

#include <windows.h>

#include <string>

// Shows the folder browser with `caption` as its title, rooted at the desktop, owned by `owner`,
// with the folder named by `currentText` selected (the current directory when the text is
// empty). A button for new folders shows only when `allowNewFolders` is true.
// Returns 1 when a file-system folder was chosen: `path` gets its path ending with a backslash.
// Returns 2 when the user cancelled and 0 on failure; `path` then holds `currentText`.
int browseForFolder(const std::wstring& currentText, const std::wstring& caption, HWND owner,
                    bool allowNewFolders, std::wstring& path);
