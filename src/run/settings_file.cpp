#include "run/settings_file.h"

#include <climits>

#include "common/text_format.h"
#include "platform/platform.h"
#include "run/path_operations.h"

const wchar_t kSettingsSection[] = L"OstrandDlg";

namespace {

// The C library's white space in the "C" locale.
bool isSpace(wchar_t c) {
  return c == L' ' || c == L'\t' || c == L'\n' || c == L'\v' || c == L'\f' || c == L'\r';
}

bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

}  // namespace

std::wstring settingsPath() {
  const PathParts parts = splitFileName(platform::executablePath());
  // A full path: the Windows profile functions would look for a bare name in the Windows folder.
  return platform::fullPath(formatText(L"%s%s%s.ini", parts.drive, parts.folder, parts.name));
}

std::wstring readSettingText(const std::wstring& file, const std::wstring& section,
                             const std::wstring& key, const std::wstring& defaultText) {
  return platform::readProfileString(file, section, key, defaultText);
}

int settingTextToInt(const std::wstring& text) {
  size_t i = 0;
  while (i < text.size() && isSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
    negative = text[i] == L'-';
    ++i;
  }
  // Accumulated as a magnitude that stops growing once it is past either limit.
  const long long limit = static_cast<long long>(INT_MAX) + 1;
  long long magnitude = 0;
  for (; i < text.size() && isDigit(text[i]); ++i) {
    magnitude = magnitude * 10 + (text[i] - L'0');
    if (magnitude > limit) magnitude = limit;
  }
  if (negative) return magnitude >= limit ? INT_MIN : static_cast<int>(-magnitude);
  return magnitude > INT_MAX ? INT_MAX : static_cast<int>(magnitude);
}

int readSettingInt(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                   int defaultValue) {
  const std::wstring text = readSettingText(file, section, key, L"");
  if (text.empty()) return defaultValue;
  return settingTextToInt(text);
}

bool writeSettingText(const std::wstring& file, const std::wstring& section,
                      const std::wstring& key, const std::wstring& text) {
  return platform::writeProfileString(file, section, key, text);
}

bool writeSettingInt(const std::wstring& file, const std::wstring& section,
                     const std::wstring& key, int value) {
  return writeSettingText(file, section, key, formatText(L"%d", value));
}

void readJobSettings(const std::wstring& file, JobSettings& settings, int currentYear,
                     int currentMonth) {
  const wchar_t* section = kSettingsSection;
  settings.inputFolder = readSettingText(file, section, L"In", L"");
  settings.outputFolder = readSettingText(file, section, L"Out", L"");
  settings.year = readSettingInt(file, section, L"Year", currentYear % 100);
  settings.month = readSettingInt(file, section, L"Month", currentMonth);
  settings.adviceNumber = readSettingText(file, section, L"Number", L"");
  settings.organisation = readSettingText(file, section, L"Kikan", L"");
  settings.parameterPath = readSettingText(file, section, L"Par", L"");
  settings.fallbackZoneIndex = readSettingInt(file, section, L"Kei", 8);
  settings.useFallbackZone = readSettingInt(file, section, L"BKei", 0);
}

void writeJobSettings(const std::wstring& file, const JobSettings& settings) {
  const wchar_t* section = kSettingsSection;
  writeSettingText(file, section, L"In", settings.inputFolder);
  writeSettingText(file, section, L"Out", settings.outputFolder);
  writeSettingInt(file, section, L"Year", settings.year);
  writeSettingInt(file, section, L"Month", settings.month);
  writeSettingText(file, section, L"Number", settings.adviceNumber);
  writeSettingText(file, section, L"Kikan", settings.organisation);
  writeSettingText(file, section, L"Par", settings.parameterPath);
  writeSettingInt(file, section, L"Kei", settings.fallbackZoneIndex);
  writeSettingInt(file, section, L"BKei", settings.useFallbackZone);
}
