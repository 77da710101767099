#include "ui/manual.h"

#include <windows.h>

#include <vector>

#include "common/text_format.h"
#include "run/path_operations.h"

std::wstring manualPathFor(const std::wstring& executablePath) {
  PathParts parts = splitFileName(executablePath);
  std::wstring own = formatText(L"%s%s%s.pdf", parts.drive, parts.folder, parts.name);
  if (GetFileAttributesW(own.c_str()) != INVALID_FILE_ATTRIBUTES) return own;
  return formatText(L"%s%sOstrand.pdf", parts.drive, parts.folder);
}

std::wstring manualPath() {
  std::vector<wchar_t> buffer(1024, L'\0');
  GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  return manualPathFor(buffer.data());
}
