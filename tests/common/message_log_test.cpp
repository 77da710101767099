#include "common/message_log.h"

#include <gtest/gtest.h>

namespace {

TEST(MessageLogTest, everyLineEndsWithOneCrLf) {
  MessageLog log;
  EXPECT_TRUE(log.empty());
  log.logLine(L"%s から %s", L"a", L"b");
  log.logLine(L"中断しました");
  EXPECT_EQ(log.text(), L"a から b\r\n中断しました\r\n");
  log.clear();
  EXPECT_TRUE(log.empty());
}

}  // namespace
