#include "ui/shell_open.h"

#include <shellapi.h>

namespace {

INT_PTR openWithShell(HWND owner, const std::wstring& path, int showCommand) {
  return reinterpret_cast<INT_PTR>(
      ShellExecuteW(owner, L"open", path.c_str(), nullptr, nullptr, showCommand));
}

ShellOpener currentOpener = &openWithShell;

}  // namespace

INT_PTR shellOpen(HWND owner, const std::wstring& path, int showCommand) {
  return currentOpener(owner, path, showCommand);
}

ShellOpener setShellOpener(ShellOpener opener) {
  ShellOpener previous = currentOpener;
  currentOpener = opener ? opener : &openWithShell;
  return previous;
}
