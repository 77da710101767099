#include "batch/batch_options.h"

#include <climits>

namespace {

enum class ValueKind { Text, Integer };

struct ValueOption {
  const wchar_t* name;
  ValueKind kind;
};

const ValueOption kValueOptions[] = {
    {L"--settings", ValueKind::Text}, {L"--in", ValueKind::Text},
    {L"--out", ValueKind::Text},      {L"--par", ValueKind::Text},
    {L"--year", ValueKind::Integer},  {L"--month", ValueKind::Integer},
    {L"--number", ValueKind::Text},   {L"--org", ValueKind::Text},
    {L"--zone", ValueKind::Integer},  {L"--log", ValueKind::Text},
    {L"--jobs", ValueKind::Integer},
};

const ValueOption* findValueOption(const std::wstring& name) {
  for (const ValueOption& option : kValueOptions) {
    if (name == option.name) return &option;
  }
  return nullptr;
}

// A whole argument as a decimal integer: an optional sign and at least one digit, nothing else,
// within the 32-bit range.
bool parseWholeInteger(const std::wstring& text, int& value) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
    negative = text[i] == L'-';
    ++i;
  }
  if (i == text.size()) return false;
  long long magnitude = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < L'0' || text[i] > L'9') return false;
    magnitude = magnitude * 10 + (text[i] - L'0');
    if (magnitude > static_cast<long long>(INT_MAX) + 1) return false;
  }
  const long long signedValue = negative ? -magnitude : magnitude;
  if (signedValue < INT_MIN || signedValue > INT_MAX) return false;
  value = static_cast<int>(signedValue);
  return true;
}

void store(BatchOptions& options, const std::wstring& name, const std::wstring& text, int number) {
  if (name == L"--settings") options.settingsFile = text;
  else if (name == L"--in") options.inputFolder = text;
  else if (name == L"--out") options.outputFolder = text;
  else if (name == L"--par") options.parameterFile = text;
  else if (name == L"--year") options.year = number;
  else if (name == L"--month") options.month = number;
  else if (name == L"--number") options.adviceNumber = text;
  else if (name == L"--org") options.organisation = text;
  else if (name == L"--zone") options.zone = number;
  else if (name == L"--log") options.logFile = text;
  else if (name == L"--jobs") options.jobs = number;
}

}  // namespace

ParseResult parseBatchArguments(const std::vector<std::wstring>& args, BatchOptions& options,
                                std::wstring& error) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::wstring& arg = args[i];
    if (arg == L"--help" || arg == L"-h") {
      options.help = true;
      continue;
    }
    if (arg == L"--quiet") {
      options.quiet = true;
      continue;
    }
    std::wstring name = arg;
    std::wstring value;
    bool hasValue = false;
    const size_t equals = arg.find(L'=');
    if (arg.rfind(L"--", 0) == 0 && equals != std::wstring::npos) {
      name = arg.substr(0, equals);
      value = arg.substr(equals + 1);
      hasValue = true;
    }
    const ValueOption* option = findValueOption(name);
    if (option == nullptr) {
      error = arg.rfind(L"-", 0) == 0 ? L"unknown option " + arg : L"unexpected argument " + arg;
      return ParseResult::UsageError;
    }
    if (!hasValue) {
      if (i + 1 >= args.size()) {
        error = name + L" needs a value";
        return ParseResult::UsageError;
      }
      value = args[++i];
    }
    int number = 0;
    if (option->kind == ValueKind::Integer && !parseWholeInteger(value, number)) {
      error = name + L" needs an integer, not \"" + value + L"\"";
      return ParseResult::UsageError;
    }
    if (name == L"--jobs" && number < 1) {
      error = L"--jobs needs a count of 1 or more, not " + value;
      return ParseResult::UsageError;
    }
    store(options, name, value, number);
  }
  return options.help ? ParseResult::Help : ParseResult::Ok;
}

std::wstring batchUsage() {
  return L"usage: ostrand-batch [--settings FILE] [--in DIR] [--out DIR] [--par FILE]\n"
         L"                     [--year N] [--month N] [--number TEXT] [--org TEXT] [--zone N]\n"
         L"                     [--log FILE] [--quiet]\n"
         L"Corrects every DM file of the input folder into the output folder with the correction\n"
         L"parameter file, then prints the run log.\n"
         L"  --settings FILE  start from this settings file (section OstrandDlg) instead of the\n"
         L"                   defaults; the other options override its values\n"
         L"  --in DIR         input folder (key In)         --out DIR   output folder (key Out)\n"
         L"  --par FILE       correction parameter file (key Par)\n"
         L"  --year N         year of the history entry, 0 to 99 (key Year)\n"
         L"  --month N        month of the history entry, 1 to 12 (key Month)\n"
         L"  --number TEXT    public-survey advice number (key Number)\n"
         L"  --org TEXT       organisation that did the work (key Kikan)\n"
         L"  --zone N         zone 1 to 19 for files whose zone is not known otherwise\n"
         L"  --log FILE       also write the run log to FILE\n"
         L"  --quiet          no progress display\n"
         L"  --jobs N         files corrected side by side (default: one per logical processor)\n"
         L"Exit status: 0 every DM file corrected, 4 the run completed but some file was not,\n"
         L"1 refused before the run, 2 wrong usage, 3 cancelled.\n";
}

void applyBatchOptions(const BatchOptions& options, JobSettings& settings) {
  if (options.inputFolder) settings.inputFolder = *options.inputFolder;
  if (options.outputFolder) settings.outputFolder = *options.outputFolder;
  if (options.year) settings.year = *options.year;
  if (options.month) settings.month = *options.month;
  if (options.adviceNumber) settings.adviceNumber = *options.adviceNumber;
  if (options.organisation) settings.organisation = *options.organisation;
  if (options.zone) {
    const int zone = *options.zone;
    settings.useFallbackZone = 1;
    settings.fallbackZoneIndex = (zone >= 1 && zone <= 19) ? zone - 1 : -1;
  }
}

JobSettings defaultJobSettings(int currentYear, int currentMonth) {
  JobSettings settings;
  settings.year = currentYear % 100;
  settings.month = currentMonth;
  settings.fallbackZoneIndex = 8;
  settings.useFallbackZone = 0;
  return settings;
}
