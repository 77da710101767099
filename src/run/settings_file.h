// The settings file: the user's entries (JobSettings) kept between program starts in a profile
// (INI) file beside the executable, section "OstrandDlg".
//
// Keys, in the order they are read and written, with their defaults for a missing key or an
// empty value:
//   "In" inputFolder (empty)          "Out" outputFolder (empty)
//   "Year" year (current year % 100)  "Month" month (current month)
//   "Number" adviceNumber (empty)     "Kikan" organisation (empty)
//   "Par" parameterPath (empty)       "Kei" fallbackZoneIndex (8, zone 9)
//   "BKei" useFallbackZone (0)
// Integers are written as "%d". Values are taken without range checks: a year of 2013 or a zone
// list position of 25 is read as it stands and refused later by the dialog.
#pragma once

#include <string>

#include "run/job_settings.h"

// The section that holds the keys.
extern const wchar_t kSettingsSection[];

// Full path of the settings file: the running executable's drive, folder and base name with
// ".ini" ("%s%s%s.ini"). An executable started under another name uses a file of that name.
std::wstring settingsPath();

// The text value of `key` in `section` of the profile file `file`; `defaultText` when the file,
// the section or the key is missing. At most 8191 characters.
std::wstring readSettingText(const std::wstring& file, const std::wstring& section,
                             const std::wstring& key, const std::wstring& defaultText);

// The integer value of `key`: `defaultValue` when the value is missing or empty; otherwise the
// decimal number that begins it (leading white space skipped, an optional sign, then digits up to
// the first other character), 0 when it does not begin with a number, and the nearest 32-bit
// limit for a number beyond the 32-bit range.
int readSettingInt(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                   int defaultValue);

// Writes a text value; creates the file and the section when missing. Returns the platform's
// success flag, which no caller needs to look at (failed writes are not reported).
bool writeSettingText(const std::wstring& file, const std::wstring& section,
                      const std::wstring& key, const std::wstring& text);

// Writes an integer value as "%d".
bool writeSettingInt(const std::wstring& file, const std::wstring& section,
                     const std::wstring& key, int value);

// The integer value of a setting's text by the rules of readSettingInt (the text is not empty).
int settingTextToInt(const std::wstring& text);

// Reads all nine keys, in order, into `settings`. `currentYear` (full year, e.g. 2013) and
// `currentMonth` (1 to 12) give the defaults of "Year" (currentYear % 100) and "Month".
void readJobSettings(const std::wstring& file, JobSettings& settings, int currentYear,
                     int currentMonth);

// Writes all nine keys, in order.
void writeJobSettings(const std::wstring& file, const JobSettings& settings);
