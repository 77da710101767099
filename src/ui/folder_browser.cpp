#include "ui/folder_browser.h"

#include <shlobj.h>

#include <vector>

namespace {

// Selects the starting folder once the browser is up; `data` is its item identifier list.
int CALLBACK browseCallback(HWND browser, UINT message, LPARAM, LPARAM data) {
  if (message == BFFM_INITIALIZED && data != 0) {
    SendMessageW(browser, BFFM_SETSELECTIONW, FALSE, data);
  }
  return 0;
}

std::wstring currentDirectory() {
  DWORD length = GetCurrentDirectoryW(0, nullptr);
  if (length == 0) return std::wstring();
  std::vector<wchar_t> buffer(length + 1, L'\0');
  GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
  return std::wstring(buffer.data());
}

}  // namespace

int browseForFolder(const std::wstring& currentText, const std::wstring& caption, HWND owner,
                    bool allowNewFolders, std::wstring& path) {
  path = currentText;
  IMalloc* allocator = nullptr;
  if (FAILED(SHGetMalloc(&allocator)) || allocator == nullptr) return 0;
  IShellFolder* desktop = nullptr;
  if (FAILED(SHGetDesktopFolder(&desktop)) || desktop == nullptr) {
    allocator->Release();
    return 0;
  }

  // The start folder: the box's text, or the current directory; its first 259 characters.
  std::wstring start = currentText.empty() ? currentDirectory() : currentText;
  wchar_t startName[260] = {};
  start.copy(startName, 259);
  LPITEMIDLIST startItem = nullptr;
  ULONG eaten = 0;
  if (FAILED(desktop->ParseDisplayName(owner, nullptr, startName, &eaten, &startItem, nullptr))) {
    startItem = nullptr;  // the browser opens without a selection
  }

  wchar_t displayName[MAX_PATH] = {};
  BROWSEINFOW info = {};
  info.hwndOwner = owner;
  info.pidlRoot = nullptr;
  info.pszDisplayName = displayName;
  info.lpszTitle = caption.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  if (!allowNewFolders) info.ulFlags |= BIF_NONEWFOLDERBUTTON;
  info.lpfn = &browseCallback;
  info.lParam = reinterpret_cast<LPARAM>(startItem);

  int result = 0;
  LPITEMIDLIST chosen = SHBrowseForFolderW(&info);
  if (chosen == nullptr) {
    result = 2;
  } else {
    wchar_t chosenPath[MAX_PATH] = {};
    if (SHGetPathFromIDListW(chosen, chosenPath)) {
      path = chosenPath;
      if (path.empty() || path.back() != L'\\') path += L'\\';
      result = 1;
    }
    allocator->Free(chosen);
  }
  if (startItem != nullptr) allocator->Free(startItem);
  desktop->Release();
  allocator->Release();
  return result;
}
