#include "common/file_log.h"

void FileLog::clear() {
  lines_.clear();
  pointErrors_ = 0;
}

std::wstring FileLog::text() const {
  std::wstring text;
  for (const Line& line : lines_) {
    text += line.text;
    text += L"\r\n";
  }
  return text;
}

void appendFileLog(MessageLog& log, const FileLog& fileLog, int& listedPointErrors) {
  for (const FileLog::Line& line : fileLog.lines()) {
    if (!line.pointError) {
      log.appendLine(line.text);
      continue;
    }
    if (listedPointErrors >= kPointErrorListLimit) continue;
    log.appendLine(line.text);
    listedPointErrors += 1;
    if (listedPointErrors == kPointErrorListLimit) {
      log.appendLine(L"同一のエラーが100件を超えました、以降のエラーはリストされません");
    }
  }
}
