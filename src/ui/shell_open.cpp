#include "ui/shell_open.h"

#include <shellapi.h>

namespace {

void openWithShell(HWND owner, const std::wstring& path, int showCommand) {
  ShellExecuteW(owner, L"open", path.c_str(), nullptr, nullptr, showCommand);
}

ShellOpener currentOpener = &openWithShell;

}  // namespace

void shellOpen(HWND owner, const std::wstring& path, int showCommand) {
  currentOpener(owner, path, showCommand);
}

ShellOpener setShellOpener(ShellOpener opener) {
  ShellOpener previous = currentOpener;
  currentOpener = opener ? opener : &openWithShell;
  return previous;
}
