// A file's log lines and how the run takes them into its log: the limit of 100 listed point
// failures falls across files, in file order.
#include "common/file_log.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const wchar_t kCap[] = L"同一のエラーが100件を超えました、以降のエラーはリストされません\r\n";

// A file that logs `before` ordinary lines, then `errors` point failures, then "end".
FileLog fileWith(int errors, int before = 1) {
  FileLog log;
  for (int i = 0; i < before; ++i) log.logLine(L"line %d", i + 1);
  for (int i = 0; i < errors; ++i) log.logPointError(L"point %d", i + 1);
  log.logLine(L"end");
  return log;
}

std::wstring points(int from, int to) {
  std::wstring text;
  for (int i = from; i <= to; ++i) text += L"point " + std::to_wstring(i) + L"\r\n";
  return text;
}

TEST(FileLogTest, the_run_lists_point_failures_until_its_hundredth_then_the_cap_line_once) {
  const struct {
    const char* what;
    int listedBefore;  // point failures the run listed in earlier files
    int errors;        // the file's
    std::wstring text;
    int listedAfter;
  } cases[] = {
      {"none yet, a few", 0, 3, L"line 1\r\n" + points(1, 3) + L"end\r\n", 3},
      {"the file reaches 100 exactly", 97, 3,
       L"line 1\r\n" + points(1, 3) + kCap + L"end\r\n", 100},
      {"the cap falls inside the file", 98, 5,
       L"line 1\r\n" + points(1, 2) + kCap + L"end\r\n", 100},
      {"the run is at 100: none listed, no second cap line", 100, 5, L"line 1\r\nend\r\n", 100},
      {"one file of 150", 0, 150, L"line 1\r\n" + points(1, 100) + kCap + L"end\r\n", 100},
      {"no failures", 99, 0, L"line 1\r\nend\r\n", 99},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MessageLog log;
    int listed = c.listedBefore;
    appendFileLog(log, fileWith(c.errors), listed);
    EXPECT_EQ(log.text(), c.text);
    EXPECT_EQ(listed, c.listedAfter);
  }
}

TEST(FileLogTest, a_file_keeps_its_lines_in_order_and_no_more_than_100_point_failures) {
  FileLog log = fileWith(150, 2);
  EXPECT_EQ(log.pointErrorCount(), 100);
  ASSERT_EQ(log.lines().size(), 103u);
  EXPECT_FALSE(log.lines()[1].pointError);
  EXPECT_TRUE(log.lines()[2].pointError);
  EXPECT_EQ(log.lines()[101].text, L"point 100");
  EXPECT_EQ(log.text(), L"line 1\r\nline 2\r\n" + points(1, 100) + L"end\r\n");
  log.clear();
  EXPECT_TRUE(log.empty());
  log.logPointError(L"again");
  EXPECT_EQ(log.pointErrorCount(), 1);
}

}  // namespace
