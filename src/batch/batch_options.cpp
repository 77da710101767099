#include "batch/batch_options.h"

#include <climits>

#include "common/text_format.h"
#include "run/run_report.h"

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
    {L"--report", ValueKind::Text},
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
  else if (name == L"--report") options.reportFile = text;
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
    if (arg == L"--dry-run") {
      options.dryRun = true;
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
      error = arg.rfind(L"-", 0) == 0 ? formatText(L"%s というオプションはありません", arg)
                                      : formatText(L"オプションでない引数があります: %s", arg);
      return ParseResult::UsageError;
    }
    if (!hasValue) {
      if (i + 1 >= args.size()) {
        error = formatText(L"%s の後に値を指定してください", name);
        return ParseResult::UsageError;
      }
      value = args[++i];
    }
    int number = 0;
    if (option->kind == ValueKind::Integer && !parseWholeInteger(value, number)) {
      error = formatText(L"%s には整数を指定してください（\"%s\" は整数ではありません）", name, value);
      return ParseResult::UsageError;
    }
    if (name == L"--report" && reportFormatOf(value) == ReportFormat::None) {
      error = formatText(L"--report のファイル名は .json か .html で終えてください: %s", value);
      return ParseResult::UsageError;
    }
    if (name == L"--jobs" && number < 1) {
      error = formatText(L"--jobs には 1 以上の数を指定してください: %s", value);
      return ParseResult::UsageError;
    }
    store(options, name, value, number);
  }
  return options.help ? ParseResult::Help : ParseResult::Ok;
}

std::wstring batchUsage() {
  return L"使い方: ostrand-batch [--settings FILE] [--in DIR] [--out DIR] [--par FILE]\n"
         L"          [--year N] [--month N] [--number TEXT] [--org TEXT] [--zone N]\n"
         L"          [--log FILE] [--report FILE] [--dry-run] [--quiet]\n"
         L"入力フォルダーのDMファイルを補正パラメーターファイルで補正して出力フォルダーに\n"
         L"書き込み、実行ログを標準出力に出します。\n"
         L"  --settings FILE  設定ファイル（セクション OstrandDlg）の値から始めます。\n"
         L"                   ほかのオプションは、設定ファイルの値より優先します\n"
         L"  --in DIR         入力フォルダー（キー In）\n"
         L"  --out DIR        出力フォルダー（キー Out）\n"
         L"  --par FILE       補正パラメーターファイル（キー Par）\n"
         L"  --year N         修正履歴の作成年、0 から 99（キー Year）\n"
         L"  --month N        修正履歴の作成月、1 から 12（キー Month）\n"
         L"  --number TEXT    公共測量助言番号（キー Number）\n"
         L"  --org TEXT       作業機関名（キー Kikan）\n"
         L"  --zone N         系が決まらないファイルを N 系（1 から 19）で補正します\n"
         L"  --log FILE       実行ログを FILE にも書き込みます\n"
         L"  --report FILE    実行結果のレポートを書き込みます。形式は拡張子で選びます:\n"
         L"                   .json（スクリプト用）、.html（ファイルの表と図郭の地図）\n"
         L"  --dry-run        試しの実行: 確認・読み込み・補正・ログは実際の実行と同じ\n"
         L"                   ですが、出力フォルダーには何も書き込みません（作りません）\n"
         L"  --quiet          進み具合を表示しません\n"
         L"  --jobs N         同時に補正するファイルの数（既定: 論理プロセッサーの数）\n"
         L"  --help           この説明を表示します\n"
         L"最後に、標準エラー出力へ集計の1行を出します。ファイルの補正・補正不可・失敗\n"
         L"の数と、補正できなかった（未補正の）座標点・図郭点の数です。\n"
         L"終了ステータス:\n"
         L"  0  すべてのDMファイルを、すべての座標点・図郭点まで補正しました\n"
         L"  1  実行の前に止まりました（入力の誤り、パラメーターを読み込めない、\n"
         L"     フォルダーの誤りなど）。または、ログかレポートを書き込めませんでした\n"
         L"  2  使い方の誤り\n"
         L"  3  Ctrl+C で中断しました\n"
         L"  4  実行は終わりましたが、確認が必要です。補正しなかったファイルか、\n"
         L"     補正できなかった座標点・図郭点があります（数は集計の行にあります）\n";
}

std::wstring batchSummaryLine(int corrected, int refused, int failed, long long pointsNotCorrected,
                              long long cornersNotCorrected, bool cancelled) {
  return formatText(L"集計: 補正 %d、補正不可 %d、失敗 %d、未補正の座標点 %d・図郭点 %d%s",
                    corrected, refused, failed, pointsNotCorrected, cornersNotCorrected,
                    cancelled ? L"、中断" : L"");
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
