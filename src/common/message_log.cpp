#include "common/message_log.h"

void MessageLog::appendLine(const std::wstring& line) {
  text_ += line;
  text_ += L"\r\n";
}
